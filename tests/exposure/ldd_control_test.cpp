// The LDD controller driver end to end against the simulated controller on a
// pseudo-terminal: frames byte for byte, range checks, carrier and focus moves with the
// restart on status '6', positions, brightness and LED levels, the repeat mode, the
// exposure that sleeps through its time, and the shared panel operations under 'g'.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "sim/lcd_control_sim.h"
#include "sim/ldd_control_sim.h"
#include "support/driver_fixture.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

using qlcos::sim::Fault;
using qlcos::sim::LDDControlSim;
using qlcos::test::Frame;
using qlcos::test::Hex;
using qlcos::test::MillisecondsSince;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;
using Ms = std::chrono::milliseconds;

namespace {

const int kPort = 9;
const ZanResult kRange = 0x20390012;

class LddControl
    : public qlcos::test::DriverOnSimulator<CQLDDControl, qlcos::sim::LDDControlSim, kPort> {
protected:
    void CreateLdd() { CreateDriver(); }

    CQLDDControl& ldd{driver};
};

} // namespace

TEST_F(LddControl, CreateTakesOnlyTheLddController)
{
    EXPECT_EQ(1, ldd.IsDeviceTypeOf(0x309));
    EXPECT_EQ(0, ldd.IsDeviceTypeOf(0x308));
    ASSERT_EQ(0u, ldd.Create(kPort, -1));
    const auto frames = sim.Frames();
    ASSERT_EQ(6u, frames.size());
    EXPECT_EQ(Frame("g0\x7f"
                    "0"),
              frames[0]);
    EXPECT_EQ(Frame("g0B2"), frames[2]);
    EXPECT_EQ(Frame("g0H0"), frames[4]);
    ldd.Destroy();
    sim.SetIdentity("VORTANE LCDL CONTROL");
    EXPECT_EQ(0x20390008u, ldd.Create(kPort, -1));
    EXPECT_FALSE(ldd.IsOpen());
}

TEST(LddControlProbe, AnLcdControllerDoesNotAnswerTheLddLetter)
{
    qlcos::sim::LCDControlSim lcdSim;
    ASSERT_TRUE(lcdSim.Start());
    zanSetSerialPortPath(kPort, lcdSim.Path().c_str());
    CQLDDControl ldd;
    ldd.SetAttemptCount(1);
    EXPECT_EQ(0x20390007u, ldd.Create(kPort, -1));
    EXPECT_EQ(Frame("g0\x7f"
                    "0"),
              lcdSim.LastFrame(0x7F));
    zanSetSerialPortPath(kPort, nullptr);
}

TEST_F(LddControl, FramesAreByteExact)
{
    CreateLdd();
    sim.SetTimeScale(0);
    unsigned short v = 0;
    unsigned char b = 0;
    EXPECT_EQ(0u, ldd.LEDControl(6, 99));
    EXPECT_EQ(Frame("g05699"), sim.LastFrame('5'));
    EXPECT_EQ(0u, ldd.LEDControl(0, 5));
    EXPECT_EQ(Frame("g05005"), sim.LastFrame('5'));
    EXPECT_EQ(0u, ldd.MoveCarrier(1));
    EXPECT_EQ(Frame("g070"), sim.LastFrame('7'));
    EXPECT_EQ(0u, ldd.MoveCarrier(2));
    EXPECT_EQ(Frame("g071"), sim.LastFrame('7'));
    EXPECT_EQ(0u, ldd.MoveFocus(25));
    EXPECT_EQ(Frame("g0800025"), sim.LastFrame('8'));
    EXPECT_EQ(0u, ldd.MoveFocus(9999));
    EXPECT_EQ(Frame("g0809999"), sim.LastFrame('8'));
    EXPECT_EQ(0u, ldd.MoveFocus(0));
    EXPECT_EQ(Frame("g0800000"), sim.LastFrame('8'));
    EXPECT_EQ(0u, ldd.GetPosition(2, &v));
    EXPECT_EQ(Frame("g0v1"), sim.LastFrame('v'));
    EXPECT_EQ(0u, ldd.SetPosition(1, 1234));
    EXPECT_EQ(Frame("g0w01234"), sim.LastFrame('w'));
    EXPECT_EQ(0u, ldd.SetBrightness(1, 99));
    EXPECT_EQ(Frame("g0Q199"), sim.LastFrame('Q'));
    EXPECT_EQ(0u, ldd.GetBrightness(3, b));
    EXPECT_EQ(Frame("g0A3"), sim.LastFrame('A'));
    EXPECT_EQ(0u, ldd.ShutterControl(0));
    EXPECT_EQ(Frame("g041"), sim.LastFrame('4'));
    EXPECT_EQ(0u, ldd.SetWobbleData(2, 5));
    EXPECT_EQ(Frame("g0V1005"), sim.LastFrame('V'));
    EXPECT_EQ(0u, ldd.SetImageAdjust(8, 0));
    EXPECT_EQ(Frame("g0t7001"), sim.LastFrame('t'));
    EXPECT_EQ(0u, ldd.Expose(4));
    EXPECT_EQ(Frame("g034"), sim.LastFrame('3'));
}

TEST_F(LddControl, ArgumentsOutOfRangeAreRefusedBeforeSending)
{
    CreateLdd();
    unsigned short v = 0;
    unsigned short gamma[CQPanelControl::kGammaValues] = {};
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
    EXPECT_EQ(kRange, ldd.SetBrightness(0, 1));
    EXPECT_EQ(kRange, ldd.SetBrightness(1, 100));
    EXPECT_EQ(kRange, ldd.GetGammaData(3, gamma));
    EXPECT_EQ(kRange, ldd.SetWobbleData(2, 360));
    EXPECT_EQ(0u, sim.FrameCount());
}

TEST_F(LddControl, MovesWaitForTheControllerAndStatus6RestartsTheWait)
{
    CreateLdd();
    sim.SetMoveTimes(Ms(300), Ms(300), Ms(100));
    auto start = Clock::now();
    EXPECT_EQ(0u, ldd.MoveCarrier(2));
    EXPECT_GE(MillisecondsSince(start), 299.0);
    EXPECT_EQ(2, sim.State().Carrier);

    // A move of 1.3 s outlasts the 1 s wait, but while it answers '6' the wait starts again.
    sim.SetMoveTimes(Ms(1300), Ms(1300), Ms(900));
    start = Clock::now();
    EXPECT_EQ(0u, ldd.MoveCarrier(1));
    EXPECT_GE(MillisecondsSince(start), 1299.0);
    EXPECT_EQ(1, sim.State().Carrier);

    // Without the '6' phase the same move runs the wait out.
    sim.SetMoveTimes(Ms(1300), Ms(1300), Ms(0));
    start = Clock::now();
    EXPECT_EQ(0x20390006u, ldd.MoveFocus(25));
    EXPECT_GE(MillisecondsSince(start), 999.0);
    EXPECT_LT(MillisecondsSince(start), 1290.0);
    EXPECT_EQ(25, sim.State().FocusPosition);
}

TEST_F(LddControl, PositionsBrightnessAndLedLevelsRoundTrip)
{
    CreateLdd();
    unsigned short v = 0;
    unsigned char b = 0;
    ASSERT_EQ(0u, ldd.SetPosition(2, 9999));
    ASSERT_EQ(0u, ldd.GetPosition(2, &v));
    EXPECT_EQ(9999, v);
    ASSERT_EQ(0u, ldd.GetPosition(1, &v));
    EXPECT_EQ(1000, v);
    v = 4321;
    sim.Script(Fault::LengthDelta(-1), 'v'); // 11 bytes
    EXPECT_EQ(0x20390007u, ldd.GetPosition(2, &v));
    EXPECT_EQ(4321, v);

    ASSERT_EQ(0u, ldd.SetBrightness(3, 42));
    ASSERT_EQ(0u, ldd.GetBrightness(3, b));
    EXPECT_EQ(42, b);
    ASSERT_EQ(0u, ldd.LEDControl(6, 99));
    ASSERT_EQ(0u, ldd.LEDControl(0, 1));
    const qlcos::sim::FrameControlState s = sim.State();
    EXPECT_EQ(99, s.LedLevel[6]);
    EXPECT_EQ(1, s.LedLevel[0]);
}

TEST_F(LddControl, RepeatModeIsJudgedByTheStatusWait)
{
    CreateLdd();
    auto start = Clock::now();
    EXPECT_EQ(0u, ldd.SetRepeatMode()); // 500 ms, then the controller's 700 ms job
    EXPECT_GE(MillisecondsSince(start), 699.0);
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

TEST_F(LddControl, ExposeSleepsThroughTheTimeSetLast)
{
    CreateLdd();
    // SetShutterTime updates the cache: the driver sleeps 2.2 s and then polls for 2 s, so
    // a 2.3 s exposure ends within the wait. Were the cache still at the 0.2 s read by
    // Create, the wait would end at 2.1 s, before the exposure.
    ASSERT_EQ(0u, ldd.SetShutterTime(2, 230));
    const auto start = Clock::now();
    EXPECT_EQ(0u, ldd.Expose(2));
    EXPECT_GE(MillisecondsSince(start), 2299.0);
    EXPECT_LT(MillisecondsSince(start), 3000.0);
    EXPECT_EQ(2, sim.State().LastExposeChannel);
}

TEST_F(LddControl, SharedPanelOperationsTravelUnderTheModelLetter)
{
    CreateLdd();
    unsigned short gamma[CQPanelControl::kGammaValues];
    std::string body = "g0b0";
    for (int k = 0; k < CQPanelControl::kGammaValues; ++k) {
        gamma[k] = static_cast<unsigned short>(4095 - k * 13);
        body += Hex(gamma[k], 3);
    }
    ASSERT_EQ(0u, ldd.SetGammaData(0, gamma));
    EXPECT_EQ(Frame(body), sim.LastFrame('b'));
    unsigned short back[CQPanelControl::kGammaValues] = {};
    ASSERT_EQ(0u, ldd.GetGammaData(0, back));
    for (int k = 0; k < CQPanelControl::kGammaValues; ++k) ASSERT_EQ(gamma[k], back[k]);

    unsigned char uniform[CQPanelControl::kUniformBytes] = {};
    ASSERT_EQ(0u, ldd.GetUniformData(3, uniform));
    EXPECT_EQ(Frame("g0c2"), sim.LastFrame('c'));
    EXPECT_EQ(sim.State().Uniform[2][824], uniform[824]);
    // A final status '0' keeps a controller error.
    sim.Script(Fault::ErrorDigits('0', '2'), '1');
    EXPECT_EQ(kRange, ldd.PollingStatus(1000));
}
