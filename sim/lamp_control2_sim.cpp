#include "sim/lamp_control2_sim.h"

#include <algorithm>
#include <iterator>

namespace qlcos::sim {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kColorWheelTime{200};
constexpr milliseconds kLightControlTime{300};
constexpr milliseconds kRefreshTime{1000};
// Image-adjust values in decimal, with the upper limits of items 1..8.
constexpr ImageAdjustFormat kImageAdjust = {10, {511, 511, 15, 15, 31, 15, 15, 15}};
// ColorWheelControl and LightControl selectors that carry a number after them.
constexpr int kColorWheelWithPosition = 4;
constexpr int kLightControlWithLevel = 5;

} // namespace

const LampControl2Sim::Entry* LampControl2Sim::FindCommand(unsigned char letter)
{
    constexpr size_t kVariable = Entry::kVariable;
    static const Entry kCommands[] = {
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
    return Lookup(kCommands, letter);
}

LampControl2Sim::LampControl2Sim()
    : FramedModelSim(kModelLetter, kIdentity, "SERIAL-", kImageAdjust), own_{}
{
    const uint16_t wheel[] = {100, 200, 300};
    std::copy(std::begin(wheel), std::end(wheel), own_.wheel);
    own_.photocell = 123;
    own_.input = 1;
}

LampControl2Sim::~LampControl2Sim() { Stop(); }

Lamp2State LampControl2Sim::State() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    Lamp2State snapshot{};
    CommonLocked(snapshot);
    static_cast<ChannelLevels&>(snapshot) = levels_;
    static_cast<Lamp2Settings&>(snapshot) = own_;
    return snapshot;
}

void LampControl2Sim::SetState(const Lamp2State& state)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    SetCommonLocked(state);
    levels_ = state;
    own_ = state;
}

void LampControl2Sim::Handle(unsigned char command, const Params& params, std::string& data,
                             char& e1, char& e2)
{
    Refusal refusal = Refusal::UnknownCommand;
    Run(*this, FindCommand(command), params, data, refusal);
    Conclude(refusal, data, e1, e2);
}

const char* LampControl2Sim::CommandName(unsigned char command) const
{
    if (const char* name = NameOf(FindCommand(command))) return name;
    return FramedModelSim::CommandName(command);
}

// ---- Commands ----------------------------------------------------------------------------

LampControl2Sim::Refusal LampControl2Sim::ShutterControl(const Params& p, std::string&)
{
    if (p[0] != '0' && p[0] != '1') return Refusal::OutOfRange;
    own_.shutterOpen = p[0] == '0';
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::ColorWheelControl(const Params& p, std::string&)
{
    // A selector digit; selector 4 carries a position as three more digits.
    const int selector = p[0] - '0';
    if (selector < 0 || selector > 9) return Refusal::OutOfRange;
    int position = 0;
    const bool withPosition = selector == kColorWheelWithPosition;
    if (p.size() != (withPosition ? 4u : 1u) || (withPosition && !ParseDecimal(p, 1, 3, position)))
        return Refusal::Malformed;
    StartJob(kColorWheelTime, Ms(0), kColorWheelJob);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::LightControl(const Params& p, std::string&)
{
    // A selector digit; selector 5 carries a level as two more digits.
    const int selector = p[0] - '0';
    if (selector < 0 || selector > 9) return Refusal::OutOfRange;
    int level = 0;
    const bool withLevel = selector == kLightControlWithLevel;
    if (p.size() != (withLevel ? 3u : 1u) || (withLevel && !ParseDecimal(p, 1, 2, level)))
        return Refusal::Malformed;
    StartJob(kLightControlTime, Ms(0), kLightJob);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::InputSelect(const Params& p, std::string&)
{
    int slot = 0;
    if (!IndexSlot(p, 10, slot)) return Refusal::OutOfRange;
    own_.input = static_cast<uint8_t>(slot + 1);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::RefreshLightTable(const Params&, std::string&)
{
    StartJob(kRefreshTime, Ms(0), kRefreshJob);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::GetColorWheelPos(const Params& p, std::string& data)
{
    int slot = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    data = Decimal(own_.wheel[slot], 3);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::GetRefreshProgress(const Params&, std::string& data)
{
    // Stage '0' for the first half of a refresh (and when none runs), '1' for the second;
    // then the percentage of the whole refresh done.
    double fraction = 0;
    if (JobKind() != kRefreshJob || !JobFraction(fraction)) {
        data = "000";
        return Refusal::None;
    }
    data = (fraction < 0.5 ? "0" : "1") + Decimal(static_cast<long>(fraction * 100), 2);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::GetPhotronicCell(const Params&, std::string& data)
{
    data = Decimal(own_.photocell, 3);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::SetColorWheelPos(const Params& p, std::string&)
{
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 3, value)) return Refusal::Malformed;
    own_.wheel[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

} // namespace qlcos::sim
