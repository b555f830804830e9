// The LED controller driver end to end against the simulated controller on a
// pseudo-terminal, where it differs from the shared framed machinery (tested with the lamp
// controller 2): identity, its LED command, status polling every 10 ms that keeps a
// controller error, the exposure waits that sleep through the exposure, and a destructor
// that leaves no thread behind.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "sim/led_control_sim.h"
#include "support/driver_fixture.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>

namespace qlcos::test {
namespace {

using sim::Fault;
using Bytes = std::vector<uint8_t>;
const int kPort = 8;
const ZanResult kTimedOut = 0x20320006;
// Pseudo-terminal round trips take well under a millisecond; this leaves room for a loaded
// machine and the sanitizer builds.
const double kPromptMs = 80.0;

class LedControl : public DriverOnSimulator<CQLEDControl, sim::LEDControlSim, kPort> {
protected:
    // Calls Expose(channel) and checks that it returned `expected`, that the first status
    // poll reached the controller `sleptMs` after the call (give or take the round trips),
    // and that the whole took `minMs` to `maxMs`.
    ::testing::AssertionResult Exposes(unsigned char channel, ZanResult expected, double sleptMs,
                                       double minMs = 0, double maxMs = kNoUpperBound)
    {
        sim.ClearLog();
        const auto start = std::chrono::steady_clock::now();
        // The exposure is frame 1, the first status poll frame 2.
        auto firstPoll = std::async(std::launch::async, [&] {
            return sim.WaitForFrames(2, 15000) ? MillisecondsSince(start) : -1.0;
        });
        const ZanResult result = led.Expose(channel);
        const double totalMs = MillisecondsSince(start);
        const double pollMs = firstPoll.get();
        if (result == expected && pollMs >= sleptMs - 1.0 && pollMs < sleptMs + kPromptMs &&
            totalMs >= minMs && totalMs < maxMs)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "returned " << Hex(result, 8) << " after " << totalMs << " ms, first poll after "
               << pollMs << " ms; expected " << Hex(expected, 8) << " after " << minMs << " to "
               << maxMs << " ms, first poll after " << sleptMs << " ms";
    }

    CQLEDControl& led{driver};
};

TEST_F(LedControl, CreateComparesTheIdentityOverItsFirst20Characters)
{
    EXPECT_EQ(1, led.IsDeviceTypeOf(0x301));
    EXPECT_EQ(0, led.IsDeviceTypeOf(0x306));
    EXPECT_EQ(std::u16string(u"LCos LED Control"), std::u16string(led.GetName()));
    const int threads = ThreadCount();
    // Another model's identity: refused before any time is read, the port closed again.
    sim.SetIdentity("VORTANE XAVEN LAMPCONTROL");
    EXPECT_EQ(0x20320008u, led.Create(kPort, -1));
    EXPECT_FALSE(led.IsOpen());
    EXPECT_EQ(threads, ThreadCountSettled(threads));
    EXPECT_EQ(std::vector<Bytes>{Bytes({0x02, 'h', '0', 0x7F, '0', 0x03, 0x14})}, sim.Frames());
    sim.SetIdentity("VORTANE LCSD CONTROX");
    EXPECT_EQ(0x20320008u, led.Create(kPort, -1));
    // Characters after the 20th are not compared.
    sim.SetIdentity("VORTANE LCSD CONTROL Ver 2.04");
    EXPECT_EQ(0u, led.Create(kPort, -1));
}

TEST_F(LedControl, LedControlFramesAndRanges)
{
    CreateDriver(0, 0, 0);
    // LED control takes selector 0: '0', then the level as two digits.
    EXPECT_EQ(0u, led.LEDControl(0, 50));
    EXPECT_EQ(Bytes({0x02, 0x68, 0x30, 0x36, 0x30, 0x35, 0x30, 0x03, 0x58}), sim.LastFrame('6'));
    EXPECT_EQ(0u, led.LEDControl(3, 7));
    EXPECT_EQ(Frame("h06307"), sim.LastFrame('6'));
    EXPECT_EQ(0u, led.Expose(1));
    EXPECT_EQ(Bytes({0x02, 0x68, 0x30, 0x33, 0x31, 0x03, 0x59}), sim.LastFrame('3'));
    EXPECT_EQ(Frame("h010"), sim.LastFrame('1'));

    sim.ClearLog();
    EXPECT_EQ(0x20320012u, led.LEDControl(4, 50));
    EXPECT_EQ(0x20320012u, led.LEDControl(0, 100));
    EXPECT_EQ(0u, sim.FrameCount());
    EXPECT_EQ(0u, led.LEDControl(3, 99));
    EXPECT_EQ(1u, sim.FrameCount());
}

TEST_F(LedControl, PollingStatusKeepsAControllerErrorAndPollsEvery10Ms)
{
    CreateDriver();
    // A final '0' keeps the error the poll carried (the lamp controller 2 would clear it).
    sim.Script(Fault::ErrorDigits('0', '2'), '1');
    EXPECT_EQ(0x20320012u, led.PollingStatus(1000));

    // Seven polls, 10 ms apart (100 ms apart they would take 700 ms).
    sim.ClearLog();
    sim.ScriptStatusSequence("2222220");
    EXPECT_TRUE(Takes(0, 69, 400, [&] { return led.PollingStatus(2000); }));
    EXPECT_EQ(7u, sim.FrameCount());

    // Status '6' is busy like any other character: it does not start the window again.
    sim.ScriptStatusSequence(std::string(200, '6'));
    EXPECT_TRUE(Takes(kTimedOut, 0, 600, [&] { return led.PollingStatus(150); }));
    sim.ClearScript();
}

TEST_F(LedControl, ExposeSleepsThroughTheCachedTimeThenPolls)
{
    CreateDriver(5, 10, 25);
    // Channel 1 at 5 (50 ms): no sleep, polls until done.
    EXPECT_TRUE(Exposes(1, 0, 0, 49));
    EXPECT_EQ(1, sim.State().LastExposeChannel);
    // Channel 3 was read at 25 when the driver was created: 150 ms before the first poll,
    // then the rest of the controller's 250 ms exposure.
    EXPECT_TRUE(Exposes(3, 0, 150, 249));
    // Channel 2 at 10: no sleep. A successful SetShutterTime goes to the cache: 200 ms.
    EXPECT_TRUE(Exposes(2, 0, 0));
    ASSERT_EQ(0u, led.SetShutterTime(2, 30));
    EXPECT_TRUE(Exposes(2, 0, 200, 299));
    // One the controller refuses does not.
    sim.Script(Fault::ErrorDigits('0', '2'), 'R');
    EXPECT_EQ(0x20320012u, led.SetShutterTime(2, 60));
    EXPECT_TRUE(Exposes(2, 0, 200));

    // Interval 1 at 30: sleep 30 × 10 − 100 ms, then poll (for up to 8 seconds).
    ASSERT_EQ(0u, led.SetIntervalTime(1, 30));
    EXPECT_TRUE(Exposes(4, 0, 200, 299));
    EXPECT_EQ(4, sim.State().LastExposeChannel);
    // Interval 2 at 6 (the controller's, read at creation): 60 − 100 ms is no sleep.
    EXPECT_TRUE(Exposes(5, 0, 0, 59));
    EXPECT_EQ(5, sim.State().LastExposeChannel);

    // A controller that stays busy: a colour channel and an unknown one (which is sent all
    // the same) are polled for 2 seconds.
    sim.ScriptStatusSequence(std::string(1000, '2'));
    EXPECT_TRUE(Exposes(1, kTimedOut, 0, 1999, 2600));
    sim.ScriptStatusSequence(std::string(1000, '2'));
    EXPECT_TRUE(Exposes(9, kTimedOut, 0, 1999, 2600));
    EXPECT_EQ(Frame("h039"), sim.LastFrame('3'));
    sim.ClearScript();
}

TEST_F(LedControl, DeletingWithoutDestroyLeavesNoThread)
{
    // Deleted while the receive thread is still taking in a long, slow reply: the thread
    // is joined before any part of the driver goes away.
    const int threads = ThreadCount();
    auto created = std::make_unique<CQLEDControl>();
    ASSERT_EQ(0u, created->Create(kPort, -1));
    EXPECT_EQ(threads + 1, ThreadCount()); // the port's receive thread
    created->SetAttemptCount(1);
    sim.SetPacing(9600);
    sim.Script(Fault::Raw(Bytes(1500, 'Z')), 'A');
    unsigned char v = 0;
    EXPECT_EQ(0x20320007u, created->GetBrightness(1, v)); // 500 ms of the 1.5 s reply
    created.reset();
    EXPECT_EQ(threads, ThreadCountSettled(threads));
}

} // namespace
} // namespace qlcos::test
