// Replies that come after their command's wait, and waits ended from another thread.
#include "line_test_device.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

using namespace qlcos::test;
using Clock = std::chrono::steady_clock;

namespace {

const int kPort = 44;

// A one-shot signal between the test and the far end it plays.
class Signal {
public:
    void Raise()
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Raised = true;
        m_Cv.notify_all();
    }
    bool Wait(int timeoutMs)
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        return m_Cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_Raised; });
    }

private:
    std::mutex m_Mutex;
    std::condition_variable m_Cv;
    bool m_Raised = false;
};

class LateReplies : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        zanSetSerialPortPath(kPort, peer.Path().c_str());
    }
    void TearDown() override { zanSetSerialPortPath(kPort, nullptr); }

    // Sends `command` and returns how long Send took.
    double TimedSend(const Bytes& command)
    {
        device.ClearPool();
        const auto start = Clock::now();
        EXPECT_EQ(ZAN_COM_OK, device.Send(command.data(), int(command.size()), &device));
        return MillisecondsSince(start);
    }
    Bytes Pool()
    {
        Bytes pool(LineTestDevice::kPoolBytes);
        pool.resize(static_cast<size_t>(device.GetPoolData(pool.data(), 0)));
        return pool;
    }

    PtyPeer peer;
    LineTestDevice device;
};

} // namespace

TEST_F(LateReplies, AReplyAfterTheTimeOutIsNotTakenForTheNextCommandsAnswer)
{
    ASSERT_EQ(ZAN_COM_OK, device.Open(kPort, 100));
    const Bytes first = {'1', kEtx}, second = {'2', kEtx}, third = {'3', kEtx};

    // Answered in time: the next command goes out at once.
    std::thread far([&] {
        peer.Read(2, 2000);
        peer.Write(EchoOf(first));
        peer.Read(2, 2000);
        peer.Write(EchoOf(second));
    });
    EXPECT_EQ(EchoOf(first), device.Ask(first));
    EXPECT_LT(TimedSend(second), 30.0);
    EXPECT_EQ(EchoOf(second), Pool());
    far.join();

    // The first reply comes 20 ms after its command gave up, while the next command would
    // already be out: the next command waits for the line to fall quiet and gets its own.
    Signal gaveUp;
    far = std::thread([&] {
        peer.Read(2, 2000);
        gaveUp.Wait(2000);
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the device is slow
        peer.Write(EchoOf(first));
        peer.Read(2, 2000);
        peer.Write(EchoOf(second));
    });
    EXPECT_TRUE(device.Ask(first).empty());
    gaveUp.Raise();
    const double waited = TimedSend(second);
    EXPECT_EQ(EchoOf(second), Pool());
    far.join();
    EXPECT_GE(waited, 50.0); // quiet for 50 ms after the late reply, 2 character times more
    EXPECT_LT(waited, 300.0);

    // A line that never falls quiet holds the next command back 250 ms at most.
    Signal sent;
    far = std::thread([&] {
        peer.Read(2, 2000);
        while (!sent.Wait(10)) peer.Write({'x'});
    });
    device.Ask(third);
    const double bounded = TimedSend(second);
    sent.Raise();
    far.join();
    EXPECT_GE(bounded, 249.0);
    EXPECT_LT(bounded, 600.0);
}

TEST_F(LateReplies, CancelAndCloseEndWaitsFromAnotherThreadAtOnce)
{
    ASSERT_EQ(ZAN_COM_OK, device.Open(kPort, 5000));
    std::atomic<Clock::time_point> stoppedAt{Clock::time_point::max()};

    // A response wait.
    std::thread other([&] {
        peer.Read(2, 2000);
        stoppedAt = Clock::now();
        device.Cancel();
    });
    auto start = Clock::now();
    EXPECT_TRUE(device.Ask({'a', kEtx}).empty());
    EXPECT_LT(MillisecondsSince(stoppedAt.load()), 50.0);
    EXPECT_LT(MillisecondsSince(start), 2000.0);
    other.join();

    // A pause (cancelled while it runs, or before it began: Cancel stays until cleared).
    device.ClearCancel();
    other = std::thread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        stoppedAt = Clock::now();
        device.Cancel();
    });
    start = Clock::now();
    EXPECT_FALSE(device.Pause(5000));
    EXPECT_LT(MillisecondsSince(stoppedAt.load()), 50.0);
    EXPECT_LT(MillisecondsSince(start), 2000.0);
    other.join();

    // While cancelled, a command goes out at once (its predecessor's reply may still come,
    // but that wait is left to the next command) and does not wait for its reply either.
    EXPECT_LT(TimedSend({'b', kEtx}), 30.0);
    start = Clock::now();
    EXPECT_TRUE(Pool().empty());
    EXPECT_FALSE(device.Pause(5000));
    EXPECT_LT(MillisecondsSince(start), 50.0);
    EXPECT_EQ(Bytes({'b', kEtx}), peer.Read(2, 2000));
    device.ClearCancel();
    EXPECT_TRUE(device.Pause(1));

    // Closing the port from another thread.
    other = std::thread([&] {
        peer.Read(2, 2000);
        stoppedAt = Clock::now();
        device.Destroy();
    });
    start = Clock::now();
    EXPECT_TRUE(device.Ask({'c', kEtx}).empty());
    EXPECT_LT(MillisecondsSince(stoppedAt.load()), 50.0);
    EXPECT_LT(MillisecondsSince(start), 2000.0);
    other.join();
    EXPECT_FALSE(device.IsOpen());
}
