// The first-generation lamp controller: three colour channels with brightness, shutter
// time, channel setting and filter position, an exposure, a shutter and a table refresh.
//
// Request: STX, command character, parameter characters, ETX (no block check).
// Settings and actions answer ACK (0x06), or NAK (0x15) when the frame is malformed (unknown
// command, wrong parameter count, a non-digit where a number belongs) or a value is out of
// range (a channel outside 1..3). Readings answer STX, the command character, '0', the
// data digits, ETX.
//
// An exposure and a table refresh keep the controller busy: their ACK comes when they end,
// and bytes that arrive meanwhile are taken in only then, as on a controller that does one
// thing at a time.
#pragma once

#include "sim/pty_device.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace qlcos::sim {

// A snapshot of the controller's state. Shutter times are in units of 10 ms.
struct LampState {
    uint8_t brightness[3]; // channels 1..3, 0..99
    uint16_t shutter[3];   // 0..999
    uint8_t channel[3];    // 1..3
    uint16_t filter[3];    // 0..999
    bool shutterOpen;
    int refreshes; // count of RefreshTable commands carried out
    int exposures; // count of Exposal commands carried out
    int lastExposeChannel;
};

// A misbehaviour in place of one normal answer. Except for Nak, which refuses the command,
// the command is still carried out (the controller acted, its answer went wrong on the way
// back), so a host that retries sees the effect of each attempt.
struct LampFault {
    enum class Kind {
        Silence,       // no answer at all
        Nak,           // NAK; the command is not carried out
        GarbageBefore, // `bytes`, then the normal answer
        Raw,           // exactly `bytes` instead of the answer
        DropData,      // a reading's reply with its last `count` data digits left out
        CloseLine,     // the line is closed instead of answering
    };

    Kind kind = Kind::Silence;
    std::vector<uint8_t> bytes;
    int count = 0;

    static LampFault Silence() { return LampFault(Kind::Silence); }
    static LampFault Nak() { return LampFault(Kind::Nak); }
    static LampFault GarbageBefore(std::vector<uint8_t> garbage)
    {
        LampFault f(Kind::GarbageBefore);
        f.bytes = std::move(garbage);
        return f;
    }
    static LampFault Raw(std::vector<uint8_t> answer)
    {
        LampFault f(Kind::Raw);
        f.bytes = std::move(answer);
        return f;
    }
    static LampFault DropData(int digits)
    {
        LampFault f(Kind::DropData);
        f.count = digits;
        return f;
    }
    static LampFault CloseLine() { return LampFault(Kind::CloseLine); }

private:
    explicit LampFault(Kind k) : kind(k) {}
};

class LampControlSim : public PtyDevice {
public:
    static constexpr int kAnyCommand = -1;
    // A request that grows beyond this without an ETX is dropped.
    static constexpr size_t kMaxFrameBytes = 64;

    LampControlSim();
    // Ends a running exposure or refresh at once, then stops the device.
    ~LampControlSim() override;

    LampState State() const;
    void SetState(const LampState& state);

    // Queues a fault for the next answer to `command` (a command character, or any
    // command). Faults for one command apply to successive answers in order; a fault for a
    // specific command takes precedence over an any-command fault.
    void Script(LampFault fault, int command = kAnyCommand);
    void ClearScript();
    // How long a table refresh keeps the controller busy (1 s unless set).
    void SetRefreshTime(std::chrono::milliseconds duration);
    // The last logged frame with that command character; empty when there is none.
    std::vector<uint8_t> LastFrame(int command) const;

protected:
    void OnBytes(const uint8_t* data, size_t n) override;

private:
    using Params = std::vector<uint8_t>;
    // What a command leaves for its answer: the data of a reading, the time it keeps the
    // controller busy before the answer.
    struct Outcome {
        std::string data;
        std::chrono::milliseconds busy{0};
    };
    struct CommandEntry; // one row of the command table
    enum class ParseState { Idle, Body, Discard };

    static const CommandEntry* FindCommand(uint8_t command);

    void StartFrame();
    void FlushStray(const char* why);
    void HandleFrame(const std::vector<uint8_t>& frame);
    // Carries the command out and builds the answer, fault applied. Sets closeLine when the
    // fault closes the line, busy to the time to stay busy before answering.
    std::vector<uint8_t> Answer(const std::vector<uint8_t>& frame, std::string& note,
                                bool& closeLine, std::chrono::milliseconds& busy);
    bool TakeFault(uint8_t command, LampFault& fault);
    // Waits `duration` unless the device is being destroyed: true when the time ran out.
    bool StayBusy(std::chrono::milliseconds duration);

    // One handler per command; false refuses the command (NAK). Called with stateMutex_.
    bool SetBrightness(const Params& p, Outcome& out);
    bool GetBrightness(const Params& p, Outcome& out);
    bool SetShutterTime(const Params& p, Outcome& out);
    bool GetShutterTime(const Params& p, Outcome& out);
    bool SetChannel(const Params& p, Outcome& out);
    bool GetChannel(const Params& p, Outcome& out);
    bool SetFilterPos(const Params& p, Outcome& out);
    bool GetFilterPos(const Params& p, Outcome& out);
    bool Exposal(const Params& p, Outcome& out);
    bool ShutterOpen(const Params& p, Outcome& out);
    bool RefreshTable(const Params& p, Outcome& out);

    // Reader thread only: the frame being cut and bytes seen outside any frame.
    ParseState parse_ = ParseState::Idle;
    std::vector<uint8_t> frame_;
    std::vector<uint8_t> stray_;

    mutable std::mutex stateMutex_; // the state, the script and the refresh time
    LampState state_;
    std::map<int, std::deque<LampFault>> script_;
    std::chrono::milliseconds refreshTime_{1000};

    std::mutex busyMutex_;
    std::condition_variable busyCv_;
    bool ending_ = false;
};

} // namespace qlcos::sim
