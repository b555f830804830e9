// A Windows semaphore object.
#include "platform/wake_signal.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace qlcos::platform {

struct WakeSignal::State {
    HANDLE Semaphore;
};

WakeSignal::WakeSignal() : m_State(new State{CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr)}) {}

WakeSignal::~WakeSignal()
{
    if (m_State->Semaphore) CloseHandle(m_State->Semaphore);
}

void WakeSignal::Post() { ReleaseSemaphore(m_State->Semaphore, 1, nullptr); }

bool WakeSignal::WaitUntil(std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        // Rounded up, so that a wait never ends before its deadline.
        const DWORD ms = static_cast<DWORD>(std::clamp<long long>(left + 1, 0, INFINITE - 1));
        const DWORD result = WaitForSingleObject(m_State->Semaphore, left <= 0 ? 0 : ms);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_TIMEOUT || std::chrono::steady_clock::now() >= deadline) return false;
    }
}

} // namespace qlcos::platform
