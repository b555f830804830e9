// The Win32 serial backend on \\.\COMn against simulators that run beside the tests: the port
// numbers come from the environment (scripts/test-windows.sh starts the simulators and links
// the ports to their pseudo-terminals).
#include "qlcos/exposure.h"
#include "serial/com_trace.h"
#include "serial/time_scale.h"
#include "support/files.h"
#include "support/simulated_ports.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace {

using qlcos::test::SimulatedPort;
using Clock = std::chrono::steady_clock;

tagZanVirtualDeviceProperty Property(int port)
{
    return tagZanVirtualDeviceProperty{{port, -1, 9600, 8, 0, 0}, 0, 0};
}

// The trace lines written while the object lives.
class TraceLines {
public:
    TraceLines()
    {
        qlcos::serial::SetTraceEnabledForTests(true);
        zanSetTraceHandler(&TraceLines::Take, this);
    }
    ~TraceLines()
    {
        zanSetTraceHandler(nullptr, nullptr);
        qlcos::serial::SetTraceEnabledForTests(false);
    }
    // The lines that contain `text`.
    std::vector<std::string> With(const std::string& text)
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        std::vector<std::string> found;
        for (const std::string& line : m_Lines)
            if (line.find(text) != std::string::npos) found.push_back(line);
        return found;
    }

private:
    static void Take(const char* line, void* context)
    {
        auto* self = static_cast<TraceLines*>(context);
        std::lock_guard<std::mutex> lock(self->m_Mutex);
        self->m_Lines.emplace_back(line);
    }
    std::mutex m_Mutex;
    std::vector<std::string> m_Lines;
};

TEST(ComPort, TheLightEngineIsFoundAndDrivenThroughTheComPort)
{
    const int port = SimulatedPort("QLCOS_TEST_COM_LDD");
    ASSERT_GT(port, 0);
    TraceLines trace;
    CZanLCosCtrl device;
    auto property = Property(port);
    ASSERT_EQ(0u, device.Create(nullptr, &property)); // probes until the LDD answers
    EXPECT_EQ(ZAN_DEVTYPE_LDD_CONTROLLER, device.GetDeviceType());
    EXPECT_EQ(0u, device.SetShutterTime(1, 150));
    unsigned short time = 0;
    EXPECT_EQ(0u, device.GetShutterTime(1, &time));
    EXPECT_EQ(150, time);
    const auto start = Clock::now();
    EXPECT_EQ(0u, device.Expose(1)); // returns when the controller reports done
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    // Every request was answered on the open line: none failed it and was sent again.
    EXPECT_TRUE(trace.With("line failed").empty()) << trace.With("line failed").size();
    EXPECT_TRUE(trace.With("reopened").empty());

    // The port is exclusive while the device holds it.
    CQLDDControl second;
    EXPECT_EQ(ZAN_COM_ERR_IN_USE, second.Create(port, -1));
    EXPECT_EQ(0u, device.Destroy());
    // Closed again: the next open succeeds.
    EXPECT_EQ(0u, second.Create(port, -1));
    second.Destroy();
}

TEST(ComPort, APortWithNothingBehindItFailsToOpenAndSaysWhy)
{
    const int port = SimulatedPort("QLCOS_TEST_COM_MISSING");
    ASSERT_GT(port, 0);
    CQLampControl2 lamp;
    EXPECT_EQ(ZAN_COM_ERR_OPEN, lamp.Create(port, -1));
    const tagZanOpenFailure failure = lamp.GetLastOpenFailure();
    EXPECT_EQ(ZAN_COM_ERR_OPEN, failure.Result);
    EXPECT_NE(0u, failure.OsError);
    EXPECT_NE(std::string::npos, std::string(failure.Text).find("no such port")) << failure.Text;
}

TEST(ComPort, ALineThatNeverAnswersFailsCreateWithinItsTimeOuts)
{
    const int port = SimulatedPort("QLCOS_TEST_COM_SILENT");
    ASSERT_GT(port, 0);
    qlcos::serial::SetWaitScaleForTests(5);
    CZanLCosCtrl device;
    auto property = Property(port);
    const auto start = Clock::now();
    EXPECT_EQ(ZAN_LCOS_CREATE_FAILED, device.Create(nullptr, &property));
    const auto spent = Clock::now() - start;
    qlcos::serial::SetWaitScaleForTests(100);
    EXPECT_LT(spent, std::chrono::seconds(20)); // every model tried, each wait bounded
    tagZanVirtualDeviceStatusDescription description{};
    EXPECT_EQ(0u, device.GetStatusDescription(&description, nullptr));
    const std::string text = qlcos::test::Utf8(description.Text);
    EXPECT_NE(std::string::npos, text.find("no model answered on COM" + std::to_string(port)))
        << text;
}

} // namespace
