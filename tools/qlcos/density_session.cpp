#include "density_session.h"

#include "failure.h"
#include "simulated_port.h"
#include "text.h"

#include "sim/color_mouse_stand_in.h"
#include "sim/xrite2xx_sim.h"
#include "sim/xrite5xx_sim.h"

#include "qlcos/density/density_ctrl_cfg.h"
#include "qlcos/host.h"

#include <chrono>
#include <cstdlib>
#include <map>

namespace qlcos::tool {

namespace {

struct InstrumentType {
    uint16_t DeviceType;
    const char* Description;
};

const std::map<std::string, InstrumentType> kInstrumentTypes = {
    {"xrite5xx", {ZAN_DEVTYPE_XRITE5XX, "X-Rite 504"}},
    {"xrite2xx", {ZAN_DEVTYPE_XRITE2XX, "X-Rite DTP22"}},
    {"colormouse", {ZAN_DEVTYPE_COLOR_MOUSE, "colour mouse stand-in"}},
};

// The n-th simulated measurement: densities that drift a little from one to the next.
qlcos::sim::SimReading SimulatedReading(int n)
{
    const float step = static_cast<float>(n % 20) * 0.01f;
    return {0.85f + step, 0.62f + step, 0.71f - step / 2, 0.93f + step * 2};
}

} // namespace

// The simulated instrument and the button its operator presses.
class SimulatedInstrument {
public:
    virtual ~SimulatedInstrument() = default;
    virtual void Measure(const qlcos::sim::SimReading& reading) = 0;
    virtual std::string Where() const = 0;
};

namespace {

template <typename Sim> class SimulatedXRite : public SimulatedInstrument {
public:
    explicit SimulatedXRite(int port)
    {
        if (!m_Sim.Start())
            throw Failure(ExitCode::NoDevice, "cannot start the simulated densitometer");
        RouteToSimulator(port, m_Sim.Path());
        m_Port = port;
    }
    ~SimulatedXRite() override
    {
        m_Sim.Stop();
        ReleaseSimulatorPort(m_Port);
    }
    void Measure(const qlcos::sim::SimReading& r) override
    {
        m_Sim.Trigger(r.Visual, r.Cyan, r.Magenta, r.Yellow);
    }
    std::string Where() const override { return "on " + m_Sim.Path(); }

private:
    Sim m_Sim;
    int m_Port = 0;
};

// The stand-in for the colour mouse's library, built beside this program; the device loads
// the same file, so both reach the same instrument.
class SimulatedColorMouse : public SimulatedInstrument {
public:
    SimulatedColorMouse() : m_StandIn(PathChosen())
    {
        if (!m_StandIn.IsLoaded())
            throw Failure(ExitCode::NoDevice,
                          "cannot load the colour mouse stand-in: " + m_StandIn.Error());
        m_StandIn.Reset();
    }
    void Measure(const qlcos::sim::SimReading& r) override
    {
        m_StandIn.Press(r.Cyan, r.Magenta, r.Yellow);
    }
    std::string Where() const override { return "through " + m_Path; }

private:
    // The stand-in's path, also handed to the library's loader.
    const std::string& PathChosen()
    {
        m_Path = qlcos::sim::ColorMouseStandIn::BesideProgram();
        setenv("QLCOS_CSCMTLIB", m_Path.c_str(), 1);
        return m_Path;
    }
    std::string m_Path;
    qlcos::sim::ColorMouseStandIn m_StandIn;
};

} // namespace

void AddDensityOptions(CLI::App* command, DensityOptions& options)
{
    std::vector<std::string> types;
    for (const auto& [name, type] : kInstrumentTypes) types.push_back(name);
    command->add_option("--type", options.Type, "the instrument: xrite5xx, xrite2xx, colormouse")
        ->required()
        ->transform(CLI::IsMember(types, CLI::ignore_case));
    command->add_option("--port", options.Port, "the instrument's COM port number")
        ->capture_default_str()
        ->check(CLI::Range(1, 255));
    command->add_flag("--sim", options.Sim,
                      "start the simulated instrument in this program; a stand-in operator "
                      "measures shortly after the wait starts");
    command
        ->add_option("--sim-every", options.SimEveryMs,
                     "the stand-in operator measures every MS milliseconds (the device looks for "
                     "a new reading every 2 s)")
        ->type_name("MS")
        ->capture_default_str()
        ->check(CLI::Range(100, 600000));
}

DensitySession::DensitySession(const DensityOptions& options, const GlobalOptions&)
    : m_Options(options)
{
    const InstrumentType& type = kInstrumentTypes.at(options.Type);
    if (options.Sim) {
        if (type.DeviceType == ZAN_DEVTYPE_XRITE5XX)
            m_Simulator = std::make_unique<SimulatedXRite<qlcos::sim::XRite5xxSim>>(options.Port);
        else if (type.DeviceType == ZAN_DEVTYPE_XRITE2XX)
            m_Simulator = std::make_unique<SimulatedXRite<qlcos::sim::XRite2xxSim>>(options.Port);
        else
            m_Simulator = std::make_unique<SimulatedColorMouse>();
    }
    // The property as the density configuration record gives it out.
    CZanDensityCtrlCfg config;
    tagZanVirtualDeviceProperty property{};
    config.GetZanVirtualDeviceProperty(&property);
    property.Port.Port = options.Port;
    property.DeviceType = type.DeviceType;
    config.SetZanVirtualDeviceProperty(&property);
    config.GetZanVirtualDeviceProperty(&property);

    m_Window = zanCreateMessageWindow();
    if (zanFailed(m_Device.Create(m_Window, &property))) {
        tagZanVirtualDeviceStatusDescription description{};
        m_Device.GetStatusDescription(&description, nullptr);
        const std::string why = Utf8(description.Text);
        m_Device.Destroy();
        zanDestroyMessageWindow(m_Window);
        throw Failure(ExitCode::NoDevice, why);
    }
}

DensitySession::~DensitySession()
{
    StopOperator();
    m_Device.Break(0);
    m_Device.Destroy();
    zanDestroyMessageWindow(m_Window);
}

void DensitySession::StartOperator()
{
    if (!m_Simulator || m_Operator.joinable()) return;
    m_Operator = std::thread([this] {
        std::unique_lock<std::mutex> lock(m_OperatorLock);
        auto pause = std::chrono::milliseconds(100);
        for (int n = 0;; ++n) {
            if (m_OperatorWake.wait_for(lock, pause, [this] { return m_OperatorStop; })) return;
            m_Simulator->Measure(SimulatedReading(n));
            pause = std::chrono::milliseconds(m_Options.SimEveryMs);
        }
    });
}

void DensitySession::StopOperator()
{
    if (!m_Operator.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_OperatorLock);
        m_OperatorStop = true;
    }
    m_OperatorWake.notify_all();
    m_Operator.join();
}

std::string DensitySession::PortText() const
{
    std::string text = "COM" + std::to_string(m_Options.Port);
    if (m_Simulator)
        text += " (simulated " + std::string(kInstrumentTypes.at(m_Options.Type).Description) +
                " " + m_Simulator->Where() + ")";
    return text;
}

} // namespace qlcos::tool
