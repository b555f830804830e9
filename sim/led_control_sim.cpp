#include "sim/led_control_sim.h"

#include <algorithm>
#include <iterator>

namespace qlcos::sim {

namespace {

// Image-adjust values in decimal, with the upper limits of items 1..8.
constexpr ImageAdjustFormat kImageAdjust = {10, {511, 511, 15, 15, 31, 15, 15, 15}};
constexpr int kLedSelectors = 4;
constexpr int kInputs = 10;

} // namespace

const LedControlSim::Entry* LedControlSim::FindCommand(unsigned char letter)
{
    static const Entry kCommands[] = {
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
    return Lookup(kCommands, letter);
}

LedControlSim::LedControlSim()
    : FramedModelSim(kModelLetter, kIdentity, "LED-SERIAL-", kImageAdjust), own_{}
{
    std::fill(std::begin(own_.ledLevel), std::end(own_.ledLevel), uint8_t{50});
    own_.input = 1;
}

LedControlSim::~LedControlSim() { Stop(); }

LedState LedControlSim::State() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    LedState snapshot{};
    CommonLocked(snapshot);
    static_cast<ChannelLevels&>(snapshot) = levels_;
    static_cast<LedSettings&>(snapshot) = own_;
    return snapshot;
}

void LedControlSim::SetState(const LedState& state)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    SetCommonLocked(state);
    levels_ = state;
    own_ = state;
}

void LedControlSim::Handle(unsigned char command, const Params& params, std::string& data, char& e1,
                           char& e2)
{
    Refusal refusal = Refusal::UnknownCommand;
    Run(*this, FindCommand(command), params, data, refusal);
    Conclude(refusal, data, e1, e2);
}

const char* LedControlSim::CommandName(unsigned char command) const
{
    if (const char* name = NameOf(FindCommand(command))) return name;
    return FramedModelSim::CommandName(command);
}

// ---- Commands ----------------------------------------------------------------------------

LedControlSim::Refusal LedControlSim::LEDControl(const Params& p, std::string&)
{
    // Selector '0'..'3', then the level as two digits.
    const int selector = p[0] - '0';
    int level = 0;
    if (selector < 0 || selector >= kLedSelectors) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 2, level)) return Refusal::Malformed;
    own_.ledLevel[selector] = static_cast<uint8_t>(level);
    return Refusal::None;
}

LedControlSim::Refusal LedControlSim::InputSelect(const Params& p, std::string&)
{
    int slot = 0;
    if (!IndexSlot(p, kInputs, slot)) return Refusal::OutOfRange;
    own_.input = static_cast<uint8_t>(slot + 1);
    return Refusal::None;
}

} // namespace qlcos::sim
