#include "sim/framed_protocol_sim.h"

#include <thread>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace qlcos::sim {

namespace {

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;
// STX, letter, '0', command, ETX, block check: a request without parameters.
constexpr size_t kShortestFrame = 6;
constexpr size_t kCommandAt = 3;

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
    switch (fault.Type) {
    case Fault::Kind::Silence: return "no reply";
    case Fault::Kind::GarbageBefore:
        return "garbage before reply: " + DescribeBytes(fault.Bytes.data(), fault.Bytes.size());
    case Fault::Kind::LengthDelta: return "data length " + std::to_string(fault.Delta);
    case Fault::Kind::ErrorDigits:
        return std::string("error digits ") + fault.Digit1 + fault.Digit2;
    case Fault::Kind::Status: return std::string("status ") + fault.StatusChar;
    case Fault::Kind::Raw: return "raw reply";
    case Fault::Kind::CloseLine: return "close line";
    case Fault::Kind::NoBlockCheck: return "no block check";
    case Fault::Kind::Late: return std::to_string(fault.Delta) + " ms late";
    }
    return "unknown";
}

} // namespace

FramedProtocolSim::FramedProtocolSim(char modelLetter)
    : m_ModelLetter(modelLetter),
      m_Cutter(
          kMaxFrameBytes, true, [this](const std::vector<uint8_t>& frame) { HandleFrame(frame); },
          [this](const std::string& line) { Trace(line); })
{
    static const Command<FramedProtocolSim> kCommands[] = {
        {kPollCommand, "Poll", 1, &FramedProtocolSim::Poll},
        {kVersionCommand, "GetVersion", 1, &FramedProtocolSim::GetVersion},
    };
    AddCommands(kCommands);
}

FramedProtocolSim::~FramedProtocolSim() { Stop(); }

const char* FramedProtocolSim::CommandName(unsigned char letter) const
{
    const auto it = m_Commands.find(letter);
    return it != m_Commands.end() ? it->second.Name : nullptr;
}

void FramedProtocolSim::Script(Fault fault, int command)
{
    if (fault.Type == Fault::Kind::Status && command == kAnyCommand) command = kPollCommand;
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_Script.Add(std::move(fault), command);
}

void FramedProtocolSim::ScriptStatusSequence(const std::string& statuses)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_StatusSequence.assign(statuses.begin(), statuses.end());
}

void FramedProtocolSim::HoldStatus(char status)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_HeldStatus = status;
}

void FramedProtocolSim::ClearScript()
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_Script.Clear();
    m_StatusSequence.clear();
    m_HeldStatus = 0;
}

void FramedProtocolSim::SetTimeScale(int percent)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_TimeScalePercent = std::clamp(percent, 0, kMaxTimeScalePercent);
}

void FramedProtocolSim::SetIdentity(const std::string& text)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_Identity = text;
}

std::vector<uint8_t> FramedProtocolSim::LastFrame(int command) const
{
    return LastFrameWith(kCommandAt, static_cast<uint8_t>(command));
}

FramedProtocolSim::Clock::duration
FramedProtocolSim::Scaled(std::chrono::milliseconds duration) const
{
    return std::chrono::duration_cast<Clock::duration>(duration) * m_TimeScalePercent / 100;
}

bool FramedProtocolSim::ParseDecimal(const Params& params, size_t pos, size_t digits, int& value)
{
    return ParseNumber(params, pos, digits, 10, value);
}

bool FramedProtocolSim::ParseHex(const Params& params, size_t pos, size_t digits, int& value)
{
    return ParseNumber(params, pos, digits, 16, value);
}

std::string FramedProtocolSim::Decimal(long value, int digits)
{
    return FormatNumber(value, digits, 10);
}

std::string FramedProtocolSim::Hex(long value, int digits)
{
    return FormatNumber(value, digits, 16);
}

void FramedProtocolSim::OnBytes(const uint8_t* data, size_t n) { m_Cutter.Feed(data, n); }

FramedProtocolSim::Refusal FramedProtocolSim::Poll(const Params&, std::string& data)
{
    char progress = '0';
    char status = CurrentStatus(progress);
    if (!m_StatusSequence.empty()) {
        status = m_StatusSequence.front();
        m_StatusSequence.pop_front();
    } else if (m_HeldStatus != 0) {
        status = m_HeldStatus;
    }
    data = {status, progress};
    return Refusal::None;
}

FramedProtocolSim::Refusal FramedProtocolSim::GetVersion(const Params&, std::string& data)
{
    data = m_Identity;
    return Refusal::None;
}

// ---- Answering ---------------------------------------------------------------------------

void FramedProtocolSim::HandleFrame(const std::vector<uint8_t>& frame)
{
    const std::string seen = Tracing() ? "rx  " + DescribeBytes(frame.data(), frame.size()) : "";
    const std::string why = WhyIgnored(frame, m_ModelLetter);
    if (!why.empty()) {
        LogFrame(frame);
        Trace(seen + "  ignored: " + why);
        return;
    }

    const unsigned char command = frame[kCommandAt];
    const Params params(frame.begin() + kCommandAt + 1, frame.end() - 2);
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
    if (closeLine) {
        CloseLine();
        return;
    }
    // A late reply holds up the whole line, as a controller that is slow to answer does.
    if (m_LateMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(m_LateMs));
    m_LateMs = 0;
    Write(reply.data(), reply.size());
}

std::vector<uint8_t> FramedProtocolSim::Answer(unsigned char command, const Params& params,
                                               std::string& note, bool& closeLine)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    std::string data;
    char e1 = '0', e2 = '0';
    Run(command, params, data, e1, e2);

    const std::optional<Fault> fault = m_Script.Take(command);
    if (!fault) return BuildReply(command, e1, e2, data, true);

    note = "  [fault: " + DescribeFault(*fault) + "]";
    bool withBlockCheck = true;
    std::vector<uint8_t> prefix;
    switch (fault->Type) {
    case Fault::Kind::Silence: return {};
    case Fault::Kind::Raw: return fault->Bytes;
    case Fault::Kind::CloseLine: closeLine = true; return {};
    case Fault::Kind::GarbageBefore: prefix = fault->Bytes; break;
    case Fault::Kind::ErrorDigits:
        e1 = fault->Digit1;
        e2 = fault->Digit2;
        break;
    case Fault::Kind::Status:
        if (command == kPollCommand && !data.empty()) data[0] = fault->StatusChar;
        break;
    case Fault::Kind::LengthDelta:
        if (fault->Delta < 0) {
            const size_t drop = static_cast<size_t>(-static_cast<long>(fault->Delta));
            data.resize(data.size() - std::min(data.size(), drop));
        } else {
            data.append(std::min(static_cast<size_t>(fault->Delta), kMaxFrameBytes), '0');
        }
        break;
    case Fault::Kind::NoBlockCheck: withBlockCheck = false; break;
    case Fault::Kind::Late: m_LateMs = fault->Delta; break;
    }
    std::vector<uint8_t> reply = BuildReply(command, e1, e2, data, withBlockCheck);
    prefix.insert(prefix.end(), reply.begin(), reply.end());
    return prefix;
}

void FramedProtocolSim::Run(unsigned char command, const Params& params, std::string& data,
                            char& e1, char& e2)
{
    Refusal refusal = Refusal::UnknownCommand;
    const auto it = m_Commands.find(command);
    if (it != m_Commands.end()) {
        const Command<FramedProtocolSim>& row = it->second;
        const bool countOk =
            row.ParamCount == kVariable ? !params.empty() : params.size() == row.ParamCount;
        refusal = countOk ? (this->*row.Handler)(params, data) : Refusal::Malformed;
    }
    if (refusal == Refusal::None) return;
    // A refused command answers no data.
    data.clear();
    static const char* const kDigits[] = {"00", "01", "02", "03"};
    e1 = kDigits[static_cast<int>(refusal)][0];
    e2 = kDigits[static_cast<int>(refusal)][1];
}

std::vector<uint8_t> FramedProtocolSim::BuildReply(unsigned char command, char e1, char e2,
                                                   const std::string& data,
                                                   bool withBlockCheck) const
{
    const uint8_t head[] = {kStx,
                            static_cast<uint8_t>(m_ModelLetter),
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
