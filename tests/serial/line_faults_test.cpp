// A line that hangs up and comes back, and ports that only one control may hold.
#include "line_test_device.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>

using namespace qlcos::test;

namespace {

const int kPort = 43;

class LineFaults : public ::testing::Test {
protected:
    void SetUp() override { BringBack(); }
    void TearDown() override { zanSetSerialPortPath(kPort, nullptr); }
    // The device comes (back) on a new pseudo-terminal, registered under the same number.
    void BringBack()
    {
        peer.Stop();
        ASSERT_TRUE(peer.Start());
        peer.Mute = false;
        zanSetSerialPortPath(kPort, peer.Path().c_str());
    }

    EchoPeer peer;
    LineTestDevice device;
};

// The terminal's exclusive mode seen through another descriptor: 1 set, 0 clear, -1 when
// it turns the open away (for a process without the privilege to ignore it).
int ExclusiveMode(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == EBUSY ? -1 : -2;
    int exclusive = -3;
    ioctl(fd, TIOCGEXCL, &exclusive);
    close(fd);
    return exclusive;
}

bool OtherProcessCanLock(const std::string& path)
{
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        _exit(fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST_F(LineFaults, HangUpEndsTheWaitAtOnceAndTheNextSendReopensThePortNumber)
{
    const int threadsBefore = ThreadCount();
    ASSERT_EQ(ZAN_COM_OK, device.Open(kPort, 5000));
    EXPECT_EQ(EchoOf({'a', kEtx}), device.Ask({'a', kEtx}));

    // Pulled while a command waits for its reply: the wait ends at once.
    peer.Mute = true;
    std::thread pull([&] {
        peer.WaitForFrames(2, 2000);
        peer.CloseLine();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(device.Ask({'b', kEtx}).empty());
    EXPECT_LT(MillisecondsSince(start), 1000.0);
    pull.join();
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, device.CheckLine());
    EXPECT_EQ(0, device.LookupMe());
    EXPECT_EQ(1, device.LineErrors.load());

    // Nothing under the port yet: the command fails, the line stays down, the next retries.
    zanSetSerialPortPath(kPort, "/nonexistent/tty");
    ZanResult sent = 0;
    EXPECT_TRUE(device.Ask({'c', kEtx}, &sent).empty());
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, sent);
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, device.CheckLine());
    EXPECT_TRUE(device.IsOpen());

    // Back under another path: the next command reopens and is answered at its ETX, so
    // the protocol and the wait settings survived; the old receive thread is gone.
    BringBack();
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(EchoOf({'d', kEtx}), device.Ask({'d', kEtx}, &sent));
    EXPECT_EQ(ZAN_COM_OK, sent);
    EXPECT_LT(MillisecondsSince(start), 1000.0);
    EXPECT_EQ(1, device.LookupMe());
    EXPECT_EQ(threadsBefore + 1, ThreadCountSettled(threadsBefore + 1));

    // Resume reopens as well, without a command.
    device.ClearPool();
    peer.CloseLine();
    EXPECT_EQ(0, device.WaitForPoolData(1, 2000)); // ends at the hang-up
    zanSetSerialPortPath(kPort, "/nonexistent/tty");
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, device.Resume());
    BringBack();
    EXPECT_EQ(ZAN_COM_OK, device.Resume());
    EXPECT_EQ(ZAN_COM_OK, device.CheckLine());
    EXPECT_EQ(EchoOf({'e', kEtx}), device.Ask({'e', kEtx}));
    EXPECT_EQ(2, device.LineErrors.load());
}

TEST_F(LineFaults, APortIsHeldByOneControlAtATime)
{
    LineTestDevice second;
    const int threadsBefore = ThreadCount();
    ASSERT_EQ(ZAN_COM_OK, device.Open(kPort, 2000));
    EXPECT_EQ(ZAN_COM_ERR_IN_USE, second.Open(kPort, 2000));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(threadsBefore + 1, ThreadCountSettled(threadsBefore + 1));
    EXPECT_FALSE(OtherProcessCanLock(peer.Path()));
    EXPECT_NE(0, ExclusiveMode(peer.Path()));
    EXPECT_EQ(EchoOf({'1', kEtx}), device.Ask({'1', kEtx}));

    // Closed, the port is free again; the simulator's own descriptor holds no claim on it.
    ASSERT_EQ(ZAN_COM_OK, device.Destroy());
    EXPECT_EQ(0, ExclusiveMode(peer.Path()));
    EXPECT_TRUE(OtherProcessCanLock(peer.Path()));
    ASSERT_EQ(ZAN_COM_OK, second.Open(kPort, 2000));
    EXPECT_EQ(ZAN_COM_ERR_IN_USE, device.Open(kPort, 2000));
    EXPECT_EQ(EchoOf({'2', kEtx}), second.Ask({'2', kEtx}));
}
