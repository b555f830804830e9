// The density device on Windows: its wait loop on a thread of its own announces each reading
// to a real window whose message loop the test runs, for the colour mouse (its library loaded
// with LoadLibraryW: the stand-in, built as CSCMTLib.dll beside the test) and for an X-Rite
// 504 on a COM port (a simulator beside the tests).
#include "qlcos/density.h"
#include "serial/time_scale.h"
#include "sim/colormouse/stand_in_control.h"
#include "support/simulated_ports.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The stand-in's control functions, from the same DLL the library loads.
struct StandIn {
    HMODULE Module = LoadLibraryW(L"CSCMTLib.dll");
    template <typename Function> Function Get(const char* name) const
    {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(Module, name)));
    }
    ~StandIn()
    {
        if (Module) FreeLibrary(Module);
    }
};

// A message-only window of a class of our own, as a host would create it.
HWND CreateHostWindow()
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QLCosTestHost";
    RegisterClassW(&windowClass); // fails harmlessly when registered by an earlier test
    return CreateWindowExW(0, L"QLCosTestHost", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

// Runs the window's message loop until `message` arrives or `timeoutMs` pass.
bool PumpUntil(HWND window, UINT message, DWORD timeoutMs, MSG& got)
{
    const DWORD start = GetTickCount();
    for (;;) {
        while (PeekMessageW(&got, window, 0, 0, PM_REMOVE)) {
            if (got.message == message) return true;
            DispatchMessageW(&got);
        }
        const DWORD spent = GetTickCount() - start;
        if (spent >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - spent, QS_ALLINPUT);
    }
}

TEST(ColorMouseOnWindows, ReadingsReachTheHostWindowThroughItsMessageLoop)
{
    StandIn standIn;
    ASSERT_NE(standIn.Module, nullptr) << "CSCMTLib.dll beside the test: " << GetLastError();
    auto reset = standIn.Get<qlcos::sim::PFN_CSDStandInReset>("CSDStandInReset");
    auto press = standIn.Get<qlcos::sim::PFN_CSDStandInPress>("CSDStandInPress");
    auto calls = standIn.Get<qlcos::sim::PFN_CSDStandInCalls>("CSDStandInCalls");
    ASSERT_TRUE(reset && press && calls);
    reset();

    HWND window = CreateHostWindow();
    ASSERT_NE(window, nullptr) << GetLastError();
    qlcos::serial::SetWaitScaleForTests(5); // a pass of the wait loop every 100 ms

    CZanDensityCtrl device;
    tagZanVirtualDeviceProperty property{{7, -1, 9600, 8, 0, 0}, ZAN_DEVTYPE_COLOR_MOUSE, 0xFFFF};
    ASSERT_EQ(0u, device.Create(window, &property));
    char log[512] = {};
    calls(log, sizeof log);
    EXPECT_EQ(0, std::string(log).rfind("CSDOpen()", 0)) << log; // the library's own load

    ASSERT_EQ(0u, device.WaitDensityInfo(1, 0, nullptr));
    MSG msg{};
    // No press, no notification.
    EXPECT_FALSE(PumpUntil(window, device.GetNotifyMessage(), 300, msg));
    press(0.25f, 0.5f, 0.75f);
    ASSERT_TRUE(PumpUntil(window, device.GetNotifyMessage(), 3000, msg));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.wParam, ZAN_DENSITY_NOTIFY_READING);
    tagDensityInfo reading{};
    EXPECT_EQ(0u, device.GetDensityInfo(&reading));
    EXPECT_EQ(reading.Cyan, 0.25f);
    EXPECT_EQ(reading.Magenta, 0.5f);
    EXPECT_EQ(reading.Yellow, 0.75f);

    EXPECT_EQ(0u, device.Break(0)); // stops and joins the loop's thread
    EXPECT_EQ(0u, device.Destroy());
    qlcos::serial::SetWaitScaleForTests(100);
    DestroyWindow(window);
}

TEST(XRiteOnWindows, ReadingsFromTheComPortReachTheHostWindow)
{
    const int port = qlcos::test::SimulatedPort("QLCOS_TEST_COM_XRITE5XX");
    ASSERT_GT(port, 0);
    HWND window = CreateHostWindow();
    ASSERT_NE(window, nullptr) << GetLastError();
    qlcos::serial::SetWaitScaleForTests(5);

    CZanDensityCtrl device;
    tagZanVirtualDeviceProperty property{{port, -1, 9600, 8, 0, 0}, ZAN_DEVTYPE_XRITE5XX, 0xFFFF};
    ASSERT_EQ(0u, device.Create(window, &property)); // identifies the instrument on the line
    ASSERT_EQ(0u, device.WaitDensityInfo(1, 0, nullptr));
    // The simulator measures every second. A line the port opened in the middle of may be
    // announced without a complete reading; a whole one follows within the next second.
    tagDensityInfo reading{};
    ZanResult got = ZAN_DENSITY_NO_READING;
    const DWORD start = GetTickCount();
    MSG msg{};
    while (got != 0 && GetTickCount() - start < 5000 &&
           PumpUntil(window, device.GetNotifyMessage(), 5000, msg)) {
        EXPECT_EQ(msg.wParam, ZAN_DENSITY_NOTIFY_READING);
        got = device.GetDensityInfo(&reading);
    }
    EXPECT_EQ(0u, got);
    EXPECT_GT(reading.Cyan, 0.0f);
    EXPECT_GT(reading.Magenta, 0.0f);
    EXPECT_GT(reading.Yellow, 0.0f);

    EXPECT_EQ(0u, device.Break(0));
    EXPECT_EQ(0u, device.Destroy());
    qlcos::serial::SetWaitScaleForTests(100);
    DestroyWindow(window);
}

} // namespace
