// The LDD controller driver end to end against the simulated controller on a
// pseudo-terminal, where it differs from the shared framed machinery (tested with the lamp
// controller 2) and from the panel operations it shares with the LCD controller (tested
// with that): its identity, its own commands and ranges, carrier and focus moves with the
// restart on status '6', the repeat mode, and the exposure that sleeps through the time set
// last.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "sim/ldd_control_sim.h"
#include "support/driver_fixture.h"

#include <gtest/gtest.h>

#include <climits>

namespace qlcos::test {
namespace {

using sim::Fault;
using Bytes = std::vector<uint8_t>;
using Ms = std::chrono::milliseconds;
const int kPort = 9;
const ZanResult kRange = 0x20390012;
const ZanResult kTimedOut = 0x20390006;

class LddControl : public DriverOnSimulator<CQLDDControl, sim::LDDControlSim, kPort> {
protected:
    CQLDDControl& ldd{driver};
};

TEST_F(LddControl, CreateTakesOnlyTheLddController)
{
    EXPECT_EQ(1, ldd.IsDeviceTypeOf(0x309));
    EXPECT_EQ(0, ldd.IsDeviceTypeOf(0x308));
    sim.SetIdentity("VORTANE LCDL CONTROL");
    EXPECT_EQ(0x20390008u, ldd.Create(kPort, -1));
    EXPECT_FALSE(ldd.IsOpen());
    EXPECT_EQ(std::vector<Bytes>{Frame("g0\1770")}, sim.Frames()); // identity command \177
}

TEST_F(LddControl, OwnCommandsAreByteExactRefuseArgumentsOutOfRangeAndRoundTrip)
{
    CreateDriver();
    sim.SetTimeScale(0);
    unsigned short v = 0;
    EXPECT_EQ(0u, ldd.LEDControl(6, 99));
    EXPECT_EQ(Frame("g05699"), sim.LastFrame('5'));
    EXPECT_EQ(0u, ldd.MoveCarrier(2));
    EXPECT_EQ(Frame("g071"), sim.LastFrame('7'));
    EXPECT_EQ(0u, ldd.MoveFocus(25));
    EXPECT_EQ(Frame("g0800025"), sim.LastFrame('8'));
    EXPECT_EQ(0u, ldd.GetPosition(2, &v));
    EXPECT_EQ(Frame("g0v1"), sim.LastFrame('v'));
    EXPECT_EQ(0u, ldd.SetPosition(1, 1234));
    EXPECT_EQ(Frame("g0w01234"), sim.LastFrame('w'));

    // Arguments out of range are refused before sending; the limits themselves are sent.
    sim.ClearLog();
    EXPECT_EQ(kRange, ldd.MoveCarrier(0));
    EXPECT_EQ(kRange, ldd.MoveCarrier(3));
    EXPECT_EQ(kRange, ldd.MoveFocus(10000));
    // Four digits cannot carry a negative count: -25 would go out as 9975.
    EXPECT_EQ(kRange, ldd.MoveFocus(-25));
    EXPECT_EQ(kRange, ldd.MoveFocus(INT_MIN));
    EXPECT_EQ(kRange, ldd.LEDControl(7, 0));
    EXPECT_EQ(kRange, ldd.LEDControl(0, 100));
    EXPECT_EQ(kRange, ldd.GetPosition(0, &v));
    EXPECT_EQ(kRange, ldd.GetPosition(3, &v));
    EXPECT_EQ(kRange, ldd.GetPosition(1, nullptr));
    EXPECT_EQ(kRange, ldd.SetPosition(3, 0));
    // Four digits carry 0..9999: 12345 would be stored as 2345.
    EXPECT_EQ(kRange, ldd.SetPosition(1, 10000));
    EXPECT_EQ(0u, sim.FrameCount());
    EXPECT_EQ(0u, ldd.MoveFocus(9999));
    EXPECT_EQ(Frame("g0809999"), sim.LastFrame('8'));

    // Positions and LED levels reach the controller and come back.
    ASSERT_EQ(0u, ldd.SetPosition(2, 9999));
    ASSERT_EQ(0u, ldd.GetPosition(2, &v));
    EXPECT_EQ(9999, v);
    ASSERT_EQ(0u, ldd.GetPosition(1, &v));
    EXPECT_EQ(1234, v);
    ASSERT_EQ(0u, ldd.LEDControl(0, 1));
    EXPECT_EQ(99, sim.State().LedLevel[6]);
    EXPECT_EQ(1, sim.State().LedLevel[0]);
}

TEST_F(LddControl, MovesAndExposuresWaitForTheControllerAndStatus6RestartsTheWait)
{
    CreateDriver();
    sim.SetMoveTimes(Ms(300), Ms(300), Ms(100));
    EXPECT_TRUE(Takes(0, 299, kNoUpperBound, [&] { return ldd.MoveCarrier(2); }));
    EXPECT_EQ(2, sim.State().Carrier);

    // A move of 1.3 s outlasts the 1 s wait, but while it answers '6' the wait starts again.
    sim.SetMoveTimes(Ms(1300), Ms(1300), Ms(900));
    EXPECT_TRUE(Takes(0, 1299, kNoUpperBound, [&] { return ldd.MoveCarrier(1); }));
    EXPECT_EQ(1, sim.State().Carrier);

    // Without the '6' phase the same move runs the wait out.
    sim.SetMoveTimes(Ms(1300), Ms(1300), Ms(0));
    EXPECT_TRUE(Takes(kTimedOut, 999, 1290, [&] { return ldd.MoveFocus(25); }));
    EXPECT_EQ(25, sim.State().FocusPosition);

    // SetShutterTime updates the cache: the driver sleeps 2.2 s and then polls for 2 s, so
    // a 2.3 s exposure ends within the wait. Were the cache still at the 0.2 s read by
    // Create, the wait would end at 2.1 s, before the exposure.
    ASSERT_EQ(0u, ldd.SetShutterTime(2, 230));
    EXPECT_TRUE(Takes(0, 2299, 3000, [&] { return ldd.Expose(2); }));
    EXPECT_EQ(2, sim.State().LastExposeChannel);
}

TEST_F(LddControl, RepeatModeIsJudgedByTheStatusWait)
{
    CreateDriver();
    // 500 ms, then the controller's 700 ms job.
    EXPECT_TRUE(Takes(0, 699, kNoUpperBound, [&] { return ldd.SetRepeatMode(); }));
    EXPECT_EQ(1, sim.State().RepeatModes);

    // The reply's error digits are not looked at; the status wait decides, and its final
    // status '0' keeps a controller error.
    sim.SetTimeScale(0);
    sim.Script(Fault::ErrorDigits('0', '2'), 'x');
    EXPECT_EQ(0u, ldd.SetRepeatMode());
    sim.Script(Fault::ErrorDigits('0', '4'), '1');
    EXPECT_EQ(0x20390014u, ldd.SetRepeatMode());

    // No reply at all: nothing is waited for.
    ldd.SetAttemptCount(1);
    sim.ClearLog();
    sim.Script(Fault::Silence(), 'x');
    EXPECT_EQ(0x20390007u, ldd.SetRepeatMode());
    EXPECT_EQ(1u, sim.FrameCount());
}

} // namespace
} // namespace qlcos::test
