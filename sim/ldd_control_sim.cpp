#include "sim/ldd_control_sim.h"

#include <algorithm>
#include <iterator>

namespace qlcos::sim {

namespace {

constexpr std::chrono::milliseconds kRepeatModeTime{700};
constexpr int kLedActions = 7;

} // namespace

const LddControlSim::Entry* LddControlSim::FindCommand(unsigned char letter)
{
    static const Entry kCommands[] = {
        {'5', "LEDControl", 3, &LddControlSim::LEDControl},
        {'7', "MoveCarrier", 1, &LddControlSim::MoveCarrier},
        {'8', "MoveFocus", 5, &LddControlSim::MoveFocus},
        {'A', "GetBrightness", 1, &LddControlSim::GetBrightness},
        {'Q', "SetBrightness", 3, &LddControlSim::SetBrightness},
        {'v', "GetPosition", 1, &LddControlSim::GetPosition},
        {'w', "SetPosition", 5, &LddControlSim::SetPosition},
        {'x', "SetRepeatMode", 1, &LddControlSim::SetRepeatMode},
    };
    return Lookup(kCommands, letter);
}

LddControlSim::LddControlSim() : PanelControllerSim(kModelLetter, kIdentity)
{
    mechanics_.carrier = 1;
    mechanics_.position[0] = 1000;
    mechanics_.position[1] = 2000;
}

LddControlSim::~LddControlSim() { Stop(); }

LddState LddControlSim::State() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    LddState snapshot{};
    static_cast<PanelState&>(snapshot) = PanelLocked();
    static_cast<LddMechanics&>(snapshot) = mechanics_;
    std::copy(std::begin(levels_.brightness), std::end(levels_.brightness), snapshot.brightness);
    return snapshot;
}

void LddControlSim::SetState(const LddState& state)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    SetPanelLocked(state);
    mechanics_ = state;
    std::copy(std::begin(state.brightness), std::end(state.brightness), levels_.brightness);
}

void LddControlSim::SetMoveTimes(Ms carrier, Ms focus, Ms moving)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    carrierTime_ = carrier;
    focusTime_ = focus;
    movingTime_ = moving;
}

bool LddControlSim::HandleModel(unsigned char command, const Params& params, std::string& data,
                                Refusal& refusal)
{
    return Run(*this, FindCommand(command), params, data, refusal);
}

const char* LddControlSim::ModelCommandName(unsigned char command) const
{
    return NameOf(FindCommand(command));
}

LddControlSim::Refusal LddControlSim::LEDControl(const Params& p, std::string&)
{
    const int action = p[0] - '0';
    int level = 0;
    if (action < 0 || action >= kLedActions) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 2, level)) return Refusal::Malformed;
    mechanics_.led[action] = static_cast<uint8_t>(level);
    return Refusal::None;
}

LddControlSim::Refusal LddControlSim::MoveCarrier(const Params& p, std::string&)
{
    int slot = 0;
    if (!IndexSlot(p, 2, slot)) return Refusal::OutOfRange;
    mechanics_.carrier = static_cast<uint8_t>(slot + 1);
    StartJob(carrierTime_, movingTime_);
    return Refusal::None;
}

LddControlSim::Refusal LddControlSim::MoveFocus(const Params& p, std::string&)
{
    // '0', then the steps as 4 digits.
    int steps = 0;
    if (p[0] != '0' || !ParseDecimal(p, 1, 4, steps)) return Refusal::Malformed;
    mechanics_.focusPosition += steps;
    ++mechanics_.focusMoves;
    StartJob(focusTime_, movingTime_);
    return Refusal::None;
}

LddControlSim::Refusal LddControlSim::GetPosition(const Params& p, std::string& data)
{
    int slot = 0;
    if (!IndexSlot(p, 2, slot)) return Refusal::OutOfRange;
    data = Decimal(mechanics_.position[slot], 4);
    return Refusal::None;
}

LddControlSim::Refusal LddControlSim::SetPosition(const Params& p, std::string&)
{
    int slot = 0, value = 0;
    if (!IndexSlot(p, 2, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 4, value)) return Refusal::Malformed;
    mechanics_.position[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

LddControlSim::Refusal LddControlSim::SetRepeatMode(const Params&, std::string&)
{
    ++mechanics_.repeatModes;
    StartJob(kRepeatModeTime);
    return Refusal::None;
}

} // namespace qlcos::sim
