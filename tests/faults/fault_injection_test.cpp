// The light-engine device as a host uses it, against a simulated LDD controller that
// misbehaves on the line: garbage and floods, replies split into single bytes, a wrong echo,
// late replies, a hang-up and the line's return. Each case checks that the answer taken is
// the command's own, that nothing wrong passes for right, and that every wait stays bounded.
// The drivers' own fault tests (numbers, selectors, busy for ever, cancel, threads) are in
// tests/exposure; the framework's (exclusive ports, late bytes, reopening) in tests/serial.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "sim/ldd_control_sim.h"
#include "support/driver_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qlcos::test {
namespace {

using sim::Fault;
const int kPort = 61;
// The LDD's result for a reply that is missing or malformed, and for one that never came.
const ZanResult kBadReply = 0x20390007;

class FaultInjection : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        zanSetSerialPortPath(kPort, sim.Path().c_str());
        tagZanVirtualDeviceProperty property{{kPort, -1, 9600, 8, 0, 0}, 0, 0};
        ASSERT_EQ(0u, device.Create(nullptr, &property));
        ASSERT_EQ(0u, device.SetShutterTime(1, 123));
        ASSERT_EQ(0u, device.SetBrightness(1, 45));
        sim.ClearLog();
    }
    void TearDown() override
    {
        device.Destroy();
        zanSetSerialPortPath(kPort, nullptr);
    }

    // The two values the tests read back, each from its own command.
    void ExpectOwnAnswers()
    {
        unsigned short time = 0;
        unsigned char brightness = 0;
        EXPECT_EQ(0u, device.GetShutterTime(1, &time));
        EXPECT_EQ(123, time);
        EXPECT_EQ(0u, device.GetBrightness(1, &brightness));
        EXPECT_EQ(45, brightness);
    }

    sim::LDDControlSim sim;
    CZanLCosCtrl device;
};

TEST_F(FaultInjection, GarbageAndRepliesInSingleBytesStillGiveTheOwnAnswer)
{
    sim.Script(Fault::GarbageBefore({'x', 0x00, 0x7F, 0x06, 0x15, 'q'}));
    ExpectOwnAnswers();
    sim.SetPacing(9600); // every byte in a chunk of its own, at the line's pace
    ExpectOwnAnswers();
    sim.SetPacing(0);
    EXPECT_EQ(4u, sim.FrameCount()); // no command had to be asked again
}

TEST_F(FaultInjection, AFloodIsRefusedWithinItsWaitAndTheNextCommandsAreAnsweredRightly)
{
    // 64 KiB without a frame in it, then a burst of stray frames of another command.
    sim.Script(Fault::Raw(std::vector<uint8_t>(64 * 1024, 'z')));
    std::vector<uint8_t> frames;
    for (int i = 0; i < 200; ++i) {
        const std::vector<uint8_t> f = Frame("g0Q000");
        frames.insert(frames.end(), f.begin(), f.end());
    }
    sim.Script(Fault::Raw(frames)); // the answer to the second attempt
    unsigned short time = 0;
    EXPECT_TRUE(Takes(kBadReply, 0, 3000, [&] { return device.GetShutterTime(1, &time); }));
    EXPECT_EQ(0, time);
    ExpectOwnAnswers();
}

TEST_F(FaultInjection, AWrongEchoIsNotExaminedButTheLengthAndDigitsAre)
{
    // The reply's echo names another command; its value field is what counts, as in the
    // field. A reply of the right shape but without digits is refused.
    sim.Script(Fault::Raw(Frame("g0Q0000123")), 'B');
    unsigned short time = 0;
    EXPECT_EQ(0u, device.GetShutterTime(1, &time));
    EXPECT_EQ(123, time);
    sim.Script(Fault::Raw(Frame("g0B000 12x")), 'B');
    EXPECT_EQ(kBadReply, device.GetShutterTime(1, &time));
    EXPECT_EQ(123, time);
}

// A reply that comes within the documented quiet window after its command's wait ran out
// (the 500 ms reply wait, then 50 ms of quiet plus two character times) is dropped before the
// next attempt or command goes out. One that comes later still cannot be told from an answer.
TEST_F(FaultInjection, ALateReplyNeverAnswersTheNextCommand)
{
    ASSERT_EQ(0u, device.SetShutterTime(2, 77));
    sim.Script(Fault::Late(540), 'B'); // the first attempt's answer, 30 ms after its wait
    unsigned short time = 0;
    EXPECT_TRUE(Takes(0, 500, 3000, [&] { return device.GetShutterTime(1, &time); }));
    EXPECT_EQ(123, time);
    // Late for every attempt: a failure; channel 2 asked next gets channel 2's time, not
    // channel 1's late one, though both answers have the same shape.
    for (int i = 0; i < 3; ++i) sim.Script(Fault::Late(540), 'B');
    time = 0;
    EXPECT_NE(0u, device.GetShutterTime(1, &time));
    EXPECT_EQ(0, time);
    EXPECT_EQ(0u, device.GetShutterTime(2, &time));
    EXPECT_EQ(77, time);
    ExpectOwnAnswers();
}

TEST_F(FaultInjection, AHangUpIsReportedAtOnceAndTheLineIsTakenUpAgainWhenItReturns)
{
    EXPECT_EQ(0u, device.CheckLine(nullptr));
    sim.Stop(); // the adapter is pulled out: the host's end hangs up
    unsigned short time = 0;
    EXPECT_TRUE(
        Takes(ZAN_COM_ERR_LINE_CLOSED, 0, 200, [&] { return device.GetShutterTime(1, &time); }));
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, device.CheckLine(nullptr));
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, device.Resume()); // not back yet
    tagZanVirtualDeviceStatusDescription why{};
    device.GetStatusDescription(&why, nullptr);
    EXPECT_EQ(0u,
              std::u16string(why.Text).find(u"the line hung up or failed; opening it again: COM"));

    // Back, on a terminal of its own: the same port number now names it.
    ASSERT_TRUE(sim.Start());
    zanSetSerialPortPath(kPort, sim.Path().c_str());
    EXPECT_EQ(0u, device.Resume());
    device.GetStatusDescription(&why, nullptr);
    EXPECT_EQ(u"in order", std::u16string(why.Text));
    EXPECT_EQ(0u, device.CheckLine(nullptr));
    ExpectOwnAnswers();
    // And again without Resume: the next command takes the line up itself.
    sim.Stop();
    ASSERT_TRUE(sim.Start());
    zanSetSerialPortPath(kPort, sim.Path().c_str());
    ExpectOwnAnswers();
}

} // namespace
} // namespace qlcos::test
