// The X-Rite DTP22 densitometer on a pseudo-terminal.
//
// Commands end at CR; LF and NUL are ignored, so the '0' the identification request leaves
// after its LF becomes the first digit of the next command. A command is digits, then
// letters: "V" answers "X-Rite DTP22 Rev 1.15"; "OK" and "PB" are taken silently; "CF"
// with two or three digits answers the two-digit value of the flag its last two digits
// name, with four or more sets that flag to the two digits before them (silently); "CA"
// starts a white calibration that ends with "k0" after the calibration time; "SR" answers
// the reading as "v 1.23 c 0.45 m 0.67 y 0.89". When its button is pressed the instrument
// sends "k0", then "r0". Lines end in CR.
#pragma once

#include "sim/xrite_sim.h"

#include <map>

namespace qlcos::sim {

class XRite2xxSim : public XRiteSim {
public:
    static constexpr const char* kIdentity = "X-Rite DTP22 Rev 1.15";

    XRite2xxSim();
    ~XRite2xxSim() override;

    // The value of flag `flag` (0 to 99); every flag is 0 until set.
    int Flag(int flag) const;
    void SetFlag(int flag, int value);
    // How long a white calibration takes before "k0" (100 ms unless set).
    void SetCalibrationTime(std::chrono::milliseconds duration);
    int Calibrations() const;

protected:
    Answer OnCommand(const std::string& command) override;
    void SendReading(const SimReading& reading) override;

private:
    mutable std::mutex m_StateMutex;
    std::map<int, int> m_Flags;
    std::chrono::milliseconds m_CalibrationTime{100};
    int m_Calibrations = 0;
};

} // namespace qlcos::sim
