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

#include "framed_controller_sim.h"

#include <cstdint>
#include <string>

namespace qlsim {

// A snapshot of the controller's state. Times are in units of 10 ms.
struct LedState {
    uint16_t shutter[3];       // channels 1..3
    uint16_t interval[4];      // indexes 1..4; 1 and 2 time exposures of channels 4 and 5
    uint8_t brightness[3];
    uint8_t channel[3];
    uint8_t ledLevel[4];       // LED control level per selector 0..3
    uint16_t imageAdjust[8];
    char serial[3][17];        // 16 characters each, NUL-terminated
    uint8_t store[256];
    uint8_t input;             // input number chosen by InputSelect, 1-based
    int exposures;             // count of Expose commands
    int lastExposeChannel;
};

class LedControlSim : public FramedControllerSim {
public:
    static constexpr char kModelLetter = 'h';
    static constexpr const char* kIdentity = "VORTANE LCSD CONTROL";
    static constexpr char kStatusIdle = '0';
    static constexpr char kStatusBusy = '2';

    LedControlSim();
    ~LedControlSim() override;

    LedState State() const;
    // Serial codes shorter than 16 characters are padded with spaces.
    void SetState(const LedState& state);

protected:
    void Handle(unsigned char command, const Params& params, std::string& data, char& e1,
                char& e2) override;
    char CurrentStatus(char& progress) override;
    const char* CommandName(unsigned char command) const override;

private:
    struct CommandEntry;  // one row of the command table

    static const CommandEntry* FindCommand(unsigned char letter);

    // One handler per command letter; each reads its parameters and fills the reply data.
    Refusal Expose(const Params& p, std::string& data);
    Refusal LEDControl(const Params& p, std::string& data);
    Refusal InputSelect(const Params& p, std::string& data);
    Refusal GetBrightness(const Params& p, std::string& data);
    Refusal GetShutterTime(const Params& p, std::string& data);
    Refusal GetChannel(const Params& p, std::string& data);
    Refusal GetSerialCode(const Params& p, std::string& data);
    Refusal GetIntervalTime(const Params& p, std::string& data);
    Refusal SetBrightness(const Params& p, std::string& data);
    Refusal SetShutterTime(const Params& p, std::string& data);
    Refusal SetChannel(const Params& p, std::string& data);
    Refusal SetIntervalTime(const Params& p, std::string& data);
    Refusal SetSerialCode(const Params& p, std::string& data);
    Refusal SetImageAdjust(const Params& p, std::string& data);
    Refusal GetImageAdjust(const Params& p, std::string& data);

    LedState state_;  // its store is unused: the data store lives in store_
    // The running exposure; none once the clock has passed its end.
    Clock::time_point exposureStart_{};
    Clock::time_point exposureEnd_{};
};

}  // namespace qlsim
