#include "sim/lamp_control_sim.h"

#include <algorithm>

namespace qlcos::sim {

namespace {

using std::chrono::milliseconds;

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr milliseconds kTimeUnit{10}; // shutter times count in 10 ms

// params[0] is '0' + channel; the controller has channels 1..3. Gives the 0-based slot.
bool ChannelSlot(const std::vector<uint8_t>& p, int& slot)
{
    const int channel = p[0] - '0';
    slot = channel - 1;
    return channel >= 1 && channel <= 3;
}

// `digits` decimal digits from params[1].
bool ValueAfterChannel(const std::vector<uint8_t>& p, size_t digits, int& value)
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
    switch (fault.kind) {
    case LampFault::Kind::Silence: return "no answer";
    case LampFault::Kind::Nak: return "NAK";
    case LampFault::Kind::GarbageBefore:
        return "garbage before answer: " + DescribeBytes(fault.bytes.data(), fault.bytes.size());
    case LampFault::Kind::Raw: return "raw answer";
    case LampFault::Kind::DropData: return "data digits dropped: " + std::to_string(fault.count);
    case LampFault::Kind::CloseLine: return "close line";
    }
    return "unknown";
}

} // namespace

struct LampControlSim::CommandEntry {
    uint8_t command;
    const char* name;
    size_t paramCount;
    bool reading; // answers STX, command, '0', data, ETX instead of ACK
    bool (LampControlSim::*handler)(const Params&, Outcome&);
};

const LampControlSim::CommandEntry* LampControlSim::FindCommand(uint8_t command)
{
    static const CommandEntry kCommands[] = {
        {'1', "SetBrightness", 3, false, &LampControlSim::SetBrightness},
        {'2', "SetShutterTime", 4, false, &LampControlSim::SetShutterTime},
        {'3', "SetChannel", 2, false, &LampControlSim::SetChannel},
        {'4', "SetFilterPos", 4, false, &LampControlSim::SetFilterPos},
        {'5', "Exposal", 1, false, &LampControlSim::Exposal},
        {'6', "ShutterOpen", 1, false, &LampControlSim::ShutterOpen},
        {'7', "RefreshTable", 0, false, &LampControlSim::RefreshTable},
        {'A', "GetBrightness", 1, true, &LampControlSim::GetBrightness},
        {'B', "GetShutterTime", 1, true, &LampControlSim::GetShutterTime},
        {'C', "GetChannel", 1, true, &LampControlSim::GetChannel},
        {'D', "GetFilterPos", 1, true, &LampControlSim::GetFilterPos},
    };
    for (const CommandEntry& entry : kCommands) {
        if (entry.command == command) return &entry;
    }
    return nullptr;
}

LampControlSim::LampControlSim() : state_{}
{
    const uint16_t shutter[] = {30, 20, 10};
    const uint16_t filter[] = {100, 200, 300};
    for (int i = 0; i < 3; ++i) {
        state_.brightness[i] = 50;
        state_.shutter[i] = shutter[i];
        state_.channel[i] = static_cast<uint8_t>(i + 1);
        state_.filter[i] = filter[i];
    }
}

LampControlSim::~LampControlSim()
{
    {
        std::lock_guard<std::mutex> lock(busyMutex_);
        ending_ = true;
    }
    busyCv_.notify_all();
    Stop();
}

LampState LampControlSim::State() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return state_;
}

void LampControlSim::SetState(const LampState& state)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    state_ = state;
}

void LampControlSim::Script(LampFault fault, int command)
{
    if (command != kAnyCommand) command &= 0xFF;
    std::lock_guard<std::mutex> lock(stateMutex_);
    script_[command].push_back(std::move(fault));
}

void LampControlSim::ClearScript()
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    script_.clear();
}

void LampControlSim::SetRefreshTime(milliseconds duration)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    refreshTime_ = std::max(duration, milliseconds{0});
}

std::vector<uint8_t> LampControlSim::LastFrame(int command) const
{
    const auto frames = Frames();
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
        if (it->size() > 2 && (*it)[1] == (command & 0xFF)) return *it;
    }
    return {};
}

// ---- Cutting requests out of the byte stream ---------------------------------------------

void LampControlSim::OnBytes(const uint8_t* data, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = data[i];
        switch (parse_) {
        case ParseState::Idle:
            if (b == kStx)
                StartFrame();
            else
                stray_.push_back(b);
            break;
        case ParseState::Body:
            if (b == kStx) {
                // A new frame starts before this one ended: the host gave up on it.
                stray_.insert(stray_.end(), frame_.begin(), frame_.end());
                FlushStray("incomplete frame");
                StartFrame();
                break;
            }
            frame_.push_back(b);
            if (b == kEtx) {
                HandleFrame(frame_);
                frame_.clear();
                parse_ = ParseState::Idle;
            } else if (frame_.size() >= kMaxFrameBytes) {
                Trace("rx  frame longer than " + std::to_string(kMaxFrameBytes) + " bytes dropped");
                frame_.clear();
                parse_ = ParseState::Discard;
            }
            break;
        case ParseState::Discard:
            // The rest of an overlong frame, up to its ETX or a new STX.
            if (b == kStx)
                StartFrame();
            else if (b == kEtx)
                parse_ = ParseState::Idle;
            break;
        }
    }
    FlushStray("not in a frame");
}

void LampControlSim::StartFrame()
{
    FlushStray("not in a frame");
    frame_.assign(1, kStx);
    parse_ = ParseState::Body;
}

void LampControlSim::FlushStray(const char* why)
{
    if (stray_.empty()) return;
    if (Tracing())
        Trace("rx  " + DescribeBytes(stray_.data(), stray_.size()) + "  ignored: " + why);
    stray_.clear();
}

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
    std::unique_lock<std::mutex> lock(busyMutex_);
    return !busyCv_.wait_for(lock, duration, [&] { return ending_; });
}

// ---- Answering ---------------------------------------------------------------------------

std::vector<uint8_t> LampControlSim::Answer(const std::vector<uint8_t>& frame, std::string& note,
                                            bool& closeLine, milliseconds& busy)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    const uint8_t command = frame.size() > 2 ? frame[1] : 0;
    const CommandEntry* entry = FindCommand(command);
    note = std::string("  ") + (entry ? entry->name : "unknown command");

    LampFault fault = LampFault::Silence();
    const bool faulty = TakeFault(command, fault);
    if (faulty) note += "  [fault: " + DescribeFault(fault) + "]";

    Outcome out;
    bool accepted = false;
    if (entry && !(faulty && fault.kind == LampFault::Kind::Nak)) {
        const Params params(frame.begin() + 2, frame.end() - 1);
        accepted = params.size() == entry->paramCount && (this->*(entry->handler))(params, out);
    }
    if (!accepted) {
        note += "  refused";
        out = Outcome{};
    }
    busy = out.busy;

    std::vector<uint8_t> answer;
    if (!accepted) {
        answer = {kNak};
    } else if (entry->reading) {
        if (faulty && fault.kind == LampFault::Kind::DropData) {
            const size_t drop = static_cast<size_t>(std::max(fault.count, 0));
            out.data.resize(out.data.size() - std::min(out.data.size(), drop));
        }
        answer = {kStx, command, '0'};
        answer.insert(answer.end(), out.data.begin(), out.data.end());
        answer.push_back(kEtx);
    } else {
        answer = {kAck};
    }
    if (!faulty) return answer;
    switch (fault.kind) {
    case LampFault::Kind::Silence: return {};
    case LampFault::Kind::Raw: return fault.bytes;
    case LampFault::Kind::CloseLine: closeLine = true; return {};
    case LampFault::Kind::GarbageBefore: {
        std::vector<uint8_t> withGarbage = fault.bytes;
        withGarbage.insert(withGarbage.end(), answer.begin(), answer.end());
        return withGarbage;
    }
    case LampFault::Kind::Nak:
    case LampFault::Kind::DropData: return answer;
    }
    return answer;
}

bool LampControlSim::TakeFault(uint8_t command, LampFault& fault)
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

// ---- Commands ----------------------------------------------------------------------------

bool LampControlSim::SetBrightness(const Params& p, Outcome&)
{
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot) || !ValueAfterChannel(p, 2, value)) return false;
    state_.brightness[slot] = static_cast<uint8_t>(value);
    return true;
}

bool LampControlSim::GetBrightness(const Params& p, Outcome& out)
{
    int slot = 0;
    if (!ChannelSlot(p, slot)) return false;
    out.data = Decimal(state_.brightness[slot], 2);
    return true;
}

bool LampControlSim::SetShutterTime(const Params& p, Outcome&)
{
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot) || !ValueAfterChannel(p, 3, value)) return false;
    state_.shutter[slot] = static_cast<uint16_t>(value);
    return true;
}

bool LampControlSim::GetShutterTime(const Params& p, Outcome& out)
{
    int slot = 0;
    if (!ChannelSlot(p, slot)) return false;
    out.data = Decimal(state_.shutter[slot], 3);
    return true;
}

bool LampControlSim::SetChannel(const Params& p, Outcome&)
{
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot) || !ValueAfterChannel(p, 1, value) || value < 1 || value > 3)
        return false;
    state_.channel[slot] = static_cast<uint8_t>(value);
    return true;
}

bool LampControlSim::GetChannel(const Params& p, Outcome& out)
{
    int slot = 0;
    if (!ChannelSlot(p, slot)) return false;
    out.data = Decimal(state_.channel[slot], 1);
    return true;
}

bool LampControlSim::SetFilterPos(const Params& p, Outcome&)
{
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot) || !ValueAfterChannel(p, 3, value)) return false;
    state_.filter[slot] = static_cast<uint16_t>(value);
    return true;
}

bool LampControlSim::GetFilterPos(const Params& p, Outcome& out)
{
    int slot = 0;
    if (!ChannelSlot(p, slot)) return false;
    out.data = Decimal(state_.filter[slot], 3);
    return true;
}

bool LampControlSim::Exposal(const Params& p, Outcome& out)
{
    int slot = 0;
    if (!ChannelSlot(p, slot)) return false;
    ++state_.exposures;
    state_.lastExposeChannel = slot + 1;
    out.busy = kTimeUnit * state_.shutter[slot];
    return true;
}

bool LampControlSim::ShutterOpen(const Params& p, Outcome&)
{
    if (p[0] != '1' && p[0] != '2') return false;
    state_.shutterOpen = p[0] == '1';
    return true;
}

bool LampControlSim::RefreshTable(const Params&, Outcome& out)
{
    ++state_.refreshes;
    out.busy = refreshTime_;
    return true;
}

} // namespace qlcos::sim
