// Sleep and GetTickCount for the reply fuzzer: a sleep moves a virtual clock on at once
// instead of blocking, so that settle pauses, exposure sleeps and status polls cost no wall
// time. Linked before the library's archive, these definitions take the place of its own
// (the archive's member that holds them is then never pulled in).
#include "platform/win32.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
std::atomic<uint64_t> g_SleptMs{0};
}

void Sleep(DWORD milliseconds)
{
    g_SleptMs += milliseconds;
    std::this_thread::yield();
}

// Every look at the clock also moves it on 100 ms: status polling pauses through the port
// control (which the fuzzer runs at a hundredth of its length), so its rounds must end by
// the clock, after a bounded number of them.
DWORD GetTickCount()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<DWORD>(static_cast<uint64_t>(ms) + (g_SleptMs += 100));
}
