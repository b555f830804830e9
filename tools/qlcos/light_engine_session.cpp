#include "light_engine_session.h"

#include "failure.h"
#include "progress_ticker.h"
#include "sim/simulators.h"
#include "simulated_port.h"

#include "qlcos/host.h"

#include <cstring>

namespace qlcos::tool {

namespace {

std::vector<std::string> ControllerSimulatorNames()
{
    std::vector<std::string> names;
    for (const qlcos::sim::SimulatorModel& m : qlcos::sim::SimulatorModels())
        names.push_back(m.Name);
    return names;
}

} // namespace

void AddLightEngineOptions(CLI::App* command, LightEngineOptions& options)
{
    command->add_option("--port", options.Port, "the controller's COM port number")
        ->capture_default_str()
        ->check(CLI::Range(1, 255));
    command
        ->add_option("--sim", options.Sim,
                     "start a simulated controller of this model in this program and use it "
                     "on the port (ldd, lcd, lamp2, led, lamp, silent)")
        ->type_name("MODEL")
        ->transform(CLI::IsMember(ControllerSimulatorNames(), CLI::ignore_case));
    command
        ->add_option("--sim-time-scale", options.SimTimeScale,
                     "run the simulated controller's busy times at P percent of real time")
        ->type_name("P")
        ->capture_default_str()
        ->check(CLI::Range(0, 10000));
}

LightEngineSession::LightEngineSession(const LightEngineOptions& options,
                                       const GlobalOptions& global)
    : m_Options(options)
{
    if (!options.Sim.empty()) {
        m_Simulator = qlcos::sim::MakeSimulator(options.Sim);
        if (!m_Simulator || !m_Simulator->Start())
            throw Failure(ExitCode::NoDevice, "cannot start the simulated controller");
        if (options.SimTimeScale != 100)
            qlcos::sim::SetSimulatorTimeScale(*m_Simulator, options.SimTimeScale);
        RouteToSimulator(options.Port, m_Simulator->Path());
    }
    tagZanVirtualDeviceProperty property{{options.Port, -1, 9600, 8, 0, 0}, 0, 0};
    ZanResult result = 0;
    Progress progress(global, "probing " + PortText(), 0);
    TickWhile(progress, 0, "", [&] { result = m_Device.Create(nullptr, &property); });
    if (zanFailed(result)) {
        tagZanVirtualDeviceStatusDescription description{};
        m_Device.GetStatusDescription(&description, nullptr);
        throw Failure(ExitCode::NoDevice, Utf8(description.Text));
    }
}

LightEngineSession::~LightEngineSession()
{
    m_Device.Destroy();
    if (m_Simulator) {
        m_Simulator->Stop();
        ReleaseSimulatorPort(m_Options.Port);
    }
}

std::string LightEngineSession::Model() const { return Utf8(m_Device.GetDescription()); }

void LightEngineSession::Require(ZanResult result, const std::string& operation) const
{
    if (result == ZAN_LCOS_UNSUPPORTED)
        throw Failure(ExitCode::Unsupported, operation + ": not on the " + Model());
    Check(result, operation);
}

std::string LightEngineSession::PortText() const
{
    std::string text = "COM" + std::to_string(m_Options.Port);
    if (m_Simulator) {
        const qlcos::sim::SimulatorModel* model = qlcos::sim::FindSimulatorModel(m_Options.Sim);
        text += std::string(" (simulated ") + (model ? model->Description : m_Options.Sim.c_str()) +
                " on " + m_Simulator->Path() + ")";
    }
    return text;
}

} // namespace qlcos::tool
