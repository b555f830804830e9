#include "sim/framed_controller_sim.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace qlcos::sim {

namespace {

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;
// STX, letter, '0', command, ETX, block check: a request without parameters.
constexpr size_t kShortestFrame = 6;

uint8_t XorOf(const uint8_t* data, size_t n)
{
    uint8_t x = 0;
    for (size_t i = 0; i < n; ++i) x ^= data[i];
    return x;
}

int DigitValue(uint8_t c, int base)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    return v < base ? v : -1;
}

bool ParseNumber(const std::vector<uint8_t>& params, size_t pos, size_t digits, int base,
                 int& value)
{
    if (pos > params.size() || digits > params.size() - pos) return false;
    int v = 0;
    for (size_t i = 0; i < digits; ++i) {
        int d = DigitValue(params[pos + i], base);
        if (d < 0) return false;
        v = v * base + d;
    }
    value = v;
    return true;
}

std::string FormatNumber(long value, int digits, int base)
{
    long limit = 1;
    for (int i = 0; i < digits; ++i) limit *= base;
    value = std::clamp(value, 0L, limit - 1);
    std::string text(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<size_t>(i)] = "0123456789ABCDEF"[value % base];
        value /= base;
    }
    return text;
}

// Why a complete frame gets no answer; empty when it is a request for this model.
std::string WhyIgnored(const std::vector<uint8_t>& frame, char modelLetter)
{
    if (frame.size() < kShortestFrame) return "too short";
    const size_t n = frame.size();
    const uint8_t expected = XorOf(frame.data() + 1, n - 2); // letter up to ETX
    if (frame[n - 1] != expected) {
        char why[64];
        std::snprintf(why, sizeof why, "block check 0x%02X, expected 0x%02X", frame[n - 1],
                      expected);
        return why;
    }
    if (frame[1] != static_cast<uint8_t>(modelLetter)) {
        return "model letter " + DescribeBytes(&frame[1], 1);
    }
    return {};
}

std::string DescribeFault(const Fault& fault)
{
    switch (fault.kind) {
    case Fault::Kind::Silence: return "no reply";
    case Fault::Kind::GarbageBefore:
        return "garbage before reply: " + DescribeBytes(fault.bytes.data(), fault.bytes.size());
    case Fault::Kind::LengthDelta: return "data length " + std::to_string(fault.delta);
    case Fault::Kind::ErrorDigits:
        return std::string("error digits ") + fault.digit1 + fault.digit2;
    case Fault::Kind::Status: return std::string("status ") + fault.status;
    case Fault::Kind::Raw: return "raw reply";
    case Fault::Kind::CloseLine: return "close line";
    case Fault::Kind::NoBlockCheck: return "no block check";
    }
    return "unknown";
}

} // namespace

FramedControllerSim::FramedControllerSim(char modelLetter) : modelLetter_(modelLetter)
{
    store_.fill(0xFF);
}

FramedControllerSim::~FramedControllerSim() { Stop(); }

void FramedControllerSim::Script(Fault fault, int command)
{
    if (command != kAnyCommand) command &= 0xFF;
    if (fault.kind == Fault::Kind::Status && command == kAnyCommand) command = kPollCommand;
    std::lock_guard<std::mutex> lock(stateMutex_);
    script_[command].push_back(std::move(fault));
}

void FramedControllerSim::ScriptStatusSequence(const std::string& statuses)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    statusSequence_.assign(statuses.begin(), statuses.end());
}

void FramedControllerSim::ClearScript()
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    script_.clear();
    statusSequence_.clear();
}

void FramedControllerSim::SetTimeScale(int percent)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    timeScalePercent_ = std::clamp(percent, 0, kMaxTimeScalePercent);
}

void FramedControllerSim::SetIdentity(const std::string& text)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    identity_ = text;
}

std::vector<uint8_t> FramedControllerSim::LastFrame(int command) const
{
    const auto frames = Frames();
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
        if (it->size() > 3 && (*it)[3] == (command & 0xFF)) return *it;
    }
    return {};
}

void FramedControllerSim::SetErrorDigits(Refusal refusal, char& e1, char& e2)
{
    static const char* const kDigits[] = {"00", "01", "02", "03"};
    const char* digits = kDigits[static_cast<int>(refusal)];
    e1 = digits[0];
    e2 = digits[1];
}

const char* FramedControllerSim::CommandName(unsigned char command) const
{
    switch (command) {
    case kPollCommand: return "Poll";
    case kVersionCommand: return "GetVersion";
    case kFormatDataCommand: return "FormatData";
    case kDataOperatorCommand: return "DataOperator";
    default: return nullptr;
    }
}

FramedControllerSim::Clock::duration
FramedControllerSim::Scaled(std::chrono::milliseconds duration) const
{
    return std::chrono::duration_cast<Clock::duration>(duration) * timeScalePercent_ / 100;
}

bool FramedControllerSim::ParseDecimal(const Params& params, size_t pos, size_t digits, int& value)
{
    return ParseNumber(params, pos, digits, 10, value);
}

bool FramedControllerSim::ParseHex(const Params& params, size_t pos, size_t digits, int& value)
{
    return ParseNumber(params, pos, digits, 16, value);
}

std::string FramedControllerSim::Decimal(long value, int digits)
{
    return FormatNumber(value, digits, 10);
}

std::string FramedControllerSim::Hex(long value, int digits)
{
    return FormatNumber(value, digits, 16);
}

// ---- Cutting requests out of the byte stream ---------------------------------------------

void FramedControllerSim::OnBytes(const uint8_t* data, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = data[i];
        switch (parse_) {
        case ParseState::Idle:
            if (b == kStx)
                StartFrame(b);
            else
                stray_.push_back(b);
            break;
        case ParseState::Body:
            if (b == kStx) {
                // A new frame starts before this one ended: the host gave up on it.
                stray_.insert(stray_.end(), frame_.begin(), frame_.end());
                FlushStray("incomplete frame");
                StartFrame(b);
                break;
            }
            frame_.push_back(b);
            if (b == kEtx) {
                parse_ = ParseState::BlockCheck;
            } else if (frame_.size() >= kMaxFrameBytes) {
                Trace("rx  frame longer than " + std::to_string(kMaxFrameBytes) + " bytes dropped");
                frame_.clear();
                parse_ = ParseState::Discard;
            }
            break;
        case ParseState::BlockCheck:
            frame_.push_back(b);
            HandleFrame(frame_);
            frame_.clear();
            parse_ = ParseState::Idle;
            break;
        case ParseState::Discard:
            // The rest of an overlong frame, up to its ETX and block check, or a new STX.
            if (b == kStx)
                StartFrame(b);
            else if (b == kEtx)
                parse_ = ParseState::SkipBlockCheck;
            break;
        case ParseState::SkipBlockCheck: parse_ = ParseState::Idle; break;
        }
    }
    FlushStray("not in a frame");
}

void FramedControllerSim::StartFrame(uint8_t stx)
{
    FlushStray("not in a frame");
    frame_.assign(1, stx);
    parse_ = ParseState::Body;
}

void FramedControllerSim::FlushStray(const char* why)
{
    if (stray_.empty()) return;
    if (Tracing()) {
        Trace("rx  " + DescribeBytes(stray_.data(), stray_.size()) + "  ignored: " + why);
    }
    stray_.clear();
}

void FramedControllerSim::HandleFrame(const std::vector<uint8_t>& frame)
{
    const std::string seen = Tracing() ? "rx  " + DescribeBytes(frame.data(), frame.size()) : "";
    const std::string why = WhyIgnored(frame, modelLetter_);
    if (!why.empty()) {
        LogFrame(frame);
        Trace(seen + "  ignored: " + why);
        return;
    }

    const unsigned char command = frame[3];
    const Params params(frame.begin() + 4, frame.end() - 2);
    std::string note;
    bool closeLine = false;
    const std::vector<uint8_t> reply = Answer(command, params, note, closeLine);
    // Logged once its effect is in the state, so that a test that waits for the frame
    // sees the state it left.
    LogFrame(frame);
    if (Tracing()) {
        const char* name = CommandName(command);
        Trace(seen + "  " + (name ? name : "unknown command") + note);
    }
    if (closeLine)
        CloseLine();
    else
        Write(reply.data(), reply.size());
}

// ---- Answering ---------------------------------------------------------------------------

std::vector<uint8_t> FramedControllerSim::Answer(unsigned char command, const Params& params,
                                                 std::string& note, bool& closeLine)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    std::string data;
    char e1 = '0', e2 = '0';
    AnswerShared(command, params, data, e1, e2);

    Fault fault = Fault::Silence();
    if (!TakeFault(command, fault)) return BuildReply(command, e1, e2, data, true);

    note = "  [fault: " + DescribeFault(fault) + "]";
    bool withBlockCheck = true;
    std::vector<uint8_t> prefix;
    switch (fault.kind) {
    case Fault::Kind::Silence: return {};
    case Fault::Kind::Raw: return fault.bytes;
    case Fault::Kind::CloseLine: closeLine = true; return {};
    case Fault::Kind::GarbageBefore: prefix = fault.bytes; break;
    case Fault::Kind::ErrorDigits:
        e1 = fault.digit1;
        e2 = fault.digit2;
        break;
    case Fault::Kind::Status:
        if (command == kPollCommand && !data.empty()) data[0] = fault.status;
        break;
    case Fault::Kind::LengthDelta:
        if (fault.delta < 0) {
            const size_t drop = static_cast<size_t>(-static_cast<long>(fault.delta));
            data.resize(data.size() - std::min(data.size(), drop));
        } else {
            data.append(std::min(static_cast<size_t>(fault.delta), kMaxFrameBytes), '0');
        }
        break;
    case Fault::Kind::NoBlockCheck: withBlockCheck = false; break;
    }
    std::vector<uint8_t> reply = BuildReply(command, e1, e2, data, withBlockCheck);
    prefix.insert(prefix.end(), reply.begin(), reply.end());
    return prefix;
}

void FramedControllerSim::AnswerShared(unsigned char command, const Params& params,
                                       std::string& data, char& e1, char& e2)
{
    switch (command) {
    case kPollCommand: {
        if (params.size() != 1) return SetErrorDigits(Refusal::Malformed, e1, e2);
        char progress = '0';
        char status = CurrentStatus(progress);
        if (!statusSequence_.empty()) {
            status = statusSequence_.front();
            statusSequence_.pop_front();
        }
        data = {status, progress};
        return;
    }
    case kVersionCommand:
        if (params.size() != 1) return SetErrorDigits(Refusal::Malformed, e1, e2);
        data = identity_;
        return;
    case kFormatDataCommand:
        if (params.size() != 1) return SetErrorDigits(Refusal::Malformed, e1, e2);
        store_.fill(0xFF);
        return;
    case kDataOperatorCommand: {
        // Operation, address as 2 hexadecimal digits, data as 2 hexadecimal digits.
        // Operation 3 writes; every operation answers the addressed byte and "00".
        int address = 0, value = 0;
        if (params.size() != 5 || !ParseHex(params, 1, 2, address) ||
            !ParseHex(params, 3, 2, value)) {
            return SetErrorDigits(Refusal::Malformed, e1, e2);
        }
        if (params[0] == '3') store_[static_cast<size_t>(address)] = static_cast<uint8_t>(value);
        data = Hex(store_[static_cast<size_t>(address)], 2) + "00";
        return;
    }
    default: Handle(command, params, data, e1, e2);
    }
}

bool FramedControllerSim::TakeFault(unsigned char command, Fault& fault)
{
    for (int key : {static_cast<int>(command), kAnyCommand}) {
        auto it = script_.find(key);
        if (it != script_.end() && !it->second.empty()) {
            fault = std::move(it->second.front());
            it->second.pop_front();
            return true;
        }
    }
    return false;
}

std::vector<uint8_t> FramedControllerSim::BuildReply(unsigned char command, char e1, char e2,
                                                     const std::string& data,
                                                     bool withBlockCheck) const
{
    const uint8_t head[] = {kStx,
                            static_cast<uint8_t>(modelLetter_),
                            '0',
                            command,
                            '0',
                            static_cast<uint8_t>(e1),
                            static_cast<uint8_t>(e2)};
    std::vector<uint8_t> reply;
    reply.reserve(sizeof head + data.size() + 2);
    reply.assign(std::begin(head), std::end(head));
    for (char c : data) reply.push_back(static_cast<uint8_t>(c));
    reply.push_back(kEtx);
    if (withBlockCheck) reply.push_back(XorOf(reply.data() + 1, reply.size() - 1));
    return reply;
}

} // namespace qlcos::sim
