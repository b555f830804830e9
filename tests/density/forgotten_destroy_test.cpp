// A host that deletes the density device or an instrument driver without Break or Destroy:
// the destructor stops the wait loop and releases the instrument and its port.
#include "qlcos/density.h"
#include "qlcos/host.h"
#include "serial/time_scale.h"
#include "sim/xrite2xx_sim.h"
#include "sim/xrite5xx_sim.h"
#include "support/deleted_while_open.h"

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

namespace {

const int kPort = 12;

// The instrument driver alone, then the density device with its wait loop running.
template <typename Driver, typename Sim> void InstrumentDeletedWhileOpen()
{
    qlcos::test::DriverDeletedWhileOpen<Driver, Sim>(kPort);

    Sim sim;
    ASSERT_TRUE(sim.Start());
    zanSetSerialPortPath(kPort, sim.Path().c_str());
    const uint16_t type =
        std::is_same_v<Driver, CXRite5xx> ? ZAN_DEVTYPE_XRITE5XX : ZAN_DEVTYPE_XRITE2XX;
    tagZanVirtualDeviceProperty property{{kPort, -1, 9600, 8, 0, 0}, type, 0xFFFF};
    HWND window = zanCreateMessageWindow();
    auto device = std::make_unique<CZanDensityCtrl>();
    ASSERT_EQ(0u, device->Create(window, &property));
    ASSERT_EQ(0u, device->WaitDensityInfo(1, 0, nullptr));
    device.reset();
    CZanDensityCtrl other;
    EXPECT_EQ(0u, other.Create(window, &property)) << "the port was left open";
    other.Destroy();
    zanDestroyMessageWindow(window);
    zanSetSerialPortPath(kPort, nullptr);
}

} // namespace

TEST(ForgottenDestroy, TheDestructorStopsTheLoopAndReleasesTheInstrument)
{
    qlcos::serial::SetWaitScaleForTests(5);
    InstrumentDeletedWhileOpen<CXRite5xx, qlcos::sim::XRite5xxSim>();
    InstrumentDeletedWhileOpen<CXRite2xx, qlcos::sim::XRite2xxSim>();
    qlcos::serial::SetWaitScaleForTests(100);
}
