// What the LCD and LDD controller simulators share: three colour channels with shutter
// times, four interval times, a shutter, a wobble unit (a setting and a value 0..359), three
// gamma tables of 256 12-bit values, three uniformity tables of 825 bytes (25 columns by
// 33 rows, row after row), eight image-adjust values in hexadecimal, three serial codes and
// the 256-byte data store.
//
// Exposures and the actions a driver waits for (shutter, wobble control and the model's
// own moves) are jobs: a poll answers status '2' (busy) with a progress digit '0'..'9'
// until the job's time is up, then '0' (idle). A job may begin with a phase in which polls
// answer '6' (moving) instead of '2'. A new job replaces one still running.
#pragma once

#include "framed_controller_sim.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace qlsim {

// A snapshot of the state the LCD and LDD controllers share. Times are in units of 10 ms.
struct PanelState {
    static constexpr int kGammaTables = 3;
    static constexpr int kGammaValues = 256;
    static constexpr int kUniformTables = 3;
    static constexpr int kUniformColumns = 25;
    static constexpr int kUniformRows = 33;
    static constexpr int kUniformBytes = kUniformColumns * kUniformRows;

    uint16_t shutter[3];        // channels 1..3
    uint16_t interval[4];       // indexes 1..4; 1 and 2 time exposures of channels 4 and 5
    bool wobbleOn;
    uint16_t wobble;            // 0..359
    uint8_t wobbleAction;       // last WobbleControl index 1..4; 0 before the first
    uint16_t gamma[kGammaTables][kGammaValues];      // 0..0xFFF
    uint8_t uniform[kUniformTables][kUniformBytes];  // cell (x, y) at y * 25 + x
    // As the controller holds them: items 7 and 8 hold 0 when switched on.
    uint16_t imageAdjust[8];
    char serial[3][17];         // 16 characters each, NUL-terminated
    uint8_t store[256];
    bool shutterOpen;
    int exposures;              // count of Expose commands
    int lastExposeChannel;
};

class PanelControllerSim : public FramedControllerSim {
public:
    static constexpr char kStatusIdle = '0';
    static constexpr char kStatusBusy = '2';
    static constexpr char kStatusMoving = '6';

    ~PanelControllerSim() override;

    // Paces the line both ways at `baud` as a real line would: replies as SetPacing does,
    // and the host's bytes are taken in no faster than 10 bits a byte, so that a long
    // request is answered only once all of it could have crossed. 0 turns both off.
    void SetLineRate(int baud);

protected:
    using Ms = std::chrono::milliseconds;

    // One row of a command table: the handler reads its parameters and fills the reply data.
    template <class Sim>
    struct CommandEntry {
        // Parameter count that the handler checks itself (commands with optional fields).
        static constexpr size_t kVariable = std::numeric_limits<size_t>::max();

        unsigned char letter;
        const char* name;
        size_t paramCount;
        Refusal (Sim::*handler)(const Params&, std::string&);
    };

    template <class Entry, size_t N>
    static const Entry* Lookup(const Entry (&table)[N], unsigned char letter) {
        for (const Entry& entry : table) {
            if (entry.letter == letter) return &entry;
        }
        return nullptr;
    }

    // Checks the parameter count and runs the handler.
    template <class Sim>
    static Refusal Run(Sim& sim, const CommandEntry<Sim>& entry, const Params& params,
                       std::string& data) {
        const bool countOk = entry.paramCount == CommandEntry<Sim>::kVariable
                                 ? !params.empty()
                                 : params.size() == entry.paramCount;
        return countOk ? (sim.*entry.handler)(params, data) : Refusal::Malformed;
    }

    PanelControllerSim(char modelLetter, const char* identity);

    // The model's own commands: handles `command` and returns true, or returns false when
    // the model has no such command. Called with stateMutex_ held.
    virtual bool HandleModel(unsigned char command, const Params& params, std::string& data,
                             Refusal& refusal) = 0;
    virtual const char* ModelCommandName(unsigned char command) const = 0;

    // Starts a job of `duration` whose first `moving` answer status '6'; both are scaled by
    // the time scale. Call with stateMutex_ held.
    void StartJob(Ms duration, Ms moving = Ms(0));

    // The shared state with the data store, and setting it back. Call with stateMutex_ held.
    PanelState PanelLocked() const;
    void SetPanelLocked(const PanelState& state);

    // params[0] is '0' + channel for channels 1..3, or '0' + index - 1 for indexes
    // 1..count. Each gives the 0-based slot.
    static bool ChannelSlot(const Params& p, int& slot);
    static bool IndexSlot(const Params& p, int count, int& slot);

    void Handle(unsigned char command, const Params& params, std::string& data, char& e1,
                char& e2) override;
    char CurrentStatus(char& progress) override;
    const char* CommandName(unsigned char command) const override;
    void OnBytes(const uint8_t* data, size_t n) override;

private:
    struct Job {
        bool running = false;
        Clock::time_point start{};
        Clock::time_point movingUntil{};
        Clock::time_point end{};
    };
    using Entry = CommandEntry<PanelControllerSim>;

    static const Entry* FindCommand(unsigned char letter);

    Refusal Expose(const Params& p, std::string& data);
    Refusal ShutterControl(const Params& p, std::string& data);
    Refusal WobbleControl(const Params& p, std::string& data);
    Refusal GetShutterTime(const Params& p, std::string& data);
    Refusal GetSerialCode(const Params& p, std::string& data);
    Refusal GetWobbleData(const Params& p, std::string& data);
    Refusal GetIntervalTime(const Params& p, std::string& data);
    Refusal SetShutterTime(const Params& p, std::string& data);
    Refusal SetIntervalTime(const Params& p, std::string& data);
    Refusal SetWobbleData(const Params& p, std::string& data);
    Refusal GetGammaData(const Params& p, std::string& data);
    Refusal SetGammaData(const Params& p, std::string& data);
    Refusal GetUniformData(const Params& p, std::string& data);
    Refusal SetUniformData(const Params& p, std::string& data);
    Refusal UniformData(const Params& p, std::string& data);
    Refusal SetSerialCode(const Params& p, std::string& data);
    Refusal SetImageAdjust(const Params& p, std::string& data);
    Refusal GetImageAdjust(const Params& p, std::string& data);

    PanelState panel_;  // its store is unused: the data store lives in store_
    Job job_;

    // Reader thread only: when the paced line has delivered the host's last byte.
    std::atomic<int> lineRate_{0};
    Clock::time_point inputDoneAt_{};
};

}  // namespace qlsim
