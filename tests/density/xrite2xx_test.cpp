// The X-Rite 2xx driver end to end against the simulated DTP22 on a pseudo-terminal:
// identification and set-up byte for byte, the "k0" / "r0" messages and white calibration,
// the reading request and the replies it refuses, threads. Line handling shared with the
// 5xx (split, repeated and over-long lines) is tested there.
#include "qlcos/density/xrite2xx.h"
#include "density/xrite_fixture.h"
#include "sim/xrite2xx_sim.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace qlcos::test {
namespace {

using sim::XRiteFault;
using std::chrono::milliseconds;
const int kPort = 52;

class XRite2xx : public XRiteOnSimulator<CXRite2xx, sim::XRite2xxSim, kPort> {
protected:
    void SetUp() override
    {
        XRiteOnSimulator::SetUp();
        driver.SetHWnd(window);
    }
    // The reading of a press of the button, announced and waiting.
    void Press(float v = 1.23f, float c = 0.45f, float m = 0.67f, float y = 0.89f)
    {
        sim.Trigger(v, c, m, y);
        ASSERT_TRUE(Announced());
        ASSERT_EQ(3u, driver.GetState());
    }
};

TEST_F(XRite2xx, IdentificationAsksTwiceAndComparesTheSecondAnswer)
{
    serial::SetWaitScaleForTests(10);
    sim.Script(XRiteFault::Raw("garbage\r"));
    EXPECT_EQ(TRUE, driver.IsXRite2xx());
    ExpectReceived(std::string("V\r\n0V\r\n0", 8));
    EXPECT_EQ((std::vector<Bytes>{Text("V"), Text("0V")}), sim.Frames());

    sim.Script(XRiteFault::Raw(std::string(sim::XRite2xxSim::kIdentity) + "\r"));
    sim.Script(XRiteFault::Raw("X-Rite DTP2 2\r"));
    EXPECT_EQ(FALSE, driver.IsXRite2xx());
    sim.SetSilent(true);
    EXPECT_TRUE(Takes(0, 140, 400, [&] { return ZanResult(driver.IsXRite2xx()); }));
}

TEST_F(XRite2xx, SetUpSetsOnlyTheFlagsTheInstrumentReportsOtherwise)
{
    driver.OnInitCtrl();
    const std::string setUp = "1OK\r\n3PB\r\n";
    ExpectReceived(setUp + "20CF\r\n0220CF\r\n22CF\r\n0422CF\r\n");
    EXPECT_EQ(2, sim.Flag(20));
    EXPECT_EQ(4, sim.Flag(22));

    // Already set: no set command, though the start of a line waited in the pool before
    // the queries.
    sim.ClearLogs();
    sim.SendRaw("xx");
    driver.OnInitCtrl();
    ExpectReceived(setUp + "20CF\r\n22CF\r\n");

    sim.ClearLogs();
    sim.SetFlag(22, 5);
    driver.OnInitCtrl();
    ExpectReceived(setUp + "20CF\r\n22CF\r\n0422CF\r\n");
    EXPECT_EQ(4, sim.Flag(22));
    EXPECT_EQ(0u, driver.GetState());
}

TEST_F(XRite2xx, MessagesAndWhiteCalibrationDriveTheState)
{
    // "r0" without "k0" before it changes nothing.
    sim.SendRaw("r0\r");
    EXPECT_FALSE(Announced(150));
    EXPECT_EQ(0u, driver.GetState());
    sim.SendRaw("k0\r");
    sim.SendRaw("r0\r");
    ASSERT_TRUE(Announced());
    EXPECT_EQ(3u, driver.GetState());
    sim.SendRaw("k0\rr0\r"); // one chunk
    ASSERT_TRUE(Announced());
    EXPECT_EQ(3u, driver.GetState());
    sim.Script(XRiteFault::Split(1, milliseconds(2)));
    sim.Trigger(); // "k0" in pieces, then "r0"
    ASSERT_TRUE(Announced());
    EXPECT_EQ(3u, driver.GetState());
    EXPECT_FALSE(Announced(50));

    // A calibration's "k0" that comes while the command still waits ends it at once.
    sim.ClearLogs();
    sim.SetCalibrationTime(milliseconds(0));
    EXPECT_EQ(0u, driver.SendCmdWhiteCalibrate());
    ExpectReceived("1CA\r\n");
    EXPECT_EQ(0u, driver.GetState());

    // A later one too, and it announces no measurement: a following "r0" does nothing.
    serial::SetWaitScaleForTests(10);
    sim.ClearLogs();
    sim.SetCalibrationTime(milliseconds(200));
    EXPECT_EQ(0u, driver.SendCmdWhiteCalibrate());
    EXPECT_EQ(4u, driver.GetState());
    ASSERT_TRUE(sim.WaitForLinesSent(1, 1000));
    sim.SendRaw("r0\r");
    EXPECT_FALSE(Announced(150));
    EXPECT_EQ(0u, driver.GetState());
    EXPECT_EQ(2, sim.Calibrations());
}

TEST_F(XRite2xx, TheReadingIsAskedForOnceAndShortOrValuelessRepliesAreRefused)
{
    serial::SetWaitScaleForTests(10);
    Press();
    sim.ClearLogs();
    tagDensityInfo r{};
    EXPECT_EQ(0u, driver.SendCmdGetDensity(&r));
    ExpectReceived("0SR\r");
    EXPECT_TRUE(r.Visual == 1.23f && r.Cyan == 0.45f && r.Magenta == 0.67f && r.Yellow == 0.89f);
    EXPECT_EQ(0u, driver.GetState());
    EXPECT_EQ(0u, driver.IsGetNewDensity());
    // No reading ready: refused without a word on the line.
    sim.ClearLogs();
    EXPECT_EQ(ZAN_XRITE2XX_FAILED, driver.SendCmdGetDensity(&r));
    EXPECT_EQ(ZAN_XRITE2XX_FAILED, driver.SendCmdGetDensity(nullptr));
    EXPECT_TRUE(sim.Received().empty());

    const std::string refused[] = {
        "v 2.00 c 2.00 m 22\r",          // 19 characters
        "v c m y - - - - - - -\r",       // no value
        "V 2.00 C 2.00 M 2.00 Y 2.00\r", // upper case
    };
    for (const std::string& reply : refused) {
        Press();
        sim.Script(XRiteFault::Raw(reply));
        EXPECT_EQ(ZAN_XRITE2XX_FAILED, driver.SendCmdGetDensity(&r)) << reply;
        EXPECT_EQ(3u, driver.GetState());
    }
    sim.Script(XRiteFault::Silence());
    EXPECT_TRUE(Takes(ZAN_XRITE2XX_FAILED, 120, 500, [&] { return driver.SendCmdGetDensity(&r); }));
    EXPECT_EQ(3u, driver.GetState());
    // 20 characters will do; a letter missing keeps the last reading's value.
    sim.Script(XRiteFault::Raw("v 2.00 c 2.00 m 2.2\r"));
    EXPECT_EQ(0u, driver.SendCmdGetDensity(&r));
    EXPECT_FLOAT_EQ(2.2f, r.Magenta);
    EXPECT_FLOAT_EQ(0.89f, r.Yellow);
    EXPECT_FLOAT_EQ(2.2f, driver.GetLastReading().Magenta);
}

// The next press waits until the reader took the last reading: a message that comes just
// as the reading is asked for is dropped with the stale bytes, as the protocol has it.
TEST_F(XRite2xx, ReadingsTakenOnAnotherThreadWhileMessagesArriveAreWhole)
{
    serial::SetWaitScaleForTests(5);
    std::mutex mutex;
    std::condition_variable tookOne;
    bool stop = false;
    int taken = 0, torn = 0;
    std::thread reader([&] {
        for (;;) {
            tagDensityInfo r{-1, -1, -1, -1};
            const bool got = driver.IsGetNewDensity() && driver.SendCmdGetDensity(&r) == 0;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (stop) return;
                if (got) {
                    ++taken;
                    if (r.Visual != r.Cyan || r.Cyan != r.Magenta || r.Magenta != r.Yellow) ++torn;
                    tookOne.notify_all();
                    continue;
                }
            }
            std::this_thread::yield();
        }
    });
    std::vector<double> ms;
    for (int i = 1; i <= 20; ++i) {
        const float v = static_cast<float>(i) / 100;
        const auto start = std::chrono::steady_clock::now();
        sim.Trigger(v, v, v, v);
        EXPECT_TRUE(Announced());
        ms.push_back(MillisecondsSince(start));
        std::unique_lock<std::mutex> lock(mutex);
        EXPECT_TRUE(tookOne.wait_for(lock, milliseconds(2000), [&] { return taken == i; }));
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    reader.join();
    EXPECT_EQ(20, taken);
    EXPECT_EQ(0, torn);
    std::sort(ms.begin(), ms.end());
    std::printf("[ latency  ] X-Rite 2xx \"k0\" \"r0\" to message: median %.3f ms\n", ms[10]);
}

} // namespace
} // namespace qlcos::test
