// The trace: its switch, frames decoded beside their hex, the OS error of a failed open, and
// a host's handler.
#include "qlcos/host.h"
#include "serial/com_trace.h"
#include "serial/line_test_device.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qlcos::test {
namespace {

TEST(Trace, SwitchAcceptsTheUsualWordsInAnyCase)
{
    for (const char* on : {"1", "yes", "YES", "On", "on", "true"})
        EXPECT_EQ(1, serial::ParseTraceSwitch(on)) << on;
    for (const char* off : {"0", "no", "No", "OFF", "false", ""})
        EXPECT_EQ(0, serial::ParseTraceSwitch(off)) << off;
    EXPECT_EQ(0, serial::ParseTraceSwitch(nullptr));
    for (const char* other : {"2", "y", "onn", "enable"})
        EXPECT_EQ(-1, serial::ParseTraceSwitch(other)) << other;

    const unsigned char frame[] = {0x02, 'g', '0', 'B', '1', 0x03, 0x4A};
    EXPECT_EQ("<STX>g0B1<ETX>J", serial::DecodeBytes(frame, sizeof frame));
    const unsigned char odd[] = {0x00, 0x06, 0x0D, 0x0A, 0x15, 0x7F, 0x80, 0xFF, '<'};
    EXPECT_EQ("<NUL><ACK><CR><LF><NAK><DEL><80><FF><", serial::DecodeBytes(odd, sizeof odd));
}

struct Captured {
    std::mutex Mutex;
    std::vector<std::string> Lines;
    bool Has(const std::string& part)
    {
        std::lock_guard<std::mutex> lock(Mutex);
        for (const auto& line : Lines)
            if (line.find(part) != std::string::npos) return true;
        return false;
    }
};

void Capture(const char* line, void* context)
{
    auto* captured = static_cast<Captured*>(context);
    std::lock_guard<std::mutex> lock(captured->Mutex);
    captured->Lines.emplace_back(line);
}

TEST(Trace, AHostHandlerGetsEveryLineWithFramesDecodedAndOpenFailuresExplained)
{
    const int kPort = 41;
    Captured captured;
    serial::SetTraceEnabledForTests(true);
    zanSetTraceHandler(Capture, &captured);

    zanSetSerialPortPath(kPort, "/nonexistent/ttyQL");
    LineTestDevice missing;
    EXPECT_EQ(ZAN_COM_ERR_OPEN, missing.Open(kPort, 100));
    EXPECT_TRUE(captured.Has("COM41 /nonexistent/ttyQL open failed: no such port (No such file"));
    const tagZanOpenFailure failure = missing.GetLastOpenFailure();
    EXPECT_EQ(ZAN_COM_ERR_OPEN, failure.Result);
    EXPECT_EQ(static_cast<uint32_t>(ENOENT), failure.OsError);
    EXPECT_STREQ("COM41 /nonexistent/ttyQL", failure.Port);
    EXPECT_STREQ("COM41 /nonexistent/ttyQL: no such port (No such file or directory)",
                 failure.Text);

    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    zanSetSerialPortPath(kPort, peer.Path().c_str());
    LineTestDevice device;
    ASSERT_EQ(0u, device.Open(kPort, 200));
    EXPECT_EQ(0u, device.GetLastOpenFailure().Result);
    EXPECT_STREQ("", device.GetLastOpenFailure().Text);
    device.Ask({0x02, 'g', '0', 'B', '1', 0x03, 0x4A});
    EXPECT_TRUE(captured.Has(" tx 7: <STX>g0B1<ETX>J | 02 67 30 42 31 03 4A"));

    // Set from another thread while this one traces: no line lost or torn, and once the
    // handler is taken away it is called no more.
    std::atomic<bool> stop{false};
    std::thread tracer([&] {
        while (!stop) serial::TraceNote("COM41", "busy");
    });
    Captured other;
    for (int i = 0; i < 200; ++i) zanSetTraceHandler(Capture, i % 2 ? &captured : &other);
    stop = true;
    tracer.join();
    for (Captured* each : {&captured, &other})
        for (const auto& line : each->Lines)
            ASSERT_TRUE(line.find("COM41 ") != std::string::npos) << line;
    zanSetTraceHandler(nullptr, nullptr);
    const size_t count = other.Lines.size();
    serial::TraceNote("COM41", "after");
    EXPECT_EQ(count, other.Lines.size());

    serial::SetTraceEnabledForTests(false);
    zanSetSerialPortPath(kPort, nullptr);
}

} // namespace
} // namespace qlcos::test
