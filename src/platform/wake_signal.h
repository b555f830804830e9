// A counting wake-up for one thread handing work to another: Post wakes one thread in
// Wait, or the next one to wait. Unlike a condition variable it leaves no lock to hand back,
// so a wake-up costs one system call on each side and nothing when nobody sleeps.
#pragma once

#include <chrono>
#include <memory>

namespace qlcos::platform {

class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    void Post();
    // Waits for a Post until `deadline`; false when the deadline came first. May return true
    // for a Post meant for an earlier wait: callers check what they wait for again.
    bool WaitUntil(std::chrono::steady_clock::time_point deadline);

private:
    struct State;
    std::unique_ptr<State> m_State;
};

} // namespace qlcos::platform
