// A host that deletes a device or a driver without calling Destroy first: the destructor
// releases the driver and the port (the port opens again at once; the leak checker of the
// sanitizer build sees nothing left behind).
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "serial/time_scale.h"
#include "sim/lamp_control2_sim.h"
#include "sim/lamp_control_sim.h"
#include "sim/lcd_control_sim.h"
#include "sim/ldd_control_sim.h"
#include "sim/led_control_sim.h"
#include "sim/simulators.h"
#include "support/deleted_while_open.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const int kPort = 11;

} // namespace

TEST(ForgottenDestroy, TheDestructorReleasesDriverAndPort)
{
    qlcos::serial::SetWaitScaleForTests(10); // probing waits out the models that do not answer
    qlcos::test::DriverDeletedWhileOpen<CQLampControl2, qlcos::sim::LampControl2Sim>(kPort);
    qlcos::test::DriverDeletedWhileOpen<CQLEDControl, qlcos::sim::LEDControlSim>(kPort);
    qlcos::test::DriverDeletedWhileOpen<CQLCDControl, qlcos::sim::LCDControlSim>(kPort);
    qlcos::test::DriverDeletedWhileOpen<CQLDDControl, qlcos::sim::LDDControlSim>(kPort);
    qlcos::test::DriverDeletedWhileOpen<CQLampControl, qlcos::sim::LampControlSim>(kPort);

    // The light-engine device on every model: deleted while it holds the model's driver.
    for (const qlcos::sim::SimulatorModel& model : qlcos::sim::SimulatorModels()) {
        if (std::string(model.Name) == "silent") continue;
        std::unique_ptr<qlcos::sim::PtyDevice> sim = model.Make();
        ASSERT_TRUE(sim->Start());
        zanSetSerialPortPath(kPort, sim->Path().c_str());
        tagZanVirtualDeviceProperty property{{kPort, -1, 9600, 8, 0, 0}, 0, 0};
        auto device = std::make_unique<CZanLCosCtrl>();
        ASSERT_EQ(0u, device->Create(nullptr, &property)) << model.Name;
        ASSERT_NE(nullptr, device->GetDriver());
        device.reset();
        CZanLCosCtrl again;
        EXPECT_EQ(0u, again.Create(nullptr, &property)) << model.Name << ": the port was left open";
        EXPECT_EQ(0u, again.Destroy());
        zanSetSerialPortPath(kPort, nullptr);
    }
    qlcos::serial::SetWaitScaleForTests(100);
}
