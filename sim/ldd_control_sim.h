// The LDD controller (model letter 'g'): the shared panel controller with brightness, LED
// levels, a carrier with two positions, a focus drive, two stored positions and a repeat
// mode.
//
// Carrier and focus moves and the repeat mode are jobs. A move first answers status '6'
// (moving) for a while, then '2' (busy) until it is done; SetMoveTimes sets both.
#pragma once

#include "sim/panel_controller_sim.h"

namespace qlcos::sim {

struct LddMechanics {
    uint8_t brightness[3]; // channels 1..3, 0..99
    uint8_t led[7];        // LED actions 0..6, level 0..99
    uint8_t carrier;       // position 1 or 2
    int focusPosition;     // sum of every focus move
    int focusMoves;        // count of MoveFocus commands
    uint16_t position[2];  // stored positions 1..2, 0..9999
    int repeatModes;       // count of SetRepeatMode commands
};

struct LddState : PanelState, LddMechanics {};

class LddControlSim : public PanelControllerSim {
public:
    static constexpr char kModelLetter = 'g';
    static constexpr const char* kIdentity = "VORTANE LCDD CONTROL";

    LddControlSim();
    ~LddControlSim() override;

    LddState State() const;
    // Serial codes shorter than 16 characters are padded with spaces; gamma values above
    // 0xFFF are taken as 0xFFF.
    void SetState(const LddState& state);

    // How long a carrier move and a focus move take, and for how much of that (from the
    // start) polls answer '6' rather than '2'. Scaled by the time scale like every job.
    void SetMoveTimes(Ms carrier, Ms focus, Ms moving);

protected:
    bool HandleModel(unsigned char command, const Params& params, std::string& data,
                     Refusal& refusal) override;
    const char* ModelCommandName(unsigned char command) const override;

private:
    using Entry = CommandEntry<LddControlSim>;
    static const Entry* FindCommand(unsigned char letter);

    Refusal LEDControl(const Params& p, std::string& data);
    Refusal MoveCarrier(const Params& p, std::string& data);
    Refusal MoveFocus(const Params& p, std::string& data);
    Refusal GetPosition(const Params& p, std::string& data);
    Refusal SetPosition(const Params& p, std::string& data);
    Refusal SetRepeatMode(const Params& p, std::string& data);

    LddMechanics mechanics_{}; // its brightness is unused: brightness lives in levels_
    Ms carrierTime_{400};
    Ms focusTime_{300};
    Ms movingTime_{150};
};

} // namespace qlcos::sim
