#include "serial/time_scale.h"

#include <atomic>

namespace qlcos::serial {

namespace {
std::atomic<int> g_percent{100};
}

uint32_t ScaledWait(uint32_t milliseconds)
{
    const int percent = g_percent.load(std::memory_order_relaxed);
    if (percent == 100) return milliseconds;
    return static_cast<uint32_t>(static_cast<uint64_t>(milliseconds) *
                                 static_cast<uint64_t>(percent) / 100u);
}

void SetWaitScaleForTests(int percent) { g_percent.store(percent < 0 ? 0 : percent); }

} // namespace qlcos::serial
