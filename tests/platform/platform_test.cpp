// The Windows kernel and window calls as the platform layer provides them on POSIX.
#include "qlcos/host.h"
#include "platform/wake_signal.h"
#include "platform/win32.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>

using qlcos::test::MillisecondsSince;
using Clock = std::chrono::steady_clock;

TEST(PlatformTime, SleepAndTickCountAgree)
{
    const DWORD before = GetTickCount();
    const auto start = Clock::now();
    Sleep(60);
    const double slept = MillisecondsSince(start);
    const DWORD ticks = GetTickCount() - before;
    EXPECT_GE(slept, 59.0);
    EXPECT_GE(ticks, 59u);
    EXPECT_LT(ticks, 500u);
}

TEST(PlatformObjects, EventsWaitWithTimeOutsAndReset)
{
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE automatic = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    ASSERT_NE(nullptr, manual);

    auto start = Clock::now();
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(manual, 50));
    EXPECT_GE(MillisecondsSince(start), 49.0);

    std::thread setter([&] {
        Sleep(30);
        SetEvent(manual);
    });
    start = Clock::now();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual, INFINITE));
    EXPECT_LT(MillisecondsSince(start), 1000.0);
    setter.join();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual, 0)); // manual stays set
    ResetEvent(manual);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(manual, 0));

    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(automatic, 0)); // initially set
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(automatic, 0));  // and taken by the wait

    EXPECT_TRUE(CloseHandle(manual));
    EXPECT_TRUE(CloseHandle(automatic));
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(nullptr, 0));
}

TEST(PlatformObjects, ThreadsAndRecursiveMutexes)
{
    static std::atomic<int> ran{0};
    auto routine = [](void* p) -> DWORD {
        ran += *static_cast<int*>(p);
        return 42;
    };
    int add = 5;
    HANDLE thread = CreateThread(nullptr, 0, routine, &add, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(42u, code);
    EXPECT_EQ(5, ran.load());
    CloseHandle(thread);

    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 0)); // recursive for its owner
    std::atomic<DWORD> other{0};
    std::thread contender([&] { other = WaitForSingleObject(mutex, 30); });
    contender.join();
    EXPECT_EQ(WAIT_TIMEOUT, other.load());
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex)); // not owned any more
    std::thread taker([&] {
        other = WaitForSingleObject(mutex, 1000);
        ReleaseMutex(mutex);
    });
    taker.join();
    EXPECT_EQ(WAIT_OBJECT_0, other.load());
    CloseHandle(mutex);
}

TEST(PlatformWindows, MessagesCrossThreadsAndDeadWindowsRefuse)
{
    HWND window = zanCreateMessageWindow();
    ASSERT_NE(nullptr, window);
    MSG msg{};
    auto start = Clock::now();
    EXPECT_FALSE(zanGetMessage(window, &msg, 40));
    EXPECT_GE(MillisecondsSince(start), 39.0);

    std::thread poster([&] {
        for (int i = 0; i < 3; ++i) zanPostMessage(window, 0x8001, static_cast<WPARAM>(i), -i);
    });
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(zanGetMessage(window, &msg, 2000));
        EXPECT_EQ(std::make_tuple(window, 0x8001u, static_cast<WPARAM>(i), LPARAM(-i)),
                  std::make_tuple(msg.hwnd, msg.message, msg.wParam, msg.lParam)); // in order
    }
    poster.join();

    // A waiter wakes when its window goes away.
    std::atomic<BOOL> got{TRUE};
    std::thread waiter([&] { got = zanGetMessage(window, &msg, INFINITE); });
    Sleep(20);
    zanDestroyMessageWindow(window);
    waiter.join();
    EXPECT_FALSE(got.load());
    EXPECT_FALSE(zanPostMessage(window, 1, 0, 0));
    EXPECT_FALSE(zanGetMessage(window, &msg, 0));
}

TEST(PlatformWakeSignal, APostWakesOneWaitEarlierOrLaterAndTheDeadlineHolds)
{
    qlcos::platform::WakeSignal signal;
    signal.Post(); // kept for the next wait
    EXPECT_TRUE(signal.WaitUntil(Clock::now()));

    auto start = Clock::now();
    EXPECT_FALSE(signal.WaitUntil(start + std::chrono::milliseconds(60)));
    EXPECT_GE(MillisecondsSince(start), 59.0);
    EXPECT_FALSE(signal.WaitUntil(Clock::time_point{})); // a deadline long past

    std::thread poster([&] {
        Sleep(30);
        signal.Post();
    });
    start = Clock::now();
    EXPECT_TRUE(signal.WaitUntil(start + std::chrono::seconds(5)));
    EXPECT_LT(MillisecondsSince(start), 2000.0);
    poster.join();
}
