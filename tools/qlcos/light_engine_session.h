// The light engine a device command works on: CZanLCosCtrl on a serial port, or on a
// simulated controller started in this process with --sim.
#pragma once

#include "output.h"
#include "text.h"

#include "qlcos/exposure.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <string>

namespace qlcos::sim {
class PtyDevice;
}

namespace qlcos::tool {

struct LightEngineOptions {
    int Port = 1;           // COM port number
    std::string Sim;        // a simulated controller model, or empty for the real port
    int SimTimeScale = 100; // the simulator's busy times in percent of real time
};

// Adds --port, --sim and --sim-time-scale to `command`.
void AddLightEngineOptions(CLI::App* command, LightEngineOptions& options);

class LightEngineSession {
public:
    // Starts the simulator when one is asked for, then probes the port with
    // CZanLCosCtrl::Create, showing progress on a terminal. Throws Failure(NoDevice) with
    // the device's own account of why nothing answered.
    LightEngineSession(const LightEngineOptions& options, const GlobalOptions& global);
    ~LightEngineSession();
    LightEngineSession(const LightEngineSession&) = delete;
    LightEngineSession& operator=(const LightEngineSession&) = delete;

    CZanLCosCtrl& Device() { return m_Device; }
    // The detected model's driver as `Driver`, or null when the model is another.
    template <typename Driver> Driver* DriverAs() const
    {
        return dynamic_cast<Driver*>(m_Device.GetDriver());
    }
    // The detected model as the device describes it, e.g. "LCD LED Control".
    std::string Model() const;
    // "COM1", or "COM1 (simulated LDD controller on /dev/pts/4)".
    std::string PortText() const;
    // Throws unless `result` is a success, as Check does; an operation the model lacks
    // names the model ("MoveCarrier: not on the LCD Lamp Control").
    void Require(ZanResult result, const std::string& operation) const;

private:
    LightEngineOptions m_Options;
    std::unique_ptr<qlcos::sim::PtyDevice> m_Simulator;
    CZanLCosCtrl m_Device;
};

} // namespace qlcos::tool
