// The Win32 serial backend on \\.\COMn against simulators that run beside the tests: the port
// numbers come from the environment (scripts/test-windows.sh starts the simulators and links
// the ports to their pseudo-terminals).
#include "qlcos/exposure.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace {

// The port number in environment variable `name`; fails the test when it is not set.
int PortFrom(const char* name)
{
    const char* text = std::getenv(name);
    EXPECT_TRUE(text && *text) << name << " is not set: run the suite with scripts/test-windows.sh";
    return text && *text ? std::atoi(text) : 0;
}

tagZanVirtualDeviceProperty Property(int port)
{
    return tagZanVirtualDeviceProperty{{port, -1, 9600, 8, 0, 0}, 0, 0};
}

TEST(ComPort, TheLightEngineIsFoundAndDrivenThroughTheComPort)
{
    const int port = PortFrom("QLCOS_TEST_COM_LDD");
    ASSERT_GT(port, 0);
    CZanLCosCtrl device;
    auto property = Property(port);
    ASSERT_EQ(0u, device.Create(nullptr, &property)); // probes until the LDD answers
    EXPECT_EQ(ZAN_DEVTYPE_LDD_CONTROLLER, device.GetDeviceType());
    EXPECT_EQ(0u, device.SetShutterTime(1, 150));
    unsigned short time = 0;
    EXPECT_EQ(0u, device.GetShutterTime(1, &time));
    EXPECT_EQ(150, time);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0u, device.Expose(1)); // returns when the controller reports done
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

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
    const int port = PortFrom("QLCOS_TEST_COM_MISSING");
    ASSERT_GT(port, 0);
    CQLampControl2 lamp;
    EXPECT_EQ(ZAN_COM_ERR_OPEN, lamp.Create(port, -1));
    const tagZanOpenFailure failure = lamp.GetLastOpenFailure();
    EXPECT_EQ(ZAN_COM_ERR_OPEN, failure.Result);
    EXPECT_NE(0u, failure.OsError);
    EXPECT_NE(std::string::npos, std::string(failure.Text).find("no such port")) << failure.Text;
}

} // namespace
