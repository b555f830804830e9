// Every simulated controller model by name, for the demo, the tools and the benchmarks.
#pragma once

#include "sim/pty_device.h"

#include <memory>
#include <string>
#include <vector>

namespace qlcos::sim {

struct SimulatorModel {
    const char* Name;        // "ldd", "lcd", "lamp2", "led", "lamp", "silent"
    const char* Description; // what it simulates
    std::unique_ptr<PtyDevice> (*Make)();
};

// In the order the light-engine device probes them, then the silent line.
const std::vector<SimulatorModel>& SimulatorModels();
const SimulatorModel* FindSimulatorModel(const std::string& name);
// A new, not yet started simulator of the named model; null for an unknown name.
std::unique_ptr<PtyDevice> MakeSimulator(const std::string& name);
// Scales the busy times of a simulator that has them (percent of real time); false when the
// model has none.
bool SetSimulatorTimeScale(PtyDevice& simulator, int percent);

} // namespace qlcos::sim
