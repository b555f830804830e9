// The first-generation lamp controller end to end against the simulated controller on a
// pseudo-terminal: frames byte for byte, ACK/NAK answers, caches and the exposure wait,
// replies that cannot be read; and the in-memory emulator.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "sim/lamp_control_sim.h"
#include "support/driver_fixture.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace qlcos::test {
namespace {

using sim::LampFault;
using Bytes = std::vector<uint8_t>;
const int kPort = 9;
const uint8_t STX = 0x02;
const uint8_t ETX = 0x03;
const uint8_t ACK = 0x06;
const uint8_t NAK = 0x15;

// STX, the characters of `body`, ETX: the first generation has no block check.
Bytes LampFrame(const std::string& body)
{
    Bytes f{STX};
    for (char c : body) f.push_back(static_cast<uint8_t>(c));
    f.push_back(ETX);
    return f;
}

// The simulator starts with shutter times 30, 20, 10 and brightness 50.
class LampControl : public DriverOnSimulator<CQLampControl, sim::LampControlSim, kPort> {
protected:
    CQLampControl& lamp{driver};
};

TEST_F(LampControl, CreateReadsTheShutterTimeOfChannel1AndGivesUpOnSilence)
{
    EXPECT_EQ(1, lamp.IsDeviceTypeOf(0x301));
    EXPECT_EQ(0, lamp.IsDeviceTypeOf(0x303));
    EXPECT_EQ(std::u16string(u"LCos Lamp Control"), std::u16string(lamp.GetName()));
    const int threads = ThreadCount();

    ASSERT_EQ(0u, lamp.Create(kPort, -1));
    EXPECT_EQ(std::vector<Bytes>{LampFrame("B1")}, sim.Frames());
    lamp.Destroy();

    // A reply without the time: the port is closed again. A garbled reply is asked again.
    sim.Script(LampFault::DropData(3), 'B');
    EXPECT_EQ(ZAN_COM_ERR_NO_REPLY, lamp.Create(kPort, -1));
    EXPECT_FALSE(lamp.IsOpen());
    sim.Script(LampFault::Raw({'x', ETX}), 'B');
    EXPECT_EQ(0u, lamp.Create(kPort, -1));
    lamp.Destroy();

    // A driver deleted with its port open (its owner did not call Destroy) leaves no thread.
    auto other = std::make_unique<CQLampControl>();
    ASSERT_EQ(0u, other->Create(kPort, -1));
    EXPECT_EQ(threads + 1, ThreadCount());
    other.reset();
    EXPECT_EQ(threads, ThreadCountSettled(threads));

    // A line with nobody answering: the attempt waits 2 s; no thread is left behind.
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    zanSetSerialPortPath(kPort, peer.Path().c_str());
    lamp.SetAttemptCount(1);
    EXPECT_TRUE(Takes(ZAN_COM_ERR_NO_REPLY, 1990, 2400, [&] { return lamp.Create(kPort, -1); }));
    EXPECT_FALSE(lamp.IsOpen());
    EXPECT_EQ(threads, ThreadCountSettled(threads));
    EXPECT_EQ(LampFrame("B1"), peer.Read(8, 100));
}

// One frame per kind of parameter field; the command letters are the forwarding test's.
TEST_F(LampControl, FramesAreByteExactAndArgumentsThatCannotTravelAreRefused)
{
    sim.SetRefreshTime(std::chrono::milliseconds(0));
    CreateDriver();
    EXPECT_EQ(0u, lamp.SetBrightness(2, 40));
    EXPECT_EQ((std::vector<Bytes>{{0x02, '1', '2', '4', '0', 0x03}}), sim.Frames());
    EXPECT_EQ(0u, lamp.ShutterOpen(0));
    EXPECT_EQ(Bytes({0x02, '6', '2', 0x03}), sim.LastFrame('6'));
    EXPECT_EQ(0u, lamp.ShutterOpen(5));
    EXPECT_EQ(LampFrame("61"), sim.LastFrame('6'));
    EXPECT_EQ(0u, lamp.SetShutterTime(3, 7));
    EXPECT_EQ(LampFrame("23007"), sim.LastFrame('2'));
    EXPECT_EQ(0u, lamp.SetChannel(1, 2));
    EXPECT_EQ(LampFrame("312"), sim.LastFrame('3'));
    EXPECT_EQ(0u, lamp.Exposal(3));
    EXPECT_EQ(LampFrame("53"), sim.LastFrame('5'));
    EXPECT_EQ(0u, lamp.RefreshTable());
    EXPECT_EQ(LampFrame("7"), sim.LastFrame('7'));
    EXPECT_EQ(7u, sim.FrameCount());
    EXPECT_EQ(1, sim.State().Refreshes);

    // Exposal exposes channels 1..3 only; others cost nothing on the line.
    EXPECT_EQ(0u, lamp.Exposal(4));
    EXPECT_EQ(0u, lamp.Exposal(0));
    EXPECT_EQ(7u, sim.FrameCount());

    // Arguments that cannot travel are refused before sending; the largest values travel.
    sim.ClearLog();
    unsigned short t = 0;
    EXPECT_EQ(ZAN_COM_ERR_ARGUMENT, lamp.SetBrightness(1, 100));
    EXPECT_EQ(ZAN_COM_ERR_ARGUMENT, lamp.SetShutterTime(1, 1000));
    EXPECT_EQ(ZAN_COM_ERR_ARGUMENT, lamp.SetChannel(1, 10));
    EXPECT_EQ(ZAN_COM_ERR_ARGUMENT, lamp.SetBrightness(10, 1));
    EXPECT_EQ(ZAN_COM_ERR_ARGUMENT, lamp.GetShutterTime(10, &t));
    EXPECT_EQ(ZAN_COM_ERR_ARGUMENT, lamp.GetBrightness(1, nullptr));
    EXPECT_EQ(0u, sim.FrameCount());
    EXPECT_EQ(0u, lamp.SetBrightness(1, 99));
    EXPECT_EQ(0u, lamp.SetFilterPos(3, 999));
    EXPECT_EQ(LampFrame("43999"), sim.LastFrame('4'));
    EXPECT_EQ(2u, sim.FrameCount());
}

TEST_F(LampControl, ReadingsDecodeTheControllersDigitsAndRefuseRepliesWithoutThem)
{
    sim::LampState s = sim.State();
    s.Brightness[2] = 7;
    s.Shutter[1] = 999;
    s.Channel[0] = 3;
    s.Filter[2] = 456;
    sim.SetState(s);
    CreateDriver();
    unsigned char v = 0;
    unsigned short t = 1;
    ASSERT_EQ(0u, lamp.GetBrightness(3, &v));
    EXPECT_EQ(7, v);
    ASSERT_EQ(0u, lamp.GetShutterTime(2, &t));
    EXPECT_EQ(999, t);
    ASSERT_EQ(0u, lamp.GetChannel(1, &v));
    EXPECT_EQ(3, v);
    ASSERT_EQ(0u, lamp.GetFilterPos(3, &t));
    EXPECT_EQ(456, t);
    // Garbage before STX is dropped, data beyond what the command reads is ignored.
    sim.Script(LampFault::GarbageBefore({0xFF, 'x', NAK}), 'B');
    ASSERT_EQ(0u, lamp.GetShutterTime(1, &t));
    EXPECT_EQ(30, t);
    sim.Script(LampFault::Raw({STX, 'A', '0', '4', '2', '9', ETX}), 'A');
    ASSERT_EQ(0u, lamp.GetBrightness(1, &v));
    EXPECT_EQ(42, v);

    lamp.SetAttemptCount(1);
    t = 777;
    v = 88;
    sim.Script(LampFault::DropData(1), 'B');
    EXPECT_EQ(ZAN_COM_ERR_NO_REPLY, lamp.GetShutterTime(1, &t));
    EXPECT_EQ(777, t);
    // An ACK without STX passes as an answer but holds no data.
    sim.Script(LampFault::Raw({'x', ACK, ETX}), 'A');
    EXPECT_EQ(ZAN_COM_ERR_NO_REPLY, lamp.GetBrightness(1, &v));
    sim.Script(LampFault::Raw({NAK, ETX}), 'A');
    EXPECT_EQ(ZAN_COM_ERR_REFUSED, lamp.GetBrightness(1, &v));
    sim.Script(LampFault::Raw({'x', ETX}), 'A');
    EXPECT_EQ(ZAN_COM_ERR_NO_REPLY, lamp.GetBrightness(1, &v));
    EXPECT_EQ(88, v);
    // The cache kept the time read at Create.
    sim.ClearLog();
    EXPECT_EQ(0u, lamp.SetShutterTime(1, 30));
    EXPECT_EQ(0u, sim.FrameCount());

    // A reply longer than the receive pool: its ETX never reaches the pool.
    sim.Script(LampFault::Raw(LampFrame(std::string(100, '1'))), 'A');
    EXPECT_EQ(ZAN_COM_ERR_NO_REPLY, lamp.GetBrightness(1, &v));
    EXPECT_EQ(88, v);
    EXPECT_EQ(0u, lamp.GetBrightness(1, &v));
    EXPECT_EQ(50, v);

    // A closed line is reported at once (by the attempt after the one that saw it close).
    lamp.SetAttemptCount(CZanComCtrl::kDefaultAttemptCount);
    sim.Script(LampFault::CloseLine(), 'A');
    EXPECT_TRUE(Takes(ZAN_COM_ERR_LINE_CLOSED, 0, 1000, [&] { return lamp.GetBrightness(1, &v); }));
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, lamp.SetBrightness(1, 1));
}

TEST_F(LampControl, SettingsAreCachedPerChannelAndSentAgainAfterAFailure)
{
    // Before Create the transfer fails; nothing is remembered.
    EXPECT_EQ(ZAN_COM_ERR_NOT_OPEN, lamp.SetShutterTime(1, 40));
    EXPECT_EQ(ZAN_COM_ERR_NOT_OPEN, lamp.SetShutterTime(1, 40));

    CreateDriver(); // channel 1's shutter time read as 30
    for (int i = 0; i < 3; ++i) sim.Script(LampFault::Nak(), '1');
    // Each NAK ends its wait.
    EXPECT_TRUE(Takes(ZAN_COM_ERR_REFUSED, 0, 1000, [&] { return lamp.SetBrightness(2, 40); }));
    EXPECT_EQ(3u, sim.FrameCount());
    EXPECT_EQ(50, sim.State().Brightness[1]);
    EXPECT_EQ(0u, lamp.SetBrightness(2, 40));
    EXPECT_EQ(4u, sim.FrameCount());
    EXPECT_EQ(40, sim.State().Brightness[1]);

    // Set values are cached per channel, and the time read by Create too.
    ASSERT_EQ(0u, lamp.SetBrightness(3, 40));
    sim.ClearLog();
    EXPECT_EQ(0u, lamp.SetBrightness(1, 40));
    EXPECT_EQ(0u, lamp.SetBrightness(1, 40));
    EXPECT_EQ(0u, lamp.SetShutterTime(1, 30));
    EXPECT_EQ(0u, lamp.SetShutterTime(1, 3));
    EXPECT_EQ((std::vector<Bytes>{LampFrame("1140"), LampFrame("21003")}), sim.Frames());
    EXPECT_EQ(3, sim.State().Shutter[0]);

    // A reading refreshes the cache with the controller's own value.
    sim::LampState s = sim.State();
    s.Brightness[0] = 77;
    sim.SetState(s);
    unsigned char v = 0;
    ASSERT_EQ(0u, lamp.GetBrightness(1, &v));
    sim.ClearLog();
    EXPECT_EQ(0u, lamp.SetBrightness(1, 77));
    EXPECT_EQ(0u, sim.FrameCount());
    EXPECT_EQ(0u, lamp.SetBrightness(1, 40));
    EXPECT_EQ(1u, sim.FrameCount());

    // Channels outside 1..3 are never cached: every call goes out (and is refused).
    lamp.SetAttemptCount(1);
    sim.ClearLog();
    EXPECT_EQ(ZAN_COM_ERR_REFUSED, lamp.SetBrightness(5, 40));
    EXPECT_EQ(ZAN_COM_ERR_REFUSED, lamp.SetBrightness(5, 40));
    EXPECT_EQ(2u, sim.FrameCount());

    // An answer that is not an ACK: the controller took the value, but the driver cannot
    // know, so the next identical setting goes out again.
    sim.Script(LampFault::Raw({'?', NAK}), '2');
    EXPECT_EQ(ZAN_COM_ERR_REFUSED, lamp.SetShutterTime(1, 45));
    EXPECT_EQ(45, sim.State().Shutter[0]);
    sim.ClearLog();
    EXPECT_EQ(0u, lamp.SetShutterTime(1, 45));
    EXPECT_EQ(std::vector<Bytes>{LampFrame("21045")}, sim.Frames());

    // Garbage before the ACK is accepted.
    sim.Script(LampFault::GarbageBefore({'z', 0x00}), '1');
    EXPECT_EQ(0u, lamp.SetBrightness(1, 12));
    EXPECT_EQ(12, sim.State().Brightness[0]);
}

TEST_F(LampControl, ExposalIsAnsweredWhenTheExposureEndsAndWaitedForWithinTheShutterTime)
{
    CreateDriver();
    // The ACK comes when the 500 ms exposure ends.
    ASSERT_EQ(0u, lamp.SetShutterTime(2, 50));
    EXPECT_TRUE(Takes(0, 495, 1000, [&] { return lamp.Exposal(2); }));
    EXPECT_EQ(1, sim.State().Exposures);

    // Without an ACK the attempt waits the shutter time (100 ms) plus 4 s.
    lamp.SetAttemptCount(1);
    ASSERT_EQ(0u, lamp.SetShutterTime(2, 10));
    sim.Script(LampFault::Silence(), '5');
    EXPECT_TRUE(Takes(ZAN_COM_ERR_NO_REPLY, 4095, 4500, [&] { return lamp.Exposal(2); }));
}

TEST(EmuLampControl, KeepsValuesInMemoryAndSleepsThroughExposures)
{
    CEmuQLampControl emu;
    EXPECT_EQ(1, emu.IsDeviceTypeOf(0x303));
    EXPECT_EQ(0, emu.IsDeviceTypeOf(0x301));
    EXPECT_EQ(std::u16string(u"Emu LCos Lamp Control"), std::u16string(emu.GetName()));
    ASSERT_EQ(0u, emu.Create(kPort, -1));
    EXPECT_FALSE(emu.IsOpen());

    unsigned char v = 0;
    unsigned short t = 0;
    EXPECT_EQ(0u, emu.SetBrightness(2, 40));
    EXPECT_EQ(0u, emu.SetChannel(2, 3));
    EXPECT_EQ(0u, emu.SetFilterPos(2, 500));
    EXPECT_EQ(0u, emu.SetShutterTime(2, 30));
    EXPECT_EQ(0u, emu.SetBrightness(4, 41)); // ignored
    EXPECT_EQ(0u, emu.GetBrightness(2, &v));
    EXPECT_EQ(40, v);
    EXPECT_EQ(0u, emu.GetChannel(2, &v));
    EXPECT_EQ(3, v);
    EXPECT_EQ(0u, emu.GetFilterPos(2, &t));
    EXPECT_EQ(500, t);
    t = 1234;
    EXPECT_EQ(0u, emu.GetShutterTime(4, &t));
    EXPECT_EQ(1234, t);
    EXPECT_EQ(0u, emu.GetShutterTime(1, &t));
    EXPECT_EQ(0, t);
    EXPECT_EQ(ZAN_COM_ERR_ARGUMENT, emu.GetBrightness(1, nullptr));

    EXPECT_TRUE(Takes(0, 299, 450, [&] { return emu.Exposal(2); }));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0u, emu.Exposal(4));
    EXPECT_EQ(0u, emu.ShutterOpen(1));
    EXPECT_EQ(0u, emu.RefreshTable());
    EXPECT_LT(MillisecondsSince(start), 50.0);

    // Create starts again from zero.
    ASSERT_EQ(0u, emu.Create(kPort, -1));
    EXPECT_EQ(0u, emu.GetShutterTime(2, &t));
    EXPECT_EQ(0, t);
}

} // namespace
} // namespace qlcos::test
