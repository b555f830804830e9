#include "lamp_control2_sim.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace qlsim {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kTimeUnit{10};  // shutter and interval times count in 10 ms
constexpr milliseconds kColorWheelTime{200};
constexpr milliseconds kLightControlTime{300};
constexpr milliseconds kRefreshTime{1000};
constexpr size_t kSerialLength = 16;
// Upper limits of the image-adjust items 1..8.
constexpr int kImageAdjustMax[8] = {511, 511, 15, 15, 31, 15, 15, 15};
// ColorWheelControl and LightControl selectors that carry a number after them.
constexpr int kColorWheelWithPosition = 4;
constexpr int kLightControlWithLevel = 5;

// params[0] is '0' + channel; the controller has channels 1..3. Gives the 0-based slot.
bool ChannelSlot(const std::vector<uint8_t>& p, int& slot) {
    const int channel = p[0] - '0';
    slot = channel - 1;
    return channel >= 1 && channel <= 3;
}

// params[0] is '0' + index - 1 for indexes 1..count. Gives the 0-based slot.
bool IndexSlot(const std::vector<uint8_t>& p, int count, int& slot) {
    slot = p[0] - '0';
    return slot >= 0 && slot < count;
}

void CopySerial(char (&to)[17], const char* from) {
    size_t n = strnlen(from, kSerialLength);
    std::memcpy(to, from, n);
    std::memset(to + n, ' ', kSerialLength - n);
    to[kSerialLength] = '\0';
}

}  // namespace

struct LampControl2Sim::CommandEntry {
    // Parameter count that the handler checks itself (commands with optional fields).
    static constexpr size_t kVariable = std::numeric_limits<size_t>::max();

    unsigned char letter;
    const char* name;
    size_t paramCount;
    Refusal (LampControl2Sim::*handler)(const Params&, std::string&);
};

const LampControl2Sim::CommandEntry* LampControl2Sim::FindCommand(unsigned char letter) {
    constexpr size_t kVariable = CommandEntry::kVariable;
    static const CommandEntry kCommands[] = {
        {'3', "Expose", 1, &LampControl2Sim::Expose},
        {'4', "ShutterControl", 1, &LampControl2Sim::ShutterControl},
        {'5', "ColorWheelControl", kVariable, &LampControl2Sim::ColorWheelControl},
        {'6', "LightControl", kVariable, &LampControl2Sim::LightControl},
        {'7', "InputSelect", 1, &LampControl2Sim::InputSelect},
        {'8', "RefreshLightTable", 1, &LampControl2Sim::RefreshLightTable},
        {'A', "GetBrightness", 1, &LampControl2Sim::GetBrightness},
        {'B', "GetShutterTime", 1, &LampControl2Sim::GetShutterTime},
        {'C', "GetChannel", 1, &LampControl2Sim::GetChannel},
        {'D', "GetColorWheelPos", 1, &LampControl2Sim::GetColorWheelPos},
        {'E', "GetRefreshProgress", 1, &LampControl2Sim::GetRefreshProgress},
        {'F', "GetSerialCode", 1, &LampControl2Sim::GetSerialCode},
        {'G', "GetPhotronicCell", 1, &LampControl2Sim::GetPhotronicCell},
        {'H', "GetIntervalTime", 1, &LampControl2Sim::GetIntervalTime},
        {'Q', "SetBrightness", 3, &LampControl2Sim::SetBrightness},
        {'R', "SetShutterTime", 5, &LampControl2Sim::SetShutterTime},
        {'S', "SetChannel", 2, &LampControl2Sim::SetChannel},
        {'T', "SetColorWheelPos", 4, &LampControl2Sim::SetColorWheelPos},
        {'U', "SetIntervalTime", 4, &LampControl2Sim::SetIntervalTime},
        {'q', "SetSerialCode", 1 + kSerialLength, &LampControl2Sim::SetSerialCode},
        {'t', "SetImageAdjust", 4, &LampControl2Sim::SetImageAdjust},
        {'u', "GetImageAdjust", 1, &LampControl2Sim::GetImageAdjust},
    };
    for (const CommandEntry& entry : kCommands) {
        if (entry.letter == letter) return &entry;
    }
    return nullptr;
}

LampControl2Sim::LampControl2Sim() : FramedControllerSim(kModelLetter), state_{} {
    const uint16_t shutter[] = {10, 20, 30};
    const uint16_t interval[] = {5, 6, 7, 8};
    const uint16_t wheel[] = {100, 200, 300};
    for (int i = 0; i < 3; ++i) {
        state_.shutter[i] = shutter[i];
        state_.brightness[i] = 50;
        state_.channel[i] = static_cast<uint8_t>(i + 1);
        state_.wheel[i] = wheel[i];
        char serial[kSerialLength + 1];
        std::snprintf(serial, sizeof serial, "SERIAL-%09d", i + 1);
        CopySerial(state_.serial[i], serial);
    }
    std::copy(std::begin(interval), std::end(interval), state_.interval);
    state_.photocell = 123;
    state_.input = 1;
    SetIdentity(kIdentity);
}

LampControl2Sim::~LampControl2Sim() { Stop(); }

Lamp2State LampControl2Sim::State() const {
    std::lock_guard<std::mutex> lock(stateMutex_);
    Lamp2State snapshot = state_;
    std::copy(store_.begin(), store_.end(), snapshot.store);
    return snapshot;
}

void LampControl2Sim::SetState(const Lamp2State& state) {
    std::lock_guard<std::mutex> lock(stateMutex_);
    state_ = state;
    for (int i = 0; i < 3; ++i) CopySerial(state_.serial[i], state.serial[i]);
    std::copy(std::begin(state.store), std::end(state.store), store_.begin());
}

void LampControl2Sim::Handle(unsigned char command, const Params& params, std::string& data,
                             char& e1, char& e2) {
    const CommandEntry* entry = FindCommand(command);
    Refusal refusal = Refusal::UnknownCommand;
    if (entry != nullptr) {
        const bool countOk = entry->paramCount == CommandEntry::kVariable
                                 ? !params.empty()
                                 : params.size() == entry->paramCount;
        refusal = countOk ? (this->*entry->handler)(params, data) : Refusal::Malformed;
    }
    if (refusal != Refusal::None) data.clear();
    SetErrorDigits(refusal, e1, e2);
}

const char* LampControl2Sim::CommandName(unsigned char command) const {
    const CommandEntry* entry = FindCommand(command);
    return entry != nullptr ? entry->name : FramedControllerSim::CommandName(command);
}

// ---- Jobs --------------------------------------------------------------------------------

void LampControl2Sim::StartJob(JobKind kind, milliseconds duration) {
    job_.kind = kind;
    job_.start = Clock::now();
    job_.end = job_.start + Scaled(duration);
}

bool LampControl2Sim::JobFraction(double& fraction) const {
    const auto now = Clock::now();
    if (job_.kind == JobKind::None || now >= job_.end) return false;
    fraction = std::chrono::duration<double>(now - job_.start) /
               std::chrono::duration<double>(job_.end - job_.start);
    fraction = std::clamp(fraction, 0.0, 0.999);
    return true;
}

char LampControl2Sim::CurrentStatus(char& progress) {
    double fraction = 0;
    if (!JobFraction(fraction)) {
        progress = '0';
        return kStatusIdle;
    }
    progress = static_cast<char>('0' + static_cast<int>(fraction * 10));
    return kStatusBusy;
}

// ---- Commands ----------------------------------------------------------------------------

LampControl2Sim::Refusal LampControl2Sim::Expose(const Params& p, std::string&) {
    // Channels 1..3 expose for their shutter time, 4 and 5 for interval time 1 or 2; any
    // other channel is accepted and finishes at once.
    const int channel = p[0] - '0';
    int units = 0;
    if (channel >= 1 && channel <= 3) units = state_.shutter[channel - 1];
    else if (channel == 4 || channel == 5) units = state_.interval[channel - 4];
    ++state_.exposures;
    state_.lastExposeChannel = channel;
    StartJob(JobKind::Exposure, kTimeUnit * units);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::ShutterControl(const Params& p, std::string&) {
    if (p[0] != '0' && p[0] != '1') return Refusal::OutOfRange;
    state_.shutterOpen = p[0] == '0';
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::ColorWheelControl(const Params& p, std::string&) {
    // A selector digit; selector 4 carries a position as three more digits.
    const int selector = p[0] - '0';
    if (selector < 0 || selector > 9) return Refusal::OutOfRange;
    int position = 0;
    const bool withPosition = selector == kColorWheelWithPosition;
    if (p.size() != (withPosition ? 4u : 1u) || (withPosition && !ParseDecimal(p, 1, 3, position)))
        return Refusal::Malformed;
    StartJob(JobKind::ColorWheel, kColorWheelTime);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::LightControl(const Params& p, std::string&) {
    // A selector digit; selector 5 carries a level as two more digits.
    const int selector = p[0] - '0';
    if (selector < 0 || selector > 9) return Refusal::OutOfRange;
    int level = 0;
    const bool withLevel = selector == kLightControlWithLevel;
    if (p.size() != (withLevel ? 3u : 1u) || (withLevel && !ParseDecimal(p, 1, 2, level)))
        return Refusal::Malformed;
    StartJob(JobKind::Light, kLightControlTime);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::InputSelect(const Params& p, std::string&) {
    int slot = 0;
    if (!IndexSlot(p, 10, slot)) return Refusal::OutOfRange;
    state_.input = static_cast<uint8_t>(slot + 1);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::RefreshLightTable(const Params&, std::string&) {
    StartJob(JobKind::Refresh, kRefreshTime);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::GetBrightness(const Params& p, std::string& data) {
    int slot = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    data = Decimal(state_.brightness[slot], 2);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::GetShutterTime(const Params& p, std::string& data) {
    int slot = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    data = Decimal(state_.shutter[slot], 4);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::GetChannel(const Params& p, std::string& data) {
    int slot = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    data = Decimal(state_.channel[slot], 1);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::GetColorWheelPos(const Params& p, std::string& data) {
    int slot = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    data = Decimal(state_.wheel[slot], 3);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::GetRefreshProgress(const Params&, std::string& data) {
    // Stage '0' for the first half of a refresh (and when none runs), '1' for the second;
    // then the percentage of the whole refresh done.
    double fraction = 0;
    if (job_.kind != JobKind::Refresh || !JobFraction(fraction)) {
        data = "000";
        return Refusal::None;
    }
    data = (fraction < 0.5 ? "0" : "1") + Decimal(static_cast<long>(fraction * 100), 2);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::GetSerialCode(const Params& p, std::string& data) {
    int slot = 0;
    if (!IndexSlot(p, 3, slot)) return Refusal::OutOfRange;
    data.assign(state_.serial[slot], kSerialLength);
    data += "000";
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::GetPhotronicCell(const Params&, std::string& data) {
    data = Decimal(state_.photocell, 3);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::GetIntervalTime(const Params& p, std::string& data) {
    int slot = 0;
    if (!IndexSlot(p, 4, slot)) return Refusal::OutOfRange;
    data = Decimal(state_.interval[slot], 3);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::SetBrightness(const Params& p, std::string&) {
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 2, value)) return Refusal::Malformed;
    state_.brightness[slot] = static_cast<uint8_t>(value);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::SetShutterTime(const Params& p, std::string&) {
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 4, value)) return Refusal::Malformed;
    state_.shutter[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::SetChannel(const Params& p, std::string&) {
    int slot = 0;
    const int value = p[1] - '0';
    if (!ChannelSlot(p, slot) || value < 1 || value > 3) return Refusal::OutOfRange;
    state_.channel[slot] = static_cast<uint8_t>(value);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::SetColorWheelPos(const Params& p, std::string&) {
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 3, value)) return Refusal::Malformed;
    state_.wheel[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::SetIntervalTime(const Params& p, std::string&) {
    int slot = 0, value = 0;
    if (!IndexSlot(p, 4, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 3, value)) return Refusal::Malformed;
    state_.interval[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::SetSerialCode(const Params& p, std::string&) {
    int slot = 0;
    if (!IndexSlot(p, 3, slot)) return Refusal::OutOfRange;
    std::copy(p.begin() + 1, p.end(), state_.serial[slot]);  // the 16 characters as they are
    state_.serial[slot][kSerialLength] = '\0';
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::SetImageAdjust(const Params& p, std::string&) {
    int slot = 0, value = 0;
    if (!IndexSlot(p, 8, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 3, value)) return Refusal::Malformed;
    if (value > kImageAdjustMax[slot]) return Refusal::OutOfRange;
    state_.imageAdjust[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::GetImageAdjust(const Params& p, std::string& data) {
    int slot = 0;
    if (!IndexSlot(p, 8, slot)) return Refusal::OutOfRange;
    data = Decimal(state_.imageAdjust[slot], 3);
    return Refusal::None;
}

}  // namespace qlsim
