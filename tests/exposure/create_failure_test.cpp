// Why the light-engine device's Create failed: the result stays 0x28110001, the status
// description names the reason.
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "serial/time_scale.h"
#include "sim/ldd_control_sim.h"
#include "sim/silent_line_sim.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace qlcos::test {
namespace {

const int kPort = 27;

std::string Describe(CZanVirtualDevice& device)
{
    tagZanVirtualDeviceStatusDescription description{};
    EXPECT_EQ(0u, device.GetStatusDescription(&description, nullptr));
    return Utf8(description.Text);
}

// Create on `path`: the result, and the description it leaves.
std::string CreateOn(const std::string& path)
{
    zanSetSerialPortPath(kPort, path.c_str());
    CZanLCosCtrl device;
    tagZanVirtualDeviceProperty property{{kPort, -1, 9600, 8, 0, 0}, 0, 0};
    EXPECT_EQ(ZAN_LCOS_CREATE_FAILED, device.Create(nullptr, &property)) << path;
    return Describe(device);
}

TEST(LCosCtrlCreate, TheStatusDescriptionSaysWhyNoControllerWasFound)
{
    TempFolder folder;
    folder.Write("plain", "not a port");
    sim::SilentLineSim silent;
    ASSERT_TRUE(silent.Start());
    const std::string com = "COM" + std::to_string(kPort) + " ";

    const std::string missing = CreateOn(folder.File("absent"));
    EXPECT_EQ("Create failed: " + com + folder.File("absent") +
                  ": no such port (No such file or directory)",
              missing);
    const std::string file = CreateOn(folder.File("plain"));
    EXPECT_EQ("Create failed: " + com + folder.File("plain") +
                  ": a regular file, not a terminal (Inappropriate ioctl for device)",
              file);
    const std::string directory = CreateOn(folder.File(""));
    EXPECT_NE(std::string::npos, directory.find(": a directory, not a terminal")) << directory;
    serial::SetWaitScaleForTests(5);
    const std::string quiet = CreateOn(silent.Path());
    serial::SetWaitScaleForTests(100);
    EXPECT_EQ("Create failed: no model answered on " + com + silent.Path() +
                  " (tried LDD controller, LCD controller, lamp controller 2, LED controller, "
                  "lamp controller)",
              quiet);
    EXPECT_EQ(4u, std::set<std::string>({missing, file, directory, quiet}).size());

    // In use: another port control holds the line.
    {
        sim::LDDControlSim ldd;
        ASSERT_TRUE(ldd.Start());
        zanSetSerialPortPath(kPort, ldd.Path().c_str());
        CQLDDControl holder;
        ASSERT_EQ(0u, holder.Create(kPort, -1));
        const std::string inUse = CreateOn(ldd.Path());
        EXPECT_NE(std::string::npos, inUse.find(ldd.Path() + ": in use")) << inUse;

        // Once Create succeeds the description is in order again; a failed request then
        // shows its result's text until the next success.
        holder.Destroy();
        CZanLCosCtrl device;
        tagZanVirtualDeviceProperty property{{kPort, 0, 9600, 8, 0, 0}, 0, 0};
        EXPECT_EQ(ZAN_LCOS_CREATE_FAILED, device.Create(nullptr, &property));
        EXPECT_EQ("Create failed: the property's second word is not 0xFFFFFFFF", Describe(device));
        property.Port.Second = -1;
        ASSERT_EQ(0u, device.Create(nullptr, &property));
        EXPECT_EQ("in order", Describe(device));
        EXPECT_EQ(ZAN_LCOS_UNSUPPORTED, device.SetFilterPos(1, 1));
        EXPECT_EQ(zanResultText(ZAN_LCOS_UNSUPPORTED), Describe(device));
        tagZanVirtualDeviceStatus status{0xFFFFFFFF, ZAN_COM_ERR_CANCELLED, {}};
        tagZanVirtualDeviceStatusDescription description{};
        device.GetStatusDescription(&description, &status);
        EXPECT_EQ("fault: cancelled (Break)", Utf8(description.Text));
        unsigned short time = 0;
        EXPECT_EQ(0u, device.GetShutterTime(1, &time));
        EXPECT_EQ("in order", Describe(device));
    }

    // Permission denied: a port the user may not open (root may open anything).
    if (::geteuid() != 0) {
        folder.Write("locked", "");
        ::chmod(folder.File("locked").c_str(), 0);
        EXPECT_NE(std::string::npos, CreateOn(folder.File("locked")).find(": permission denied"));
    }
    zanSetSerialPortPath(kPort, nullptr);
}

} // namespace
} // namespace qlcos::test
