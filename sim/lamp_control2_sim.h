// The lamp controller 2 (model letter 'Y'): three colour channels with shutter times,
// brightness and channel settings, four interval times, a colour wheel, a shutter, a light
// control, an input selector, a light table that it refreshes, a photocell, three serial
// codes, eight image-adjust values and a 256-byte data store.
//
// Exposures, colour-wheel moves, light control and light-table refreshes are jobs: a poll
// answers status '2' (busy) with a progress digit '0'..'9' until the job's time is up, then
// '0' (idle). Job times are measured against a steady-clock deadline when a poll arrives.
#pragma once

#include "framed_controller_sim.h"

#include <cstdint>
#include <string>

namespace qlsim {

// A snapshot of the controller's state. Times are in units of 10 ms.
struct Lamp2State {
    uint16_t shutter[3];       // channels 1..3
    uint16_t interval[4];      // indexes 1..4; 1 and 2 time exposures of channels 4 and 5
    uint8_t brightness[3];
    uint8_t channel[3];
    uint16_t wheel[3];         // colour-wheel position per channel
    uint16_t imageAdjust[8];
    char serial[3][17];        // 16 characters each, NUL-terminated
    uint8_t store[256];
    uint16_t photocell;
    uint8_t input;             // input number chosen by InputSelect, 1-based
    bool shutterOpen;
    int exposures;             // count of Expose commands
    int lastExposeChannel;
};

class LampControl2Sim : public FramedControllerSim {
public:
    static constexpr char kModelLetter = 'Y';
    static constexpr const char* kIdentity = "VORTANE XAVEN LAMPCONTROL";
    static constexpr char kStatusIdle = '0';
    static constexpr char kStatusBusy = '2';

    LampControl2Sim();
    ~LampControl2Sim() override;

    Lamp2State State() const;
    // Serial codes shorter than 16 characters are padded with spaces.
    void SetState(const Lamp2State& state);

protected:
    void Handle(unsigned char command, const Params& params, std::string& data, char& e1,
                char& e2) override;
    char CurrentStatus(char& progress) override;
    const char* CommandName(unsigned char command) const override;

private:
    struct CommandEntry;  // one row of the command table
    enum class JobKind { None, Exposure, ColorWheel, Light, Refresh };
    struct Job {
        JobKind kind = JobKind::None;
        Clock::time_point start{};
        Clock::time_point end{};
    };

    static const CommandEntry* FindCommand(unsigned char letter);

    // A new job replaces one that is still running: the controller follows its last order.
    void StartJob(JobKind kind, std::chrono::milliseconds duration);
    // Fraction of the running job done, in [0, 1); false when no job runs.
    bool JobFraction(double& fraction) const;

    // One handler per command letter; each reads its parameters and fills the reply data.
    Refusal Expose(const Params& p, std::string& data);
    Refusal ShutterControl(const Params& p, std::string& data);
    Refusal ColorWheelControl(const Params& p, std::string& data);
    Refusal LightControl(const Params& p, std::string& data);
    Refusal InputSelect(const Params& p, std::string& data);
    Refusal RefreshLightTable(const Params& p, std::string& data);
    Refusal GetBrightness(const Params& p, std::string& data);
    Refusal GetShutterTime(const Params& p, std::string& data);
    Refusal GetChannel(const Params& p, std::string& data);
    Refusal GetColorWheelPos(const Params& p, std::string& data);
    Refusal GetRefreshProgress(const Params& p, std::string& data);
    Refusal GetSerialCode(const Params& p, std::string& data);
    Refusal GetPhotronicCell(const Params& p, std::string& data);
    Refusal GetIntervalTime(const Params& p, std::string& data);
    Refusal SetBrightness(const Params& p, std::string& data);
    Refusal SetShutterTime(const Params& p, std::string& data);
    Refusal SetChannel(const Params& p, std::string& data);
    Refusal SetColorWheelPos(const Params& p, std::string& data);
    Refusal SetIntervalTime(const Params& p, std::string& data);
    Refusal SetSerialCode(const Params& p, std::string& data);
    Refusal SetImageAdjust(const Params& p, std::string& data);
    Refusal GetImageAdjust(const Params& p, std::string& data);

    Lamp2State state_;  // its store is unused: the data store lives in store_
    Job job_;
};

}  // namespace qlsim
