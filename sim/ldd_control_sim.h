// The LDD controller (model letter 'g'): the shared panel controller with brightness, LED
// levels, a carrier with two positions, a focus drive, two stored positions and a repeat
// mode.
//
// Carrier and focus moves and the repeat mode are jobs. A move first answers status '6'
// (moving) for a while, then '2' (busy) until it is done; SetMoveTimes sets both.
#pragma once

#include "sim/panel_control_sim.h"

namespace qlcos::sim {

class LDDControlSim : public PanelControlSim {
public:
    static constexpr char kModelLetter = 'g';
    static constexpr const char* kIdentity = "VORTANE LCDD CONTROL";

    LDDControlSim();
    ~LDDControlSim() override;

    // How long a carrier move and a focus move take, and for how much of that (from the
    // start) polls answer '6' rather than '2'. Scaled by the time scale like every job.
    void SetMoveTimes(Ms carrier, Ms focus, Ms moving);

private:
    Refusal LEDControl(const Params& p, std::string& data);
    Refusal MoveCarrier(const Params& p, std::string& data);
    Refusal MoveFocus(const Params& p, std::string& data);
    Refusal SetRepeatMode(const Params& p, std::string& data);

    // Guarded by m_StateMutex.
    Ms m_CarrierTime{400};
    Ms m_FocusTime{300};
    Ms m_MovingTime{150};
};

} // namespace qlcos::sim
