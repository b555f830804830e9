// The lamp controller 2 (model letter 'Y'): three colour channels with shutter times,
// brightness and channel settings, four interval times, a colour wheel, a shutter, a light
// control, an input selector, a light table that it refreshes, a photocell, three serial
// codes, eight image-adjust values and a 256-byte data store.
//
// Exposures, colour-wheel moves, light control and light-table refreshes are jobs: a poll
// answers status '2' (busy) with a progress digit '0'..'9' until the job's time is up, then
// '0' (idle). Job times are measured against a steady-clock deadline when a poll arrives.
#pragma once

#include "sim/framed_model_sim.h"

#include <cstdint>
#include <string>

namespace qlcos::sim {

// What only the lamp controller 2 keeps.
struct Lamp2Settings {
    uint16_t wheel[3]; // colour-wheel position per channel
    uint16_t photocell;
    uint8_t input; // input number chosen by InputSelect, 1-based
    bool shutterOpen;
};

// A snapshot of the controller's state. Times are in units of 10 ms.
struct Lamp2State : FramedCommonState, ChannelLevels, Lamp2Settings {};

class LampControl2Sim : public FramedModelSim {
public:
    static constexpr char kModelLetter = 'Y';
    static constexpr const char* kIdentity = "VORTANE XAVEN LAMPCONTROL";

    LampControl2Sim();
    ~LampControl2Sim() override;

    Lamp2State State() const;
    // Serial codes shorter than 16 characters are padded with spaces.
    void SetState(const Lamp2State& state);

protected:
    void Handle(unsigned char command, const Params& params, std::string& data, char& e1,
                char& e2) override;
    const char* CommandName(unsigned char command) const override;

private:
    using Entry = CommandEntry<LampControl2Sim>;
    // Jobs other than exposures.
    enum JobKinds { kColorWheelJob = kExposureJob + 1, kLightJob, kRefreshJob };

    static const Entry* FindCommand(unsigned char letter);

    // The model's own handlers; each reads its parameters and fills the reply data.
    Refusal ShutterControl(const Params& p, std::string& data);
    Refusal ColorWheelControl(const Params& p, std::string& data);
    Refusal LightControl(const Params& p, std::string& data);
    Refusal InputSelect(const Params& p, std::string& data);
    Refusal RefreshLightTable(const Params& p, std::string& data);
    Refusal GetColorWheelPos(const Params& p, std::string& data);
    Refusal GetRefreshProgress(const Params& p, std::string& data);
    Refusal GetPhotronicCell(const Params& p, std::string& data);
    Refusal SetColorWheelPos(const Params& p, std::string& data);

    Lamp2Settings own_;
};

} // namespace qlcos::sim
