#include "sim/lamp_control_sim.h"

#include <algorithm>
#include <type_traits>

namespace qlcos::sim {

namespace {

using std::chrono::milliseconds;
using Params = std::vector<uint8_t>;

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr size_t kCommandAt = 1;
constexpr milliseconds kTimeUnit{10}; // shutter times count in 10 ms

// params[0] is '0' + channel; the controller has channels 1..3. Gives the 0-based slot.
bool ChannelSlot(const Params& p, int& slot)
{
    const int channel = p[0] - '0';
    slot = channel - 1;
    return channel >= 1 && channel <= 3;
}

// `digits` decimal digits from params[1].
bool ValueAfterChannel(const Params& p, size_t digits, int& value)
{
    if (p.size() != 1 + digits) return false;
    int v = 0;
    for (size_t i = 1; i <= digits; ++i) {
        if (p[i] < '0' || p[i] > '9') return false;
        v = v * 10 + (p[i] - '0');
    }
    value = v;
    return true;
}

std::string Decimal(int value, int digits)
{
    std::string text(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value /= 10)
        text[static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
    return text;
}

std::string DescribeFault(const LampFault& fault)
{
    switch (fault.Type) {
    case LampFault::Kind::Silence: return "no answer";
    case LampFault::Kind::Nak: return "NAK";
    case LampFault::Kind::GarbageBefore:
        return "garbage before answer: " + DescribeBytes(fault.Bytes.data(), fault.Bytes.size());
    case LampFault::Kind::Raw: return "raw answer";
    case LampFault::Kind::DropData: return "data digits dropped: " + std::to_string(fault.Count);
    case LampFault::Kind::CloseLine: return "close line";
    }
    return "unknown";
}

} // namespace

struct LampControlSim::Command {
    uint8_t Letter;
    const char* Name;
    size_t ParamCount;
    bool Reading; // answers STX, command, '0', data, ETX instead of ACK
    bool (LampControlSim::*Handler)(const Params&, Outcome&);
};

const LampControlSim::Command* LampControlSim::FindCommand(uint8_t command)
{
    using S = LampState;
    // clang-format off
    static const Command kCommands[] = {
        {'1', "SetBrightness",  3, false, &LampControlSim::WriteChannel<&S::Brightness, 2>},
        {'2', "SetShutterTime", 4, false, &LampControlSim::WriteChannel<&S::Shutter, 3>},
        {'3', "SetChannel",     2, false, &LampControlSim::SetChannel},
        {'4', "SetFilterPos",   4, false, &LampControlSim::WriteChannel<&S::Filter, 3>},
        {'5', "Exposal",        1, false, &LampControlSim::Exposal},
        {'6', "ShutterOpen",    1, false, &LampControlSim::ShutterOpen},
        {'7', "RefreshTable",   0, false, &LampControlSim::RefreshTable},
        {'A', "GetBrightness",  1, true,  &LampControlSim::ReadChannel<&S::Brightness, 2>},
        {'B', "GetShutterTime", 1, true,  &LampControlSim::ReadChannel<&S::Shutter, 3>},
        {'C', "GetChannel",     1, true,  &LampControlSim::ReadChannel<&S::Channel, 1>},
        {'D', "GetFilterPos",   1, true,  &LampControlSim::ReadChannel<&S::Filter, 3>},
    };
    // clang-format on
    for (const Command& row : kCommands) {
        if (row.Letter == command) return &row;
    }
    return nullptr;
}

LampControlSim::LampControlSim()
    : m_Cutter(
          kMaxFrameBytes, false, [this](const std::vector<uint8_t>& frame) { HandleFrame(frame); },
          [this](const std::string& line) { Trace(line); }),
      m_State{}
{
    const uint16_t shutter[] = {30, 20, 10};
    const uint16_t filter[] = {100, 200, 300};
    for (int i = 0; i < 3; ++i) {
        m_State.Brightness[i] = 50;
        m_State.Shutter[i] = shutter[i];
        m_State.Channel[i] = static_cast<uint8_t>(i + 1);
        m_State.Filter[i] = filter[i];
    }
}

LampControlSim::~LampControlSim()
{
    {
        std::lock_guard<std::mutex> lock(m_BusyMutex);
        m_Ending = true;
    }
    m_BusyCv.notify_all();
    Stop();
}

LampState LampControlSim::State() const
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    return m_State;
}

void LampControlSim::SetState(const LampState& state)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_State = state;
}

const char* LampControlSim::CommandName(unsigned char letter) const
{
    const Command* row = FindCommand(letter);
    return row ? row->Name : nullptr;
}

void LampControlSim::Script(LampFault fault, int command)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_Script.Add(std::move(fault), command);
}

void LampControlSim::ClearScript()
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_Script.Clear();
}

void LampControlSim::SetRefreshTime(milliseconds duration)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_RefreshTime = std::max(duration, milliseconds{0});
}

std::vector<uint8_t> LampControlSim::LastFrame(int command) const
{
    return LastFrameWith(kCommandAt, static_cast<uint8_t>(command));
}

void LampControlSim::OnBytes(const uint8_t* data, size_t n) { m_Cutter.Feed(data, n); }

void LampControlSim::HandleFrame(const std::vector<uint8_t>& frame)
{
    std::string note;
    bool closeLine = false;
    milliseconds busy{0};
    const std::vector<uint8_t> answer = Answer(frame, note, closeLine, busy);
    // Logged once its effect is in the state, so that a test that waits for the frame
    // sees the state it left.
    LogFrame(frame);
    if (Tracing()) Trace("rx  " + DescribeBytes(frame.data(), frame.size()) + note);
    if (busy.count() > 0 && !StayBusy(busy)) return;
    if (closeLine)
        CloseLine();
    else
        Write(answer.data(), answer.size());
}

bool LampControlSim::StayBusy(milliseconds duration)
{
    std::unique_lock<std::mutex> lock(m_BusyMutex);
    return !m_BusyCv.wait_for(lock, duration, [&] { return m_Ending; });
}

// ---- Answering ---------------------------------------------------------------------------

std::vector<uint8_t> LampControlSim::Answer(const std::vector<uint8_t>& frame, std::string& note,
                                            bool& closeLine, milliseconds& busy)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    const uint8_t command = frame.size() > 2 ? frame[kCommandAt] : 0;
    const Command* row = FindCommand(command);
    note = std::string("  ") + (row ? row->Name : "unknown command");

    const std::optional<LampFault> fault = m_Script.Take(command);
    if (fault) note += "  [fault: " + DescribeFault(*fault) + "]";

    Outcome out;
    bool accepted = false;
    if (row && !(fault && fault->Type == LampFault::Kind::Nak)) {
        const Params params(frame.begin() + kCommandAt + 1, frame.end() - 1);
        accepted = params.size() == row->ParamCount && (this->*(row->Handler))(params, out);
    }
    if (!accepted) {
        note += "  refused";
        out = Outcome{};
    }
    busy = out.Busy;

    std::vector<uint8_t> answer;
    if (!accepted) {
        answer = {kNak};
    } else if (row->Reading) {
        if (fault && fault->Type == LampFault::Kind::DropData) {
            const size_t drop = static_cast<size_t>(std::max(fault->Count, 0));
            out.Data.resize(out.Data.size() - std::min(out.Data.size(), drop));
        }
        answer = {kStx, command, '0'};
        answer.insert(answer.end(), out.Data.begin(), out.Data.end());
        answer.push_back(kEtx);
    } else {
        answer = {kAck};
    }
    if (!fault) return answer;
    switch (fault->Type) {
    case LampFault::Kind::Silence: return {};
    case LampFault::Kind::Raw: return fault->Bytes;
    case LampFault::Kind::CloseLine: closeLine = true; return {};
    case LampFault::Kind::GarbageBefore: {
        std::vector<uint8_t> withGarbage = fault->Bytes;
        withGarbage.insert(withGarbage.end(), answer.begin(), answer.end());
        return withGarbage;
    }
    case LampFault::Kind::Nak:
    case LampFault::Kind::DropData: return answer;
    }
    return answer;
}

// ---- Commands ----------------------------------------------------------------------------

template <auto Field, size_t Digits> bool LampControlSim::ReadChannel(const Params& p, Outcome& out)
{
    int slot = 0;
    if (!ChannelSlot(p, slot)) return false;
    out.Data = Decimal((m_State.*Field)[slot], static_cast<int>(Digits));
    return true;
}

template <auto Field, size_t Digits> bool LampControlSim::WriteChannel(const Params& p, Outcome&)
{
    auto& values = m_State.*Field;
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot) || !ValueAfterChannel(p, Digits, value)) return false;
    values[slot] = static_cast<std::decay_t<decltype(values[0])>>(value);
    return true;
}

bool LampControlSim::SetChannel(const Params& p, Outcome&)
{
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot) || !ValueAfterChannel(p, 1, value) || value < 1 || value > 3)
        return false;
    m_State.Channel[slot] = static_cast<uint8_t>(value);
    return true;
}

bool LampControlSim::Exposal(const Params& p, Outcome& out)
{
    int slot = 0;
    if (!ChannelSlot(p, slot)) return false;
    ++m_State.Exposures;
    m_State.LastExposeChannel = slot + 1;
    out.Busy = kTimeUnit * m_State.Shutter[slot];
    return true;
}

bool LampControlSim::ShutterOpen(const Params& p, Outcome&)
{
    if (p[0] != '1' && p[0] != '2') return false;
    m_State.ShutterOpen = p[0] == '1';
    return true;
}

bool LampControlSim::RefreshTable(const Params&, Outcome& out)
{
    ++m_State.Refreshes;
    out.Busy = m_RefreshTime;
    return true;
}

} // namespace qlcos::sim
