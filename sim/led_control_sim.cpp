#include "sim/led_control_sim.h"

#include <algorithm>

namespace qlcos::sim {

namespace {

// Image-adjust values in decimal, with the upper limits of items 1..8.
constexpr ImageAdjustFormat kImageAdjust = {10, {511, 511, 15, 15, 31, 15, 15, 15}};
constexpr int kLedSelectors = 4;

} // namespace

LEDControlSim::LEDControlSim()
    : FrameControlSim(kModelLetter, kIdentity, "LED-SERIAL-", kImageAdjust)
{
    using S = FrameControlState;
    // clang-format off
    static const Command<LEDControlSim> kCommands[] = {
        {'6', "LEDControl",    3, &LEDControlSim::LEDControl},
        {'7', "InputSelect",   1, &LEDControlSim::InputSelect},
        {'A', "GetBrightness", 1, &LEDControlSim::ReadChannel<&S::Brightness, 2>},
        {'C', "GetChannel",    1, &LEDControlSim::ReadChannel<&S::Channel, 1>},
        {'Q', "SetBrightness", 3, &LEDControlSim::WriteChannel<&S::Brightness, 2>},
        {'S', "SetChannel",    2, &LEDControlSim::SetChannel},
    };
    // clang-format on
    AddCommands(kCommands);

    std::fill_n(m_State.LedLevel, kLedSelectors, uint8_t{50});
    m_State.Input = 1;
}

LEDControlSim::~LEDControlSim() { Stop(); }

LEDControlSim::Refusal LEDControlSim::LEDControl(const Params& p, std::string&)
{
    return SetLedLevel(p, kLedSelectors);
}

} // namespace qlcos::sim
