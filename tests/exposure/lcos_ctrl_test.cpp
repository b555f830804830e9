// The light-engine device against every simulated controller model: probing, the busy
// guard, and the forwarding table model by model.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "sim/lamp_control2_sim.h"
#include "sim/lamp_control_sim.h"
#include "sim/lcd_control_sim.h"
#include "sim/ldd_control_sim.h"
#include "sim/led_control_sim.h"
#include "sim/silent_line_sim.h"
#include "support/device_operations.h"
#include "support/driver_fixture.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace qlcos::test {
namespace {

const int kPort = 23;

const tagZanVirtualDeviceProperty kProperty{{kPort, -1, 9600, 8, 0, 0}, 1, 0};

// The command character of a logged request: frame byte 3 of the framed models, byte 1 of
// the first-generation lamp controller.
char CommandOf(const std::vector<uint8_t>& frame, uint16_t deviceType)
{
    const size_t at = deviceType == 1 ? 1 : 3;
    return frame.size() > at ? static_cast<char>(frame[at]) : '\0';
}

// The column of kDeviceOperations for device types 1, 2, 4, 5, 6.
int ColumnOf(uint16_t deviceType) { return deviceType <= 2 ? deviceType - 1 : deviceType - 2; }

struct ModelCase {
    uint16_t deviceType;
    const char16_t* description;
    std::function<std::unique_ptr<sim::PtyDevice>()> makeSim;
};

const ModelCase kModels[] = {
    {1, u"LCos Lamp Control", [] { return std::make_unique<sim::LampControlSim>(); }},
    {2, u"LCos LED Control", [] { return std::make_unique<sim::LEDControlSim>(); }},
    {4, u"LCos Lamp Control2", [] { return std::make_unique<sim::LampControl2Sim>(); }},
    {5, u"LCD Lamp Control", [] { return std::make_unique<sim::LCDControlSim>(); }},
    {6, u"LCD LED Control", [] { return std::make_unique<sim::LDDControlSim>(); }},
};

class LCosCtrlOnModel : public ::testing::TestWithParam<ModelCase> {
protected:
    void SetUp() override
    {
        sim = GetParam().makeSim();
        ASSERT_TRUE(sim->Start());
        zanSetSerialPortPath(kPort, sim->Path().c_str());
        tagZanVirtualDeviceProperty property = kProperty;
        ASSERT_EQ(0u, device.Create(nullptr, &property));
        sim->ClearLog();
    }
    void TearDown() override
    {
        device.Destroy();
        zanSetSerialPortPath(kPort, nullptr);
    }

    std::unique_ptr<sim::PtyDevice> sim;
    CZanLCosCtrl device;
};

TEST(LCosCtrl, RefusesBadPropertiesAndProbesEveryModelInOrderWhenNoControllerAnswers)
{
    CZanLCosCtrl device;
    for (const DeviceOperation& op : kDeviceOperations)
        EXPECT_EQ(0x28110002u, op.call(device)) << op.name;
    EXPECT_EQ(0u, device.GetBusyWord());

    sim::SilentLineSim line;
    ASSERT_TRUE(line.Start());
    zanSetSerialPortPath(kPort, line.Path().c_str());
    const int threads = ThreadCount();
    EXPECT_EQ(0x28110001u, device.Create(nullptr, nullptr));
    tagZanVirtualDeviceProperty property = kProperty;
    property.Port.Second = 0;
    EXPECT_EQ(0x28110001u, device.Create(nullptr, &property));
    EXPECT_FALSE(line.WaitForFrames(1, 100)); // nothing was opened or sent

    // Four framed models at 500 ms per attempt, the first-generation one at 2000 ms.
    const int attempts = CZanComCtrl::kDefaultAttemptCount;
    property = kProperty;
    EXPECT_TRUE(Takes(0x28110001u, 0, attempts * (4 * 500.0 + 2000.0) + 1500.0,
                      [&] { return device.Create(nullptr, &property); }));
    EXPECT_EQ(nullptr, device.GetDriver());
    EXPECT_EQ(threads, ThreadCountSettled(threads));

    // Each model's identity request, every attempt, in the order LDD, LCD, lamp
    // controller 2, LED, then the first-generation lamp controller's shutter-time query.
    std::string order;
    for (const auto& frame : line.Frames())
        if (frame.size() > 1) order += static_cast<char>(frame[1]);
    const std::string expected = std::string(attempts, 'g') + std::string(attempts, 'f') +
                                 std::string(attempts, 'Y') + std::string(attempts, 'h') +
                                 std::string(attempts, 'B');
    EXPECT_EQ(expected, order);
    zanSetSerialPortPath(kPort, nullptr);
}

TEST_P(LCosCtrlOnModel, DetectsTheModelAndForwardsEachOperationAsTheTableSays)
{
    const uint16_t type = GetParam().deviceType;
    EXPECT_EQ(type, device.GetDeviceType());
    EXPECT_EQ(std::u16string(GetParam().description), std::u16string(device.GetDescription()));
    ASSERT_NE(nullptr, device.GetDriver());
    EXPECT_EQ(1, device.GetDriver()->IsOpen());

    // A second Create keeps the first driver.
    CZanComDevice* driver = device.GetDriver();
    tagZanVirtualDeviceProperty property = kProperty;
    EXPECT_EQ(0x28110003u, device.Create(nullptr, &property));
    EXPECT_EQ(driver, device.GetDriver());

    for (const DeviceOperation& op : kDeviceOperations) {
        const char command = op.commands[ColumnOf(type)];
        sim->ClearLog();
        const ZanResult result = op.call(device);
        if (command == '-') {
            EXPECT_EQ(0x28110011u, result) << op.name;
            EXPECT_EQ(0u, sim->FrameCount()) << op.name;
        } else {
            EXPECT_EQ(0u, result) << op.name;
            const auto frames = sim->Frames();
            ASSERT_FALSE(frames.empty()) << op.name;
            EXPECT_EQ(command, CommandOf(frames.front(), type)) << op.name;
        }
        EXPECT_EQ(0u, device.GetBusyWord()) << op.name;
    }

    // Index checks before forwarding: first-generation lamp lacks the operations outright.
    sim->ClearLog();
    const ZanResult index = type == 1 ? 0x28110011u : 0x28110012u;
    EXPECT_EQ(index, device.GetSerialCode(0, g_text));
    EXPECT_EQ(index, device.GetSerialCode(4, g_text));
    EXPECT_EQ(index, device.GetImagePos(3, g_word));
    EXPECT_EQ(index, device.SetImagePos(0, 1));
    EXPECT_EQ(0u, sim->FrameCount());
    // The LCD's colour wheel takes actions 1..3 only, and without a value.
    if (type == 5) {
        EXPECT_EQ(0x28110011u, device.ColorWheelControl(4, 1));
        EXPECT_EQ(0x28110011u, device.ColorWheelControl(0, 1));
        EXPECT_EQ(0u, sim->FrameCount());
        EXPECT_EQ(0u, device.ColorWheelControl(2, 99));
        ASSERT_FALSE(sim->Frames().empty());
        EXPECT_EQ(Frame("f052"), sim->Frames().front());
    }

    device.Destroy();
    EXPECT_EQ(nullptr, device.GetDriver());
    EXPECT_EQ(0x28110002u, device.Expose(1));
    // It can be created again (shown on the model probed first, which answers at once).
    if (type == 6) {
        EXPECT_EQ(0u, device.Create(nullptr, &property));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryModel, LCosCtrlOnModel, ::testing::ValuesIn(kModels),
                         [](const ::testing::TestParamInfo<ModelCase>& info) {
                             return "DeviceType" + std::to_string(info.param.deviceType);
                         });

TEST(LCosCtrl, BusyGuardSerialisesThreadsAndRefusesWithoutTouchingTheBusyWord)
{
    sim::LampControl2Sim sim;
    sim::FrameControlState state = sim.State();
    state.Shutter[0] = 40; // a 400 ms exposure
    sim.SetState(state);
    ASSERT_TRUE(sim.Start());
    zanSetSerialPortPath(kPort, sim.Path().c_str());
    CZanLCosCtrl device;
    tagZanVirtualDeviceProperty property = kProperty;
    ASSERT_EQ(0u, device.Create(nullptr, &property));

    // While one thread exposes, another is refused and the busy word keeps only the
    // exposure's bit.
    std::atomic<bool> exposing{true};
    std::thread exposer([&] {
        EXPECT_EQ(0u, device.Expose(1));
        exposing = false;
    });
    while (device.GetBusyWord() == 0 && exposing) std::this_thread::yield();
    EXPECT_EQ(0x1000u, device.GetBusyWord());
    unsigned char v = 0;
    EXPECT_EQ(0x28110004u, device.GetBrightness(1, &v));
    EXPECT_EQ(0x1000u, device.GetBusyWord());
    exposer.join();
    EXPECT_EQ(0u, device.GetBusyWord());

    // Two threads hammering the device: every request either ran whole or was refused;
    // the controller saw exactly the admitted requests, each a well-formed frame.
    sim.ClearLog();
    std::atomic<int> admitted{0};
    std::atomic<int> other{0};
    auto hammer = [&](unsigned char channel) {
        for (int i = 0; i < 60; ++i) {
            unsigned short t = 0;
            const ZanResult r = device.GetShutterTime(channel, &t);
            if (r == 0)
                ++admitted;
            else if (r != 0x28110004u)
                ++other;
        }
    };
    std::thread a(hammer, 1), b(hammer, 2);
    a.join();
    b.join();
    EXPECT_EQ(0, other.load());
    EXPECT_EQ(static_cast<size_t>(admitted.load()), sim.FrameCount());
    for (const auto& frame : sim.Frames()) EXPECT_EQ(7u, frame.size());

    // Poll marks the same bit as GetChannel while it runs.
    sim.SetPacing(300); // a 10-byte reply takes about 330 ms
    std::atomic<uint32_t> seen{0};
    std::thread poller([&] {
        unsigned char s = 0, p = 0;
        device.Poll(s, p);
    });
    for (int i = 0; i < 200 && seen == 0; ++i) {
        seen = device.GetBusyWord();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    poller.join();
    EXPECT_EQ(0x200u, seen.load());
    device.Destroy();
    zanSetSerialPortPath(kPort, nullptr);
}

} // namespace
} // namespace qlcos::test
