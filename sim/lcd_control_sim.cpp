#include "sim/lcd_control_sim.h"

namespace qlcos::sim {

namespace {

constexpr std::chrono::milliseconds kColorWheelTime{300};

} // namespace

const LcdControlSim::Entry* LcdControlSim::FindCommand(unsigned char letter)
{
    static const Entry kCommands[] = {
        {'5', "ColorWheelControl", 1, &LcdControlSim::ColorWheelControl},
    };
    return Lookup(kCommands, letter);
}

LcdControlSim::LcdControlSim() : PanelControllerSim(kModelLetter, kIdentity) {}

LcdControlSim::~LcdControlSim() { Stop(); }

LcdState LcdControlSim::State() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    LcdState snapshot{};
    static_cast<PanelState&>(snapshot) = PanelLocked();
    snapshot.colorWheel = colorWheel_;
    snapshot.colorWheelActions = colorWheelActions_;
    return snapshot;
}

void LcdControlSim::SetState(const LcdState& state)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    SetPanelLocked(state);
    colorWheel_ = state.colorWheel;
    colorWheelActions_ = state.colorWheelActions;
}

bool LcdControlSim::HandleModel(unsigned char command, const Params& params, std::string& data,
                                Refusal& refusal)
{
    return Run(*this, FindCommand(command), params, data, refusal);
}

const char* LcdControlSim::ModelCommandName(unsigned char command) const
{
    return NameOf(FindCommand(command));
}

LcdControlSim::Refusal LcdControlSim::ColorWheelControl(const Params& p, std::string&)
{
    const int action = p[0] - '0';
    if (action < 0 || action > 9) return Refusal::OutOfRange;
    colorWheel_ = static_cast<uint8_t>(action);
    ++colorWheelActions_;
    StartJob(kColorWheelTime);
    return Refusal::None;
}

} // namespace qlcos::sim
