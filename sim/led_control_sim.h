// The LED controller (model letter 'h'): three LED colour channels with shutter times,
// brightness and channel settings, four interval times, an LED level control with four
// selectors, an input selector, three serial codes, eight image-adjust values and a
// 256-byte data store. No shutter, colour wheel or light table.
//
// An exposure is a job: a poll answers status '2' (busy) with a progress digit '0'..'9'
// until the exposure's time is up, then '0' (idle). Channels 1..3 expose for their shutter
// time, 4 and 5 for interval time 1 or 2 (units of 10 ms); any other channel finishes at
// once. Job times are measured against a steady-clock deadline when a poll arrives.
#pragma once

#include "sim/framed_model_sim.h"

#include <cstdint>
#include <string>

namespace qlcos::sim {

// What only the LED controller keeps.
struct LedSettings {
    uint8_t ledLevel[4]; // LED control level per selector 0..3
    uint8_t input;       // input number chosen by InputSelect, 1-based
};

// A snapshot of the controller's state. Times are in units of 10 ms.
struct LedState : FramedCommonState, ChannelLevels, LedSettings {};

class LedControlSim : public FramedModelSim {
public:
    static constexpr char kModelLetter = 'h';
    static constexpr const char* kIdentity = "VORTANE LCSD CONTROL";

    LedControlSim();
    ~LedControlSim() override;

    LedState State() const;
    // Serial codes shorter than 16 characters are padded with spaces.
    void SetState(const LedState& state);

protected:
    void Handle(unsigned char command, const Params& params, std::string& data, char& e1,
                char& e2) override;
    const char* CommandName(unsigned char command) const override;

private:
    using Entry = CommandEntry<LedControlSim>;

    static const Entry* FindCommand(unsigned char letter);

    // The model's own handlers; each reads its parameters and fills the reply data.
    Refusal LEDControl(const Params& p, std::string& data);
    Refusal InputSelect(const Params& p, std::string& data);

    LedSettings own_;
};

} // namespace qlcos::sim
