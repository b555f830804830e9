// The framed ASCII protocol shared by the second-generation light-engine controllers.
//
// Request: STX, model letter, '0', command letter, parameter characters, ETX, block check.
// Reply:   STX, model letter, '0', command letter, '0', two error digits, data characters,
//          ETX, block check.
// The block check is the XOR of every byte from the model letter up to and including ETX.
//
// This class cuts requests out of the byte stream, logs them, answers the commands every
// model shares (status poll, identity text, data store) and hands the rest to the model.
// Requests with a wrong block check or another model's letter are logged but not answered.
// Faults and status sequences scripted by a test replace or alter replies.
#pragma once

#include "sim/pty_device.h"
#include "sim/sim_fault.h"

#include <array>
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace qlcos::sim {

class FramedControllerSim : public PtyDevice {
public:
    static constexpr int kAnyCommand = -1;
    static constexpr unsigned char kPollCommand = '1';
    static constexpr unsigned char kVersionCommand = 0x7F;
    static constexpr unsigned char kFormatDataCommand = 'r';
    static constexpr unsigned char kDataOperatorCommand = 's';
    // A request that grows beyond this without an ETX is dropped.
    static constexpr size_t kMaxFrameBytes = 4096;
    static constexpr int kMaxTimeScalePercent = 100000;

    explicit FramedControllerSim(char modelLetter);
    ~FramedControllerSim() override;

    char ModelLetter() const { return modelLetter_; }

    // Queues a fault for the next reply to `command` (a command letter, or any command).
    // Several faults for one command apply to successive replies in order; a fault for a
    // specific command takes precedence over an any-command fault. A Status fault queued
    // for any command waits for the next poll, the only reply it can alter.
    void Script(Fault fault, int command = kAnyCommand);
    // The next polls answer these status characters in order, one each (replacing any
    // sequence still pending); then the real status returns.
    void ScriptStatusSequence(const std::string& statuses);
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

    // Why a request is refused, and the error digits that say so.
    enum class Refusal { None, UnknownCommand, OutOfRange, Malformed };
    static void SetErrorDigits(Refusal refusal, char& e1, char& e2);

    // Handles one valid request that the shared commands do not cover. Fills `data` with
    // the reply's data characters and sets the error digits (both '0' on entry).
    // Called on the reader thread with stateMutex_ held.
    virtual void Handle(unsigned char command, const Params& params, std::string& data, char& e1,
                        char& e2) = 0;
    // The status character for a poll and its progress digit. Called with stateMutex_ held.
    virtual char CurrentStatus(char& progress) = 0;
    // A readable name of a command for the trace; nullptr when the model has none.
    virtual const char* CommandName(unsigned char command) const;

    // `duration` scaled by the time scale. Call with stateMutex_ held.
    Clock::duration Scaled(std::chrono::milliseconds duration) const;

    // Number fields, most significant digit first. Parse* accept only the digits of their
    // base (hexadecimal in either case) and fail when the field runs past the parameters.
    static bool ParseDecimal(const Params& params, size_t pos, size_t digits, int& value);
    static bool ParseHex(const Params& params, size_t pos, size_t digits, int& value);
    // `value` as exactly `digits` digits; values that do not fit are clamped.
    static std::string Decimal(long value, int digits);
    static std::string Hex(long value, int digits);

    // Guards the model's state, the data store, the identity text and the script.
    mutable std::mutex stateMutex_;
    std::array<uint8_t, 256> store_; // the data store of FormatData and DataOperator

    void OnBytes(const uint8_t* data, size_t n) override;

private:
    enum class ParseState { Idle, Body, BlockCheck, Discard, SkipBlockCheck };

    void StartFrame(uint8_t stx);
    void FlushStray(const char* why);
    void HandleFrame(const std::vector<uint8_t>& frame);
    // Answers a request that passed every check: builds the reply and applies any fault.
    // Returns the bytes to send; sets closeLine when the fault closes the line.
    std::vector<uint8_t> Answer(unsigned char command, const Params& params, std::string& note,
                                bool& closeLine);
    void AnswerShared(unsigned char command, const Params& params, std::string& data, char& e1,
                      char& e2);
    bool TakeFault(unsigned char command, Fault& fault);
    std::vector<uint8_t> BuildReply(unsigned char command, char e1, char e2,
                                    const std::string& data, bool withBlockCheck) const;

    const char modelLetter_;

    // Reader thread only: the frame being cut and bytes seen outside any frame.
    ParseState parse_ = ParseState::Idle;
    std::vector<uint8_t> frame_;
    std::vector<uint8_t> stray_;

    // Guarded by stateMutex_.
    std::string identity_;
    int timeScalePercent_ = 100;
    std::map<int, std::deque<Fault>> script_;
    std::deque<char> statusSequence_;
};

} // namespace qlcos::sim
