// The density device over the simulated X-Rite instruments on a pseudo-terminal: creation
// with identification and set-up, the live status check, readings through the wait loop.
#include "qlcos/density.h"

#include "qlcos/host.h"
#include "serial/time_scale.h"
#include "sim/xrite2xx_sim.h"
#include "sim/xrite5xx_sim.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace qlcos::test {
namespace {

const int kPort = 8;

template <typename Sim> class DensityOnXRite : public ::testing::Test {
protected:
    void SetUp() override
    {
        serial::SetWaitScaleForTests(5);
        ASSERT_TRUE(sim.Start());
        zanSetSerialPortPath(kPort, sim.Path().c_str());
        window = zanCreateMessageWindow();
    }
    void TearDown() override
    {
        device.Break(0);
        device.Destroy();
        zanDestroyMessageWindow(window);
        zanSetSerialPortPath(kPort, nullptr);
        serial::SetWaitScaleForTests(100);
    }

    ZanResult Create(uint16_t type)
    {
        tagZanVirtualDeviceProperty property{{kPort, -1, 9600, 8, 0, 0}, type, 0xFFFF};
        return device.Create(window, &property);
    }

    // Starts the wait thread, triggers a reading on the instrument and takes it as the
    // host does: the notification, then GetDensityInfo.
    void ReadThroughTheWaitLoop(float v, float c, float m, float y, tagDensityInfo& reading)
    {
        ASSERT_EQ(0u, device.WaitDensityInfo(1, 0, nullptr));
        sim.Trigger(v, c, m, y);
        MSG msg{};
        ASSERT_TRUE(zanGetMessage(window, &msg, 3000));
        EXPECT_EQ(device.GetNotifyMessage(), msg.message);
        EXPECT_EQ(ZAN_DENSITY_NOTIFY_READING, msg.wParam);
        EXPECT_EQ(0, msg.lParam);
        ASSERT_EQ(0u, device.GetDensityInfo(&reading));
        EXPECT_EQ(0u, device.Break(0));
    }

    Sim sim;
    HWND window = nullptr;
    CZanDensityCtrl device;
};

using DensityOn5xx = DensityOnXRite<sim::XRite5xxSim>;
using DensityOn2xx = DensityOnXRite<sim::XRite2xxSim>;

TEST_F(DensityOn5xx, CreatesOnlyWhereAnX_Rite504AnswersAndChecksItLive)
{
    sim.SetSilent(true);
    EXPECT_EQ(ZAN_DENSITY_CREATE_FAILED, Create(ZAN_DEVTYPE_XRITE5XX));
    tagZanVirtualDeviceStatusDescription why{};
    device.GetStatusDescription(&why, nullptr);
    EXPECT_EQ(u"Create failed: no X-Rite 5xx answered on COM8 " +
                  std::u16string(sim.Path().begin(), sim.Path().end()),
              std::u16string(why.Text));
    tagDensityInfo reading{};
    EXPECT_EQ(ZAN_DENSITY_NO_INSTRUMENT, device.GetDensityInfo(&reading));
    device.GetStatusDescription(&why, nullptr);
    EXPECT_EQ(u"densitometer: no instrument attached", std::u16string(why.Text));
    // Another instrument's identity is no X-Rite 5xx either.
    sim.SetSilent(false);
    EXPECT_EQ(ZAN_DENSITY_CREATE_FAILED, Create(ZAN_DEVTYPE_XRITE2XX));

    ASSERT_EQ(0u, Create(ZAN_DEVTYPE_XRITE5XX));
    EXPECT_EQ(std::u16string(u"XRite5XX"), std::u16string(device.GetDescription()));
    tagZanVirtualDeviceStatus status{};
    sim.ClearLogs();
    EXPECT_EQ(0u, device.CheckLine(&status));
    EXPECT_EQ(std::vector<uint8_t>({'S', 'V', '\r', '\n', 0}), sim.Received());
    EXPECT_EQ(0u, status.Fault);

    sim.SetSilent(true);
    EXPECT_EQ(ZAN_DENSITY_NO_ANSWER, device.CheckLine(&status));
    EXPECT_EQ(0xFFFFFFFFu, status.Fault);
    EXPECT_EQ(ZAN_DENSITY_NO_ANSWER, status.FaultCode);
    status = {};
    EXPECT_EQ(0u, device.GetStatus(&status)); // 0 whatever the check found
    EXPECT_EQ(ZAN_DENSITY_NO_ANSWER, status.FaultCode);
    sim.SetSilent(false);
}

TEST_F(DensityOn5xx, ReadingArrivesThroughTheWaitLoop)
{
    ASSERT_EQ(0u, Create(ZAN_DEVTYPE_XRITE5XX));
    tagDensityInfo reading{};
    EXPECT_EQ(ZAN_DENSITY_NO_READING, device.GetDensityInfo(&reading));
    ReadThroughTheWaitLoop(1.25f, 0.5f, 0.75f, 1.5f, reading);
    EXPECT_EQ(1.25f, reading.Visual);
    EXPECT_EQ(0.5f, reading.Cyan);
    EXPECT_EQ(0.75f, reading.Magenta);
    EXPECT_EQ(1.5f, reading.Yellow);
}

TEST_F(DensityOn2xx, CreateSetsTheInstrumentUpAndReadingsArrive)
{
    sim.SetFlag(20, 0);
    sim.SetFlag(22, 0);
    ASSERT_EQ(0u, Create(ZAN_DEVTYPE_XRITE2XX));
    EXPECT_EQ(std::u16string(u"XRite2XX"), std::u16string(device.GetDescription()));
    EXPECT_EQ(2, sim.Flag(20));
    EXPECT_EQ(4, sim.Flag(22));

    tagDensityInfo reading{};
    ReadThroughTheWaitLoop(0.25f, 1.0f, 1.25f, 2.5f, reading);
    EXPECT_EQ(0.25f, reading.Visual);
    EXPECT_EQ(1.0f, reading.Cyan);
    EXPECT_EQ(1.25f, reading.Magenta);
    EXPECT_EQ(2.5f, reading.Yellow);

    // White calibration runs until the instrument's "k0".
    EXPECT_EQ(0u, device.AdjustDensityCtrl(0));
    EXPECT_EQ(1, sim.Calibrations());
}

// The loop waits for the reply to its reading request, which does not come: Break and
// Destroy end that wait instead of waiting it out.
TEST_F(DensityOn2xx, BreakAndDestroyEndTheExchangeInProgress)
{
    serial::SetWaitScaleForTests(25); // the reply time-out of 1000 ms runs as 250 ms
    ASSERT_EQ(0u, Create(ZAN_DEVTYPE_XRITE2XX));
    const auto stopWhileWaiting = [&](auto stop) {
        EXPECT_EQ(0u, device.WaitDensityInfo(1, 0, nullptr));
        sim.ClearLogs();
        sim.Trigger();
        EXPECT_TRUE(sim.WaitForLinesSent(2, 1000));
        sim.Script(sim::XRiteFault::Silence());    // the reading request goes unanswered
        EXPECT_TRUE(sim.WaitForReceived(4, 3000)); // "0SR" CR: the loop waits for the reply
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(0u, stop());
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    const double breakMs = stopWhileWaiting([&] { return device.Break(0); });
    EXPECT_LT(breakMs, 100.0);
    // The next request runs normally: the reading still waiting in the instrument.
    tagDensityInfo reading{};
    EXPECT_EQ(0u, device.GetDensityInfo(&reading));
    tagZanVirtualDeviceStatus status{};
    const double destroyMs = stopWhileWaiting([&] { return device.Destroy(); });
    EXPECT_LT(destroyMs, 100.0);
    EXPECT_EQ(ZAN_DENSITY_NO_INSTRUMENT, device.CheckLine(&status));
    EXPECT_EQ(ZAN_DENSITY_NO_INSTRUMENT, device.Break(0)); // the destructor stops the loop
    std::printf("Break / Destroy while the loop waits for an unanswered reading request: "
                "%.2f / %.2f ms\n",
                breakMs, destroyMs);
}

TEST_F(DensityOn5xx, ConcurrentCreatesAttachOneInstrument)
{
    serial::SetWaitScaleForTests(10);
    std::vector<std::thread> threads;
    std::atomic<int> created{0}, refused{0};
    for (int i = 0; i < 6; ++i)
        threads.emplace_back([&] {
            const ZanResult r = Create(ZAN_DEVTYPE_XRITE5XX);
            if (r == 0) ++created;
            if (r == ZAN_DENSITY_ALREADY_CREATED) ++refused;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(1, created.load());
    EXPECT_EQ(5, refused.load());
}

} // namespace
} // namespace qlcos::test
