// Replies that come after their command's wait, and waits ended from another thread.
#include "line_test_device.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace qlcos::test;
using Clock = std::chrono::steady_clock;

namespace {

const int kPort = 44;

class LateReplies : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        zanSetSerialPortPath(kPort, peer.Path().c_str());
    }
    void TearDown() override { zanSetSerialPortPath(kPort, nullptr); }

    double TimedSend(const Bytes& command) // ms
    {
        device.ClearPool();
        const auto start = Clock::now();
        EXPECT_EQ(ZAN_COM_OK, device.Send(command.data(), int(command.size()), &device));
        return MillisecondsSince(start);
    }

    PtyPeer peer;
    LineTestDevice device;
    const Bytes first = {'1', kEtx}, second = {'2', kEtx};
};

} // namespace

TEST_F(LateReplies, AReplyAfterTheTimeOutIsNotTakenForTheNextCommandsAnswer)
{
    ASSERT_EQ(ZAN_COM_OK, device.Open(kPort, 100));
    // Answered in time: the next command goes out at once.
    std::thread far([&] {
        for (const Bytes* command : {&first, &second}) {
            peer.Read(2, 2000);
            peer.Write(EchoOf(*command));
        }
    });
    EXPECT_EQ(EchoOf(first), device.Ask(first));
    EXPECT_LT(TimedSend(second), 30.0);
    EXPECT_EQ(EchoOf(second), device.Pool());
    far.join();

    // The first reply comes 20 ms after its command gave up, when the next command would
    // be out already: that one waits for the line to fall quiet and gets its own answer.
    std::promise<void> gaveUp;
    far = std::thread([&] {
        peer.Read(2, 2000);
        gaveUp.get_future().wait_for(std::chrono::seconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // a slow device
        peer.Write(EchoOf(first));
        peer.Read(2, 2000);
        peer.Write(EchoOf(second));
    });
    EXPECT_TRUE(device.Ask(first).empty());
    gaveUp.set_value();
    const double waited = TimedSend(second);
    EXPECT_EQ(EchoOf(second), device.Pool());
    far.join();
    EXPECT_GE(waited, 50.0);
    EXPECT_LT(waited, 300.0);

    // A line that never falls quiet holds the next command back 250 ms at most.
    std::atomic<bool> sent{false};
    far = std::thread([&] {
        peer.Read(2, 2000);
        for (; !sent; std::this_thread::sleep_for(std::chrono::milliseconds(10))) peer.Write({'x'});
    });
    device.Ask(first);
    const double bounded = TimedSend(second);
    sent = true;
    far.join();
    EXPECT_GE(bounded, 249.0);
    EXPECT_LT(bounded, 600.0);
}

TEST_F(LateReplies, CancelAndCloseEndWaitsFromAnotherThreadAtOnce)
{
    ASSERT_EQ(ZAN_COM_OK, device.Open(kPort, 5000));
    std::atomic<Clock::time_point> stoppedAt{Clock::now()};
    // Runs `stop` on another thread once the command is on the line (or after 30 ms when
    // there is none); checks that `wait` ended within 50 ms of it.
    auto endsAtOnce = [&](const Bytes& command, auto stop, auto wait) {
        std::thread other([&] {
            if (command.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(30));
            peer.Read(command.size(), 2000);
            stoppedAt = Clock::now();
            stop();
        });
        const auto start = Clock::now();
        wait();
        EXPECT_LT(MillisecondsSince(stoppedAt.load()), 50.0);
        EXPECT_LT(MillisecondsSince(start), 2000.0);
        other.join();
    };
    endsAtOnce(
        first, [&] { device.Cancel(); }, [&] { EXPECT_TRUE(device.Ask(first).empty()); });
    device.ClearCancel();
    endsAtOnce(
        {}, [&] { device.Cancel(); }, [&] { EXPECT_FALSE(device.Pause(5000)); });

    // While cancelled, a command goes out at once, though its predecessor's reply may
    // still come (that wait is left to the next command), and does not wait for its reply.
    EXPECT_LT(TimedSend(second), 30.0);
    const auto start = Clock::now();
    EXPECT_TRUE(device.Pool().empty());
    EXPECT_FALSE(device.Pause(5000));
    EXPECT_LT(MillisecondsSince(start), 50.0);
    EXPECT_EQ(second, peer.Read(2, 2000));
    device.ClearCancel();
    EXPECT_TRUE(device.Pause(1));

    endsAtOnce(
        first, [&] { device.Destroy(); }, [&] { EXPECT_TRUE(device.Ask(first).empty()); });
    EXPECT_FALSE(device.IsOpen());
}
