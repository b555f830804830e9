// Ending waits from another thread: the light-engine device's Break, Destroy and destructor
// while a request runs, concurrent Creates, and the drivers' own Cancel, end to end against
// the simulated controllers.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "sim/lamp_control_sim.h"
#include "sim/lcd_control_sim.h"
#include "sim/ldd_control_sim.h"
#include "support/driver_fixture.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace qlcos::test {
namespace {

using Clock = std::chrono::steady_clock;
const int kPort = 31;
const tagZanVirtualDeviceProperty kProperty{{kPort, -1, 9600, 8, 0, 0}, 1, 0};
// A Break must end the wait within this; the threads' own start-up is not counted.
const double kBreakMs = 100.0;

// Runs `request` on another thread until the controller has logged `frames` frames (the
// request is then inside its wait), calls `stop`, and returns the request's result and how
// long after the call to `stop` it returned.
struct Stopped {
    ZanResult Result;
    double Ms;
};
Stopped StopWhileRunning(const sim::PtyDevice& sim, size_t frames,
                         const std::function<ZanResult()>& request,
                         const std::function<void()>& stop)
{
    std::promise<Clock::time_point> ended;
    ZanResult result = 0;
    std::thread runner([&] {
        result = request();
        ended.set_value(Clock::now());
    });
    EXPECT_TRUE(sim.WaitForFrames(frames, 3000));
    const Clock::time_point stopAt = Clock::now();
    stop();
    const Clock::time_point endedAt = ended.get_future().get();
    runner.join();
    return {result, std::chrono::duration<double, std::milli>(endedAt - stopAt).count()};
}

template <class Sim> class DeviceOn : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        zanSetSerialPortPath(kPort, sim.Path().c_str());
    }
    void TearDown() override { zanSetSerialPortPath(kPort, nullptr); }
    // Creates `device` on the simulator, which reports a long shutter time on channel 1.
    void CreateWithLongExposure(CZanLCosCtrl& device, uint16_t shutter)
    {
        auto state = sim.State();
        state.Shutter[0] = shutter;
        sim.SetState(state);
        tagZanVirtualDeviceProperty property = kProperty;
        ASSERT_EQ(0u, device.Create(nullptr, &property));
        sim.ClearLog();
    }
    void Report(const char* what, double ms)
    {
        std::printf("    %s returned %.1f ms after it was asked to stop\n", what, ms);
    }

    Sim sim;
};

// The LCD polls through an exposure; the LDD sleeps through it, and is the model the device
// finds first.
using OnLcd = DeviceOn<sim::LCDControlSim>;
using OnLdd = DeviceOn<sim::LDDControlSim>;

TEST_F(OnLcd, BreakEndsAPolledExposureAndTheNextRequestRunsNormally)
{
    CZanLCosCtrl device;
    CreateWithLongExposure(device, 9999); // 100 s
    // A Break with no request running spoils nothing.
    EXPECT_EQ(0u, device.Break(0));
    unsigned short t = 0;
    EXPECT_EQ(0u, device.GetShutterTime(1, &t));
    sim.ClearLog();

    // The exposure command, then a status poll: the device is polling.
    const Stopped s = StopWhileRunning(
        sim, 2, [&] { return device.Expose(1); }, [&] { EXPECT_EQ(0u, device.Break(0)); });
    EXPECT_EQ(ZAN_COM_ERR_CANCELLED, s.Result);
    EXPECT_LT(s.Ms, kBreakMs);
    Report("Expose (LCD, polling)", s.Ms);
    EXPECT_EQ(0u, device.GetBusyWord());
    EXPECT_EQ(0u, device.GetShutterTime(1, &t));
    EXPECT_EQ(9999, t);
}

TEST_F(OnLdd, BreakDestroyAndTheDestructorEndARunningExposure)
{
    CZanLCosCtrl device;
    CreateWithLongExposure(device, 9999); // the driver sleeps 99.89 s before it polls
    Stopped s = StopWhileRunning(
        sim, 1, [&] { return device.Expose(1); }, [&] { device.Break(1); });
    EXPECT_EQ(ZAN_COM_ERR_CANCELLED, s.Result);
    EXPECT_LT(s.Ms, kBreakMs);
    Report("Expose (LDD, sleeping)", s.Ms);
    unsigned char v = 0;
    EXPECT_EQ(0u, device.GetBrightness(1, &v));

    sim.ClearLog();
    s = StopWhileRunning(
        sim, 1, [&] { return device.Expose(1); }, [&] { EXPECT_EQ(0u, device.Destroy()); });
    EXPECT_EQ(ZAN_COM_ERR_CANCELLED, s.Result);
    EXPECT_LT(s.Ms, kBreakMs);
    Report("Expose (LDD) under Destroy", s.Ms);
    EXPECT_EQ(nullptr, device.GetDriver());
    EXPECT_EQ(ZAN_LCOS_NO_DRIVER, device.Expose(1));

    // Deleting the device while it exposes releases the driver; the request has left it
    // before the memory goes (the sanitizers watch).
    const int threads = ThreadCount();
    auto owned = std::make_unique<CZanLCosCtrl>();
    CreateWithLongExposure(*owned, 9999);
    CZanLCosCtrl* raw = owned.get();
    s = StopWhileRunning(
        sim, 1, [raw] { return raw->Expose(1); }, [&] { owned.reset(); });
    EXPECT_EQ(ZAN_COM_ERR_CANCELLED, s.Result);
    EXPECT_LT(s.Ms, kBreakMs);
    EXPECT_EQ(threads, ThreadCountSettled(threads)); // no receive thread left behind
}

TEST(LCosCtrlThreads, ConcurrentCreatesMakeOneDriver)
{
    sim::LDDControlSim sim;
    ASSERT_TRUE(sim.Start());
    zanSetSerialPortPath(kPort, sim.Path().c_str());
    CZanLCosCtrl device;
    std::promise<void> go;
    std::shared_future<void> start = go.get_future().share();
    std::vector<ZanResult> results(8);
    std::vector<std::thread> creators;
    for (ZanResult& result : results) {
        creators.emplace_back([&, start] {
            tagZanVirtualDeviceProperty property = kProperty;
            start.wait();
            result = device.Create(nullptr, &property);
        });
    }
    go.set_value();
    for (std::thread& t : creators) t.join();
    int created = 0, already = 0;
    for (ZanResult r : results) {
        created += r == 0;
        already += r == ZAN_LCOS_ALREADY_CREATED;
    }
    EXPECT_EQ(1, created);
    EXPECT_EQ(7, already);
    ASSERT_NE(nullptr, device.GetDriver());
    // The controller was asked for its identity once: the others never reached the line.
    int identities = 0;
    for (const auto& frame : sim.Frames()) identities += frame.size() > 3 && frame[3] == 0x7F;
    EXPECT_EQ(1, identities);
    unsigned short t = 0;
    EXPECT_EQ(0u, device.GetShutterTime(1, &t));
    device.Destroy();
    zanSetSerialPortPath(kPort, nullptr);
}

class LampCancel : public DriverOnSimulator<CQLampControl, sim::LampControlSim, kPort> {};

TEST_F(LampCancel, EndsTheWaitForAnExposuresAckAndItsLateAckPassesForNoOtherAnswer)
{
    CreateDriver();
    EXPECT_EQ(0u, driver.SetShutterTime(1, 30)); // the controller answers after 300 ms
    sim.ClearLog();
    const Stopped s = StopWhileRunning(
        sim, 1, [&] { return driver.Exposal(1); }, [&] { driver.Cancel(); });
    EXPECT_EQ(ZAN_COM_ERR_CANCELLED, s.Result);
    EXPECT_LT(s.Ms, kBreakMs);
    std::printf("    Exposal (first generation, waiting for its ACK) returned %.1f ms after "
                "Cancel\n",
                s.Ms);

    // The controller does not answer the next setting at first, then refuses it; the
    // exposure's ACK, still to come, must not pass for the setting's answer.
    sim.Script(sim::LampFault::Silence(), '1');
    for (int i = 1; i < CZanComCtrl::kDefaultAttemptCount; ++i)
        sim.Script(sim::LampFault::Nak(), '1');
    EXPECT_EQ(ZAN_COM_ERR_REFUSED, driver.SetBrightness(1, 42));
    EXPECT_EQ(0u, driver.SetBrightness(1, 42));
    EXPECT_EQ(42, sim.State().Brightness[0]);
}

TEST(DriverCancel, EndsADriversExposureAndTheEmulatorsAndIsClearedByTheNextRequest)
{
    sim::LDDControlSim sim;
    ASSERT_TRUE(sim.Start());
    zanSetSerialPortPath(kPort, sim.Path().c_str());
    auto state = sim.State();
    state.Interval[0] = 999; // channel 4 sleeps 9.89 s, then polls
    sim.SetState(state);
    CQLDDControl ldd;
    ASSERT_EQ(0u, ldd.Create(kPort, -1));
    ldd.Cancel(); // before the request: cleared as it begins
    unsigned short t = 0;
    EXPECT_EQ(0u, ldd.GetShutterTime(1, t));
    sim.ClearLog();
    const Stopped s = StopWhileRunning(
        sim, 1, [&] { return ldd.Expose(4); }, [&] { ldd.Cancel(); });
    EXPECT_EQ(ZAN_COM_ERR_CANCELLED, s.Result);
    EXPECT_LT(s.Ms, kBreakMs);
    EXPECT_EQ(0u, ldd.MoveCarrier(2));
    zanSetSerialPortPath(kPort, nullptr);

    // The emulator has no line to watch: cancel it until its 10-second exposure ends.
    CEmuQLampControl emu;
    ASSERT_EQ(0u, emu.Create(0, 0));
    emu.SetShutterTime(2, 1000);
    const auto start = Clock::now();
    auto exposal = std::async(std::launch::async, [&] { return emu.Exposal(2); });
    while (exposal.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        emu.Cancel();
    EXPECT_EQ(ZAN_COM_ERR_CANCELLED, exposal.get());
    EXPECT_LT(MillisecondsSince(start), 500.0);
    emu.SetShutterTime(2, 3);
    EXPECT_TRUE(Takes(0u, 25, 1000, [&] { return emu.Exposal(2); }));
}

} // namespace
} // namespace qlcos::test
