// What the lamp controller 2, the LED controller and the panel (LCD and LDD) controllers
// share on top of the framed protocol: shutter and interval times, serial codes,
// image-adjust values, brightness and channel settings, exposures, jobs and their busy
// status, and the handlers of the commands that read and write them. Each model lists the
// commands it has in its own command table, naming these handlers where they fit.
//
// Exposures and the other actions a driver waits for are jobs: a poll answers status '2'
// (busy) with a progress digit '0'..'9' until the job's time is up, then '0' (idle). A job
// may begin with a phase in which polls answer '6' (moving) instead of '2'. A new job
// replaces one still running: the controller follows its last order. Job times are
// measured against a steady-clock deadline when a poll arrives.
#pragma once

#include "sim/framed_controller_sim.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace qlcos::sim {

// State every framed model keeps. Times are in units of 10 ms.
struct FramedCommonState {
    uint16_t shutter[3];  // channels 1..3
    uint16_t interval[4]; // indexes 1..4; 1 and 2 time exposures of channels 4 and 5
    uint16_t imageAdjust[8];
    char serial[3][17]; // 16 characters each, NUL-terminated
    uint8_t store[256];
    int exposures; // count of Expose commands
    int lastExposeChannel;
};

// Brightness and channel setting of the colour channels 1..3.
struct ChannelLevels {
    uint8_t brightness[3];
    uint8_t channel[3];
};

// How a model writes its image-adjust values: the number base (10 or 16) of their three
// digits and the upper limit of each item 1..8.
struct ImageAdjustFormat {
    int base;
    int max[8];
};

class FramedModelSim : public FramedControllerSim {
public:
    static constexpr char kStatusIdle = '0';
    static constexpr char kStatusBusy = '2';
    static constexpr char kStatusMoving = '6';

    ~FramedModelSim() override;

protected:
    using Ms = std::chrono::milliseconds;

    // One row of a command table: the handler reads its parameters and fills the reply data.
    template <class Sim> struct CommandEntry {
        // Parameter count that the handler checks itself (commands with optional fields).
        static constexpr size_t kVariable = std::numeric_limits<size_t>::max();

        unsigned char letter;
        const char* name;
        size_t paramCount;
        Refusal (Sim::*handler)(const Params&, std::string&);
    };

    template <class Entry, size_t N>
    static const Entry* Lookup(const Entry (&table)[N], unsigned char letter)
    {
        for (const Entry& entry : table) {
            if (entry.letter == letter) return &entry;
        }
        return nullptr;
    }

    // Runs the command of `entry` after checking its parameter count; false when `entry` is
    // null (the table has no such command), leaving `refusal` as it is.
    template <class Sim>
    static bool Run(Sim& sim, const CommandEntry<Sim>* entry, const Params& params,
                    std::string& data, Refusal& refusal)
    {
        if (entry == nullptr) return false;
        const bool countOk = entry->paramCount == CommandEntry<Sim>::kVariable
                                 ? !params.empty()
                                 : params.size() == entry->paramCount;
        refusal = countOk ? (sim.*entry->handler)(params, data) : Refusal::Malformed;
        return true;
    }

    template <class Entry> static const char* NameOf(const Entry* entry)
    {
        return entry != nullptr ? entry->name : nullptr;
    }

    // Sets the error digits of a reply; a refused command answers no data.
    static void Conclude(Refusal refusal, std::string& data, char& e1, char& e2);

    // Serial codes start as `serialPrefix` followed by the code's number, 16 characters in all.
    FramedModelSim(char modelLetter, const char* identity, const char* serialPrefix,
                   const ImageAdjustFormat& imageAdjust);

    // The shared state with the data store, and setting it back (serial codes padded with
    // spaces). Call with stateMutex_ held.
    void CommonLocked(FramedCommonState& snapshot) const;
    void SetCommonLocked(const FramedCommonState& state);

    // params[0] is '0' + channel for channels 1..3, or '0' + index - 1 for indexes
    // 1..count. Each gives the 0-based slot.
    static bool ChannelSlot(const Params& p, int& slot);
    static bool IndexSlot(const Params& p, int count, int& slot);

    // Jobs. `kind` tells jobs apart for models that ask what runs; exposures are
    // kExposureJob. Call with stateMutex_ held.
    static constexpr int kExposureJob = 0;
    // Starts a job of `duration` whose first `moving` answer status '6'; both are scaled by
    // the time scale.
    void StartJob(Ms duration, Ms moving = Ms(0), int kind = kExposureJob);
    // Fraction of the running job done, in [0, 1); false when no job runs.
    bool JobFraction(double& fraction) const;
    int JobKind() const { return job_.kind; }

    char CurrentStatus(char& progress) override;

    // The shared commands' handlers, named in the models' command tables.
    Refusal Expose(const Params& p, std::string& data);
    Refusal GetShutterTime(const Params& p, std::string& data);
    Refusal SetShutterTime(const Params& p, std::string& data);
    Refusal GetIntervalTime(const Params& p, std::string& data);
    Refusal SetIntervalTime(const Params& p, std::string& data);
    Refusal GetSerialCode(const Params& p, std::string& data);
    Refusal SetSerialCode(const Params& p, std::string& data);
    Refusal GetImageAdjust(const Params& p, std::string& data);
    Refusal SetImageAdjust(const Params& p, std::string& data);
    Refusal GetBrightness(const Params& p, std::string& data);
    Refusal SetBrightness(const Params& p, std::string& data);
    Refusal GetChannel(const Params& p, std::string& data);
    Refusal SetChannel(const Params& p, std::string& data);

    static constexpr size_t kSerialLength = 16;

    // Guarded by stateMutex_. The store of common_ is unused: the data store lives in store_.
    FramedCommonState common_;
    ChannelLevels levels_;

private:
    struct Job {
        bool running = false;
        int kind = kExposureJob;
        Clock::time_point start{};
        Clock::time_point movingUntil{};
        Clock::time_point end{};
    };

    bool JobFractionAt(Clock::time_point now, double& fraction) const;
    // Copies a serial code of up to 16 characters, padded with spaces.
    static void CopySerial(char (&to)[17], const char* from);

    const ImageAdjustFormat imageAdjust_;
    Job job_;
};

} // namespace qlcos::sim
