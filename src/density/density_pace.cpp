#include "density/density_pace.h"

#include <atomic>

namespace qlcos::density {

namespace {
std::atomic<int> g_percent{100};
}

DWORD Paced(DWORD milliseconds)
{
    const int percent = g_percent.load(std::memory_order_relaxed);
    if (percent == 100 || milliseconds == 0) return milliseconds;
    const uint64_t scaled =
        static_cast<uint64_t>(milliseconds) * static_cast<uint64_t>(percent) / 100u;
    return scaled == 0 ? 1u : static_cast<DWORD>(scaled);
}

void PacedSleep(DWORD milliseconds) { Sleep(Paced(milliseconds)); }

void SetPaceForTests(int percent) { g_percent.store(percent < 1 ? 1 : percent); }

} // namespace qlcos::density
