// A POSIX semaphore: sem_post wakes through the kernel only when a thread sleeps on it.
#include "platform/wake_signal.h"

#include <cerrno>
#include <ctime>
#include <semaphore.h>

namespace qlcos::platform {

struct WakeSignal::State {
    sem_t Semaphore;
};

WakeSignal::WakeSignal() : m_State(new State) { sem_init(&m_State->Semaphore, 0, 0); }

WakeSignal::~WakeSignal() { sem_destroy(&m_State->Semaphore); }

void WakeSignal::Post() { sem_post(&m_State->Semaphore); }

bool WakeSignal::WaitUntil(std::chrono::steady_clock::time_point deadline)
{
    // steady_clock is CLOCK_MONOTONIC on the systems this builds for.
    const auto since = deadline.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
    timespec until{};
    until.tv_sec = static_cast<time_t>(seconds.count() > 0 ? seconds.count() : 0);
    until.tv_nsec =
        seconds.count() > 0
            ? static_cast<long>(
                  std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count())
            : 0;
    for (;;) {
        if (sem_clockwait(&m_State->Semaphore, CLOCK_MONOTONIC, &until) == 0) return true;
        if (errno != EINTR) return false; // ETIMEDOUT
    }
}

} // namespace qlcos::platform
