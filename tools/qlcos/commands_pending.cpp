// Command families still being written; each is replaced by its own file.
#include "commands.h"

namespace qlcos::tool {
void AddDeviceCommands(CLI::App&, const GlobalOptions&) {}
void AddTableCommands(CLI::App&, const GlobalOptions&) {}
void AddDensityCommands(CLI::App&, const GlobalOptions&) {}
} // namespace qlcos::tool
