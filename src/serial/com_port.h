// The state a port control shares between the caller's thread and its receive thread, and
// the line-time arithmetic both halves of the port control use.
#pragma once

#include "qlcos/serial.h"
#include "platform/wake_signal.h"
#include "serial/serial_backend.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Everything the receive thread shares with the caller's thread, under Mutex. Backend and
// Receiver are installed and taken out under LineMutex, which the callers' uses of the
// backend (write, flush, configure) hold as well: a port closed from another thread is
// never closed under a write. The receive thread keeps its own pointer to its backend and
// takes neither lock for it; it is joined with LineMutex released. LineMutex comes first.
struct ZanComPort {
    using Clock = std::chrono::steady_clock;

    std::mutex LineMutex;
    std::unique_ptr<qlcos::serial::SerialBackend> Backend; // null while the line is down
    std::thread Receiver;

    // Held by the receive thread from noting the generation until its read returned, and
    // by DropInput across the flush and the new generation: a reply read just after a
    // ClearPool then always counts for the new generation, never as stale. Reads do not
    // block, so a ClearPool waits for one read at most.
    std::mutex ReadMutex;
    mutable std::mutex Mutex;
    // Wakes the late-reply wait and Pause: the line failed, a cancel or a close.
    std::condition_variable Changed;
    // The waits for bytes (GetPoolData's response wait, WaitForPoolData) sleep on
    // ResponseSignal, which takes one system call to wake a sleeper (a condition variable
    // takes two, for the lock it hands back). A waker claims the sleepers under Mutex and
    // posts once for each; a sleeper whose wait timed out after it was claimed leaves a post
    // behind, which the next wait takes as the spurious wake-up it checks for anyway.
    qlcos::platform::WakeSignal ResponseSignal;
    uint32_t ResponseSleepers = 0;
    std::unique_ptr<unsigned char[]> Pool;
    uint32_t PoolSize = 0;
    uint32_t Count = 0;
    // Bumped by ClearPool: bytes read under an older generation are stale and dropped.
    uint64_t Generation = 0;
    bool Open = false;          // from OpenPort to ClosePort, also while the line is down
    bool FrameEnded = false;    // a protocol saw a frame end since the last Send or ClearPool
    bool ResponseEnded = false; // a frame end arrived, or the pool filled up
    bool WaitPending = false;
    bool LineFailed = false; // hung up or failed; the next Send reopens the port
    bool Cancelled = false;  // Cancel: every wait ends at once until ClearCancel
    // Callers inside WaitForPoolData: they wait for a byte count, so every arrival may end
    // their wait. A response wait ends only on a frame end, a full pool, a time-out or the
    // line, and is woken for nothing else.
    uint32_t CountWaiters = 0;
    Clock::time_point Deadline;
    std::vector<CZanProtocol*> Protocols;
    // The receive thread waits for input and has not seen any since it began to. Written by
    // the receive thread only; see DropInput.
    std::atomic<bool> ReaderWaiting{false};

    // A response wait ended without its frame end: the reply may still be on its way, and
    // the next Send first lets the line fall quiet. Quiet is counted from the later of
    // the two moments below.
    bool ReplyMayFollow = false;
    Clock::time_point WaitEndedAt;
    Clock::time_point LastArrival; // when the receive thread last read bytes

    bool WaitResponse = false;
    uint32_t WaitTimeoutMs = 500;
    // After the frame end, the response wait goes on for this many bytes (a block check),
    // at most TrailingWaitMs; see SetWaitTrailingBytes. TrailingPending while they are due.
    uint32_t TrailingBytes = 0;
    uint32_t TrailingWaitMs = 0;
    bool TrailingPending = false;
    uint32_t TrailingUntilCount = 0;
    Clock::time_point TrailingDeadline;
    HANDLE FrameEvent = nullptr;

    tagZanOpenFailure LastOpen{}; // the last open's outcome, under Mutex

    // Under Mutex: a new response begins (a command goes out, or the pool is emptied).
    void ForgetResponse()
    {
        FrameEnded = false;
        ResponseEnded = false;
        TrailingPending = false;
    }
    // Under Mutex: the pool is emptied; bytes read under the old generation are dropped.
    void EmptyPool()
    {
        Count = 0;
        ++Generation;
        ForgetResponse();
    }
    // Under Mutex: takes the response wait's sleepers, to be woken with PostResponse (best
    // after Mutex is released, so that they do not wake only to wait for it).
    uint32_t ClaimResponseSleepers()
    {
        const uint32_t sleepers = ResponseSleepers;
        ResponseSleepers = 0;
        return sleepers;
    }
    void PostResponse(uint32_t sleepers)
    {
        while (sleepers-- > 0) ResponseSignal.Post();
    }
    // Sleeps on ResponseSignal until `done()` or `deadline`, with `lock` (on Mutex) released
    // meanwhile; true when done.
    template <typename Done>
    bool AwaitBytes(std::unique_lock<std::mutex>& lock, Clock::time_point deadline, Done done)
    {
        while (!done()) {
            if (Clock::now() >= deadline) return false;
            ++ResponseSleepers;
            lock.unlock();
            const bool posted = ResponseSignal.WaitUntil(deadline);
            lock.lock();
            // Timed out before anyone claimed this sleeper: it leaves the count itself.
            if (!posted && ResponseSleepers > 0) --ResponseSleepers;
        }
        return true;
    }
    // Under Mutex: ends every wait on the port, so that each checks what it waits for.
    void WakeEveryWait()
    {
        Changed.notify_all();
        PostResponse(ClaimResponseSleepers());
    }
};

namespace qlcos::serial {

// Time the line needs for `bytes` bytes at `baud` (9600 when not positive), 10 bits a
// byte, rounded up; saturates rather than wraps for absurd lengths.
inline uint32_t LineTimeMs(int bytes, int baud)
{
    const int64_t rate = baud > 0 ? baud : 9600;
    const int64_t count = bytes > 0 ? bytes : 0;
    const int64_t ms = (count * 10 * 1000 + rate - 1) / rate;
    return ms > static_cast<int64_t>(UINT32_MAX / 2) ? UINT32_MAX / 2 : static_cast<uint32_t>(ms);
}

} // namespace qlcos::serial
