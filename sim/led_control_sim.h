// The LED controller (model letter 'h'): three LED colour channels with shutter times,
// brightness and channel settings, four interval times, an LED level control with four
// selectors, an input selector, three serial codes, eight image-adjust values and a
// 256-byte data store. No shutter, colour wheel or light table.
//
// An exposure is a job: a poll answers status '2' (busy) with a progress digit '0'..'9'
// until the exposure's time is up, then '0' (idle). Channels 1..3 expose for their shutter
// time, 4 and 5 for interval time 1 or 2 (units of 10 ms); any other channel finishes at
// once.
#pragma once

#include "sim/frame_control_sim.h"

#include <string>

namespace qlcos::sim {

class LEDControlSim : public FrameControlSim {
public:
    static constexpr char kModelLetter = 'h';
    static constexpr const char* kIdentity = "VORTANE LCSD CONTROL";

    LEDControlSim();
    ~LEDControlSim() override;

private:
    Refusal LEDControl(const Params& p, std::string& data);
};

} // namespace qlcos::sim
