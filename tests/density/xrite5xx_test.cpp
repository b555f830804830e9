// The X-Rite 5xx driver end to end against the simulated X-Rite 504 on a pseudo-terminal:
// commands byte for byte, identification and its time-outs, white calibration, reading lines
// and their message, the receive buffer under split, repeated and over-long lines, threads.
#include "qlcos/density/xrite5xx.h"
#include "density/xrite_fixture.h"
#include "sim/xrite5xx_sim.h"
#include "support/locale.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <thread>

namespace qlcos::test {
namespace {

using sim::XRiteFault;
using std::chrono::milliseconds;
const int kPort = 51;
const Bytes kIdentify{'S', 'V', 0x0D, 0x0A, 0x00};

// A reading's fields; two-decimal texts read to the float nearest the same literal.
using Floats = std::array<float, 4>;
Floats Values(const tagDensityInfo& r) { return {r.Visual, r.Cyan, r.Magenta, r.Yellow}; }

class XRite5xx : public XRiteOnSimulator<CXRite5xx, sim::XRite5xxSim, kPort> {
protected:
    // The waiting reading, read into a record that held `start`.
    Floats Take(tagDensityInfo start = {9, 9, 9, 9})
    {
        EXPECT_EQ(0u, driver.SendCmdGetDensity(&start));
        return Values(start);
    }
};

TEST_F(XRite5xx, IdentificationIsByteExactRetriedCleanAndBoundedByThreeTimeOuts)
{
    EXPECT_EQ(TRUE, driver.IsXRite5xx());
    ASSERT_TRUE(sim.WaitForReceived(5, 1000));
    EXPECT_EQ(kIdentify, sim.Received());
    EXPECT_EQ(std::vector<Bytes>{Text("SV")}, sim.Frames());

    // Noise, then a wrong model: each attempt compares its own reply, so the third succeeds.
    sim.ClearLogs();
    sim.Script(XRiteFault::GarbageBefore({0x15, '?'}));
    sim.Script(XRiteFault::Raw("X-Rite 500 Rev 1.00\r\n"));
    EXPECT_EQ(TRUE, driver.IsXRite5xx());
    EXPECT_EQ(3u, sim.FrameCount());

    // The first ten bytes decide.
    sim.ClearLogs();
    for (int i = 0; i < 3; ++i) sim.Script(XRiteFault::Raw("X-Rite 50 4\r\n"));
    EXPECT_EQ(FALSE, driver.IsXRite5xx());
    EXPECT_TRUE(sim.WaitForFrames(3, 1000));

    // Silence costs three time-outs of (paced) 1000 ms, one request each.
    serial::SetWaitScaleForTests(10);
    sim.ClearLogs();
    sim.SetSilent(true);
    EXPECT_TRUE(Takes(0, 300, 600, [&] { return ZanResult(driver.IsXRite5xx()); }));
    ASSERT_TRUE(sim.WaitForReceived(15, 1000));
    Bytes three;
    for (int i = 0; i < 3; ++i) three.insert(three.end(), kIdentify.begin(), kIdentify.end());
    EXPECT_EQ(three, sim.Received());
}

TEST_F(XRite5xx, WhiteCalibrationSendsItsThreeStepsAndAnnouncesNoLineMeanwhile)
{
    serial::SetWaitScaleForTests(10);
    driver.SetHWnd(window);
    ZanResult result = 1;
    double ms = 0;
    std::thread calibration([&] {
        const auto start = std::chrono::steady_clock::now();
        result = driver.SendCmdWhiteCalibrate();
        ms = MillisecondsSince(start);
    });
    ASSERT_TRUE(sim.WaitForFrames(1, 1000));
    EXPECT_EQ(4u, driver.GetState());
    sim.Trigger(2, 2, 2, 2); // pressed during the calibration
    calibration.join();
    EXPECT_EQ(0u, result);
    EXPECT_GE(ms, 710);
    EXPECT_LT(ms, 1100);
    ASSERT_TRUE(sim.WaitForReceived(20, 1000));
    EXPECT_EQ(Text("0120CF\r\nCR\r\n0020CF\r\n"), sim.Received());
    EXPECT_TRUE(sim.Calibrated());
    EXPECT_EQ(0u, driver.GetState());
    EXPECT_FALSE(Announced(0));

    sim.Trigger(1.5f, 0.25f, 0.5f, 0.75f);
    ASSERT_TRUE(Announced());
    EXPECT_EQ((Floats{1.5f, 0.25f, 0.5f, 0.75f}), Take());
}

TEST_F(XRite5xx, ReadingLinesAreAnnouncedAndReadWithUpperCaseLettersOnly)
{
    // No window, no message; the reading waits all the same.
    sim.Trigger(1, 1, 1, 1);
    EXPECT_FALSE(Announced(200));
    EXPECT_EQ(2, driver.IsGetNewDensity());

    driver.SetHWnd(window);
    sim.Trigger(1.23f, 0.45f, 0.67f, 0.89f);
    ASSERT_TRUE(Announced());
    EXPECT_EQ((Floats{1.23f, 0.45f, 0.67f, 0.89f}), Take());
    EXPECT_EQ(0u, driver.GetState());

    // Nothing left to read: refused, the caller's record and the state untouched.
    tagDensityInfo r{3, 3, 3, 3};
    EXPECT_EQ(ZAN_XRITE5XX_NO_READING, driver.SendCmdGetDensity(&r));
    EXPECT_EQ((Floats{3, 3, 3, 3}), Values(r));
    EXPECT_EQ(0, driver.IsGetNewDensity());

    // Missing letters keep the caller's values; commas split like spaces; lower case and
    // tokens that are no finite number are passed over; the process locale plays no part.
    DecimalCommaLocale comma;
    const std::pair<std::string, Floats> lines[] = {
        {"V 1.20 C 0.50\r\n", {1.2f, 0.5f, 7, 7}},
        {"v 1.10,c 1.20,M,0.30 y 2\r\n", {7, 7, 0.3f, 7}},
        {"Y +2.5e-1 V abc C -0.125 M\r\n", {7, -0.125f, 7, 0.25f}},
        {"V -inf C nan M 1e99 Y 0.5\r\n", {7, 7, 7, 0.5f}},
    };
    for (const auto& [line, expected] : lines) {
        sim.SendRaw(line);
        ASSERT_TRUE(Announced()) << line;
        EXPECT_EQ(expected, Take({7, 7, 7, 7}));
    }
}

TEST_F(XRite5xx, TheReceiveBufferHoldsTheLastLineAloneWhateverCameBefore)
{
    driver.SetHWnd(window);
    // Two lines in one chunk are taken one after the other: the second is read.
    sim.SendRaw("V 1.00 C 1.00 M 1.00 Y 1.00\r\nV 2.00 C 2.00\r\n");
    ASSERT_TRUE(Announced());
    EXPECT_EQ((Floats{2, 2, 5, 5}), Take({5, 5, 5, 5}));
    // Two lines one after the other: nothing of the first stays behind the second.
    sim.Trigger(3, 3, 3, 3);
    ASSERT_TRUE(Announced());
    sim.SendRaw("C 4.00\r\n");
    ASSERT_TRUE(Announced());
    EXPECT_EQ((Floats{5, 4, 5, 5}), Take({5, 5, 5, 5}));

    // A line in pieces is handled once, when its end arrives.
    sim.Script(XRiteFault::Split(4, milliseconds(5)));
    sim.Trigger(0.5f, 0.6f, 0.7f, 0.8f);
    ASSERT_TRUE(Announced());
    EXPECT_FALSE(Announced(50));
    EXPECT_EQ((Floats{0.5f, 0.6f, 0.7f, 0.8f}), Take());

    // A pool filled without a line end, and lines longer than the pool, with and without
    // their end, do not keep the next line out.
    const std::pair<size_t, bool> longLines[] = {{512, false}, {704, true}, {704, false}};
    for (const auto& [bytes, withEnd] : longLines) {
        sim.Script(XRiteFault::GarbageBefore(sim.LongLine(bytes, withEnd), milliseconds(50)));
        const float y = static_cast<float>(bytes) / 100;
        sim.Trigger(0.11f, 0.22f, 0.33f, y);
        ASSERT_TRUE(Announced()) << bytes << (withEnd ? " with end" : "");
        while (Announced(50)) {} // the over-long line's own end, where it had one
        EXPECT_EQ((Floats{0.11f, 0.22f, 0.33f, y}), Take());
    }
}

// Also measures the time from a line's write to its message at the window.
TEST_F(XRite5xx, ReadingsTakenOnAnotherThreadWhileLinesArriveAreWhole)
{
    driver.SetHWnd(window);
    std::atomic<bool> stop{false};
    std::atomic<int> taken{0};
    int torn = 0;
    std::thread reader([&] {
        while (!stop) {
            tagDensityInfo r{-1, -1, -1, -1};
            if (!driver.IsGetNewDensity() || driver.SendCmdGetDensity(&r) != 0) {
                std::this_thread::yield();
                continue;
            }
            ++taken;
            if (r.Visual != r.Cyan || r.Cyan != r.Magenta || r.Magenta != r.Yellow) ++torn;
        }
    });
    std::vector<double> ms;
    for (int i = 1; i <= 41; ++i) {
        const float v = static_cast<float>(i) / 100;
        const auto start = std::chrono::steady_clock::now();
        sim.Trigger(v, v, v, v);
        EXPECT_TRUE(Announced());
        ms.push_back(MillisecondsSince(start));
    }
    // On a busy machine the reader may not have run yet: the last line waits for it.
    for (int i = 0; i < 400 && taken == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stop = true;
    reader.join();
    EXPECT_GT(taken, 0);
    EXPECT_EQ(0, torn);
    std::sort(ms.begin(), ms.end());
    std::printf("[ latency  ] X-Rite 5xx line to message: median %.3f ms\n", ms[20]);
    EXPECT_LT(ms[20], 100);
}

} // namespace
} // namespace qlcos::test
