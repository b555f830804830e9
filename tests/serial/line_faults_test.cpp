// A line that hangs up and comes back, and ports that only one control may hold.
#include "line_test_device.h"
#include "serial/serial_backend.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>

using namespace qlcos::test;
using qlcos::serial::SerialBackend;
using Clock = std::chrono::steady_clock;

namespace {

const int kPort = 43;

// The system's backend, with every property it is opened with written down.
std::mutex g_opensMutex;
std::vector<tagZANSerialPortProperty> g_opens;

class OpenRecordingBackend : public SerialBackend {
public:
    ZanResult Open(const tagZANSerialPortProperty& property) override
    {
        {
            std::lock_guard<std::mutex> lock(g_opensMutex);
            g_opens.push_back(property);
        }
        return m_System->Open(property);
    }
    ZanResult Configure(const tagZANSerialPortProperty& p) override
    {
        return m_System->Configure(p);
    }
    void Close() override { m_System->Close(); }
    ZanResult Write(const unsigned char* b, int n, uint32_t ms) override
    {
        return m_System->Write(b, n, ms);
    }
    int WaitForInput() override { return m_System->WaitForInput(); }
    int ReadAvailable(unsigned char* b, int n) override { return m_System->ReadAvailable(b, n); }
    void Interrupt() override { m_System->Interrupt(); }
    void FlushInput() override { m_System->FlushInput(); }
    const std::string& Name() const override { return m_System->Name(); }

private:
    std::unique_ptr<SerialBackend> m_System = qlcos::serial::CreateSystemSerialBackend();
};

class LineFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Start());
        zanSetSerialPortPath(kPort, peer.Path().c_str());
    }
    void TearDown() override
    {
        qlcos::serial::SetSerialBackendFactoryForTests(nullptr);
        zanSetSerialPortPath(kPort, nullptr);
    }
    // The device comes back on a new pseudo-terminal, registered under the same number.
    void BringBack()
    {
        peer.Stop();
        ASSERT_TRUE(peer.Start());
        zanSetSerialPortPath(kPort, peer.Path().c_str());
    }

    EchoPeer peer;
    LineTestDevice device;
};

// The terminal's exclusive mode as another descriptor sees it: 1 set, 0 clear; -1 when the
// open itself is turned away by it (without the privilege that ignores it).
int ExclusiveMode(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == EBUSY ? -1 : -2;
    int exclusive = -3;
    if (ioctl(fd, TIOCGEXCL, &exclusive) != 0) exclusive = -3;
    close(fd);
    return exclusive;
}

// Whether another process can take the port's advisory lock.
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
    qlcos::serial::SetSerialBackendFactoryForTests(
        [] { return std::unique_ptr<SerialBackend>(new OpenRecordingBackend); });
    {
        std::lock_guard<std::mutex> lock(g_opensMutex);
        g_opens.clear();
    }
    const int threadsBefore = ThreadCount();
    ASSERT_EQ(ZAN_COM_OK, device.Open(kPort, 5000));
    // New settings are kept for a reopen; the port number stays the one opened.
    tagZANSerialPortProperty faster{kPort + 1, -1, 19200, 8, 0, 0};
    ASSERT_EQ(ZAN_COM_OK, device.ChangeComProperty(&faster));
    EXPECT_EQ(kPort, device.GetComProperty().Port);
    EXPECT_EQ(EchoOf({'a', kEtx}), device.Ask({'a', kEtx}));

    // Pulled while a command waits for its reply: the wait ends at once.
    peer.Mute = true;
    std::thread pull([&] {
        peer.WaitForFrames(2, 2000);
        peer.CloseLine();
    });
    auto start = Clock::now();
    EXPECT_TRUE(device.Ask({'b', kEtx}).empty());
    EXPECT_LT(MillisecondsSince(start), 1000.0);
    pull.join();
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, device.CheckLine());
    EXPECT_EQ(0, device.LookupMe());
    EXPECT_EQ(1, device.LineErrors.load());
    EXPECT_TRUE(device.IsOpen());

    // Nothing under the port yet: the command fails, the line stays down, the next retries.
    zanSetSerialPortPath(kPort, "/nonexistent/tty");
    ZanResult sent = 0;
    EXPECT_TRUE(device.Ask({'c', kEtx}, &sent).empty());
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, sent);
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, device.CheckLine());
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, device.ChangeComProperty(&faster));

    // Back under another path: the next command reopens and is answered at its ETX, so
    // the protocol and the wait settings survived.
    BringBack();
    peer.Mute = false;
    start = Clock::now();
    EXPECT_EQ(EchoOf({'d', kEtx}), device.Ask({'d', kEtx}, &sent));
    EXPECT_EQ(ZAN_COM_OK, sent);
    EXPECT_LT(MillisecondsSince(start), 1000.0);
    EXPECT_EQ(ZAN_COM_OK, device.CheckLine());
    EXPECT_EQ(1, device.LookupMe());
    EXPECT_EQ(LineTestDevice::kPoolBytes, device.GetPoolSize());
    EXPECT_EQ(threadsBefore + 1, ThreadCountSettled(threadsBefore + 1)); // one receive thread
    {
        std::lock_guard<std::mutex> lock(g_opensMutex);
        ASSERT_EQ(3u, g_opens.size()); // the open, the failed reopen, the reopen
        for (size_t i = 1; i < 3; ++i) {
            EXPECT_EQ(kPort, g_opens[i].Port);
            EXPECT_EQ(19200, g_opens[i].BaudRate);
        }
    }

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
    EXPECT_EQ(ZAN_COM_OK, device.Destroy());
    EXPECT_EQ(threadsBefore, ThreadCountSettled(threadsBefore));
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
    EXPECT_NE(0, ExclusiveMode(peer.Path())); // set (or the open refused by it)
    EXPECT_EQ(EchoOf({'1', kEtx}), device.Ask({'1', kEtx}));

    // Closed, the port is free again; the simulator's own descriptor holds no claim on it.
    ASSERT_EQ(ZAN_COM_OK, device.Destroy());
    EXPECT_EQ(0, ExclusiveMode(peer.Path()));
    EXPECT_TRUE(OtherProcessCanLock(peer.Path()));
    ASSERT_EQ(ZAN_COM_OK, second.Open(kPort, 2000));
    EXPECT_EQ(ZAN_COM_ERR_IN_USE, device.Open(kPort, 2000));
    EXPECT_EQ(EchoOf({'2', kEtx}), second.Ask({'2', kEtx}));
}
