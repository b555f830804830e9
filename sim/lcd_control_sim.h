// The LCD controller (model letter 'f'): the shared panel controller with a colour wheel.
// A colour-wheel action is a job like an exposure: polls answer '2' until it is done.
#pragma once

#include "sim/panel_control_sim.h"

namespace qlcos::sim {

class LCDControlSim : public PanelControlSim {
public:
    static constexpr char kModelLetter = 'f';
    static constexpr const char* kIdentity = "VORTANE LCDL CONTROL";

    LCDControlSim();
    ~LCDControlSim() override;

private:
    Refusal ColorWheelControl(const Params& p, std::string& data);
};

} // namespace qlcos::sim
