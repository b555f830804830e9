// The framed ASCII protocol shared by the second-generation light-engine controllers.
//
// Request: STX, model letter, '0', command letter, parameter characters, ETX, block check.
// Reply:   STX, model letter, '0', command letter, '0', two error digits, data characters,
//          ETX, block check.
// The block check is the XOR of every byte from the model letter up to and including ETX.
//
// This class cuts requests out of the byte stream, logs them and answers each from the
// command table the model registers, after the status poll and identity (version) commands
// every model has. Requests with a wrong block check or another model's letter are logged
// but not answered. Faults and status sequences scripted by a test replace or alter replies.
#pragma once

#include "sim/fault_script.h"
#include "sim/frame_cutter.h"
#include "sim/pty_device.h"
#include "sim/sim_fault.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

namespace qlcos::sim {

class FramedProtocolSim : public PtyDevice {
public:
    static constexpr unsigned char kPollCommand = '1';
    static constexpr unsigned char kVersionCommand = 0x7F;
    // A request that grows beyond this without an ETX is dropped.
    static constexpr size_t kMaxFrameBytes = 4096;
    static constexpr int kMaxTimeScalePercent = 100000;

    explicit FramedProtocolSim(char modelLetter);
    ~FramedProtocolSim() override;

    char ModelLetter() const { return m_ModelLetter; }
    // The name of the model's command with that letter; nullptr when the model has none.
    const char* CommandName(unsigned char letter) const;

    // Queues a fault for the next reply to `command` (a command letter, or any command).
    // Several faults for one command apply to successive replies in order; a fault for a
    // specific command takes precedence over an any-command fault. A Status fault queued
    // for any command waits for the next poll, the only reply it can alter.
    void Script(Fault fault, int command = kAnyCommand);
    // The next polls answer these status characters in order, one each (replacing any
    // sequence still pending); then the real status returns.
    void ScriptStatusSequence(const std::string& statuses);
    // Every poll answers `status` from now on (a controller stuck busy), after any sequence
    // still pending, until HoldStatus(0) or ClearScript.
    void HoldStatus(char status);
    void ClearScript();
    // Scales every busy duration: 100 is real time, 0 finishes every job at once; values
    // beyond kMaxTimeScalePercent are taken as that.
    void SetTimeScale(int percent);
    // The text answered to the identity (version) command.
    void SetIdentity(const std::string& text);
    // The last logged frame with that command letter; empty when there is none.
    std::vector<uint8_t> LastFrame(int command) const;

protected:
    using Params = std::vector<uint8_t>;
    using Clock = std::chrono::steady_clock;

    // Why a request is refused; the error digits say so ("01", "02", "03").
    enum class Refusal { None, UnknownCommand, OutOfRange, Malformed };

    // One row of a command table. The handler reads its parameters, fills the reply data
    // and says whether it refuses the command; it is called with m_StateMutex held.
    template <class Sim> struct Command {
        unsigned char Letter;
        const char* Name;
        size_t ParamCount; // kVariable: at least one, the handler checks the count itself
        Refusal (Sim::*Handler)(const Params& p, std::string& data);
    };
    static constexpr size_t kVariable = std::numeric_limits<size_t>::max();

    // Adds commands of a table whose handlers are members of `Sim`. A row replaces an
    // earlier one with the same letter: a model's table, added by its constructor after
    // the shared ones, can override a shared command.
    template <class Sim, size_t N> void AddCommands(const Command<Sim> (&table)[N])
    {
        static_assert(std::is_base_of_v<FramedProtocolSim, Sim>);
        for (const Command<Sim>& row : table)
            m_Commands[row.Letter] = {row.Letter, row.Name, row.ParamCount,
                                      static_cast<BaseHandler>(row.Handler)};
    }

    // The status character for a poll and its progress digit. Called with m_StateMutex held.
    virtual char CurrentStatus(char& progress) = 0;

    // `duration` scaled by the time scale. Call with m_StateMutex held.
    Clock::duration Scaled(std::chrono::milliseconds duration) const;

    // Number fields, most significant digit first. Parse* accept only the digits of their
    // base (hexadecimal in either case) and fail when the field runs past the parameters.
    static bool ParseDecimal(const Params& params, size_t pos, size_t digits, int& value);
    static bool ParseHex(const Params& params, size_t pos, size_t digits, int& value);
    // `value` as exactly `digits` digits; values that do not fit are clamped.
    static std::string Decimal(long value, int digits);
    static std::string Hex(long value, int digits);

    void OnBytes(const uint8_t* data, size_t n) override;

    // Guards the model's state, the identity text, the time scale and the script.
    mutable std::mutex m_StateMutex;

private:
    using BaseHandler = Refusal (FramedProtocolSim::*)(const Params& p, std::string& data);

    Refusal Poll(const Params& p, std::string& data);
    Refusal GetVersion(const Params& p, std::string& data);

    void HandleFrame(const std::vector<uint8_t>& frame);
    // Answers a request that passed every check: builds the reply and applies any fault.
    // Returns the bytes to send; sets closeLine when the fault closes the line.
    std::vector<uint8_t> Answer(unsigned char command, const Params& params, std::string& note,
                                bool& closeLine);
    // Runs the command's handler; the refusal's error digits go to e1, e2.
    void Run(unsigned char command, const Params& params, std::string& data, char& e1, char& e2);
    std::vector<uint8_t> BuildReply(unsigned char command, char e1, char e2,
                                    const std::string& data, bool withBlockCheck) const;

    const char m_ModelLetter;
    // Filled by the constructors, read-only afterwards.
    std::map<unsigned char, Command<FramedProtocolSim>> m_Commands;
    FrameCutter m_Cutter; // reader thread only

    // Guarded by m_StateMutex.
    std::string m_Identity;
    int m_TimeScalePercent = 100;
    int m_LateMs = 0; // set by a Late fault for the reply being sent; reader thread only
    FaultScript<Fault> m_Script;
    std::deque<char> m_StatusSequence;
    char m_HeldStatus = 0;
};

} // namespace qlcos::sim
