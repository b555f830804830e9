#include "simulated_port.h"

#include "qlcos/host.h"

#include <cstdlib>

namespace qlcos::tool {

void RouteToSimulator(int port, const std::string& path)
{
    unsetenv(("QLCOS_COM" + std::to_string(port)).c_str());
    zanSetSerialPortPath(port, path.c_str());
}

void ReleaseSimulatorPort(int port) { zanSetSerialPortPath(port, nullptr); }

} // namespace qlcos::tool
