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

#include "sim/fault_script.h"
#include "sim/frame_cutter.h"
#include "sim/pty_device.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace qlcos::sim {

// A snapshot of the controller's state. Shutter times are in units of 10 ms.
struct LampState {
    uint8_t Brightness[3]; // channels 1..3, 0..99
    uint16_t Shutter[3];   // 0..999
    uint8_t Channel[3];    // 1..3
    uint16_t Filter[3];    // 0..999
    bool ShutterOpen;
    int Refreshes; // count of RefreshTable commands carried out
    int Exposures; // count of Exposal commands carried out
    int LastExposeChannel;
};

// A misbehaviour in place of one normal answer. Except for Nak, which refuses the command,
// the command is still carried out (the controller acted, its answer went wrong on the way
// back), so a host that retries sees the effect of each attempt.
struct LampFault {
    using ByteList = std::vector<uint8_t>;

    enum class Kind {
        Silence,       // no answer at all
        Nak,           // NAK; the command is not carried out
        GarbageBefore, // `Bytes`, then the normal answer
        Raw,           // exactly `Bytes` instead of the answer
        DropData,      // a reading's reply with its last `Count` data digits left out
        CloseLine,     // the line is closed instead of answering
    };

    Kind Type = Kind::Silence;
    ByteList Bytes;
    int Count = 0;

    static LampFault Silence() { return {Kind::Silence}; }
    static LampFault Nak() { return {Kind::Nak}; }
    static LampFault GarbageBefore(ByteList bytes)
    {
        return {Kind::GarbageBefore, std::move(bytes)};
    }
    static LampFault Raw(ByteList answer) { return {Kind::Raw, std::move(answer)}; }
    static LampFault DropData(int digits) { return {Kind::DropData, {}, digits}; }
    static LampFault CloseLine() { return {Kind::CloseLine}; }

private:
    LampFault(Kind k, ByteList b = {}, int count = 0) : Type(k), Bytes(std::move(b)), Count(count)
    {}
};

class LampControlSim : public PtyDevice {
public:
    // A request that grows beyond this without an ETX is dropped.
    static constexpr size_t kMaxFrameBytes = 64;

    LampControlSim();
    // Ends a running exposure or refresh at once, then stops the device.
    ~LampControlSim() override;

    LampState State() const;
    void SetState(const LampState& state);
    // The name of the command with that character; nullptr when the controller has none.
    const char* CommandName(unsigned char letter) const;

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
        std::string Data;
        std::chrono::milliseconds Busy{0};
    };
    struct Command; // one row of the command table

    static const Command* FindCommand(uint8_t command);

    void HandleFrame(const std::vector<uint8_t>& frame);
    // Carries the command out and builds the answer, fault applied. Sets closeLine when the
    // fault closes the line, busy to the time to stay busy before answering.
    std::vector<uint8_t> Answer(const std::vector<uint8_t>& frame, std::string& note,
                                bool& closeLine, std::chrono::milliseconds& busy);
    // Waits `duration` unless the device is being destroyed: true when the time ran out.
    bool StayBusy(std::chrono::milliseconds duration);

    // The handlers; false refuses the command (NAK). Called with m_StateMutex held.
    // ReadChannel and WriteChannel read and set the channel params[0] '1'..'3' of a state
    // field, the value as `Digits` decimal digits.
    template <auto Field, size_t Digits> bool ReadChannel(const Params& p, Outcome& out);
    template <auto Field, size_t Digits> bool WriteChannel(const Params& p, Outcome& out);
    bool SetChannel(const Params& p, Outcome& out);
    bool Exposal(const Params& p, Outcome& out);
    bool ShutterOpen(const Params& p, Outcome& out);
    bool RefreshTable(const Params& p, Outcome& out);

    FrameCutter m_Cutter; // reader thread only

    mutable std::mutex m_StateMutex; // the state, the script and the refresh time
    LampState m_State;
    FaultScript<LampFault> m_Script;
    std::chrono::milliseconds m_RefreshTime{1000};

    std::mutex m_BusyMutex;
    std::condition_variable m_BusyCv;
    bool m_Ending = false;
};

} // namespace qlcos::sim
