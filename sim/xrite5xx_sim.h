// The X-Rite 504 reflection densitometer on a pseudo-terminal.
//
// Commands end at CR; LF and NUL between commands are ignored. "SV" answers the identity
// line "X-Rite 504 Rev 2.06"; "0120CF" enters the calibration mode, "CR" calibrates the
// white reference in it and "0020CF" leaves it, none of them answered. A reading is sent of
// the instrument's own accord as "V 1.23 C 0.45 M 0.67 Y 0.89": the four letters, each
// followed by its density with two decimals, single spaces between. Lines end in CR LF.
#pragma once

#include "sim/xrite_sim.h"

namespace qlcos::sim {

class XRite5xxSim : public XRiteSim {
public:
    static constexpr const char* kIdentity = "X-Rite 504 Rev 2.06";

    XRite5xxSim();
    ~XRite5xxSim() override;

    // True once a "CR" came in the calibration mode.
    bool Calibrated() const;

protected:
    Answer OnCommand(const std::string& command) override;
    void SendReading(const SimReading& reading) override;

private:
    mutable std::mutex m_StateMutex;
    bool m_CalibrationMode = false;
    bool m_Calibrated = false;
};

} // namespace qlcos::sim
