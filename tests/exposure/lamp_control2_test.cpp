// The lamp controller 2 driver end to end against the simulated controller on a
// pseudo-terminal. The framed models share their machinery, and it is tested here in depth:
// frames byte for byte, reply cutting and lengths, error mapping, retries, status polling,
// range checks, caches and waits. The other framed models' tests cover where they differ.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "sim/lamp_control2_sim.h"
#include "support/driver_fixture.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace qlcos::test {
namespace {

using sim::Fault;
using Bytes = std::vector<uint8_t>;
const int kPort = 7;
const ZanResult kRange = 0x20360012;
const ZanResult kLength = 0x20360007;
const ZanResult kTimedOut = 0x20360006;

class LampControl2 : public DriverOnSimulator<CQLampControl2, sim::LampControl2Sim, kPort> {
protected:
    CQLampControl2& lamp{driver};
};

TEST_F(LampControl2, CreateComparesTheIdentityOverItsFirst25CharactersAndGivesUpOnSilence)
{
    const int threads = ThreadCount();
    EXPECT_EQ(1, lamp.IsDeviceTypeOf(0x306));
    EXPECT_EQ(0, lamp.IsDeviceTypeOf(0x301));
    ASSERT_EQ(0u, lamp.Create(kPort, -1));
    // The identity request (command \177), shutter times 1..3, interval times 1 and 2.
    EXPECT_EQ((std::vector<Bytes>{Frame("Y0\1770"), Frame("Y0B1"), Frame("Y0B2"), Frame("Y0B3"),
                                  Frame("Y0H0"), Frame("Y0H1")}),
              sim.Frames());
    char version[CQFrameControl::kVersionTextCapacity];
    EXPECT_EQ(0u, lamp.GetVersion(version));
    EXPECT_STREQ("VORTANE XAVEN LAMPCONTROL", version);
    EXPECT_EQ(0x20000009u, lamp.Create(kPort, -1)); // already open
    lamp.Destroy();

    sim.SetIdentity("VORTANE XAVEN LAMPCONTROX");
    EXPECT_EQ(0x20360008u, lamp.Create(kPort, -1));
    EXPECT_FALSE(lamp.IsOpen());
    EXPECT_EQ(threads, ThreadCountSettled(threads));
    sim.SetIdentity("VORTANE XAVEN LAMPCONTROL V2.31");
    EXPECT_EQ(0u, lamp.Create(kPort, -1));
    lamp.Destroy();
    // An identity reply too short to hold a text at all.
    sim.Script(Fault::Raw({0x02, 'Y', '0', 0x7F, 0x03}), 0x7F);
    EXPECT_EQ(kLength, lamp.Create(kPort, -1));

    // A line with nobody answering: each attempt sends the identity request again and
    // waits 500 ms for it; no thread is left behind.
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    zanSetSerialPortPath(kPort, peer.Path().c_str());
    const double attemptsMs = lamp.GetAttemptCount() * 500.0;
    EXPECT_TRUE(
        Takes(kLength, attemptsMs - 10, attemptsMs + 400, [&] { return lamp.Create(kPort, -1); }));
    EXPECT_EQ(threads, ThreadCountSettled(threads));
    EXPECT_EQ(7u * lamp.GetAttemptCount(), peer.Read(7 * 3, 100).size());
    // A port that does not exist fails at once with the framework's result.
    zanSetSerialPortPath(kPort, "/nonexistent/tty");
    EXPECT_EQ(0x20000001u, lamp.Create(kPort, -1));
}

// One or two frames per kind of parameter field, and the model's own variants.
TEST_F(LampControl2, FramesAreByteExactAndArgumentsOutOfRangeAreRefused)
{
    CreateDriver(0, 0, 0);
    unsigned char data = 0;
    EXPECT_EQ(0u, lamp.Expose(1));
    EXPECT_EQ(Bytes({0x02, 0x59, 0x30, 0x33, 0x31, 0x03, 0x68}), sim.LastFrame('3'));
    EXPECT_EQ(0u, lamp.SetShutterTime(1, 150));
    EXPECT_EQ(Bytes({0x02, 0x59, 0x30, 0x52, 0x31, 0x30, 0x31, 0x35, 0x30, 0x03, 0x0D}),
              sim.LastFrame('R'));
    EXPECT_EQ(0u, lamp.SetBrightness(1, 99));
    EXPECT_EQ(Bytes({0x02, 0x59, 0x30, 0x51, 0x31, 0x39, 0x39, 0x03, 0x0A}), sim.LastFrame('Q'));
    EXPECT_EQ(0u, lamp.DataOperator(2, 0x1A, data));
    EXPECT_EQ(Frame("Y0s21A00"), sim.LastFrame('s'));
    EXPECT_EQ(0u, lamp.ShutterControl(1));
    EXPECT_EQ(Frame("Y040"), sim.LastFrame('4'));
    EXPECT_EQ(0u, lamp.ShutterControl(0));
    EXPECT_EQ(Frame("Y041"), sim.LastFrame('4'));
    EXPECT_EQ(0u, lamp.ColorWheelControl(4, 7));
    EXPECT_EQ(Frame("Y054007"), sim.LastFrame('5'));
    EXPECT_EQ(0u, lamp.ColorWheelControl(2, 7));
    EXPECT_EQ(Frame("Y052"), sim.LastFrame('5'));
    EXPECT_EQ(0u, lamp.LightControl(5, 42));
    EXPECT_EQ(Frame("Y06542"), sim.LastFrame('6'));
    EXPECT_EQ(0u, lamp.LightControl(1, 42));
    EXPECT_EQ(Frame("Y061"), sim.LastFrame('6'));
    EXPECT_EQ(0u, lamp.SetSerialCode(2, "ABCDEFGHIJKLMNOPQRS")); // only the first 16 travel
    EXPECT_EQ(Frame("Y0q1ABCDEFGHIJKLMNOP"), sim.LastFrame('q'));
    EXPECT_EQ(0u, lamp.SetIntervalTime(2, 7));
    EXPECT_EQ(Frame("Y0U1007"), sim.LastFrame('U'));
    EXPECT_EQ(0u, lamp.InputSelect(3));
    EXPECT_EQ(Frame("Y072"), sim.LastFrame('7'));

    // Arguments out of range are refused before sending; the limits themselves are sent.
    sim.ClearLog();
    unsigned short t = 0;
    EXPECT_EQ(kRange, lamp.SetBrightness(1, 100));
    EXPECT_EQ(kRange, lamp.SetBrightness(0, 10));
    EXPECT_EQ(kRange, lamp.SetShutterTime(4, 10));
    EXPECT_EQ(kRange, lamp.SetShutterTime(1, 10000));
    EXPECT_EQ(kRange, lamp.GetShutterTime(0, t));
    EXPECT_EQ(kRange, lamp.SetChannel(1, 4));
    EXPECT_EQ(kRange, lamp.SetIntervalTime(5, 1));
    EXPECT_EQ(kRange, lamp.GetIntervalTime(0, t));
    EXPECT_EQ(kRange, lamp.GetIntervalTime(5, t));
    EXPECT_EQ(kRange, lamp.SetImageAdjust(1, 512));
    EXPECT_EQ(kRange, lamp.SetImageAdjust(5, 32));
    EXPECT_EQ(kRange, lamp.SetImageAdjust(3, 16));
    EXPECT_EQ(kRange, lamp.SetImageAdjust(9, 0));
    EXPECT_EQ(kRange, lamp.SetSerialCode(4, "0123456789ABCDEF"));
    EXPECT_EQ(kRange, lamp.SetSerialCode(1, nullptr));
    EXPECT_EQ(0u, sim.FrameCount());
    EXPECT_EQ(0u, lamp.SetImageAdjust(5, 31));
    EXPECT_EQ(0u, lamp.SetImageAdjust(8, 15));
    EXPECT_EQ(0u, lamp.SetShutterTime(3, 9999));
}

TEST_F(LampControl2, ValuesRoundTripThroughTheControllerAndRefreshProgressIsDecoded)
{
    CreateDriver();
    unsigned short t = 0;
    unsigned char v = 0;
    ASSERT_EQ(0u, lamp.SetShutterTime(2, 1234));
    ASSERT_EQ(0u, lamp.GetShutterTime(2, t));
    EXPECT_EQ(1234, t);
    ASSERT_EQ(0u, lamp.SetBrightness(3, 7));
    ASSERT_EQ(0u, lamp.GetBrightness(3, v));
    EXPECT_EQ(7, v);
    ASSERT_EQ(0u, lamp.SetChannel(1, 2));
    ASSERT_EQ(0u, lamp.GetChannel(1, v));
    EXPECT_EQ(2, v);
    ASSERT_EQ(0u, lamp.SetColorWheelPos(2, 999));
    ASSERT_EQ(0u, lamp.GetColorWheelPos(2, t));
    EXPECT_EQ(999, t);
    ASSERT_EQ(0u, lamp.SetIntervalTime(4, 321));
    ASSERT_EQ(0u, lamp.GetIntervalTime(4, t));
    EXPECT_EQ(321, t);
    ASSERT_EQ(0u, lamp.SetImageAdjust(2, 300));
    ASSERT_EQ(0u, lamp.GetImageAdjust(2, t));
    EXPECT_EQ(300, t);

    ASSERT_EQ(0u, lamp.SetSerialCode(3, "QL-0000000000042"));
    unsigned short text[CQFrameControl::kSerialCodeCapacity];
    ASSERT_EQ(0u, lamp.GetSerialCode(3, text));
    const char16_t expected[] = u"QL-0000000000042";
    EXPECT_EQ(0, std::memcmp(expected, text, sizeof expected));

    unsigned char data = 0xC5;
    ASSERT_EQ(0u, lamp.DataOperator(3, 0x80, data));
    data = 0;
    ASSERT_EQ(0u, lamp.DataOperator(2, 0x80, data));
    EXPECT_EQ(0xC5, data);
    ASSERT_EQ(0u, lamp.FormatData());
    ASSERT_EQ(0u, lamp.DataOperator(2, 0x80, data));
    EXPECT_EQ(0xFF, data);

    sim::FrameControlState s = sim.State();
    s.Photocell = 201;
    sim.SetState(s);
    ASSERT_EQ(0u, lamp.GetPhotronicCell(v));
    EXPECT_EQ(201, v);

    // Refresh progress: the reply's data: the stage digit, then the percentage.
    unsigned char stage = 0, percent = 0;
    sim.Script(Fault::Raw(Frame("Y0E000015")), 'E');
    ASSERT_EQ(0u, lamp.GetRefreshProgress(stage, percent));
    EXPECT_EQ(1, stage);
    EXPECT_EQ(15, percent);
    sim.Script(Fault::Raw(Frame("Y0E000199")), 'E');
    ASSERT_EQ(0u, lamp.GetRefreshProgress(stage, percent));
    EXPECT_EQ(2, stage);
    EXPECT_EQ(99, percent);
    // A percentage that is no pair of digits (':' would read as 107) is refused.
    sim.Script(Fault::Raw(Frame("Y0E0001:7")), 'E');
    EXPECT_EQ(0x20360007u, lamp.GetRefreshProgress(stage, percent));
    EXPECT_EQ(2, stage);
    EXPECT_EQ(99, percent);
}

TEST_F(LampControl2, RepliesAreCutLengthCheckedErrorMappedAndAskedAgainWhenLost)
{
    CreateDriver();
    unsigned short t = 0;
    unsigned char v = 0;
    // Garbage before STX, the block check after ETX: accepted, counted from STX to ETX.
    sim.Script(Fault::GarbageBefore({0xFF, 'x', 0x00, 0x15}), 'B');
    ASSERT_EQ(0u, lamp.GetShutterTime(1, t));
    EXPECT_EQ(sim.State().Shutter[0], t);
    sim.Script(Fault::NoBlockCheck(), 'A');
    EXPECT_EQ(0u, lamp.GetBrightness(1, v));

    // A reply of the wrong length is refused and its data not read.
    t = 777;
    sim.Script(Fault::LengthDelta(-1), 'B');
    EXPECT_EQ(kLength, lamp.GetShutterTime(1, t));
    EXPECT_EQ(777, t);
    sim.Script(Fault::LengthDelta(+1), '4');
    EXPECT_EQ(kLength, lamp.ShutterControl(1));
    // Commands that read data after the error digits refuse a reply too short for it.
    sim.Script(Fault::LengthDelta(-2), 'H');
    EXPECT_EQ(kLength, lamp.GetIntervalTime(3, t));
    // Serial code: length − 11 characters; a reply too short or too long for the text.
    unsigned short text[CQFrameControl::kSerialCodeCapacity];
    sim.Script(Fault::LengthDelta(-18), 'F');
    EXPECT_EQ(kLength, lamp.GetSerialCode(1, text));
    sim.Script(Fault::LengthDelta(+17), 'F'); // 33 characters
    EXPECT_EQ(kLength, lamp.GetSerialCode(1, text));
    sim.Script(Fault::LengthDelta(+16), 'F'); // 32 characters fit
    EXPECT_EQ(0u, lamp.GetSerialCode(1, text));
    EXPECT_EQ(0, text[32]);
    // A reply shorter than the error digits.
    sim.Script(Fault::Raw({0x02, 'Y', '0', 0x03, 0x5A}), 'Q');
    EXPECT_EQ(kLength, lamp.SetBrightness(1, 1));

    // Error digits map to results; error digits that are no digits are a corrupted reply.
    const std::pair<const char*, ZanResult> table[] = {
        {"00", 0},          {"01", 0x20360011}, {"02", 0x20360012}, {"03", 0x20360013},
        {"04", 0x20360014}, {"11", 0x20360015}, {"12", 0x20360016}, {"13", 0x20360017},
        {"05", 0x20360020}, {"10", 0x20360020}, {"99", 0x20360020}, {"A1", kLength}};
    for (const auto& [digits, expected] : table) {
        sim.Script(Fault::ErrorDigits(digits[0], digits[1]), 'Q');
        EXPECT_EQ(expected, lamp.SetBrightness(1, 10)) << digits;
    }
    // Reading commands read no data on an error.
    t = 4321;
    sim.Script(Fault::ErrorDigits('0', '3'), 'B');
    EXPECT_EQ(0x20360013u, lamp.GetShutterTime(1, t));
    EXPECT_EQ(4321, t);

    // Silence, then a reply far longer than the receive pool: the end of it never reaches
    // the pool, so nothing can be cut.
    lamp.SetAttemptCount(1);
    sim.Script(Fault::Silence(), 'A');
    EXPECT_EQ(kLength, lamp.GetBrightness(1, v));
    Bytes huge{0x02};
    huge.insert(huge.end(), 3000, 'Z');
    huge.push_back(0x03);
    sim.Script(Fault::Raw(huge), 'A');
    EXPECT_EQ(kLength, lamp.GetBrightness(1, v));
    // A repeated attempt recovers from a lost reply.
    lamp.SetAttemptCount(2);
    sim.ClearLog();
    sim.Script(Fault::Silence(), 'A');
    EXPECT_EQ(0u, lamp.GetBrightness(1, v));
    EXPECT_EQ(2u, sim.FrameCount());
}

TEST_F(LampControl2, PollingStatusPaths)
{
    CreateDriver();
    // PollingStatus(0) gives up without asking.
    EXPECT_EQ(kTimedOut, lamp.PollingStatus(0));
    EXPECT_EQ(0u, sim.FrameCount());

    // Status '0' ends after one poll.
    EXPECT_EQ(0u, lamp.PollingStatus(1000));
    EXPECT_EQ(1u, sim.FrameCount());

    // '5' restarts the window: these polls span far more than the 250 ms window.
    sim.ScriptStatusSequence("22522520");
    EXPECT_TRUE(Takes(0, 480, kNoUpperBound, [&] { return lamp.PollingStatus(250); }));

    // A controller that stays busy runs the window out.
    sim.ScriptStatusSequence(std::string(20, '2'));
    EXPECT_TRUE(Takes(kTimedOut, 299, 700, [&] { return lamp.PollingStatus(300); }));

    // Final '0' clears every controller error but digits 1 1; '?' keeps the error.
    sim.ClearScript();
    sim.Script(Fault::ErrorDigits('0', '2'), '1');
    EXPECT_EQ(0u, lamp.PollingStatus(1000));
    sim.Script(Fault::ErrorDigits('1', '1'), '1');
    EXPECT_EQ(0x20360015u, lamp.PollingStatus(1000));
    sim.ScriptStatusSequence("?");
    sim.Script(Fault::ErrorDigits('0', '3'), '1');
    EXPECT_EQ(0x20360013u, lamp.PollingStatus(1000));

    // A '5' followed by replies without a status does not hold the wait open for ever.
    sim.ScriptStatusSequence("5");
    for (int i = 0; i < 40; ++i) sim.Script(Fault::LengthDelta(-1), '1');
    EXPECT_TRUE(Takes(kTimedOut, 0, 1000, [&] { return lamp.PollingStatus(300); }));
    sim.ClearScript();

    // A closed line: seven polls, 100 ms apart, then the line's failure.
    sim.CloseLine();
    EXPECT_TRUE(Takes(0x20000006u, 690, 1500, [&] { return lamp.PollingStatus(10000); }));
    unsigned char v = 0;
    EXPECT_EQ(0x20000006u, lamp.GetBrightness(1, v));
}

TEST_F(LampControl2, ExposeWaitsForTheControllerWithinTheCachedShutterTime)
{
    CreateDriver(30, 0, 0);
    // 300 ms exposure: returns once the controller reports done.
    EXPECT_TRUE(Takes(0, 299, 1500, [&] { return lamp.Expose(1); }));
    EXPECT_EQ(1, sim.State().Exposures);

    // SetShutterTime leaves the cache alone: channel 2 still waits (0 + 20) × 100 ms,
    // though the controller now exposes for 99.99 s.
    ASSERT_EQ(0u, lamp.SetShutterTime(2, 9999));
    EXPECT_TRUE(Takes(kTimedOut, 2140, 2700, [&] { return lamp.Expose(2); }));

    // A channel outside 1..5 is sent and waited for 2 seconds at most.
    sim.ScriptStatusSequence(std::string(40, '2'));
    EXPECT_TRUE(Takes(kTimedOut, 0, 2700, [&] { return lamp.Expose(9); }));
    EXPECT_EQ(Frame("Y039"), sim.LastFrame('3'));
}

} // namespace
} // namespace qlcos::test
