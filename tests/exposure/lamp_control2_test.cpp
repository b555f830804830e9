// The lamp controller 2 driver end to end against the simulated controller on a
// pseudo-terminal: frames byte for byte, reply cutting, error mapping, status polling,
// range checks, caches and waits.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "sim/lamp_control2_sim.h"
#include "support/driver_fixture.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <cstring>

using qlcos::sim::Fault;
using qlcos::sim::LampControl2Sim;
using qlcos::test::Frame;
using qlcos::test::MillisecondsSince;
using qlcos::test::PtyPeer;
using qlcos::test::ThreadCount;
using qlcos::test::ThreadCountSettled;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

namespace {

const int kPort = 7;

class LampControl2
    : public qlcos::test::DriverOnSimulator<CQLampControl2, qlcos::sim::LampControl2Sim, kPort> {
protected:
    void CreateLamp() { CreateDriver(); }
    void SetSimShutterTimes(uint16_t t1, uint16_t t2, uint16_t t3)
    {
        qlcos::sim::FrameControlState s = sim.State();
        s.Shutter[0] = t1;
        s.Shutter[1] = t2;
        s.Shutter[2] = t3;
        sim.SetState(s);
    }

    CQLampControl2& lamp{driver};
};

} // namespace

TEST_F(LampControl2, CreateIdentifiesTheControllerAndReadsItsTimes)
{
    EXPECT_EQ(1, lamp.IsDeviceTypeOf(0x306));
    EXPECT_EQ(0, lamp.IsDeviceTypeOf(0x301));
    ASSERT_EQ(0u, lamp.Create(kPort, -1));
    const auto frames = sim.Frames();
    ASSERT_EQ(6u, frames.size());
    EXPECT_EQ(Frame("Y0\x7f"
                    "0"),
              frames[0]);
    EXPECT_EQ(Frame("Y0B1"), frames[1]);
    EXPECT_EQ(Frame("Y0B2"), frames[2]);
    EXPECT_EQ(Frame("Y0B3"), frames[3]);
    EXPECT_EQ(Frame("Y0H0"), frames[4]);
    EXPECT_EQ(Frame("Y0H1"), frames[5]);

    char version[CQFrameControl::kVersionTextCapacity];
    EXPECT_EQ(0u, lamp.GetVersion(version));
    EXPECT_STREQ("VORTANE XAVEN LAMPCONTROL", version);
    EXPECT_EQ(0x20000009u, lamp.Create(kPort, -1)); // already open
}

TEST_F(LampControl2, IdentityIsComparedOverItsFirst25Characters)
{
    const int threads = ThreadCount();
    sim.SetIdentity("VORTANE XAVEN LAMPCONTROX");
    EXPECT_EQ(0x20360008u, lamp.Create(kPort, -1));
    EXPECT_FALSE(lamp.IsOpen());
    EXPECT_EQ(threads, ThreadCountSettled(threads));
    sim.SetIdentity("VORTANE XAVEN LAMPCONTROL V2.31");
    EXPECT_EQ(0u, lamp.Create(kPort, -1));
    lamp.Destroy();
    sim.SetIdentity("VORTANE XAVEN");
    EXPECT_EQ(0x20360008u, lamp.Create(kPort, -1));
    // An identity reply too short to hold a text at all.
    sim.SetIdentity("");
    sim.Script(Fault::Raw({0x02, 'Y', '0', 0x7F, 0x03}), 0x7F);
    EXPECT_EQ(0x20360007u, lamp.Create(kPort, -1));
}

TEST(LampControl2Silence, CreateGivesUpWithinTheAttemptsAndLeavesNoThread)
{
    PtyPeer peer; // a line with nobody answering
    ASSERT_TRUE(peer.Ok());
    zanSetSerialPortPath(kPort, peer.Path().c_str());
    const int threads = ThreadCount();
    CQLampControl2 lamp;
    const auto start = Clock::now();
    EXPECT_EQ(0x20360007u, lamp.Create(kPort, -1));
    const double elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, lamp.GetAttemptCount() * 500.0 - 10);
    EXPECT_LT(elapsed, lamp.GetAttemptCount() * 500.0 + 400);
    EXPECT_EQ(threads, ThreadCountSettled(threads));
    // Every attempt sent the identity request again.
    const Bytes sent = peer.Read(7 * 3, 100);
    EXPECT_EQ(static_cast<size_t>(7 * lamp.GetAttemptCount()), sent.size());
    zanSetSerialPortPath(kPort, nullptr);

    // A port that does not exist fails at once with the framework's result.
    zanSetSerialPortPath(kPort, "/nonexistent/tty");
    EXPECT_EQ(0x20000001u, lamp.Create(kPort, -1));
    zanSetSerialPortPath(kPort, nullptr);
}

TEST_F(LampControl2, FramesAreByteExact)
{
    SetSimShutterTimes(0, 0, 0);
    CreateLamp();
    unsigned char data = 0;
    unsigned short t = 0;
    const char code[] = "ABCDEFGHIJKLMNOPQRS"; // only the first 16 travel

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
    EXPECT_EQ(0u, lamp.SetSerialCode(2, code));
    EXPECT_EQ(Frame("Y0q1ABCDEFGHIJKLMNOP"), sim.LastFrame('q'));
    EXPECT_EQ(0u, lamp.GetIntervalTime(1, t));
    EXPECT_EQ(Frame("Y0H0"), sim.LastFrame('H'));
    EXPECT_EQ(0u, lamp.SetIntervalTime(2, 7));
    EXPECT_EQ(Frame("Y0U1007"), sim.LastFrame('U'));
    EXPECT_EQ(0u, lamp.SetColorWheelPos(3, 45));
    EXPECT_EQ(Frame("Y0T3045"), sim.LastFrame('T'));
    EXPECT_EQ(0u, lamp.SetChannel(2, 3));
    EXPECT_EQ(Frame("Y0S23"), sim.LastFrame('S'));
    EXPECT_EQ(0u, lamp.SetImageAdjust(1, 511));
    EXPECT_EQ(Frame("Y0t0511"), sim.LastFrame('t'));
    EXPECT_EQ(0u, lamp.InputSelect(3));
    EXPECT_EQ(Frame("Y072"), sim.LastFrame('7'));
    EXPECT_EQ(0u, lamp.FormatData());
    EXPECT_EQ(Frame("Y0r0"), sim.LastFrame('r'));
    EXPECT_EQ(0u, lamp.RefreshLightTable());
    EXPECT_EQ(Frame("Y080"), sim.LastFrame('8'));
}

TEST_F(LampControl2, ArgumentsOutOfRangeAreRefusedBeforeSending)
{
    CreateLamp();
    unsigned short t = 0;
    const ZanResult range = 0x20360012;
    EXPECT_EQ(range, lamp.SetBrightness(1, 100));
    EXPECT_EQ(range, lamp.SetBrightness(0, 10));
    EXPECT_EQ(range, lamp.SetShutterTime(4, 10));
    EXPECT_EQ(range, lamp.SetShutterTime(1, 10000));
    EXPECT_EQ(range, lamp.GetShutterTime(0, t));
    EXPECT_EQ(range, lamp.SetChannel(1, 4));
    EXPECT_EQ(range, lamp.SetChannel(1, 0));
    EXPECT_EQ(range, lamp.SetColorWheelPos(1, 1000));
    EXPECT_EQ(range, lamp.SetIntervalTime(5, 1));
    EXPECT_EQ(range, lamp.SetIntervalTime(1, 1000));
    EXPECT_EQ(range, lamp.GetIntervalTime(5, t));
    EXPECT_EQ(range, lamp.GetIntervalTime(0, t));
    EXPECT_EQ(range, lamp.SetImageAdjust(1, 512));
    EXPECT_EQ(range, lamp.SetImageAdjust(5, 32));
    EXPECT_EQ(range, lamp.SetImageAdjust(3, 16));
    EXPECT_EQ(range, lamp.SetImageAdjust(9, 0));
    EXPECT_EQ(range, lamp.GetImageAdjust(0, t));
    EXPECT_EQ(range, lamp.SetSerialCode(4, "0123456789ABCDEF"));
    EXPECT_EQ(range, lamp.SetSerialCode(1, nullptr));
    EXPECT_EQ(0u, sim.FrameCount());
    // The limits themselves are accepted.
    EXPECT_EQ(0u, lamp.SetImageAdjust(5, 31));
    EXPECT_EQ(0u, lamp.SetImageAdjust(8, 15));
    EXPECT_EQ(0u, lamp.SetShutterTime(3, 9999));
}

TEST_F(LampControl2, ValuesRoundTripThroughTheController)
{
    CreateLamp();
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

    qlcos::sim::FrameControlState s = sim.State();
    s.Photocell = 201;
    sim.SetState(s);
    ASSERT_EQ(0u, lamp.GetPhotronicCell(v));
    EXPECT_EQ(201, v);
}

TEST_F(LampControl2, RefreshProgressDecodesStageAndClampsPercent)
{
    CreateLamp();
    unsigned char stage = 0, percent = 0;
    auto progressReply = [](char a, char b1, char b2) {
        Bytes r{0x02,
                'Y',
                '0',
                'E',
                '0',
                '0',
                '0',
                static_cast<uint8_t>(a),
                static_cast<uint8_t>(b1),
                static_cast<uint8_t>(b2),
                0x03};
        uint8_t x = 0;
        for (size_t i = 1; i < r.size(); ++i) x ^= r[i];
        r.push_back(x);
        return r;
    };
    sim.Script(Fault::Raw(progressReply('0', '1', '5')), 'E');
    ASSERT_EQ(0u, lamp.GetRefreshProgress(stage, percent));
    EXPECT_EQ(1, stage);
    EXPECT_EQ(15, percent);
    sim.Script(Fault::Raw(progressReply('1', '9', '9')), 'E');
    ASSERT_EQ(0u, lamp.GetRefreshProgress(stage, percent));
    EXPECT_EQ(2, stage);
    EXPECT_EQ(99, percent);
    sim.Script(Fault::Raw(progressReply('1', ':', '7')), 'E'); // reads as 107
    ASSERT_EQ(0u, lamp.GetRefreshProgress(stage, percent));
    EXPECT_EQ(100, percent);
    // The simulator's own refresh: busy at first, progress on the way.
    ASSERT_EQ(0u, lamp.RefreshLightTable());
    ASSERT_EQ(0u, lamp.GetRefreshProgress(stage, percent));
    EXPECT_LE(percent, 100);
}

TEST_F(LampControl2, ErrorDigitsMapToResultCodes)
{
    CreateLamp();
    const struct {
        char d1, d2;
        ZanResult expected;
    } table[] = {
        {'0', '0', 0},
        {'0', '1', 0x20360011},
        {'0', '2', 0x20360012},
        {'0', '3', 0x20360013},
        {'0', '4', 0x20360014},
        {'1', '1', 0x20360015},
        {'1', '2', 0x20360016},
        {'1', '3', 0x20360017},
        {'0', '5', 0x20360020},
        {'1', '0', 0x20360020},
        {'9', '9', 0x20360020},
        {'A', '1', 0x20360015}, // only the low nibble of the first digit counts
    };
    for (const auto& row : table) {
        sim.Script(Fault::ErrorDigits(row.d1, row.d2), 'Q');
        EXPECT_EQ(row.expected, lamp.SetBrightness(1, 10)) << row.d1 << row.d2;
    }
    // Reading commands read no data on an error.
    unsigned short t = 4321;
    sim.Script(Fault::ErrorDigits('0', '3'), 'B');
    EXPECT_EQ(0x20360013u, lamp.GetShutterTime(1, t));
    EXPECT_EQ(4321, t);
}

TEST_F(LampControl2, RepliesAreCutFromStxToEtxAndLengthsChecked)
{
    CreateLamp();
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
    EXPECT_EQ(0x20360007u, lamp.GetShutterTime(1, t));
    EXPECT_EQ(777, t);
    sim.Script(Fault::LengthDelta(+1), 'C');
    EXPECT_EQ(0x20360007u, lamp.GetChannel(1, v));
    sim.Script(Fault::LengthDelta(+1), '4');
    EXPECT_EQ(0x20360007u, lamp.ShutterControl(1));
    // Commands that read data after the error digits refuse a reply too short for it.
    sim.Script(Fault::LengthDelta(-2), 'H');
    EXPECT_EQ(0x20360007u, lamp.GetIntervalTime(3, t));
    sim.Script(Fault::LengthDelta(-3), 'G');
    EXPECT_EQ(0x20360007u, lamp.GetPhotronicCell(v));
    // Serial code: length − 11 characters; a reply too short or too long for the text.
    unsigned short text[CQFrameControl::kSerialCodeCapacity];
    sim.Script(Fault::LengthDelta(-18), 'F');
    EXPECT_EQ(0x20360007u, lamp.GetSerialCode(1, text));
    sim.Script(Fault::LengthDelta(+17), 'F'); // 33 characters
    EXPECT_EQ(0x20360007u, lamp.GetSerialCode(1, text));
    sim.Script(Fault::LengthDelta(+16), 'F'); // 32 characters fit
    EXPECT_EQ(0u, lamp.GetSerialCode(1, text));
    EXPECT_EQ(0, text[32]);
    // A reply shorter than the error digits.
    sim.Script(Fault::Raw({0x02, 'Y', '0', 0x03, 0x5A}), 'Q');
    EXPECT_EQ(0x20360007u, lamp.SetBrightness(1, 1));
}

TEST_F(LampControl2, LostAndOversizedRepliesStayInsideTheBuffers)
{
    CreateLamp();
    lamp.SetAttemptCount(1);
    unsigned char v = 0;
    // Silence, then a reply far longer than the receive pool: the end of it never reaches
    // the pool, so nothing can be cut.
    sim.Script(Fault::Silence(), 'A');
    EXPECT_EQ(0x20360007u, lamp.GetBrightness(1, v));
    Bytes huge{0x02};
    huge.insert(huge.end(), 3000, 'Z');
    huge.push_back(0x03);
    sim.Script(Fault::Raw(huge), 'A');
    EXPECT_EQ(0x20360007u, lamp.GetBrightness(1, v));
    // A repeated attempt recovers from a lost reply.
    lamp.SetAttemptCount(2);
    sim.Script(Fault::Silence(), 'A');
    EXPECT_EQ(0u, lamp.GetBrightness(1, v));
    EXPECT_EQ(2u, sim.FrameCount() - 2);
}

TEST_F(LampControl2, PollingStatusPaths)
{
    CreateLamp();
    // PollingStatus(0) gives up without asking.
    EXPECT_EQ(0x20360006u, lamp.PollingStatus(0));
    EXPECT_EQ(0u, sim.FrameCount());

    // Status '0' ends after one poll.
    EXPECT_EQ(0u, lamp.PollingStatus(1000));
    EXPECT_EQ(1u, sim.FrameCount());

    // '5' restarts the window: these polls span far more than the 250 ms window.
    sim.ScriptStatusSequence("22522520");
    auto start = Clock::now();
    EXPECT_EQ(0u, lamp.PollingStatus(250));
    EXPECT_GE(MillisecondsSince(start), 480.0);

    // A controller that stays busy runs the window out.
    sim.ScriptStatusSequence(std::string(20, '2'));
    start = Clock::now();
    EXPECT_EQ(0x20360006u, lamp.PollingStatus(300));
    EXPECT_GE(MillisecondsSince(start), 299.0);
    EXPECT_LT(MillisecondsSince(start), 700.0);

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
    start = Clock::now();
    EXPECT_EQ(0x20360006u, lamp.PollingStatus(300));
    EXPECT_LT(MillisecondsSince(start), 1000.0);
    sim.ClearScript();
}

TEST_F(LampControl2, PollingGivesUpAfterSevenLineFailures)
{
    CreateLamp();
    sim.CloseLine();
    const auto start = Clock::now();
    EXPECT_EQ(0x20000006u, lamp.PollingStatus(10000));
    const double elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 690.0); // seven polls, 100 ms apart
    EXPECT_LT(elapsed, 1500.0);
    unsigned char v = 0;
    EXPECT_EQ(0x20000006u, lamp.GetBrightness(1, v));
}

TEST_F(LampControl2, ExposeWaitsForTheControllerWithinTheCachedShutterTime)
{
    SetSimShutterTimes(30, 0, 0);
    CreateLamp();
    // 300 ms exposure: returns once the controller reports done.
    auto start = Clock::now();
    EXPECT_EQ(0u, lamp.Expose(1));
    EXPECT_GE(MillisecondsSince(start), 299.0);
    EXPECT_LT(MillisecondsSince(start), 1500.0);
    EXPECT_EQ(1, sim.State().Exposures);

    // SetShutterTime leaves the cache alone: channel 2 still waits (0 + 20) × 100 ms,
    // though the controller now exposes for 99.99 s.
    ASSERT_EQ(0u, lamp.SetShutterTime(2, 9999));
    start = Clock::now();
    EXPECT_EQ(0x20360006u, lamp.Expose(2));
    EXPECT_GE(MillisecondsSince(start), 2140.0);
    EXPECT_LT(MillisecondsSince(start), 2700.0);

    // A channel outside 1..5 is sent and waited for 2 seconds at most.
    sim.ScriptStatusSequence(std::string(40, '2'));
    start = Clock::now();
    EXPECT_EQ(0x20360006u, lamp.Expose(9));
    EXPECT_EQ(Frame("Y039"), sim.LastFrame('3'));
    EXPECT_LT(MillisecondsSince(start), 2700.0);
}
