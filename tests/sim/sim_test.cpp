// Self-check of the lamp controller 2 simulator, driven as a host would: through the slave
// side of its pseudo-terminal, with frames built and checked here independently.
#include "lamp_control2_sim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
using qlsim::Fault;

uint8_t Xor(const Bytes& bytes, size_t from) {
    uint8_t x = 0;
    for (size_t i = from; i < bytes.size(); ++i) x ^= bytes[i];
    return x;
}

// STX, letter, '0', command and parameters, ETX, block check.
Bytes Request(const std::string& body, char letter = 'Y') {
    Bytes f{0x02, static_cast<uint8_t>(letter), '0'};
    f.insert(f.end(), body.begin(), body.end());
    f.push_back(0x03);
    f.push_back(Xor(f, 1));
    return f;
}

// STX, 'Y', '0', command, '0', error digits, data, ETX, block check.
Bytes Reply(char command, const std::string& error, const std::string& data) {
    Bytes f{0x02, 'Y', '0', static_cast<uint8_t>(command), '0'};
    f.insert(f.end(), error.begin(), error.end());
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(0x03);
    f.push_back(Xor(f, 1));
    return f;
}

class LampControl2SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        fd = ::open(sim.Path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        termios t{};
        ASSERT_EQ(::tcgetattr(fd, &t), 0);
        ::cfmakeraw(&t);
        ASSERT_EQ(::tcsetattr(fd, TCSANOW, &t), 0);
    }
    void TearDown() override {
        if (fd >= 0) ::close(fd);
    }

    void Send(const Bytes& bytes) {
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Whatever arrives until `want` bytes are in or `timeoutMs` has passed.
    Bytes Read(size_t want, int timeoutMs) {
        Bytes got;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < want && Clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                              Clock::now());
            if (::poll(&p, 1, static_cast<int>(left.count()) + 1) <= 0) break;
            uint8_t buffer[256];
            ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, want - got.size()));
            if (n <= 0) break;
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }
    // Sends a request and returns the reply, expected to be `length` bytes with nothing after.
    Bytes Exchange(const std::string& body, size_t length) {
        Send(Request(body));
        Bytes reply = Read(length, 1000);
        EXPECT_TRUE(Read(1, 20).empty()) << "bytes after the reply";
        return reply;
    }
    char PollStatus() { return static_cast<char>(Exchange("10", 11).at(7)); }

    qlsim::LampControl2Sim sim;
    int fd = -1;
};

TEST_F(LampControl2SimTest, AnswersCommandsAndKeepsSettings) {
    EXPECT_EQ(Exchange("\x7F" "0", 34), Reply(0x7F, "00", "VORTANE XAVEN LAMPCONTROL"));
    // SetShutterTime(1, 150) exactly as the host builds it.
    Send({0x02, 0x59, 0x30, 0x52, 0x31, 0x30, 0x31, 0x35, 0x30, 0x03, 0x0D});
    EXPECT_EQ(Read(9, 1000), Reply('R', "00", ""));
    EXPECT_EQ(Exchange("B1", 13), Reply('B', "00", "0150"));
    EXPECT_EQ(Exchange("B7", 9), Reply('B', "02", ""));
    EXPECT_EQ(Exchange("Z0", 9), Reply('Z', "01", ""));
    EXPECT_EQ(Exchange("F0", 28), Reply('F', "00", "SERIAL-000000001000"));
    EXPECT_EQ(Exchange("s31A5B", 13), Reply('s', "00", "5B00"));  // write, then read back
    EXPECT_EQ(Exchange("s21A00", 13), Reply('s', "00", "5B00"));
    EXPECT_EQ(Exchange("t4032", 9), Reply('t', "02", ""));  // item 5 takes at most 31
    EXPECT_EQ(sim.State().shutter[0], 150);
    EXPECT_EQ(sim.State().store[0x1A], 0x5B);
    sim.SetIdentity("OTHER");
    EXPECT_EQ(Exchange("\x7F" "0", 14), Reply(0x7F, "00", "OTHER"));
    EXPECT_EQ(sim.LastFrame('B'), Request("B7"));
}

TEST_F(LampControl2SimTest, ExposureIsBusyForTheShutterTime) {
    const auto start = Clock::now();
    EXPECT_EQ(Exchange("31", 9), Reply('3', "00", ""));  // channel 1: 10 × 10 ms
    EXPECT_EQ(PollStatus(), '2');
    while (PollStatus() != '0') {
        ASSERT_LT(Clock::now() - start, std::chrono::seconds(1));
        ::usleep(10000);
    }
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(sim.State().exposures, 1);
    EXPECT_EQ(sim.State().lastExposeChannel, 1);
}

TEST_F(LampControl2SimTest, IgnoresWhatIsNotAValidRequestForIt) {
    Bytes badCheck = Request("B1");
    badCheck.back() ^= 0x01;
    Send({'x', 'y'});
    Send(badCheck);
    Send(Request("B1", 'h'));                // another model's letter
    Send(Bytes(5000, 'A'));                  // no STX: stray bytes
    Bytes huge(5000, '9');
    huge[0] = 0x02;                          // a frame far too long
    Send(huge);
    Send({0x03, 0x00});
    EXPECT_TRUE(sim.WaitForFrames(2, 1000));
    EXPECT_TRUE(Read(1, 200).empty());
    EXPECT_EQ(Exchange("B2", 13), Reply('B', "00", "0020"));  // still answering
    EXPECT_EQ(sim.FrameCount(), 3u);                          // the long one was dropped
    EXPECT_EQ(sim.Frames()[0], badCheck);
}

TEST_F(LampControl2SimTest, ScriptedFaultsReplaceRepliesInOrder) {
    sim.Script(Fault::ErrorDigits('1', '1'));
    sim.Script(Fault::Silence(), 'B');
    sim.Script(Fault::GarbageBefore({0xAA, 0x02}), 'B');
    sim.Script(Fault::LengthDelta(-2), 'B');
    sim.Script(Fault::NoBlockCheck(), 'A');
    sim.ScriptStatusSequence("52");

    Send(Request("B1"));
    EXPECT_TRUE(Read(1, 200).empty());
    Bytes withGarbage{0xAA, 0x02};
    for (uint8_t b : Reply('B', "00", "0010")) withGarbage.push_back(b);
    EXPECT_EQ(Exchange("B1", 15), withGarbage);
    EXPECT_EQ(Exchange("B1", 11), Reply('B', "00", "00"));
    Bytes noCheck = Reply('A', "00", "50");
    noCheck.pop_back();
    EXPECT_EQ(Exchange("A1", 10), noCheck);
    EXPECT_EQ(Exchange("C1", 10), Reply('C', "11", "1"));  // the any-command fault
    EXPECT_EQ(PollStatus(), '5');
    EXPECT_EQ(PollStatus(), '2');
    EXPECT_EQ(PollStatus(), '0');
    EXPECT_EQ(Exchange("B1", 13), Reply('B', "00", "0010"));  // script used up
}

TEST_F(LampControl2SimTest, PacesRepliesAtTenBitsPerByte) {
    sim.SetPacing(9600);
    const auto start = Clock::now();
    Send(Request("\x7F" "0"));
    EXPECT_EQ(Read(34, 1000), Reply(0x7F, "00", "VORTANE XAVEN LAMPCONTROL"));
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::microseconds(34 * 10 * 1000000 / 9600));
    EXPECT_LT(elapsed, std::chrono::milliseconds(200));
}

TEST_F(LampControl2SimTest, ClosingTheLineHangsUpTheHost) {
    for (bool byFault : {true, false}) {
        SCOPED_TRACE(byFault ? "scripted fault" : "CloseLine");
        if (byFault) {
            sim.Script(Fault::CloseLine(), 'B');
            Send(Request("B1"));
        } else {
            sim.CloseLine();
        }
        pollfd p{fd, POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 1000), 1);
        EXPECT_NE(p.revents & POLLHUP, 0);
        sim.Stop();
        // A fresh line for the next round.
        ::close(fd);
        ASSERT_TRUE(sim.Start());
        fd = ::open(sim.Path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
    }
}

}  // namespace
