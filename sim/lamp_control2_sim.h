// The lamp controller 2 (model letter 'Y'): three colour channels with shutter times,
// brightness and channel settings, four interval times, a colour wheel, a shutter, a light
// control, an input selector, a light table that it refreshes, a photocell, three serial
// codes, eight image-adjust values and a 256-byte data store.
//
// Exposures, colour-wheel moves, light control and light-table refreshes are jobs: a poll
// answers status '2' (busy) with a progress digit '0'..'9' until the job's time is up, then
// '0' (idle).
#pragma once

#include "sim/frame_control_sim.h"

#include <string>

namespace qlcos::sim {

class LampControl2Sim : public FrameControlSim {
public:
    static constexpr char kModelLetter = 'Y';
    static constexpr const char* kIdentity = "VORTANE XAVEN LAMPCONTROL";

    LampControl2Sim();
    ~LampControl2Sim() override;

private:
    // Jobs other than exposures.
    enum JobKinds { kColorWheelJob = kExposureJob + 1, kLightJob, kRefreshJob };

    Refusal ShutterControl(const Params& p, std::string& data);
    Refusal ColorWheelControl(const Params& p, std::string& data);
    Refusal LightControl(const Params& p, std::string& data);
    Refusal RefreshLightTable(const Params& p, std::string& data);
    Refusal GetRefreshProgress(const Params& p, std::string& data);
    Refusal GetPhotronicCell(const Params& p, std::string& data);

    // A selector digit '0'..'9'; selector `withNumber` carries a number of `digits` more
    // digits. Starts a job of `duration`.
    Refusal SelectorJob(const Params& p, int withNumber, size_t digits, Ms duration, int kind);
};

} // namespace qlcos::sim
