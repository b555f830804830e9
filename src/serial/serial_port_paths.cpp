// Device paths that hosts register for port numbers (pseudo-terminals, USB adapters).
#include "qlcos/host.h"
#include "serial/serial_backend.h"

#include <map>
#include <mutex>

namespace {

std::mutex g_pathsMutex;
std::map<int, std::string>& Paths()
{
    static auto* paths = new std::map<int, std::string>();
    return *paths;
}

} // namespace

// A port number no port control opens (outside 1..kMaxPortNumber) is not registered.
void zanSetSerialPortPath(int port, const char* path)
{
    if (!qlcos::serial::IsValidPortNumber(port)) return;
    std::lock_guard<std::mutex> lock(g_pathsMutex);
    if (path && *path)
        Paths()[port] = path;
    else
        Paths().erase(port);
}

std::string qlcos::serial::RegisteredSerialPortPath(int port)
{
    std::lock_guard<std::mutex> lock(g_pathsMutex);
    auto it = Paths().find(port);
    return it == Paths().end() ? std::string() : it->second;
}
