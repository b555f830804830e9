// The LCD controller driver end to end against the simulated controller on a
// pseudo-terminal, where it differs from the shared framed machinery (tested with the lamp
// controller 2). The operations the LCD and LDD controllers share are tested here: the panel
// frames, whole gamma and uniformity tables, the inverted image-adjust switches and the
// actions that wait for the controller; and the LCD's own exposure wait.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "sim/lcd_control_sim.h"
#include "support/driver_fixture.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qlcos::test {
namespace {

using sim::Fault;
using Bytes = std::vector<uint8_t>;
const int kPort = 8;
const ZanResult kRange = 0x20380012;
const ZanResult kLength = 0x20380007;

class LcdControl : public DriverOnSimulator<CQLCDControl, sim::LCDControlSim, kPort> {
protected:
    CQLCDControl& lcd{driver};
};

TEST_F(LcdControl, CreateTakesOnlyTheLcdController)
{
    EXPECT_EQ(1, lcd.IsDeviceTypeOf(0x308));
    EXPECT_EQ(0, lcd.IsDeviceTypeOf(0x309));
    // The LDD controller's identity differs within the 20 compared characters.
    sim.SetIdentity("VORTANE LCDD CONTROL");
    EXPECT_EQ(0x20380008u, lcd.Create(kPort, -1));
    EXPECT_FALSE(lcd.IsOpen());
    EXPECT_EQ(std::vector<Bytes>{Frame("f0\1770")}, sim.Frames()); // identity command \177
}

TEST_F(LcdControl, FramesAreByteExactArgumentsOutOfRangeRefusedAndValuesRoundTrip)
{
    CreateDriver();
    sim.SetTimeScale(0);
    unsigned char cell = 0xAB;
    EXPECT_EQ(0u, lcd.ColorWheelControl(2));
    EXPECT_EQ(Frame("f052"), sim.LastFrame('5'));
    EXPECT_EQ(0u, lcd.WobbleControl(4));
    EXPECT_EQ(Frame("f063"), sim.LastFrame('6'));
    EXPECT_EQ(0u, lcd.SetWobbleData(1, 1));
    EXPECT_EQ(Frame("f0V00"), sim.LastFrame('V'));
    EXPECT_EQ(0u, lcd.SetWobbleData(2, 359));
    EXPECT_EQ(Frame("f0V1359"), sim.LastFrame('V'));
    EXPECT_EQ(0u, lcd.UniformData(1, 2, 10, 20, cell));
    EXPECT_EQ(Frame("f0e111020AB"), sim.LastFrame('e'));
    EXPECT_EQ(0u, lcd.UniformData(0, 3, 24, 32, cell));
    EXPECT_EQ(Frame("f0e02243200"), sim.LastFrame('e'));
    EXPECT_EQ(0u, lcd.SetImageAdjust(7, 1));
    EXPECT_EQ(Frame("f0t6000"), sim.LastFrame('t'));
    EXPECT_EQ(0u, lcd.SetImageAdjust(2, 1023));
    EXPECT_EQ(Frame("f0t13FF"), sim.LastFrame('t'));

    // Arguments out of range are refused before sending; the limits themselves are sent.
    sim.ClearLog();
    unsigned short gamma[CQPanelControl::kGammaValues] = {};
    unsigned char uniform[CQPanelControl::kUniformBytes] = {};
    unsigned short v = 0;
    EXPECT_EQ(kRange, lcd.GetGammaData(3, gamma));
    EXPECT_EQ(kRange, lcd.SetUniformData(4, uniform));
    EXPECT_EQ(kRange, lcd.GetUniformData(0, uniform));
    EXPECT_EQ(kRange, lcd.SetGammaData(0, nullptr));
    EXPECT_EQ(kRange, lcd.GetUniformData(1, nullptr));
    EXPECT_EQ(kRange, lcd.UniformData(2, 1, 0, 0, cell));
    EXPECT_EQ(kRange, lcd.UniformData(1, 1, 25, 0, cell));
    EXPECT_EQ(kRange, lcd.UniformData(0, 1, 0, 33, cell));
    EXPECT_EQ(kRange, lcd.SetWobbleData(1, 2));
    EXPECT_EQ(kRange, lcd.SetWobbleData(2, 360));
    EXPECT_EQ(kRange, lcd.SetWobbleData(3, 0));
    EXPECT_EQ(kRange, lcd.GetWobbleData(3, v));
    EXPECT_EQ(kRange, lcd.WobbleControl(5));
    EXPECT_EQ(kRange, lcd.SetImageAdjust(1, 1024));
    EXPECT_EQ(kRange, lcd.SetImageAdjust(4, 25));
    EXPECT_EQ(kRange, lcd.SetImageAdjust(7, 2));
    EXPECT_EQ(0u, sim.FrameCount());
    EXPECT_EQ(0u, lcd.SetImageAdjust(5, 1023));
    EXPECT_EQ(0u, lcd.SetImageAdjust(4, 24));
    EXPECT_EQ(0u, lcd.SetImageAdjust(8, 0));

    // The values read back; items 7 and 8 are held inverted ("000" on the line reads 1).
    ASSERT_EQ(0u, lcd.GetWobbleData(1, v));
    EXPECT_EQ(1, v);
    ASSERT_EQ(0u, lcd.GetWobbleData(2, v));
    EXPECT_EQ(359, v);
    ASSERT_EQ(0u, lcd.SetWobbleData(1, 0));
    EXPECT_FALSE(sim.State().WobbleOn);
    ASSERT_EQ(0u, lcd.GetImageAdjust(7, v));
    EXPECT_EQ(1, v);
    EXPECT_EQ(1, sim.State().ImageAdjust[7]);
    ASSERT_EQ(0u, lcd.GetImageAdjust(8, v));
    EXPECT_EQ(0, v);
    ASSERT_EQ(0u, lcd.GetImageAdjust(2, v));
    EXPECT_EQ(1023, v);
}

TEST_F(LcdControl, GammaAndUniformityTablesRoundTripWholeAndByCell)
{
    CreateDriver();
    unsigned short values[CQPanelControl::kGammaValues];
    std::string body = "f0b2";
    for (int k = 0; k < CQPanelControl::kGammaValues; ++k) {
        // Some values carry a fourth digit, which does not travel.
        values[k] = static_cast<unsigned short>(k * 4099 + 7);
        body += Hex(values[k] & 0xFFF, 3);
    }
    ASSERT_EQ(0u, lcd.SetGammaData(2, values));
    EXPECT_EQ(Frame(body), sim.LastFrame('b')); // 775 bytes

    unsigned short back[CQPanelControl::kGammaValues] = {};
    ASSERT_EQ(0u, lcd.GetGammaData(2, back));
    EXPECT_EQ(Frame("f0a2"), sim.LastFrame('a'));
    sim::FrameControlState s = sim.State();
    for (int k = 0; k < CQPanelControl::kGammaValues; ++k) {
        ASSERT_EQ(values[k] & 0xFFF, back[k]) << k;
        ASSERT_EQ(back[k], s.Gamma[2][k]) << k;
    }
    // The other tables are untouched and read from their own place.
    ASSERT_EQ(0u, lcd.GetGammaData(0, back));
    for (int k = 0; k < CQPanelControl::kGammaValues; ++k) ASSERT_EQ(s.Gamma[0][k], back[k]);

    unsigned char data[CQPanelControl::kUniformBytes];
    body = "f0d0"; // table 1 travels as '0'
    for (int k = 0; k < CQPanelControl::kUniformBytes; ++k) {
        data[k] = static_cast<unsigned char>(255 - k * 3);
        body += Hex(data[k], 2);
    }
    ASSERT_EQ(0u, lcd.SetUniformData(1, data));
    EXPECT_EQ(Frame(body), sim.LastFrame('d')); // 1657 bytes
    unsigned char cells[CQPanelControl::kUniformBytes] = {};
    ASSERT_EQ(0u, lcd.GetUniformData(1, cells));
    EXPECT_EQ(Frame("f0c0"), sim.LastFrame('c'));
    for (int k = 0; k < CQPanelControl::kUniformBytes; ++k) ASSERT_EQ(data[k], cells[k]) << k;

    // Single cells: a write shows in the whole table, a read gives the cell's value.
    unsigned char cell = 0x5C;
    ASSERT_EQ(0u, lcd.UniformData(1, 3, 24, 32, cell));
    EXPECT_EQ(0x5C, sim.State().Uniform[2][32 * 25 + 24]);
    s = sim.State();
    s.Uniform[1][20 * 25 + 10] = 0xE7;
    sim.SetState(s);
    cell = 0;
    ASSERT_EQ(0u, lcd.UniformData(0, 2, 10, 20, cell));
    EXPECT_EQ(0xE7, cell);
}

TEST_F(LcdControl, TableRepliesOfAnotherLengthAreRefusedAndStayInsideTheBuffers)
{
    CreateDriver();
    unsigned short gamma[CQPanelControl::kGammaValues];
    unsigned char uniform[CQPanelControl::kUniformBytes] = {};
    std::fill(std::begin(gamma), std::end(gamma), 0x123);
    sim.Script(Fault::LengthDelta(-1), 'a'); // 775 bytes
    EXPECT_EQ(kLength, lcd.GetGammaData(0, gamma));
    EXPECT_EQ(0x123, gamma[0]);
    sim.Script(Fault::LengthDelta(+1), 'a');
    EXPECT_EQ(kLength, lcd.GetGammaData(0, gamma));
    unsigned short v = 77;
    sim.Script(Fault::LengthDelta(+1), 'G');
    EXPECT_EQ(kLength, lcd.GetWobbleData(1, v));
    EXPECT_EQ(77, v);

    // The table and wobble reads take data of the right length whatever its error digits.
    sim.Script(Fault::ErrorDigits('0', '2'), 'a');
    EXPECT_EQ(0u, lcd.GetGammaData(1, gamma));
    EXPECT_EQ(sim.State().Gamma[1][255], gamma[255]);

    // A reply far longer than the receive pool: its end never reaches the pool, so
    // nothing can be cut before the time-out.
    lcd.SetAttemptCount(1);
    Bytes huge{0x02};
    huge.insert(huge.end(), 5000, '0');
    huge.push_back(0x03);
    sim.Script(Fault::Raw(huge), 'G');
    EXPECT_EQ(kLength, lcd.GetWobbleData(2, v));
    // The line is clean again for the next command.
    EXPECT_EQ(0u, lcd.GetWobbleData(2, v));
    EXPECT_EQ(180, v);

    // At 9600 baud the tables need 0.8 s and 1.7 s to cross, more than the 500 ms that the
    // command itself is given; each goes out once.
    sim.ClearLog();
    sim.SetLineRate(9600);
    EXPECT_TRUE(Takes(0, 800, kNoUpperBound, [&] { return lcd.SetGammaData(1, gamma); }));
    EXPECT_TRUE(Takes(0, 1700, kNoUpperBound, [&] { return lcd.SetUniformData(3, uniform); }));
    EXPECT_EQ(2u, sim.FrameCount());
    sim.SetLineRate(0);
}

TEST_F(LcdControl, ActionsAndExposuresWaitForTheControllerAndKeepItsErrors)
{
    CreateDriver(30, 0, 0);
    EXPECT_TRUE(Takes(0, 299, kNoUpperBound, [&] { return lcd.ColorWheelControl(3); }));
    EXPECT_EQ(3, sim.State().ColorWheel); // busy for 300 ms
    EXPECT_TRUE(Takes(0, 199, kNoUpperBound, [&] { return lcd.WobbleControl(2); }));
    EXPECT_EQ(2, sim.State().WobbleAction); // busy for 200 ms
    EXPECT_EQ(0u, lcd.ShutterControl(1));
    EXPECT_TRUE(sim.State().ShutterOpen);

    // The controller is idle now: a final status '0' keeps a controller error (the lamp
    // controller 2 would clear it); '6' does not hold the wait open.
    sim.Script(Fault::ErrorDigits('0', '2'), '1');
    EXPECT_EQ(kRange, lcd.PollingStatus(1000));
    sim.ScriptStatusSequence(std::string(20, '6'));
    EXPECT_TRUE(Takes(0x20380006u, 0, 700, [&] { return lcd.PollingStatus(300); }));
    // Polls are 100 ms apart.
    sim.ScriptStatusSequence("220");
    EXPECT_TRUE(Takes(0, 199, kNoUpperBound, [&] { return lcd.PollingStatus(1000); }));

    // An action the controller refuses is not waited for.
    sim.ClearLog();
    sim.Script(Fault::ErrorDigits('0', '3'), '5');
    EXPECT_EQ(0x20380013u, lcd.ColorWheelControl(1));
    EXPECT_EQ(1u, sim.FrameCount());

    // The exposure wait: within the cached shutter time.
    EXPECT_TRUE(Takes(0, 299, 1500, [&] { return lcd.Expose(1); })); // 300 ms

    // SetShutterTime leaves the cache alone: channel 2 still waits (0 + 20) × 100 ms,
    // though the controller now exposes for 3 s.
    ASSERT_EQ(0u, lcd.SetShutterTime(2, 300));
    EXPECT_TRUE(Takes(0x20380006u, 2090, 2700, [&] { return lcd.Expose(2); }));
    EXPECT_EQ(2, sim.State().Exposures);
}

} // namespace
} // namespace qlcos::test
