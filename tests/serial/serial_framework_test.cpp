// The serial framework end to end on a pseudo-terminal whose far end the test plays.
#include "qlcos/host.h"
#include "qlcos/serial.h"
#include "platform/win32.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <termios.h>
#include <thread>

using namespace qlcos::test;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<unsigned char>;

namespace {

const int kPort = 41;

class RecordingDevice : public CZanComDevice {
public:
    RecordingDevice() : CZanComDevice(ZT("Recording")) {}
    ~RecordingDevice() override { Destroy(); }

    ZanResult PostAttach() override
    {
        AllocPool(m_PoolBytes);
        AppendProtocol(&protocol);
        return CZanComDevice::PostAttach();
    }
    ZanResult PreDetach() override
    {
        RemoveProtocol(protocol.GetIdentifier());
        return CZanComDevice::PreDetach();
    }
    void OnRxChar(unsigned char* data, int length) override
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Delivered.insert(m_Delivered.end(), data, data + length);
        m_Arrived.notify_all();
    }
    void OnErr() override { m_LineErrors++; }

    // What OnRxChar got, once it is `count` bytes or half a second passed.
    Bytes Delivered(size_t count)
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_Arrived.wait_for(lock, std::chrono::milliseconds(500),
                           [&] { return m_Delivered.size() >= count; });
        return m_Delivered;
    }
    ZanResult Open(uint32_t poolBytes = 64)
    {
        m_PoolBytes = poolBytes;
        tagZANSerialPortProperty property{kPort, -1, 9600, 8, 0, 0};
        return Create(&property);
    }

    CZanProtocolEventChar protocol;
    std::atomic<int> m_LineErrors{0};

private:
    std::mutex m_Mutex;
    std::condition_variable m_Arrived;
    Bytes m_Delivered;
    uint32_t m_PoolBytes = 64;
};

class SerialFramework : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        zanSetSerialPortPath(kPort, peer.Path().c_str());
    }
    void TearDown() override { zanSetSerialPortPath(kPort, nullptr); }

    // Sends `command` with a wait on `eventChar` while the far end reads it and answers
    // `reply` (or hangs up when `hangUp`); the pool at the end, the time taken in `ms`.
    Bytes Answered(const Bytes& command, unsigned char eventChar, uint32_t timeoutMs,
                   const Bytes& reply, bool hangUp = false)
    {
        AwaitFrameEnd(eventChar, timeoutMs);
        std::thread far([&] {
            peer.Read(command.size(), 2000);
            hangUp ? peer.Close() : peer.Write(reply);
        });
        const auto start = Clock::now();
        EXPECT_EQ(ZAN_COM_OK, device.Send(command.data(), int(command.size()), &device));
        Bytes pool(device.GetPoolSize());
        pool.resize(static_cast<size_t>(device.GetPoolData(pool.data(), 0)));
        ms = MillisecondsSince(start);
        far.join();
        return pool;
    }

    // Sends that follow wait for `eventChar` up to `timeoutMs`; the pool starts empty.
    void AwaitFrameEnd(unsigned char eventChar, uint32_t timeoutMs)
    {
        device.protocol.m_EventChar1 = eventChar;
        device.protocol.SetEventChar1Mode(1);
        device.SetWaitResponse(1);
        device.SetWaitTimeOut(timeoutMs);
        device.ClearPool();
    }

    PtyPeer peer;
    RecordingDevice device;
    double ms = 0;
};

} // namespace

TEST(SerialNumbers, BlockCheckSearchAndDigitFields)
{
    const unsigned char expose[] = {0x59, 0x30, 0x33, 0x31, 0x03};
    EXPECT_EQ(0x68, zanCheckXOR(expose, 5));

    const unsigned char line[] = {'x', 0x02, 'a', 0x03, 0x02, 0x03};
    int at = -1;
    EXPECT_TRUE(zanIsIn(line, 0x02, &at, 6, 0));
    EXPECT_EQ(1, at);
    EXPECT_TRUE(zanIsIn(line, 0x02, &at, 6, 2));
    EXPECT_EQ(4, at);
    EXPECT_FALSE(zanIsIn(line, 'x', &at, 6, 1));
    EXPECT_FALSE(zanIsIn(line, 0x03, &at, 3, 0)); // only the first `length` bytes count

    unsigned char d[4];
    zanSplitDec(150, d[0], d[1], d[2], d[3]);
    EXPECT_EQ(Bytes({'0', '1', '5', '0'}), Bytes(d, d + 4));
    zanSplitDec(12345, d[0], d[1], d[2]); // modulo 1000
    EXPECT_EQ(Bytes({'3', '4', '5'}), Bytes(d, d + 3));
    zanSplitDec(7, d[0], d[1]);
    EXPECT_EQ(Bytes({'0', '7'}), Bytes(d, d + 2));
    EXPECT_EQ(9999, zanCombineDec('9', '9', '9', '9'));
    EXPECT_EQ(15, zanCombineDec('1', '5'));
    EXPECT_EQ(105, zanCombineDec(':', '5')); // arithmetic, so callers can clamp

    zanSplitHex(0xAB, d[0], d[1]);
    EXPECT_EQ(Bytes({'A', 'B'}), Bytes(d, d + 2));
    zanSplitHex(0x1FFF, d[0], d[1], d[2], d[3]);
    EXPECT_EQ(Bytes({'1', 'F', 'F', 'F'}), Bytes(d, d + 4));
    EXPECT_EQ(0xAB, zanCombineHex('a', 'B'));
    EXPECT_EQ(0xFFF, zanCombineHex(0, 'F', 'F', 'F')); // a missing leading digit reads 0
    EXPECT_EQ(0x0F, zanCombineHex('G', 'F'));          // non-digits read 0
}

TEST_F(SerialFramework, PortPathsAndFailedOpenLeaveNoThread)
{
    const int threadsBefore = ThreadCount();
    // The environment variable wins over the registered path (the pseudo-terminal).
    setenv("QLCOS_COM41", "/nonexistent/tty", 1);
    EXPECT_EQ(ZAN_COM_ERR_OPEN, device.Open());
    EXPECT_FALSE(device.IsOpen());
    unsetenv("QLCOS_COM41");

    tagZANSerialPortProperty badBaud{kPort, -1, 12345, 8, 0, 0};
    EXPECT_EQ(ZAN_COM_ERR_ARGUMENT, device.Create(&badBaud));
    EXPECT_EQ(threadsBefore, ThreadCountSettled(threadsBefore));

    // One receive thread per open port, joined when it closes.
    ASSERT_EQ(ZAN_COM_OK, device.Open());
    EXPECT_EQ(threadsBefore + 1, ThreadCountSettled(threadsBefore + 1));
    EXPECT_EQ(ZAN_COM_ERR_ALREADY_OPEN, device.Open());
    EXPECT_EQ(1, device.LookupMe());
    tagZANSerialPortProperty where{};
    EXPECT_EQ(1, device.GetDeviceSPEs(&where, 1));
    EXPECT_EQ(kPort, where.Port);
    EXPECT_EQ(ZAN_COM_OK, device.Destroy());
    EXPECT_EQ(threadsBefore, ThreadCountSettled(threadsBefore));
    EXPECT_EQ(ZAN_COM_ERR_NOT_OPEN, device.Send(Bytes{'x'}.data(), 1, nullptr));
    ASSERT_EQ(ZAN_COM_OK, device.Open()); // and the port opens again
}

TEST_F(SerialFramework, RawBytesBothWaysAndTheWaitEndsAtTheEventCharacter)
{
    ASSERT_EQ(ZAN_COM_OK, device.Open());

    // Every byte value passes untouched: no flow control, no line-end translation.
    Bytes all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<unsigned char>(b));
    device.SetWaitResponse(0);
    ASSERT_EQ(ZAN_COM_OK, device.Send(all.data(), 256, nullptr));
    EXPECT_EQ(all, peer.Read(256, 2000));

    // The reply ends the wait the moment its event character arrives, far ahead of the
    // time-out, and everything before it is in the pool.
    const Bytes reply = {0x11, 0x13, 0x0D, 0x0A, 0x03};
    EXPECT_EQ(reply, Answered({'a', 'b', 'c'}, 0x03, 5000, reply));
    EXPECT_LT(ms, 1000.0);
    EXPECT_EQ(reply, device.Delivered(5)); // chunks reach OnRxChar as well
}

TEST_F(SerialFramework, WaitRunsOutWithoutEventCharacterAndSecondCharacterCounts)
{
    ASSERT_EQ(ZAN_COM_OK, device.Open());
    const Bytes noEnd = {'n', 'o', ' ', 'e', 'n', 'd'};
    EXPECT_EQ(noEnd, Answered({'?'}, 0x03, 300, noEnd));
    EXPECT_GE(ms, 290.0);
    EXPECT_LT(ms, 1000.0);

    // ACK / NAK style: either of two characters ends the wait.
    device.protocol.m_EventChar2 = 0x15;
    device.protocol.SetEventChar2Mode(1);
    EXPECT_EQ(Bytes({0x15}), Answered({'!'}, 0x06, 3000, {0x15}));
    EXPECT_LT(ms, 1000.0);
}

TEST_F(SerialFramework, ClearPoolDropsLateBytesAndThePoolIsBounded)
{
    ASSERT_EQ(ZAN_COM_OK, device.Open(16));

    // Bytes that came before the command are gone after ClearPool, even a stray event
    // character, so the wait is not ended by them.
    peer.Write({0x02, 'o', 'l', 'd', 0x03});
    ASSERT_EQ(5u, device.Delivered(5).size());
    const Bytes fresh = {0x02, 'n', 'e', 'w', 0x03};
    EXPECT_EQ(fresh, Answered({'x'}, 0x03, 2000, fresh));

    // 40 bytes into a 16-byte pool: the first 16 are kept, the rest dropped. The full pool
    // ends the wait at once, though the event character fell off it and was never seen.
    Bytes flood(39, 'z');
    flood.push_back(0x03);
    EXPECT_EQ(Bytes(16, 'z'), Answered({'y'}, 0x03, 3000, flood));
    EXPECT_LT(ms, 1000.0);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(device.GetWaitResponseEventHandle(), 0));
}

TEST_F(SerialFramework, HangUpEndsTheWaitAndFailsTheLine)
{
    ASSERT_EQ(ZAN_COM_OK, device.Open());
    EXPECT_EQ(ZAN_COM_OK, device.CheckLine());
    EXPECT_TRUE(Answered({'h'}, 0x03, 5000, {}, true).empty());
    EXPECT_LT(ms, 2000.0);
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, device.CheckLine());
    EXPECT_EQ(1, device.m_LineErrors.load());
    EXPECT_EQ(ZAN_COM_ERR_LINE_CLOSED, device.Send(Bytes{'x'}.data(), 1, nullptr));
    EXPECT_EQ(ZAN_COM_OK, device.Destroy());
}

TEST_F(SerialFramework, AReplyInPiecesEndsEachWaitAtItsOwnEnd)
{
    ASSERT_EQ(ZAN_COM_OK, device.Open());

    // A wait for a frame end sleeps through the pieces before it and ends at the last one.
    AwaitFrameEnd(0x03, 3000);
    std::thread far([&] {
        peer.Read(1, 2000);
        for (const Bytes& piece : {Bytes{0x02, 'a'}, Bytes{'b'}, Bytes{'c', 0x03}}) {
            Sleep(40);
            peer.Write(piece);
        }
    });
    auto start = Clock::now();
    ASSERT_EQ(ZAN_COM_OK, device.Send(Bytes{'?'}.data(), 1, nullptr));
    Bytes pool(64);
    pool.resize(static_cast<size_t>(device.GetPoolData(pool.data(), 64)));
    far.join();
    EXPECT_EQ(Bytes({0x02, 'a', 'b', 'c', 0x03}), pool);
    EXPECT_GE(MillisecondsSince(start), 110.0);
    EXPECT_LT(MillisecondsSince(start), 2000.0);

    // A wait for a count ends as soon as the count is in, frame end or not.
    device.SetWaitResponse(0);
    device.ClearPool();
    std::thread counted([&] {
        for (unsigned char b : {'x', 'y', 'z'}) {
            Sleep(30);
            peer.Write({b});
        }
    });
    start = Clock::now();
    EXPECT_EQ(3, device.WaitForPoolData(3, 3000));
    EXPECT_LT(MillisecondsSince(start), 2000.0);
    counted.join();
}

TEST_F(SerialFramework, SettingsAreAppliedAtOpenOnChangeAndOnResume)
{
    ASSERT_EQ(ZAN_COM_OK, device.Open());
    termios line = peer.LineSettings();
    EXPECT_EQ(B9600, cfgetospeed(&line));
    EXPECT_EQ(0u, line.c_lflag & (ICANON | ECHO));

    // Something else on the machine turns the line into a cooked terminal at 1200 baud:
    // commands leave it so, Resume puts the device's settings back.
    line.c_lflag |= ICANON | ECHO;
    cfsetspeed(&line, B1200);
    peer.SetLineSettings(line);
    device.SetWaitResponse(0);
    ASSERT_EQ(ZAN_COM_OK, device.Send(Bytes{'x'}.data(), 1, nullptr));
    line = peer.LineSettings();
    EXPECT_EQ(B1200, cfgetospeed(&line));
    EXPECT_EQ(ZAN_COM_OK, device.Resume());
    line = peer.LineSettings();
    EXPECT_EQ(B9600, cfgetospeed(&line));
    EXPECT_EQ(0u, line.c_lflag & (ICANON | ECHO));

    tagZANSerialPortProperty faster = device.GetComProperty();
    faster.BaudRate = 19200;
    EXPECT_EQ(ZAN_COM_OK, device.ChangeComProperty(&faster));
    line = peer.LineSettings();
    EXPECT_EQ(B19200, cfgetospeed(&line));
    EXPECT_EQ(19200, device.GetComProperty().BaudRate);
}

TEST_F(SerialFramework, ABlockCheckAfterTheFrameEndIsWaitedForBriefly)
{
    ASSERT_EQ(ZAN_COM_OK, device.Open());
    device.SetWaitTrailingBytes(1, 200);

    // The check comes 60 ms after the end character: the wait ends with it in the pool.
    AwaitFrameEnd(0x03, 3000);
    std::thread far([&] {
        peer.Read(1, 2000);
        peer.Write({0x02, 'a', 0x03});
        Sleep(60);
        peer.Write({0x42});
    });
    auto start = Clock::now();
    ASSERT_EQ(ZAN_COM_OK, device.Send(Bytes{'?'}.data(), 1, nullptr));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(device.GetWaitResponseEventHandle(), 2000));
    Bytes pool(64);
    pool.resize(static_cast<size_t>(device.GetPoolData(pool.data(), 64)));
    far.join();
    EXPECT_EQ(Bytes({0x02, 'a', 0x03, 0x42}), pool);
    EXPECT_GE(MillisecondsSince(start), 55.0);

    // No check at all: the wait ends its 200 ms after the end character, not at the time-out.
    // A check that equals the end character, in the same chunk, ends it at once.
    EXPECT_EQ(Bytes({0x02, 'b', 0x03}), Answered({'?'}, 0x03, 3000, {0x02, 'b', 0x03}));
    EXPECT_GE(ms, 190.0);
    EXPECT_LT(ms, 2000.0);
    EXPECT_EQ(Bytes({0x02, 'c', 0x03, 0x03}), Answered({'?'}, 0x03, 3000, {0x02, 'c', 0x03, 0x03}));
    EXPECT_LT(ms, 150.0);

    device.SetWaitTrailingBytes(0, 0); // the wait ends at the frame end again
    EXPECT_EQ(Bytes({0x02, 'd', 0x03}), Answered({'?'}, 0x03, 3000, {0x02, 'd', 0x03}));
    EXPECT_LT(ms, 150.0);
}
