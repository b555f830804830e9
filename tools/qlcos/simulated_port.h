// A COM port number pointed at a simulator that runs in this program (--sim).
#pragma once

#include <string>

namespace qlcos::tool {

// Port `port` opens `path` from now on. QLCOS_COM<port> in the environment would take
// precedence over the registration, so it is removed: --sim means the simulator.
void RouteToSimulator(int port, const std::string& path);
// The registration removed again.
void ReleaseSimulatorPort(int port);

} // namespace qlcos::tool
