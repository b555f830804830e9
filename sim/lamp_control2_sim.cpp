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

LampControl2Sim::LampControl2Sim()
    : FrameControlSim(kModelLetter, kIdentity, "SERIAL-", kImageAdjust)
{
    using S = FrameControlState;
    // clang-format off
    static const Command<LampControl2Sim> kCommands[] = {
        {'4', "ShutterControl",     1,         &LampControl2Sim::ShutterControl},
        {'5', "ColorWheelControl",  kVariable, &LampControl2Sim::ColorWheelControl},
        {'6', "LightControl",       kVariable, &LampControl2Sim::LightControl},
        {'7', "InputSelect",        1,         &LampControl2Sim::InputSelect},
        {'8', "RefreshLightTable",  1,         &LampControl2Sim::RefreshLightTable},
        {'A', "GetBrightness",      1,         &LampControl2Sim::ReadChannel<&S::Brightness, 2>},
        {'C', "GetChannel",         1,         &LampControl2Sim::ReadChannel<&S::Channel, 1>},
        {'D', "GetColorWheelPos",   1,         &LampControl2Sim::ReadChannel<&S::WheelPos, 3>},
        {'E', "GetRefreshProgress", 1,         &LampControl2Sim::GetRefreshProgress},
        {'G', "GetPhotronicCell",   1,         &LampControl2Sim::GetPhotronicCell},
        {'Q', "SetBrightness",      3,         &LampControl2Sim::WriteChannel<&S::Brightness, 2>},
        {'S', "SetChannel",         2,         &LampControl2Sim::SetChannel},
        {'T', "SetColorWheelPos",   4,         &LampControl2Sim::WriteChannel<&S::WheelPos, 3>},
    };
    // clang-format on
    AddCommands(kCommands);

    const uint16_t wheel[] = {100, 200, 300};
    std::copy(std::begin(wheel), std::end(wheel), m_State.WheelPos);
    m_State.Photocell = 123;
    m_State.Input = 1;
}

LampControl2Sim::~LampControl2Sim() { Stop(); }

LampControl2Sim::Refusal LampControl2Sim::ShutterControl(const Params& p, std::string&)
{
    if (p[0] != '0' && p[0] != '1') return Refusal::OutOfRange;
    m_State.ShutterOpen = p[0] == '0';
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::ColorWheelControl(const Params& p, std::string&)
{
    // Selector 4 carries a position as three more digits.
    return SelectorJob(p, kColorWheelWithPosition, 3, kColorWheelTime, kColorWheelJob);
}

LampControl2Sim::Refusal LampControl2Sim::LightControl(const Params& p, std::string&)
{
    // Selector 5 carries a level as two more digits.
    return SelectorJob(p, kLightControlWithLevel, 2, kLightControlTime, kLightJob);
}

LampControl2Sim::Refusal LampControl2Sim::SelectorJob(const Params& p, int withNumber,
                                                      size_t digits, Ms duration, int kind)
{
    const int selector = p[0] - '0';
    if (selector < 0 || selector > 9) return Refusal::OutOfRange;
    int number = 0;
    const bool carriesNumber = selector == withNumber;
    if (p.size() != (carriesNumber ? 1 + digits : 1u) ||
        (carriesNumber && !ParseDecimal(p, 1, digits, number)))
        return Refusal::Malformed;
    StartJob(duration, Ms(0), kind);
    return Refusal::None;
}

LampControl2Sim::Refusal LampControl2Sim::RefreshLightTable(const Params&, std::string&)
{
    StartJob(kRefreshTime, Ms(0), kRefreshJob);
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
    data = Decimal(m_State.Photocell, 3);
    return Refusal::None;
}

} // namespace qlcos::sim
