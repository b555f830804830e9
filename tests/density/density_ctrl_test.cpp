// The density device over the colour-mouse stand-in: creation rules, readings asked for and
// collected by the wait loop, the notification, the cache, Break, the busy guard.
#include "qlcos/density.h"

// A host that uses only the densitometers includes qlcos/density.h without Xerces-C.
#if defined(XERCES_CPP_NAMESPACE)
#error "qlcos/density.h must not need the Xerces-C headers"
#endif

#include "qlcos/host.h"
#include "serial/time_scale.h"
#include "sim/color_mouse_stand_in.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

namespace qlcos::test {
namespace {

using Clock = std::chrono::steady_clock;
const int kPort = 7;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Polls `done` every few milliseconds for up to two seconds.
template <typename Done> bool WaitUntil(Done done)
{
    const auto end = Clock::now() + std::chrono::seconds(2);
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

tagZanVirtualDeviceProperty Property(uint16_t type, int second = -1)
{
    return tagZanVirtualDeviceProperty{{kPort, second, 9600, 8, 0, 0}, type, 0xFFFF};
}

class DensityDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        serial::SetWaitScaleForTests(5); // a pass of the wait loop every 100 ms
        setenv("QLCOS_CSCMTLIB", QLCOS_CSCMTLIB_PATH, 1);
        ASSERT_TRUE(standIn.IsLoaded()) << standIn.Error();
        standIn.Reset();
        window = zanCreateMessageWindow();
    }
    void TearDown() override
    {
        zanDestroyMessageWindow(window);
        serial::SetWaitScaleForTests(100);
    }

    void CreateMouse()
    {
        auto property = Property(ZAN_DEVTYPE_COLOR_MOUSE);
        ASSERT_EQ(0u, device.Create(window, &property));
    }

    // The next notification within `timeoutMs`; its lParam, or -1 when none came.
    long long NextNotification(DWORD timeoutMs)
    {
        MSG msg{};
        if (!zanGetMessage(window, &msg, timeoutMs)) return -1;
        EXPECT_EQ(device.GetNotifyMessage(), msg.message);
        EXPECT_EQ(ZAN_DENSITY_NOTIFY_READING, msg.wParam);
        return msg.lParam;
    }

    sim::ColorMouseStandIn standIn{QLCOS_CSCMTLIB_PATH};
    HWND window = nullptr;
    CZanDensityCtrl device;
};

TEST_F(DensityDevice, CreateChecksThePropertyAndKeepsOneInstrument)
{
    tagDensityInfo reading{};
    EXPECT_EQ(ZAN_DENSITY_CREATE_FAILED, device.Create(window, nullptr));
    auto property = Property(ZAN_DEVTYPE_COLOR_MOUSE, 0);
    EXPECT_EQ(ZAN_DENSITY_CREATE_FAILED, device.Create(window, &property));
    EXPECT_TRUE(standIn.Calls().empty()); // refused before any instrument was made
    for (uint16_t type : {0, 1, 0x230, 0x234}) {
        property = Property(type);
        EXPECT_EQ(ZAN_DENSITY_CREATE_FAILED, device.Create(window, &property)) << type;
    }
    EXPECT_EQ(ZAN_DENSITY_NO_INSTRUMENT, device.GetDensityInfo(&reading));
    EXPECT_EQ(ZAN_DENSITY_NO_INSTRUMENT, device.Break(0));
    EXPECT_EQ(ZAN_DENSITY_NO_INSTRUMENT, device.WaitDensityInfo(0, 0, &reading));
    EXPECT_EQ(ZAN_DENSITY_NO_INSTRUMENT, device.AdjustDensityCtrl(2));
    EXPECT_EQ(ZAN_DENSITY_NO_INSTRUMENT, device.CheckLine(nullptr));

    // The maker's library absent: the instrument does not open, nothing crashes.
    setenv("QLCOS_CSCMTLIB", "/nonexistent/libCSCMTLib.so", 1);
    property = Property(ZAN_DEVTYPE_COLOR_MOUSE);
    EXPECT_EQ(ZAN_DENSITY_CREATE_FAILED, device.Create(window, &property));
    tagZanVirtualDeviceStatusDescription why{};
    device.GetStatusDescription(&why, nullptr);
    EXPECT_EQ(u"Create failed: colour mouse: library not loaded (/nonexistent/libCSCMTLib.so: "
              u"cannot open shared object file: No such file or directory)",
              std::u16string(why.Text));
    EXPECT_EQ(ZAN_DENSITY_NO_INSTRUMENT, device.GetDensityInfo(&reading));
    setenv("QLCOS_CSCMTLIB", QLCOS_CSCMTLIB_PATH, 1);

    CreateMouse();
    EXPECT_EQ(std::u16string(u"ColorMouse"), std::u16string(device.GetDescription()));
    EXPECT_EQ(ZAN_DEVTYPE_COLOR_MOUSE, device.GetDeviceType());
    EXPECT_EQ(ZAN_DENSITY_ALREADY_CREATED, device.Create(window, &property));
    tagZanVirtualDeviceStatus status{};
    EXPECT_EQ(0u, device.CheckLine(&status));
    EXPECT_EQ(0u, status.Fault);
    EXPECT_EQ(0, device.CanService(nullptr));
    EXPECT_EQ(0u, device.Destroy());
    EXPECT_EQ(ZAN_DENSITY_NO_INSTRUMENT, device.GetDensityInfo(&reading));
    EXPECT_EQ(0u, device.Destroy());
    CreateMouse(); // attached again through a new Create
}

TEST_F(DensityDevice, ReadingsAskedForAndCalibration)
{
    CreateMouse();
    tagDensityInfo reading{9.0f, 9.0f, 9.0f, 9.0f};
    EXPECT_EQ(ZAN_DENSITY_NO_READING, device.GetDensityInfo(&reading));
    standIn.Press(0.25f, 0.5f, 0.75f);
    ASSERT_EQ(0u, device.GetDensityInfo(&reading));
    EXPECT_EQ(9.0f, reading.Visual); // the colour mouse has no visual channel
    EXPECT_EQ(0.25f, reading.Cyan);
    EXPECT_EQ(0.5f, reading.Magenta);
    EXPECT_EQ(0.75f, reading.Yellow);
    EXPECT_EQ(ZAN_DENSITY_NO_READING, device.GetDensityInfo(&reading));

    EXPECT_EQ(ZAN_COLORMOUSE_FAILED, device.AdjustDensityCtrl(3));
    EXPECT_EQ(0u, device.AdjustDensityCtrl(2));
    EXPECT_EQ(0u, device.AdjustDensityCtrl(1));
    EXPECT_EQ(1, standIn.Count(sim::StandInCount::WhiteCalibrations));
    EXPECT_EQ(1, standIn.Count(sim::StandInCount::BlackCalibrations));
}

TEST_F(DensityDevice, WaitThreadPostsEachReadingAndTheCacheHandsItOverOnce)
{
    CreateMouse();
    ASSERT_EQ(0u, device.WaitDensityInfo(1, 42, nullptr));
    EXPECT_TRUE(WaitUntil([&] { return device.CheckBusy(0x4) != 0; }));
    standIn.Press(0.5f, 1.0f, 1.5f);
    ASSERT_EQ(0, NextNotification(2000));
    tagDensityInfo reading{};
    ASSERT_EQ(0u, device.GetDensityInfo(&reading));
    EXPECT_EQ(0.0f, reading.Visual);
    EXPECT_EQ(0.5f, reading.Cyan);
    EXPECT_EQ(1.0f, reading.Magenta);
    EXPECT_EQ(1.5f, reading.Yellow);
    EXPECT_EQ(ZAN_DENSITY_NO_READING, device.GetDensityInfo(&reading));

    // A reading with a channel at exactly 0.0 is posted, but the cache counts as empty.
    standIn.Press(0.0f, 1.0f, 1.5f);
    ASSERT_EQ(0, NextNotification(2000));
    EXPECT_EQ(ZAN_DENSITY_NO_READING, device.GetDensityInfo(&reading));

    // A failed measurement is not posted; the loop goes on.
    standIn.SetFault(sim::StandInFault::Measure, 1);
    standIn.Press(1.0f, 1.0f, 1.0f);
    EXPECT_EQ(-1, NextNotification(300));
    standIn.SetFault(sim::StandInFault::Measure, 0);
    standIn.Press(2.0f, 2.0f, 2.0f);
    ASSERT_EQ(0, NextNotification(2000));

    EXPECT_EQ(0u, device.Break(0));
    EXPECT_FALSE(device.CheckBusy(0x4));
    // The flag was cleared with the thread: a new loop runs.
    ASSERT_EQ(0u, device.WaitDensityInfo(1, 0, nullptr));
    standIn.Press(3.0f, 3.0f, 3.0f);
    EXPECT_EQ(0, NextNotification(2000));
    EXPECT_EQ(0u, device.Break(0));
}

TEST_F(DensityDevice, BreakStopsEveryKindOfLoop)
{
    CreateMouse();
    // Without a loop the flag stays set: a foreground loop then returns at once.
    EXPECT_EQ(0u, device.Break(0));
    tagDensityInfo reading{};
    EXPECT_EQ(0u, device.WaitDensityInfo(0, 0, &reading));

    // A second threaded wait waits until the running loop is stopped, then starts its own.
    ASSERT_EQ(0u, device.WaitDensityInfo(1, 0, nullptr));
    EXPECT_EQ(0u, device.Break(0)); // finds the thread: clears the flag again
    ASSERT_EQ(0u, device.WaitDensityInfo(1, 0, nullptr));
    auto second =
        std::async(std::launch::async, [&] { return device.WaitDensityInfo(1, 0, nullptr); });
    EXPECT_EQ(std::future_status::timeout, second.wait_for(std::chrono::milliseconds(300)));
    EXPECT_EQ(0u, device.Break(0));
    ASSERT_EQ(std::future_status::ready, second.wait_for(std::chrono::milliseconds(2000)));
    EXPECT_EQ(0u, second.get());
    standIn.Press(1.0f, 2.0f, 3.0f);
    EXPECT_EQ(0, NextNotification(2000)); // the second loop runs
    EXPECT_EQ(0u, device.Break(0));

    // A foreground loop in another thread fills the caller's record and ends on Break.
    CZanDensityCtrl foreground;
    auto property = Property(ZAN_DEVTYPE_COLOR_MOUSE);
    ASSERT_EQ(0u, device.Destroy());
    standIn.Reset();
    ASSERT_EQ(0u, foreground.Create(nullptr, &property));
    standIn.Press(0.5f, 0.5f, 0.5f);
    auto loop =
        std::async(std::launch::async, [&] { return foreground.WaitDensityInfo(0, 0, &reading); });
    ASSERT_TRUE(WaitUntil([&] { return standIn.Count(sim::StandInCount::Measurements) == 1; }));
    EXPECT_EQ(0u, foreground.Break(0));
    ASSERT_EQ(std::future_status::ready, loop.wait_for(std::chrono::milliseconds(2000)));
    EXPECT_EQ(0u, loop.get());
    EXPECT_EQ(0.5f, reading.Cyan);
}

TEST_F(DensityDevice, BreakEndsThePauseBetweenPassesAtOnce)
{
    serial::SetWaitScaleForTests(100);
    CreateMouse();
    ASSERT_EQ(0u, device.WaitDensityInfo(1, 0, nullptr));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the loop is in its pause
    const auto start = Clock::now();
    EXPECT_EQ(0u, device.Break(0));
    const double ms = MsSince(start);
    EXPECT_LT(ms, 100.0);
    std::printf("Break during the 2000 ms pause returned after %.2f ms\n", ms);

    // The cadence stays 2000 ms: a press just after a pass is read on the next one.
    ASSERT_EQ(0u, device.WaitDensityInfo(1, 0, nullptr));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto pressed = Clock::now();
    standIn.Press(1.0f, 1.0f, 1.0f);
    ASSERT_EQ(0, NextNotification(3000));
    const double wait = MsSince(pressed);
    EXPECT_GT(wait, 1700.0);
    EXPECT_LT(wait, 2600.0); // a busy machine may add to the pass
    std::printf("press to notification: %.1f ms (next pass)\n", wait);
    EXPECT_EQ(0u, device.Break(0));
}

TEST_F(DensityDevice, BusyGuardAndTeardownWithALoopRunning)
{
    CreateMouse();
    // Another thread holds the device: requests through the guard are refused.
    std::promise<void> taken, release;
    std::thread holder([&] {
        EXPECT_EQ(0, device.IsBusy(0x1));
        taken.set_value();
        release.get_future().wait();
        device.WorkFinish();
    });
    taken.get_future().wait();
    tagDensityInfo reading{};
    tagZanVirtualDeviceStatus status{};
    EXPECT_EQ(ZAN_DENSITY_BUSY, device.GetDensityInfo(&reading));
    EXPECT_EQ(ZAN_DENSITY_BUSY, device.GetStatus(&status));
    EXPECT_EQ(ZAN_DENSITY_BUSY, device.CheckLine(&status));
    release.set_value();
    holder.join();
    EXPECT_EQ(0u, device.GetStatus(&status));
    EXPECT_EQ(ZAN_COM_ERR_ARGUMENT, device.GetDensityInfo(nullptr));

    // Destroy under a running loop: the loop finds no instrument and goes on harmlessly;
    // the destructor still stops and joins it.
    auto* doomed = new CZanDensityCtrl;
    auto property = Property(ZAN_DEVTYPE_COLOR_MOUSE);
    ASSERT_EQ(0u, device.Destroy());
    ASSERT_EQ(0u, doomed->Create(window, &property));
    ASSERT_EQ(0u, doomed->WaitDensityInfo(1, 0, nullptr));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(0u, doomed->Destroy());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    delete doomed;
}

} // namespace
} // namespace qlcos::test
