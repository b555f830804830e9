#include "sim/simulators.h"

#include "sim/lamp_control2_sim.h"
#include "sim/lamp_control_sim.h"
#include "sim/lcd_control_sim.h"
#include "sim/ldd_control_sim.h"
#include "sim/led_control_sim.h"
#include "sim/silent_line_sim.h"

namespace qlcos::sim {

namespace {
template <typename Sim> std::unique_ptr<PtyDevice> Make() { return std::make_unique<Sim>(); }
} // namespace

const std::vector<SimulatorModel>& SimulatorModels()
{
    static const std::vector<SimulatorModel> models = {
        {"ldd", "LDD controller (model letter 'g')", Make<LDDControlSim>},
        {"lcd", "LCD controller (model letter 'f')", Make<LCDControlSim>},
        {"lamp2", "lamp controller 2 (model letter 'Y')", Make<LampControl2Sim>},
        {"led", "LED controller (model letter 'h')", Make<LEDControlSim>},
        {"lamp", "first-generation lamp controller (ACK/NAK protocol)", Make<LampControlSim>},
        {"silent", "a line with no controller on it", Make<SilentLineSim>},
    };
    return models;
}

const SimulatorModel* FindSimulatorModel(const std::string& name)
{
    for (const SimulatorModel& model : SimulatorModels())
        if (name == model.Name) return &model;
    return nullptr;
}

std::unique_ptr<PtyDevice> MakeSimulator(const std::string& name)
{
    const SimulatorModel* model = FindSimulatorModel(name);
    return model ? model->Make() : nullptr;
}

bool SetSimulatorTimeScale(PtyDevice& simulator, int percent)
{
    if (auto* framed = dynamic_cast<FramedProtocolSim*>(&simulator)) {
        framed->SetTimeScale(percent);
        return true;
    }
    return false;
}

} // namespace qlcos::sim
