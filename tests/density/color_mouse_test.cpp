// The colour mouse driven through the stand-in library, loaded the way the driver loads the
// maker's library: the calls it makes, the button, readings, calibration, failures, and the
// FIFO through which another process presses the button.
#include "qlcos/density/color_mouse.h"

#include "serial/time_scale.h"
#include "sim/color_mouse_stand_in.h"
#include "support/driver_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qlcos::test {
namespace {

using sim::StandInCount;
using sim::StandInFault;
using Calls = std::vector<std::string>;
const int kPort = 5;

const Calls kOpenCalls = {"CSDOpen()",        "CSDInit(0,5)",     "CSDPlaySound(0)",
                          "CSDSetMesData(4)", "CSDSetMesData(1)", "CSDSetWhitePoint(0x10000005)"};

class ColorMouse : public ::testing::Test {
protected:
    void SetUp() override
    {
        serial::SetWaitScaleForTests(10);
        setenv("QLCOS_CSCMTLIB", QLCOS_CSCMTLIB_PATH, 1);
        unsetenv("QLCOS_COLORMOUSE_FIFO");
        ASSERT_TRUE(standIn.IsLoaded()) << standIn.Error();
        standIn.Reset();
    }
    void TearDown() override
    {
        unsetenv("QLCOS_COLORMOUSE_FIFO");
        serial::SetWaitScaleForTests(100);
    }

    // Declared before the driver, so that it outlives the driver's Destroy.
    sim::ColorMouseStandIn standIn{QLCOS_CSCMTLIB_PATH};
    CColorMouse mouse;
};

TEST_F(ColorMouse, CreateOpensWithTheCallSequenceAndDestroyClosesOnce)
{
    ASSERT_EQ(0u, mouse.Create(kPort, -1));
    EXPECT_EQ(kOpenCalls, standIn.Calls());

    // A second Create leaves the open device alone.
    EXPECT_EQ(ZAN_COLORMOUSE_FAILED, mouse.Create(kPort, -1));
    EXPECT_EQ(kOpenCalls, standIn.Calls());
    EXPECT_EQ(0, mouse.IsGetNewDensity());

    EXPECT_EQ(0u, mouse.Destroy());
    EXPECT_EQ("CSDClose()", standIn.Calls().back());
    const size_t count = standIn.Calls().size();
    EXPECT_EQ(ZAN_COLORMOUSE_FAILED, mouse.Destroy());
    EXPECT_EQ(count, standIn.Calls().size());

    // The device opens again, and a driver deleted while open closes it.
    standIn.Reset();
    {
        CColorMouse other;
        ASSERT_EQ(0u, other.Create(kPort, -1));
    }
    Calls expected = kOpenCalls;
    expected.push_back("CSDClose()");
    EXPECT_EQ(expected, standIn.Calls());
}

TEST_F(ColorMouse, CreateFailsAndClosesWhenTheDeviceIsNotReady)
{
    standIn.SetPorts(1, 4);
    EXPECT_EQ(ZAN_COLORMOUSE_FAILED, mouse.Create(kPort, -1));
    EXPECT_EQ((Calls{"CSDOpen()", "CSDInit(0,5)", "CSDClose()"}), standIn.Calls());

    standIn.Reset();
    standIn.SetFault(StandInFault::Init, 7);
    EXPECT_EQ(ZAN_COLORMOUSE_FAILED, mouse.Create(2, -1));
    EXPECT_EQ((Calls{"CSDOpen()", "CSDInit(0,2)", "CSDClose()"}), standIn.Calls());

    // Closed: nothing reaches the library.
    standIn.Reset();
    tagDensityInfo reading{};
    EXPECT_EQ(static_cast<int>(ZAN_COLORMOUSE_NOT_OPEN), mouse.IsGetNewDensity());
    EXPECT_EQ(ZAN_COLORMOUSE_NOT_OPEN, mouse.SendCmdGetDensity(&reading));
    EXPECT_EQ(ZAN_COLORMOUSE_NOT_OPEN, mouse.SendCmdAdjust(1));
    EXPECT_EQ(ZAN_COLORMOUSE_FAILED, mouse.Destroy());
    EXPECT_TRUE(standIn.Calls().empty());
}

TEST_F(ColorMouse, WithoutTheLibraryNothingOpens)
{
    // A missing file, then a library that lacks the functions.
    for (const char* file : {"/nonexistent/libCSCMTLib.so", "libm.so.6"}) {
        setenv("QLCOS_CSCMTLIB", file, 1);
        CColorMouse absent;
        EXPECT_EQ(ZAN_COLORMOUSE_FAILED, absent.Create(kPort, -1)) << file;
        tagDensityInfo reading{};
        EXPECT_EQ(static_cast<int>(ZAN_COLORMOUSE_NOT_OPEN), absent.IsGetNewDensity());
        EXPECT_EQ(ZAN_COLORMOUSE_NOT_OPEN, absent.SendCmdGetDensity(&reading));
        EXPECT_EQ(ZAN_COLORMOUSE_NOT_OPEN, absent.SendCmdAdjust(2));
        EXPECT_EQ(ZAN_COLORMOUSE_FAILED, absent.Destroy());
    }
    EXPECT_TRUE(standIn.Calls().empty());
}

TEST_F(ColorMouse, TheButtonReportsAPressUntilItIsMeasured)
{
    ASSERT_EQ(0u, mouse.Create(kPort, -1));
    EXPECT_EQ(0, mouse.IsGetNewDensity());
    standIn.Press(0.5f, 0.5f, 0.5f);
    EXPECT_EQ(1, mouse.IsGetNewDensity());
    EXPECT_EQ(1, mouse.IsGetNewDensity());
    EXPECT_EQ("CSDButtonPressed(p)", standIn.Calls().back());

    // A failing query gives 0 whatever it left in the byte.
    standIn.SetFault(StandInFault::ButtonPressed, 9);
    EXPECT_EQ(0, mouse.IsGetNewDensity());
    standIn.SetFault(StandInFault::ButtonPressed, 0);

    tagDensityInfo reading{};
    ASSERT_EQ(0u, mouse.SendCmdGetDensity(&reading));
    EXPECT_EQ(0, mouse.IsGetNewDensity());
}

TEST_F(ColorMouse, AReadingFillsCyanMagentaYellowAndLeavesVisual)
{
    ASSERT_EQ(0u, mouse.Create(kPort, -1));
    EXPECT_EQ(ZAN_COLORMOUSE_FAILED, mouse.SendCmdGetDensity(nullptr));

    standIn.Press(0.25f, 1.5f, 2.125f);
    tagDensityInfo reading{7.5f, -1.0f, -1.0f, -1.0f};
    const size_t before = standIn.Calls().size();
    ASSERT_EQ(0u, mouse.SendCmdGetDensity(&reading));
    EXPECT_EQ(7.5f, reading.Visual);
    EXPECT_EQ(0.25f, reading.Cyan);
    EXPECT_EQ(1.5f, reading.Magenta);
    EXPECT_EQ(2.125f, reading.Yellow);
    const Calls calls = standIn.Calls();
    EXPECT_EQ((Calls{"CSDMeasure(p)", "CSCCConvertMeas(p,p,0x44656E73,0x10000003)"}),
              Calls(calls.begin() + static_cast<long>(before), calls.end()));

    // A failed measurement leaves the reading as it was.
    standIn.SetReading(3.0f, 3.0f, 3.0f);
    standIn.SetFault(StandInFault::Measure, 1);
    EXPECT_EQ(ZAN_COLORMOUSE_FAILED, mouse.SendCmdGetDensity(&reading));
    EXPECT_EQ(0.25f, reading.Cyan);
    standIn.SetFault(StandInFault::Measure, 0);

    // The conversion's result is passed on, the densities taken all the same.
    standIn.SetFault(StandInFault::Convert, 0x33);
    EXPECT_EQ(0x33u, mouse.SendCmdGetDensity(&reading));
    EXPECT_EQ(3.0f, reading.Yellow);
    EXPECT_EQ(7.5f, reading.Visual);
}

TEST_F(ColorMouse, AdjustCalibratesBlackOrWhiteAndRefusesOtherModes)
{
    ASSERT_EQ(0u, mouse.Create(kPort, -1));
    const size_t before = standIn.Calls().size();
    EXPECT_EQ(ZAN_COLORMOUSE_FAILED, mouse.SendCmdAdjust(0));
    EXPECT_EQ(ZAN_COLORMOUSE_FAILED, mouse.SendCmdAdjust(3));
    EXPECT_EQ(before, standIn.Calls().size());

    EXPECT_EQ(0u, mouse.SendCmdAdjust(1));
    EXPECT_EQ("CSDCalibrateBlack(p)", standIn.Calls().back());
    EXPECT_EQ(0u, mouse.SendCmdAdjust(2));
    EXPECT_EQ("CSDCalibrateWhite(p)", standIn.Calls().back());

    // The host calibrates while the wait loop polls the button from its own thread.
    std::thread poller([this] {
        tagDensityInfo reading{};
        for (int i = 0; i < 50; ++i) {
            if (mouse.IsGetNewDensity() == 1) mouse.SendCmdGetDensity(&reading);
        }
    });
    for (int i = 0; i < 20; ++i) {
        standIn.Press(1, 1, 1);
        EXPECT_EQ(0u, mouse.SendCmdAdjust(2));
    }
    poller.join();
    EXPECT_EQ(1, standIn.Count(StandInCount::BlackCalibrations));
    EXPECT_EQ(21, standIn.Count(StandInCount::WhiteCalibrations));
}

TEST_F(ColorMouse, MeasuringAndCalibratingPauseTenMillisecondsFirst)
{
    serial::SetWaitScaleForTests(100);
    ASSERT_EQ(0u, mouse.Create(kPort, -1));
    standIn.Press(1, 2, 3);
    tagDensityInfo reading{};
    EXPECT_TRUE(Takes(0, 10, 1000, [&] { return mouse.SendCmdGetDensity(&reading); }));
    EXPECT_TRUE(Takes(0, 10, 1000, [&] { return mouse.SendCmdAdjust(1); }));

    // A log longer than the handle's first buffer is read whole.
    for (int i = 0; i < 40; ++i) EXPECT_EQ(0, mouse.IsGetNewDensity());
    const Calls calls = standIn.Calls();
    ASSERT_EQ(kOpenCalls.size() + 3 + 40, calls.size());
    EXPECT_EQ("CSDCalibrateBlack(p)", calls[kOpenCalls.size() + 2]);
    EXPECT_EQ("CSDButtonPressed(p)", calls.back());
}

TEST_F(ColorMouse, ALineInTheFifoPressesTheButton)
{
    sim::ColorMouseFifo fifo;
    ASSERT_FALSE(fifo.Path().empty());
    setenv("QLCOS_COLORMOUSE_FIFO", fifo.Path().c_str(), 1);
    EXPECT_FALSE(fifo.Press(1, 1, 1)); // no session reads it yet

    ASSERT_EQ(0u, mouse.Create(kPort, -1));
    ASSERT_TRUE(fifo.Press(0.75f, 1.0625f, 2.5f));
    ASSERT_TRUE(standIn.WaitForPress(5000));
    EXPECT_EQ(1, mouse.IsGetNewDensity());
    tagDensityInfo reading{};
    ASSERT_EQ(0u, mouse.SendCmdGetDensity(&reading));
    EXPECT_EQ(0.75f, reading.Cyan);
    EXPECT_EQ(1.0625f, reading.Magenta);
    EXPECT_EQ(2.5f, reading.Yellow);

    // Only a well-formed line presses; the session's end stops the reader.
    const int fd = open(fifo.Path().c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const std::string junk = "press 1 2\npress 1 2 3 4\npush 1 2 3\npress 0.5 0.25 0.125\n";
    EXPECT_EQ(static_cast<ssize_t>(junk.size()), write(fd, junk.data(), junk.size()));
    close(fd);
    ASSERT_TRUE(standIn.WaitForPress(5000));
    EXPECT_EQ(2, standIn.Count(StandInCount::Presses));
    ASSERT_EQ(0u, mouse.SendCmdGetDensity(&reading));
    EXPECT_EQ(0.5f, reading.Cyan);
    EXPECT_EQ(0.125f, reading.Yellow);

    EXPECT_EQ(0u, mouse.Destroy());
    EXPECT_FALSE(fifo.Press(1, 1, 1));
}

} // namespace
} // namespace qlcos::test
