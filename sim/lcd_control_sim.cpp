#include "sim/lcd_control_sim.h"

namespace qlcos::sim {

namespace {

constexpr std::chrono::milliseconds kColorWheelTime{300};

} // namespace

LCDControlSim::LCDControlSim() : PanelControlSim(kModelLetter, kIdentity)
{
    static const Command<LCDControlSim> kCommands[] = {
        {'5', "ColorWheelControl", 1, &LCDControlSim::ColorWheelControl},
    };
    AddCommands(kCommands);
}

LCDControlSim::~LCDControlSim() { Stop(); }

LCDControlSim::Refusal LCDControlSim::ColorWheelControl(const Params& p, std::string&)
{
    const int action = p[0] - '0';
    if (action < 0 || action > 9) return Refusal::OutOfRange;
    m_State.ColorWheel = static_cast<uint8_t>(action);
    ++m_State.ColorWheelActions;
    StartJob(kColorWheelTime);
    return Refusal::None;
}

} // namespace qlcos::sim
