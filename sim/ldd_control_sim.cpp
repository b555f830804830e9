#include "sim/ldd_control_sim.h"

namespace qlcos::sim {

namespace {

constexpr std::chrono::milliseconds kRepeatModeTime{700};
constexpr int kLedActions = 7;

} // namespace

LDDControlSim::LDDControlSim() : PanelControlSim(kModelLetter, kIdentity)
{
    using S = FrameControlState;
    // clang-format off
    static const Command<LDDControlSim> kCommands[] = {
        {'5', "LEDControl",    3, &LDDControlSim::LEDControl},
        {'7', "MoveCarrier",   1, &LDDControlSim::MoveCarrier},
        {'8', "MoveFocus",     5, &LDDControlSim::MoveFocus},
        {'A', "GetBrightness", 1, &LDDControlSim::ReadChannel<&S::Brightness, 2>},
        {'Q', "SetBrightness", 3, &LDDControlSim::WriteChannel<&S::Brightness, 2>},
        {'v', "GetPosition",   1, &LDDControlSim::ReadIndex<&S::Position, 4>},
        {'w', "SetPosition",   5, &LDDControlSim::WriteIndex<&S::Position, 4>},
        {'x', "SetRepeatMode", 1, &LDDControlSim::SetRepeatMode},
    };
    // clang-format on
    AddCommands(kCommands);

    m_State.Carrier = 1;
    m_State.Position[0] = 1000;
    m_State.Position[1] = 2000;
}

LDDControlSim::~LDDControlSim() { Stop(); }

void LDDControlSim::SetMoveTimes(Ms carrier, Ms focus, Ms moving)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_CarrierTime = carrier;
    m_FocusTime = focus;
    m_MovingTime = moving;
}

LDDControlSim::Refusal LDDControlSim::LEDControl(const Params& p, std::string&)
{
    return SetLedLevel(p, kLedActions);
}

LDDControlSim::Refusal LDDControlSim::MoveCarrier(const Params& p, std::string&)
{
    int slot = 0;
    if (!Slot(p, '0', 2, slot)) return Refusal::OutOfRange;
    m_State.Carrier = static_cast<uint8_t>(slot + 1);
    StartJob(m_CarrierTime, m_MovingTime);
    return Refusal::None;
}

LDDControlSim::Refusal LDDControlSim::MoveFocus(const Params& p, std::string&)
{
    // '0', then the steps as 4 digits.
    int steps = 0;
    if (p[0] != '0' || !ParseDecimal(p, 1, 4, steps)) return Refusal::Malformed;
    m_State.FocusPosition += steps;
    ++m_State.FocusMoves;
    StartJob(m_FocusTime, m_MovingTime);
    return Refusal::None;
}

LDDControlSim::Refusal LDDControlSim::SetRepeatMode(const Params&, std::string&)
{
    ++m_State.RepeatModes;
    StartJob(kRepeatModeTime);
    return Refusal::None;
}

} // namespace qlcos::sim
