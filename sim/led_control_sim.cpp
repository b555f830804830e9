#include "led_control_sim.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace qlsim {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kTimeUnit{10};  // shutter and interval times count in 10 ms
constexpr size_t kSerialLength = 16;
// Upper limits of the image-adjust items 1..8.
constexpr int kImageAdjustMax[8] = {511, 511, 15, 15, 31, 15, 15, 15};
constexpr int kLedSelectors = 4;
constexpr int kInputs = 10;

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
    std::memmove(to, from, n);
    std::memset(to + n, ' ', kSerialLength - n);
    to[kSerialLength] = '\0';
}

}  // namespace

struct LedControlSim::CommandEntry {
    unsigned char letter;
    const char* name;
    size_t paramCount;
    Refusal (LedControlSim::*handler)(const Params&, std::string&);
};

const LedControlSim::CommandEntry* LedControlSim::FindCommand(unsigned char letter) {
    static const CommandEntry kCommands[] = {
        {'3', "Expose", 1, &LedControlSim::Expose},
        {'6', "LEDControl", 3, &LedControlSim::LEDControl},
        {'7', "InputSelect", 1, &LedControlSim::InputSelect},
        {'A', "GetBrightness", 1, &LedControlSim::GetBrightness},
        {'B', "GetShutterTime", 1, &LedControlSim::GetShutterTime},
        {'C', "GetChannel", 1, &LedControlSim::GetChannel},
        {'F', "GetSerialCode", 1, &LedControlSim::GetSerialCode},
        {'H', "GetIntervalTime", 1, &LedControlSim::GetIntervalTime},
        {'Q', "SetBrightness", 3, &LedControlSim::SetBrightness},
        {'R', "SetShutterTime", 5, &LedControlSim::SetShutterTime},
        {'S', "SetChannel", 2, &LedControlSim::SetChannel},
        {'U', "SetIntervalTime", 4, &LedControlSim::SetIntervalTime},
        {'q', "SetSerialCode", 1 + kSerialLength, &LedControlSim::SetSerialCode},
        {'t', "SetImageAdjust", 4, &LedControlSim::SetImageAdjust},
        {'u', "GetImageAdjust", 1, &LedControlSim::GetImageAdjust},
    };
    for (const CommandEntry& entry : kCommands) {
        if (entry.letter == letter) return &entry;
    }
    return nullptr;
}

LedControlSim::LedControlSim() : FramedControllerSim(kModelLetter), state_{} {
    const uint16_t shutter[] = {10, 20, 30};
    const uint16_t interval[] = {5, 6, 7, 8};
    for (int i = 0; i < 3; ++i) {
        state_.shutter[i] = shutter[i];
        state_.brightness[i] = 50;
        state_.channel[i] = static_cast<uint8_t>(i + 1);
        char serial[kSerialLength + 1];
        std::snprintf(serial, sizeof serial, "LED-SERIAL-%05d", i + 1);
        CopySerial(state_.serial[i], serial);
    }
    std::copy(std::begin(interval), std::end(interval), state_.interval);
    std::fill(std::begin(state_.ledLevel), std::end(state_.ledLevel), uint8_t{50});
    state_.input = 1;
    SetIdentity(kIdentity);
}

LedControlSim::~LedControlSim() { Stop(); }

LedState LedControlSim::State() const {
    std::lock_guard<std::mutex> lock(stateMutex_);
    LedState snapshot = state_;
    std::copy(store_.begin(), store_.end(), snapshot.store);
    return snapshot;
}

void LedControlSim::SetState(const LedState& state) {
    std::lock_guard<std::mutex> lock(stateMutex_);
    state_ = state;
    for (int i = 0; i < 3; ++i) CopySerial(state_.serial[i], state.serial[i]);
    std::copy(std::begin(state.store), std::end(state.store), store_.begin());
}

void LedControlSim::Handle(unsigned char command, const Params& params, std::string& data,
                           char& e1, char& e2) {
    const CommandEntry* entry = FindCommand(command);
    Refusal refusal = Refusal::UnknownCommand;
    if (entry != nullptr) {
        refusal = params.size() == entry->paramCount ? (this->*entry->handler)(params, data)
                                                     : Refusal::Malformed;
    }
    if (refusal != Refusal::None) data.clear();
    SetErrorDigits(refusal, e1, e2);
}

const char* LedControlSim::CommandName(unsigned char command) const {
    const CommandEntry* entry = FindCommand(command);
    return entry != nullptr ? entry->name : FramedControllerSim::CommandName(command);
}

char LedControlSim::CurrentStatus(char& progress) {
    const auto now = Clock::now();
    if (now >= exposureEnd_) {
        progress = '0';
        return kStatusIdle;
    }
    double fraction = std::chrono::duration<double>(now - exposureStart_) /
                      std::chrono::duration<double>(exposureEnd_ - exposureStart_);
    fraction = std::clamp(fraction, 0.0, 0.999);
    progress = static_cast<char>('0' + static_cast<int>(fraction * 10));
    return kStatusBusy;
}

// ---- Commands ----------------------------------------------------------------------------

LedControlSim::Refusal LedControlSim::Expose(const Params& p, std::string&) {
    // Channels 1..3 expose for their shutter time, 4 and 5 for interval time 1 or 2; any
    // other channel is accepted and finishes at once. A new exposure replaces a running one.
    const int channel = p[0] - '0';
    int units = 0;
    if (channel >= 1 && channel <= 3) units = state_.shutter[channel - 1];
    else if (channel == 4 || channel == 5) units = state_.interval[channel - 4];
    ++state_.exposures;
    state_.lastExposeChannel = channel;
    exposureStart_ = Clock::now();
    exposureEnd_ = exposureStart_ + Scaled(kTimeUnit * units);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::LEDControl(const Params& p, std::string&) {
    // Selector '0'..'3', then the level as two digits.
    const int selector = p[0] - '0';
    int level = 0;
    if (selector < 0 || selector >= kLedSelectors) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 2, level)) return Refusal::Malformed;
    state_.ledLevel[selector] = static_cast<uint8_t>(level);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::InputSelect(const Params& p, std::string&) {
    int slot = 0;
    if (!IndexSlot(p, kInputs, slot)) return Refusal::OutOfRange;
    state_.input = static_cast<uint8_t>(slot + 1);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::GetBrightness(const Params& p, std::string& data) {
    int slot = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    data = Decimal(state_.brightness[slot], 2);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::GetShutterTime(const Params& p, std::string& data) {
    int slot = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    data = Decimal(state_.shutter[slot], 4);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::GetChannel(const Params& p, std::string& data) {
    int slot = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    data = Decimal(state_.channel[slot], 1);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::GetSerialCode(const Params& p, std::string& data) {
    // The 16 characters, then three more that the host does not take as part of the text.
    int slot = 0;
    if (!IndexSlot(p, 3, slot)) return Refusal::OutOfRange;
    data.assign(state_.serial[slot], kSerialLength);
    data += "000";
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::GetIntervalTime(const Params& p, std::string& data) {
    int slot = 0;
    if (!IndexSlot(p, 4, slot)) return Refusal::OutOfRange;
    data = Decimal(state_.interval[slot], 3);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::SetBrightness(const Params& p, std::string&) {
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 2, value)) return Refusal::Malformed;
    state_.brightness[slot] = static_cast<uint8_t>(value);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::SetShutterTime(const Params& p, std::string&) {
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 4, value)) return Refusal::Malformed;
    state_.shutter[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::SetChannel(const Params& p, std::string&) {
    int slot = 0;
    const int value = p[1] - '0';
    if (!ChannelSlot(p, slot) || value < 1 || value > 3) return Refusal::OutOfRange;
    state_.channel[slot] = static_cast<uint8_t>(value);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::SetIntervalTime(const Params& p, std::string&) {
    int slot = 0, value = 0;
    if (!IndexSlot(p, 4, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 3, value)) return Refusal::Malformed;
    state_.interval[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::SetSerialCode(const Params& p, std::string&) {
    int slot = 0;
    if (!IndexSlot(p, 3, slot)) return Refusal::OutOfRange;
    std::copy(p.begin() + 1, p.end(), state_.serial[slot]);  // the 16 characters as they are
    state_.serial[slot][kSerialLength] = '\0';
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::SetImageAdjust(const Params& p, std::string&) {
    int slot = 0, value = 0;
    if (!IndexSlot(p, 8, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 3, value)) return Refusal::Malformed;
    if (value > kImageAdjustMax[slot]) return Refusal::OutOfRange;
    state_.imageAdjust[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::GetImageAdjust(const Params& p, std::string& data) {
    int slot = 0;
    if (!IndexSlot(p, 8, slot)) return Refusal::OutOfRange;
    data = Decimal(state_.imageAdjust[slot], 3);
    return Refusal::None;
}

}  // namespace qlsim
