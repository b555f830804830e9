// The command families of qlcos; each adds its subcommands to the program.
#pragma once

#include "output.h"

#include <CLI/CLI.hpp>

namespace qlcos::tool {

// Each adds its subcommands to `app`; a subcommand's callback does the work and throws
// Failure when it cannot. `global` is filled in by parsing before any callback runs.
void AddDeviceCommands(CLI::App& app, const GlobalOptions& global);  // probe, get, set, ...
void AddTableCommands(CLI::App& app, const GlobalOptions& global);   // gamma, uniformity
void AddDensityCommands(CLI::App& app, const GlobalOptions& global); // density
void AddConfigCommands(CLI::App& app, const GlobalOptions& global);  // config
void AddPlotCommands(CLI::App& app, const GlobalOptions& global);    // plot
void AddCalcCommands(CLI::App& app, const GlobalOptions& global);    // calc

} // namespace qlcos::tool
