// The LCD controller (model letter 'f'): the shared panel controller with a colour wheel.
// A colour-wheel action is a job like an exposure: polls answer '2' until it is done.
#pragma once

#include "sim/panel_controller_sim.h"

namespace qlcos::sim {

struct LcdState : PanelState {
    uint8_t colorWheel;    // last colour-wheel action, 0..9
    int colorWheelActions; // count of ColorWheelControl commands
};

class LcdControlSim : public PanelControllerSim {
public:
    static constexpr char kModelLetter = 'f';
    static constexpr const char* kIdentity = "VORTANE LCDL CONTROL";

    LcdControlSim();
    ~LcdControlSim() override;

    LcdState State() const;
    // Serial codes shorter than 16 characters are padded with spaces; gamma values above
    // 0xFFF are taken as 0xFFF.
    void SetState(const LcdState& state);

protected:
    bool HandleModel(unsigned char command, const Params& params, std::string& data,
                     Refusal& refusal) override;
    const char* ModelCommandName(unsigned char command) const override;

private:
    using Entry = CommandEntry<LcdControlSim>;
    static const Entry* FindCommand(unsigned char letter);

    Refusal ColorWheelControl(const Params& p, std::string& data);

    uint8_t colorWheel_ = 0;
    int colorWheelActions_ = 0;
};

} // namespace qlcos::sim
