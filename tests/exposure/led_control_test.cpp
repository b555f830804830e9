// The LED controller driver end to end against the simulated controller on a
// pseudo-terminal: identification, frames byte for byte, range checks, values through the
// controller, the exposure waits that sleep through the exposure, status polling that keeps
// a controller error, and a destructor that leaves no thread behind.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "sim/led_control_sim.h"
#include "support/driver_fixture.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <memory>
#include <string>

using qlcos::sim::Fault;
using qlcos::sim::LEDControlSim;
using qlcos::test::Frame;
using qlcos::test::MillisecondsSince;
using qlcos::test::ThreadCount;
using qlcos::test::ThreadCountSettled;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

namespace {

const int kPort = 8;
const ZanResult kOutOfRange = 0x20320012;
const ZanResult kTimedOut = 0x20320006;
// Pseudo-terminal round trips take well under a millisecond; this leaves room for a loaded
// machine and the sanitizer builds.
const double kPromptMs = 80.0;

struct ExposeTiming {
    ZanResult result;
    double firstPollMs; // from the call until the controller had the first status poll
    double totalMs;
};

// The first poll reached the controller `sleptMs` after the call, give or take the round trips.
::testing::AssertionResult FirstPollAfter(const ExposeTiming& t, double sleptMs)
{
    if (t.firstPollMs >= sleptMs - 1.0 && t.firstPollMs < sleptMs + kPromptMs)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "first poll after " << t.firstPollMs << " ms, expected " << sleptMs << " ms";
}

class LedControl : public qlcos::test::DriverOnSimulator<CQLEDControl, LEDControlSim, kPort> {
protected:
    // Shutter times the controller reports when the driver is created, so that they reach
    // the driver's cache.
    void CreateLed(uint16_t t1 = 10, uint16_t t2 = 20, uint16_t t3 = 30)
    {
        qlcos::sim::FrameControlState s = sim.State();
        s.Shutter[0] = t1;
        s.Shutter[1] = t2;
        s.Shutter[2] = t3;
        sim.SetState(s);
        CreateDriver();
    }

    // Expose(channel), timed from the simulator's frame log: the exposure is frame 1, the
    // first status poll frame 2.
    ExposeTiming TimedExpose(unsigned char channel)
    {
        sim.ClearLog();
        const auto start = Clock::now();
        auto firstPoll = std::async(std::launch::async, [&] {
            return sim.WaitForFrames(2, 15000) ? MillisecondsSince(start) : -1.0;
        });
        ExposeTiming t{};
        t.result = led.Expose(channel);
        t.totalMs = MillisecondsSince(start);
        t.firstPollMs = firstPoll.get();
        return t;
    }

    CQLEDControl& led{driver};
};

} // namespace

TEST_F(LedControl, CreateIdentifiesTheControllerAndReadsItsTimes)
{
    EXPECT_EQ(1, led.IsDeviceTypeOf(0x301));
    EXPECT_EQ(0, led.IsDeviceTypeOf(0x306));
    EXPECT_EQ(std::u16string(u"LCos LED Control"), std::u16string(led.GetName()));
    ASSERT_EQ(0u, led.Create(kPort, -1));
    const auto frames = sim.Frames();
    ASSERT_EQ(6u, frames.size());
    EXPECT_EQ(Bytes({0x02, 'h', '0', 0x7F, '0', 0x03, 0x14}), frames[0]);
    EXPECT_EQ(Frame("h0B1"), frames[1]);
    EXPECT_EQ(Frame("h0B2"), frames[2]);
    EXPECT_EQ(Frame("h0B3"), frames[3]);
    EXPECT_EQ(Frame("h0H0"), frames[4]);
    EXPECT_EQ(Frame("h0H1"), frames[5]);
    EXPECT_EQ(9600, led.GetComProperty().BaudRate);

    char version[CQFrameControl::kVersionTextCapacity];
    EXPECT_EQ(0u, led.GetVersion(version));
    EXPECT_STREQ("VORTANE LCSD CONTROL", version);
}

TEST_F(LedControl, IdentityIsComparedOverItsFirst20Characters)
{
    const int threads = ThreadCount();
    // Another model's identity: refused, the port closed again, its thread gone.
    sim.SetIdentity("VORTANE XAVEN LAMPCONTROL");
    EXPECT_EQ(0x20320008u, led.Create(kPort, -1));
    EXPECT_FALSE(led.IsOpen());
    EXPECT_EQ(threads, ThreadCountSettled(threads));
    EXPECT_EQ(1u, sim.FrameCount()); // no time was read
    sim.SetIdentity("VORTANE LCSD CONTROX");
    EXPECT_EQ(0x20320008u, led.Create(kPort, -1));
    EXPECT_FALSE(led.IsOpen());
    sim.SetIdentity("VORTANE LCSD");
    EXPECT_EQ(0x20320008u, led.Create(kPort, -1));
    // Characters after the 20th are not compared.
    sim.SetIdentity("VORTANE LCSD CONTROL Ver 2.04");
    EXPECT_EQ(0u, led.Create(kPort, -1));
    EXPECT_TRUE(led.IsOpen());
    led.Destroy();
    EXPECT_EQ(threads, ThreadCountSettled(threads));
}

TEST_F(LedControl, FramesAreByteExact)
{
    CreateLed(0, 0, 0);
    // LED control takes selector 0: '0', then the level as two digits.
    EXPECT_EQ(0u, led.LEDControl(0, 50));
    EXPECT_EQ(Bytes({0x02, 0x68, 0x30, 0x36, 0x30, 0x35, 0x30, 0x03, 0x58}), sim.LastFrame('6'));
    EXPECT_EQ(0u, led.LEDControl(3, 7));
    EXPECT_EQ(Frame("h06307"), sim.LastFrame('6'));
    EXPECT_EQ(0u, led.Expose(1));
    EXPECT_EQ(Bytes({0x02, 0x68, 0x30, 0x33, 0x31, 0x03, 0x59}), sim.LastFrame('3'));
    EXPECT_EQ(Frame("h010"), sim.LastFrame('1'));
    EXPECT_EQ(0u, led.SetShutterTime(1, 150));
    EXPECT_EQ(Frame("h0R10150"), sim.LastFrame('R'));
    EXPECT_EQ(0u, led.InputSelect(3));
    EXPECT_EQ(Frame("h072"), sim.LastFrame('7'));
}

// The shared range checks are the frame machinery's, tested with the lamp controller 2;
// here the LED's own and the model byte of the refusal.
TEST_F(LedControl, ArgumentsOutOfRangeAreRefusedBeforeSending)
{
    CreateLed();
    EXPECT_EQ(kOutOfRange, led.LEDControl(4, 50));
    EXPECT_EQ(kOutOfRange, led.LEDControl(0, 100));
    EXPECT_EQ(kOutOfRange, led.SetShutterTime(1, 10000));
    EXPECT_EQ(kOutOfRange, led.SetImageAdjust(5, 32));
    EXPECT_EQ(0u, sim.FrameCount());
    EXPECT_EQ(0u, led.LEDControl(3, 99));
    EXPECT_EQ(1u, sim.FrameCount());
}

TEST_F(LedControl, ControllerErrorsAndBadRepliesCarryTheModelByte)
{
    CreateLed();
    sim.Script(Fault::ErrorDigits('0', '2'), '6');
    EXPECT_EQ(0x20320012u, led.LEDControl(1, 10));
    sim.Script(Fault::ErrorDigits('1', '1'), '7');
    EXPECT_EQ(0x20320015u, led.InputSelect(1));
    sim.Script(Fault::ErrorDigits('0', '5'), 'Q');
    EXPECT_EQ(0x20320020u, led.SetBrightness(1, 1));
    unsigned short t = 4321;
    sim.Script(Fault::LengthDelta(-1), 'B');
    EXPECT_EQ(0x20320007u, led.GetShutterTime(1, t));
    EXPECT_EQ(4321, t);
    // Garbage before STX and the block check after ETX do not disturb the cut.
    sim.Script(Fault::GarbageBefore({0xFF, 'x', 0x00}), 'u');
    EXPECT_EQ(0u, led.GetImageAdjust(1, t));
}

TEST_F(LedControl, PollingStatusKeepsAControllerErrorAndPollsEvery10Ms)
{
    CreateLed();
    EXPECT_EQ(kTimedOut, led.PollingStatus(0));
    EXPECT_EQ(0u, sim.FrameCount());
    EXPECT_EQ(0u, led.PollingStatus(1000));
    EXPECT_EQ(1u, sim.FrameCount());

    // A final '0' keeps the error the poll carried (the lamp controller 2 would clear it).
    sim.Script(Fault::ErrorDigits('0', '2'), '1');
    EXPECT_EQ(0x20320012u, led.PollingStatus(1000));
    sim.Script(Fault::ErrorDigits('1', '1'), '1');
    EXPECT_EQ(0x20320015u, led.PollingStatus(1000));
    sim.ScriptStatusSequence("?");
    sim.Script(Fault::ErrorDigits('0', '3'), '1');
    EXPECT_EQ(0x20320013u, led.PollingStatus(1000));

    // Seven polls, 10 ms apart (100 ms apart they would take 700 ms).
    sim.ClearLog();
    sim.ScriptStatusSequence("2222220");
    auto start = Clock::now();
    EXPECT_EQ(0u, led.PollingStatus(2000));
    EXPECT_GE(MillisecondsSince(start), 69.0);
    EXPECT_LT(MillisecondsSince(start), 400.0);
    EXPECT_EQ(7u, sim.FrameCount());

    // Status '6' is busy like any other character: it does not start the window again.
    sim.ScriptStatusSequence(std::string(200, '6'));
    start = Clock::now();
    EXPECT_EQ(kTimedOut, led.PollingStatus(150));
    EXPECT_LT(MillisecondsSince(start), 600.0);
    sim.ClearScript();
}

TEST_F(LedControl, ExposeWithAShortShutterTimePollsAtOnceFor2Seconds)
{
    CreateLed(5, 20, 30);
    // The 50 ms exposure: no sleep, polls until done.
    ExposeTiming t = TimedExpose(1);
    EXPECT_EQ(0u, t.result);
    EXPECT_TRUE(FirstPollAfter(t, 0));
    EXPECT_GE(t.totalMs, 49.0);
    EXPECT_EQ(1, sim.State().LastExposeChannel);

    // A controller that stays busy: the window is 2 seconds.
    sim.ScriptStatusSequence(std::string(1000, '2'));
    t = TimedExpose(1);
    EXPECT_EQ(kTimedOut, t.result);
    EXPECT_TRUE(FirstPollAfter(t, 0));
    EXPECT_GE(t.totalMs, 1999.0);
    EXPECT_LT(t.totalMs, 2600.0);
    sim.ClearScript();
}

TEST_F(LedControl, ExposeSleepsThroughTheCachedShutterTime)
{
    CreateLed(10, 10, 25);
    // Channel 3 was read at 25 when the driver was created: 150 ms before the first poll.
    ExposeTiming t = TimedExpose(3);
    EXPECT_EQ(0u, t.result);
    EXPECT_TRUE(FirstPollAfter(t, 150));
    EXPECT_GE(t.totalMs, 249.0); // the controller's 250 ms exposure

    // Channel 2 at 10: no sleep.
    t = TimedExpose(2);
    EXPECT_EQ(0u, t.result);
    EXPECT_TRUE(FirstPollAfter(t, 0));

    // A successful SetShutterTime goes to the cache: 200 ms before the first poll.
    ASSERT_EQ(0u, led.SetShutterTime(2, 30));
    t = TimedExpose(2);
    EXPECT_EQ(0u, t.result);
    EXPECT_TRUE(FirstPollAfter(t, 200));
    EXPECT_GE(t.totalMs, 299.0);

    // One the controller refuses does not.
    sim.Script(Fault::ErrorDigits('0', '2'), 'R');
    EXPECT_EQ(0x20320012u, led.SetShutterTime(2, 60));
    t = TimedExpose(2);
    EXPECT_EQ(0u, t.result);
    EXPECT_TRUE(FirstPollAfter(t, 200));
}

TEST_F(LedControl, ExposeOfAnIntervalChannelSleepsThroughTheInterval)
{
    CreateLed();
    // Interval 1 at 30: sleep 30 × 10 − 100 ms, then poll (for up to 8 seconds).
    ASSERT_EQ(0u, led.SetIntervalTime(1, 30));
    ExposeTiming t = TimedExpose(4);
    EXPECT_EQ(0u, t.result);
    EXPECT_TRUE(FirstPollAfter(t, 200));
    EXPECT_GE(t.totalMs, 299.0);
    EXPECT_EQ(4, sim.State().LastExposeChannel);

    // Interval 2 at 6 (the controller's, read at creation): 60 − 100 ms is no sleep.
    t = TimedExpose(5);
    EXPECT_EQ(0u, t.result);
    EXPECT_TRUE(FirstPollAfter(t, 0));
    EXPECT_GE(t.totalMs, 59.0);
    EXPECT_EQ(5, sim.State().LastExposeChannel);
}

TEST_F(LedControl, ExposeOfAnUnknownChannelIsSentAndPolledFor2Seconds)
{
    CreateLed();
    sim.ScriptStatusSequence(std::string(1000, '2'));
    const ExposeTiming t = TimedExpose(9);
    EXPECT_EQ(Frame("h039"), sim.LastFrame('3'));
    EXPECT_EQ(kTimedOut, t.result);
    EXPECT_TRUE(FirstPollAfter(t, 0));
    EXPECT_GE(t.totalMs, 1999.0);
    EXPECT_LT(t.totalMs, 2600.0);
    sim.ClearScript();
}

TEST_F(LedControl, DeletingWithoutDestroyLeavesNoThread)
{
    const int threads = ThreadCount();
    auto created = std::make_unique<CQLEDControl>();
    ASSERT_EQ(0u, created->Create(kPort, -1));
    EXPECT_EQ(threads + 1, ThreadCount()); // the port's receive thread
    created.reset();
    EXPECT_EQ(threads, ThreadCountSettled(threads));

    // Deleted while the receive thread is still taking in a long, slow reply: the thread
    // is joined before any part of the driver goes away.
    created = std::make_unique<CQLEDControl>();
    ASSERT_EQ(0u, created->Create(kPort, -1));
    created->SetAttemptCount(1);
    sim.SetPacing(9600);
    sim.Script(Fault::Raw(Bytes(1500, 'Z')), 'A');
    unsigned char v = 0;
    EXPECT_EQ(0x20320007u, created->GetBrightness(1, v)); // 500 ms of the 1.5 s reply
    created.reset();
    EXPECT_EQ(threads, ThreadCountSettled(threads));
}
