// Threads, events and mutexes behind Windows-style handles, with timed waits.
#include "platform/win32.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Every handle points at one of these.
struct KernelObject {
    virtual ~KernelObject() = default;
    // Waits until the object is signalled (and takes it, for auto-reset events and
    // mutexes). `timeoutMs` INFINITE waits without limit.
    virtual DWORD Wait(DWORD timeoutMs) = 0;
};

// Runs `wait(lock, deadline)` or `wait(lock)` according to the time-out.
template <typename Predicate>
bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, DWORD timeoutMs,
             Predicate ready)
{
    if (timeoutMs == INFINITE) {
        cv.wait(lock, ready);
        return true;
    }
    return cv.wait_until(lock, Clock::now() + std::chrono::milliseconds(timeoutMs), ready);
}

struct ThreadState {
    std::mutex Mutex;
    std::condition_variable Done;
    bool Finished = false;
    DWORD ExitCode = STILL_ACTIVE;
};

struct ThreadObject final : KernelObject {
    std::shared_ptr<ThreadState> State = std::make_shared<ThreadState>();
    std::thread Thread;

    ~ThreadObject() override
    {
        // Closing the handle never stops the thread: join a finished one, let a running
        // one go on with its own reference to the state.
        if (!Thread.joinable()) return;
        bool finished;
        {
            std::lock_guard<std::mutex> lock(State->Mutex);
            finished = State->Finished;
        }
        if (finished && Thread.get_id() != std::this_thread::get_id())
            Thread.join();
        else
            Thread.detach();
    }

    DWORD Wait(DWORD timeoutMs) override
    {
        std::unique_lock<std::mutex> lock(State->Mutex);
        return WaitFor(State->Done, lock, timeoutMs, [&] { return State->Finished; })
                   ? WAIT_OBJECT_0
                   : WAIT_TIMEOUT;
    }
};

struct EventObject final : KernelObject {
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Signalled;
    const bool ManualReset;

    EventObject(bool manual, bool initial) : Signalled(initial), ManualReset(manual) {}

    DWORD Wait(DWORD timeoutMs) override
    {
        std::unique_lock<std::mutex> lock(Mutex);
        if (!WaitFor(Changed, lock, timeoutMs, [&] { return Signalled; })) return WAIT_TIMEOUT;
        if (!ManualReset) Signalled = false;
        return WAIT_OBJECT_0;
    }

    void Set()
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Signalled = true;
        if (ManualReset)
            Changed.notify_all();
        else
            Changed.notify_one();
    }

    void Reset()
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Signalled = false;
    }
};

struct MutexObject final : KernelObject {
    std::mutex Mutex;
    std::condition_variable Released;
    std::thread::id Owner;
    unsigned Depth = 0;

    DWORD Wait(DWORD timeoutMs) override
    {
        const auto me = std::this_thread::get_id();
        std::unique_lock<std::mutex> lock(Mutex);
        if (!WaitFor(Released, lock, timeoutMs, [&] { return Depth == 0 || Owner == me; }))
            return WAIT_TIMEOUT;
        Owner = me;
        ++Depth;
        return WAIT_OBJECT_0;
    }

    bool Release()
    {
        std::lock_guard<std::mutex> lock(Mutex);
        if (Depth == 0 || Owner != std::this_thread::get_id()) return false;
        if (--Depth == 0) {
            Owner = std::thread::id();
            Released.notify_one();
        }
        return true;
    }
};

KernelObject* ObjectOf(HANDLE handle) { return static_cast<KernelObject*>(handle); }

} // namespace

HANDLE CreateThread(void*, size_t, LPTHREAD_START_ROUTINE routine, void* parameter, DWORD,
                    DWORD* threadId)
{
    if (!routine) return nullptr;
    auto object = std::make_unique<ThreadObject>();
    std::shared_ptr<ThreadState> state = object->State;
    try {
        object->Thread = std::thread([state, routine, parameter] {
            const DWORD code = routine(parameter);
            std::lock_guard<std::mutex> lock(state->Mutex);
            state->ExitCode = code;
            state->Finished = true;
            state->Done.notify_all();
        });
    } catch (...) {
        return nullptr;
    }
    if (threadId)
        *threadId = static_cast<DWORD>(std::hash<std::thread::id>()(object->Thread.get_id()));
    return object.release();
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode)
{
    auto* object = dynamic_cast<ThreadObject*>(ObjectOf(thread));
    if (!object || !exitCode) return 0;
    std::lock_guard<std::mutex> lock(object->State->Mutex);
    *exitCode = object->State->ExitCode;
    return 1;
}

HANDLE CreateEventW(void*, BOOL manualReset, BOOL initialState, const ZanWChar*)
{
    return new (std::nothrow) EventObject(manualReset != 0, initialState != 0);
}

BOOL SetEvent(HANDLE event)
{
    auto* object = dynamic_cast<EventObject*>(ObjectOf(event));
    if (!object) return 0;
    object->Set();
    return 1;
}

BOOL ResetEvent(HANDLE event)
{
    auto* object = dynamic_cast<EventObject*>(ObjectOf(event));
    if (!object) return 0;
    object->Reset();
    return 1;
}

HANDLE CreateMutexW(void*, BOOL initialOwner, const ZanWChar*)
{
    auto* object = new (std::nothrow) MutexObject();
    if (object && initialOwner) object->Wait(INFINITE);
    return object;
}

BOOL ReleaseMutex(HANDLE mutex)
{
    auto* object = dynamic_cast<MutexObject*>(ObjectOf(mutex));
    return object && object->Release() ? 1 : 0;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    if (!handle) return WAIT_FAILED;
    return ObjectOf(handle)->Wait(milliseconds);
}

BOOL CloseHandle(HANDLE handle)
{
    if (!handle) return 0;
    delete ObjectOf(handle);
    return 1;
}
