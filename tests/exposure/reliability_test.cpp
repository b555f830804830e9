// What the drivers refuse to believe or to send, end to end against the simulated
// controllers: corrupted numbers in replies, selectors that would put control bytes into a
// frame, and a controller that never stops reporting busy.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "sim/lamp_control2_sim.h"
#include "sim/lamp_control_sim.h"
#include "sim/lcd_control_sim.h"
#include "sim/ldd_control_sim.h"
#include "sim/led_control_sim.h"
#include "support/driver_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

namespace qlcos::test {
namespace {

using sim::Fault;
const int kPort = 32;

// A framed reply with error digits 00 and `data`: STX, letter, '0', command, '0', '0', '0',
// the data, ETX, block check.
std::vector<uint8_t> Reply(char letter, char command, const std::string& data)
{
    return Frame(std::string{letter, '0', command, '0', '0', '0'} + data);
}

class LampControl2Replies : public DriverOnSimulator<CQLampControl2, sim::LampControl2Sim, kPort> {
};
class LedReplies : public DriverOnSimulator<CQLEDControl, sim::LEDControlSim, kPort> {
protected:
    void TearDown() override
    {
        driver.Destroy();
        DriverOnSimulator::TearDown();
    }
};
class LcdReplies : public DriverOnSimulator<CQLCDControl, sim::LCDControlSim, kPort> {};
class LddReplies : public DriverOnSimulator<CQLDDControl, sim::LDDControlSim, kPort> {};
class LampReplies : public DriverOnSimulator<CQLampControl, sim::LampControlSim, kPort> {};

TEST_F(LampControl2Replies, NumbersThatAreNoDigitsOrOutOfRangeAreRefusedAndNothingIsKept)
{
    CreateDriver(40, 20, 10);
    const ZanResult kBad = 0x20360007;
    unsigned short t = 1234;
    sim.Script(Fault::Raw(Reply('Y', 'B', "q535")), 'B');
    EXPECT_EQ(kBad, driver.GetShutterTime(1, t));
    sim.Script(Fault::Raw(Reply('Y', 'B', std::string(4, '\0'))), 'B');
    EXPECT_EQ(kBad, driver.GetShutterTime(1, t));
    EXPECT_EQ(1234, t);
    EXPECT_EQ(0u, driver.GetShutterTime(1, t));
    EXPECT_EQ(40, t);

    // Error digits that are no digits ('@' × 16 mod 256 would read as 0: success).
    sim.Script(Fault::ErrorDigits('@', '0'), 'Q');
    EXPECT_EQ(kBad, driver.SetBrightness(1, 10));
    // A poll's progress must be a digit; the status stays as it was.
    unsigned char status = 'x', progress = 7;
    sim.Script(Fault::Raw(Reply('Y', '1', "0x")), '1');
    EXPECT_EQ(kBad, driver.Poll(status, progress));
    EXPECT_EQ('x', status);
    EXPECT_EQ(7, progress);
    // A channel setting outside 1..3, an image-adjust value above its item's limit.
    unsigned char v = 9;
    sim.Script(Fault::Raw(Reply('Y', 'C', "0")), 'C');
    EXPECT_EQ(kBad, driver.GetChannel(1, v));
    EXPECT_EQ(9, v);
    sim.Script(Fault::Raw(Reply('Y', 'u', "016")), 'u');
    EXPECT_EQ(kBad, driver.GetImageAdjust(3, t));
    unsigned char stage = 0, percent = 0;
    sim.Script(Fault::Raw(Reply('Y', 'E', "x50")), 'E');
    EXPECT_EQ(kBad, driver.GetRefreshProgress(stage, percent));
}

TEST_F(LedReplies, ACorruptedShutterTimeIsNotCachedForTheExposureSleep)
{
    CreateDriver(5, 5, 5); // no sleep before polling
    unsigned short t = 0;
    // Four NULs once read as 12208: the exposure would have slept two minutes.
    sim.Script(Fault::Raw(Reply('h', 'B', std::string(4, '\0'))), 'B');
    EXPECT_EQ(0x20320007u, driver.GetShutterTime(1, t));
    EXPECT_TRUE(Takes(0u, 0, 1000, [&] { return driver.Expose(1); }));
}

TEST_F(LcdReplies, HexadecimalFieldsTakeHexDigitsOnlyAndTheWholeTableIsRefused)
{
    CreateDriver();
    const ZanResult kBad = 0x20380007;
    unsigned short v = 77;
    sim.Script(Fault::Raw(Reply('f', 'u', "0g0")), 'u');
    EXPECT_EQ(kBad, driver.GetImageAdjust(1, v));
    sim.Script(Fault::Raw(Reply('f', 'u', "3FF")), 'u');
    EXPECT_EQ(0u, driver.GetImageAdjust(1, v));
    EXPECT_EQ(0x3FF, v);
    sim.Script(Fault::Raw(Reply('f', 'u', "002")), 'u'); // a switch holds 0 or 1
    EXPECT_EQ(kBad, driver.GetImageAdjust(7, v));
    sim.Script(Fault::Raw(Reply('f', 'G', "360")), 'G'); // the wobble turns 0..359
    EXPECT_EQ(kBad, driver.GetWobbleData(2, v));
    EXPECT_EQ(0x3FF, v);

    // One bad digit in the last gamma value: no value of the table is written.
    std::string gamma;
    for (int k = 0; k < 255; ++k) gamma += Hex(static_cast<unsigned>(k), 3);
    unsigned short values[256] = {};
    sim.Script(Fault::Raw(Reply('f', 'a', gamma + "0Z0")), 'a');
    EXPECT_EQ(kBad, driver.GetGammaData(0, values));
    EXPECT_EQ(0, values[1]);
    sim.Script(Fault::Raw(Reply('f', 'a', gamma + "0a0")), 'a');
    EXPECT_EQ(0u, driver.GetGammaData(0, values));
    EXPECT_EQ(1, values[1]);
    EXPECT_EQ(0xA0, values[255]);
}

TEST_F(LampReplies, AReadingWhoseDigitsAreNoDigitsIsRefusedAndNotCached)
{
    CreateDriver();
    unsigned short t = 555;
    sim.Script(sim::LampFault::Raw({0x02, 'B', '0', 'q', '5', '3', 0x03}), 'B');
    EXPECT_EQ(ZAN_COM_ERR_NO_REPLY, driver.GetShutterTime(1, &t));
    EXPECT_EQ(555, t);
    // The brightness cache keeps the value read before the corrupted one: setting that
    // value again is spared.
    unsigned char v = 0;
    EXPECT_EQ(0u, driver.GetBrightness(1, &v));
    EXPECT_EQ(50, v);
    sim.Script(sim::LampFault::Raw({0x02, 'A', '0', '4', 0x00, 0x03}), 'A');
    EXPECT_EQ(ZAN_COM_ERR_NO_REPLY, driver.GetBrightness(1, &v));
    EXPECT_EQ(50, v);
    sim.ClearLog();
    EXPECT_EQ(0u, driver.SetBrightness(1, 50));
    EXPECT_EQ(0u, sim.FrameCount());
}

// Selectors that would become STX, ETX, NUL or any other control byte (or DEL and above) are
// refused before anything is sent, whatever the command's own ranges leave open.
template <class Driver> void RefusesControlBytes(Driver& driver, ZanResult range)
{
    unsigned short text[CQFrameControl::kSerialCodeCapacity];
    unsigned char data = 0;
    EXPECT_EQ(range, driver.Expose(211));                 // '0' + 211 wraps to ETX
    EXPECT_EQ(range, driver.Expose(0xD0));                // NUL
    EXPECT_EQ(range, driver.Expose(79));                  // DEL
    EXPECT_EQ(range, driver.GetSerialCode(0xD4, text));   // '0' + 0xD3 wraps to STX
    EXPECT_EQ(range, driver.DataOperator(0xD3, 1, data)); // ETX
    EXPECT_EQ(range, driver.SetSerialCode(1, "AB\x03"
                                             "DEFGHIJKLMNOP"));
    if constexpr (!std::is_same_v<Driver, CQLCDControl>) {
        unsigned char v = 0;
        EXPECT_EQ(range, driver.GetBrightness(211, v));
    }
}

TEST(Selectors, ThatWouldPutControlBytesIntoAFrameAreRefusedOnEveryFramedModel)
{
    sim::LampControl2Sim lamp2;
    sim::LEDControlSim led;
    sim::LCDControlSim lcd;
    sim::LDDControlSim ldd;
    auto check = [](auto& sim, auto& driver, ZanResult range) {
        ASSERT_TRUE(sim.Start());
        zanSetSerialPortPath(kPort, sim.Path().c_str());
        ASSERT_EQ(0u, driver.Create(kPort, -1));
        sim.ClearLog();
        RefusesControlBytes(driver, range);
        EXPECT_FALSE(sim.WaitForFrames(1, 20));
        driver.Destroy();
        zanSetSerialPortPath(kPort, nullptr);
    };
    CQLampControl2 lamp2Driver;
    CQLEDControl ledDriver;
    CQLCDControl lcdDriver;
    CQLDDControl lddDriver;
    check(lamp2, lamp2Driver, 0x20360012);
    check(led, ledDriver, 0x20320012);
    check(lcd, lcdDriver, 0x20380012);
    check(ldd, lddDriver, 0x20390012);
}

TEST_F(LampControl2Replies, AControllerBusyForEverIsGivenUpAtTwentyTimesTheWindow)
{
    CreateDriver();
    const ZanResult kTimedOut = 0x20360006;
    sim.HoldStatus('5'); // restarts the window on every poll
    EXPECT_TRUE(
        Takes(kTimedOut, 50.0 * 20, 50.0 * 20 + 800, [&] { return driver.PollingStatus(50); }));
}

TEST_F(LddReplies, StatusMovingForEverIsGivenUpAtTwentyTimesTheWindow)
{
    CreateDriver();
    sim.HoldStatus('6');
    EXPECT_TRUE(
        Takes(0x20390006u, 60.0 * 20, 60.0 * 20 + 800, [&] { return driver.PollingStatus(60); }));
    sim.HoldStatus(0);
    EXPECT_EQ(0u, driver.PollingStatus(60));
}

} // namespace
} // namespace qlcos::test
