// What the X-Rite driver tests share: the driver opened on its simulator, a message window
// for the reading message, and the bytes the host wrote.
#pragma once

#include "qlcos/density/xrite_device.h"
#include "qlcos/host.h"
#include "platform/win32.h"
#include "serial/time_scale.h"
#include "support/driver_fixture.h"

#include <string>
#include <vector>

namespace qlcos::test {

using Bytes = std::vector<uint8_t>;

inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

template <typename Driver, typename Sim, int Port>
class XRiteOnSimulator : public DriverOnSimulator<Driver, Sim, Port> {
    using Base = DriverOnSimulator<Driver, Sim, Port>;

protected:
    void SetUp() override
    {
        Base::SetUp();
        window = zanCreateMessageWindow();
        ASSERT_EQ(0u, this->driver.Create(Port, -1));
    }
    void TearDown() override
    {
        this->driver.Destroy();
        zanDestroyMessageWindow(window);
        Base::TearDown();
        serial::SetWaitScaleForTests(100); // a test may have run the pauses faster
    }
    // True when the reading message arrives within `timeoutMs`.
    bool Announced(DWORD timeoutMs = 2000)
    {
        MSG msg{};
        if (!zanGetMessage(window, &msg, timeoutMs)) return false;
        EXPECT_TRUE(msg.message == ZAN_WM_XRITE_READING && msg.wParam == 0 && msg.lParam == 0);
        return true;
    }
    // Checks what the host wrote, once as many bytes have come.
    void ExpectReceived(const std::string& expected)
    {
        EXPECT_TRUE(this->sim.WaitForReceived(expected.size(), 1000));
        EXPECT_EQ(Text(expected), this->sim.Received());
    }

    HWND window = nullptr;
};

} // namespace qlcos::test
