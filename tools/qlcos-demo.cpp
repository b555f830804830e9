// Starts a simulated light-engine controller on a pseudo-terminal, lets the light-engine
// device find it by probing, and drives it; then takes a density reading from a simulated
// X-Rite 504 through the density device's wait loop. Prints each step, its result code and
// how long it took.
//
//   qlcos-demo [--baud N] [MODEL]   MODEL: ldd (default), lcd, lamp2, led, lamp, silent
//                                   (any letter case); --baud N paces the simulated line
//                                   (default 9600; 0 off)
#include "qlcos/qlcos.h"
#include "cli_parse.h"
#include "sim/simulators.h"
#include "sim/xrite5xx_sim.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kDemoPort = 1;
const int kDensityPort = 2;
int g_failures = 0;

// Runs one step and prints "name  -> result  time  detail". A model without the operation
// answers 0x28110011 without touching the line; that is shown, not counted as a failure.
void Step(const std::string& name, const std::function<ZanResult(std::string&)>& action)
{
    std::string detail;
    const auto start = std::chrono::steady_clock::now();
    const ZanResult result = action(detail);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (result == ZAN_LCOS_UNSUPPORTED)
        detail = "not on this model";
    else if (zanFailed(result))
        ++g_failures;
    std::printf("  %-30s -> 0x%08X %8.1f ms  %s\n", name.c_str(), result, ms, detail.c_str());
}

std::string Narrow(const ZanWChar* text)
{
    std::string s;
    for (; *text; ++text) s += static_cast<char>(*text < 128 ? *text : '?');
    return s;
}

std::string Call(const char* name, int a)
{
    return std::string(name) + "(" + std::to_string(a) + ")";
}
std::string Call(const char* name, int a, int b)
{
    return std::string(name) + "(" + std::to_string(a) + ", " + std::to_string(b) + ")";
}

// A density reading as a calibration host takes it: the device created from its
// configuration, the wait loop started in its own thread, the reading announced by a window
// message and collected with GetDensityInfo, the loop stopped with Break.
void TakeDensityReading(int baud)
{
    qlcos::sim::XRite5xxSim xrite;
    if (!xrite.Start()) {
        std::fprintf(stderr, "cannot open a pseudo-terminal for the densitometer\n");
        ++g_failures;
        return;
    }
    xrite.SetPacing(baud);
    zanSetSerialPortPath(kDensityPort, xrite.Path().c_str());
    std::printf("\nTaking a density reading from a simulated X-Rite 504 on %s (COM%d)\n",
                xrite.Path().c_str(), kDensityPort);

    CZanDensityCtrlCfg config;
    tagZanVirtualDeviceProperty property{};
    config.GetZanVirtualDeviceProperty(&property);
    property.Port.Port = kDensityPort;
    property.DeviceType = ZAN_DEVTYPE_XRITE5XX;
    config.SetZanVirtualDeviceProperty(&property);
    config.GetZanVirtualDeviceProperty(&property);

    HWND window = zanCreateMessageWindow();
    CZanDensityCtrl density;
    Step("Create(X-Rite 5xx, COM2)", [&](std::string& d) {
        const ZanResult r = density.Create(window, &property);
        d = "\"" + Narrow(density.GetDescription()) + "\"";
        return r;
    });
    Step("WaitDensityInfo(in a thread)",
         [&](std::string&) { return density.WaitDensityInfo(1, 0, nullptr); });
    const qlcos::sim::SimReading sent{0.85f, 0.62f, 0.71f, 0.93f};
    std::printf("  the instrument sends \"V %.2f C %.2f M %.2f Y %.2f\" of its own accord\n",
                sent.Visual, sent.Cyan, sent.Magenta, sent.Yellow);
    const auto sentAt = std::chrono::steady_clock::now();
    xrite.Trigger(sent.Visual, sent.Cyan, sent.Magenta, sent.Yellow);
    Step("window message", [&](std::string& d) {
        MSG msg{};
        if (!zanGetMessage(window, &msg, 5000))
            return static_cast<ZanResult>(ZAN_DENSITY_NO_READING);
        char text[96];
        std::snprintf(
            text, sizeof text, "message 0x%X, wParam 0x%X, %.0f ms after the line", msg.message,
            static_cast<unsigned>(msg.wParam),
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sentAt)
                .count());
        d = text;
        return static_cast<ZanResult>(msg.lParam);
    });
    Step("GetDensityInfo", [&](std::string& d) {
        tagDensityInfo reading{};
        const ZanResult r = density.GetDensityInfo(&reading);
        char text[96];
        std::snprintf(text, sizeof text, "V %.2f C %.2f M %.2f Y %.2f", reading.Visual,
                      reading.Cyan, reading.Magenta, reading.Yellow);
        d = text;
        return r;
    });
    Step("Break", [&](std::string&) { return density.Break(0); });
    density.Destroy();
    zanDestroyMessageWindow(window);
    zanSetSerialPortPath(kDensityPort, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    int baud = 9600;
    std::string model = "ldd";
    std::vector<std::string> models;
    std::string modelList = "Models:\n";
    for (const qlcos::sim::SimulatorModel& m : qlcos::sim::SimulatorModels()) {
        models.push_back(m.Name);
        modelList += "  " + std::string(m.Name) +
                     std::string(10 - std::string(m.Name).size(), ' ') + m.Description +
                     (models.size() == 1 ? " (default)\n" : "\n");
    }
    CLI::App app("Finds a simulated light-engine controller by probing and drives it step by "
                 "step, then takes a density reading from a simulated X-Rite 504.",
                 "qlcos-demo");
    app.add_option("--baud", baud, "pace the simulated lines at N baud, 10 bits a byte (0: off)")
        ->type_name("N")
        ->capture_default_str()
        ->check(CLI::Range(0, 4000000));
    app.add_option("MODEL", model, "the simulated controller (any letter case)")
        ->capture_default_str()
        ->transform(CLI::IsMember(models, CLI::ignore_case));
    app.footer(modelList);
    if (const auto status = qlcos::tools::ParseArguments(app, argc, argv, "qlcos-demo"))
        return *status;
    std::unique_ptr<qlcos::sim::PtyDevice> sim = qlcos::sim::MakeSimulator(model);
    if (!sim) return 2; // the option's check lets only known models through
    if (!sim->Start()) {
        std::fprintf(stderr, "cannot open a pseudo-terminal for the simulator\n");
        return 1;
    }
    sim->SetPacing(baud);
    zanSetSerialPortPath(kDemoPort, sim->Path().c_str());
    std::printf("Simulated %s on %s (COM%d), line paced at %d baud\n\n",
                qlcos::sim::FindSimulatorModel(model)->Description, sim->Path().c_str(), kDemoPort,
                baud);

    CZanLCosCtrl device;
    tagZanVirtualDeviceProperty property{{kDemoPort, -1, 9600, 8, 0, 0}, 0, 0};
    std::printf("Finding the controller (models tried: LDD, LCD, lamp controller 2, LED, lamp)\n");
    Step("Create(COM1)", [&](std::string&) { return device.Create(nullptr, &property); });
    if (!device.GetDriver()) return 1;
    std::printf("  found \"%s\", DeviceType %u\n", Narrow(device.GetDescription()).c_str(),
                device.GetDeviceType());
    Step("GetSerialCode(1)", [&](std::string& d) {
        unsigned short text[CQFrameControl::kSerialCodeCapacity] = {};
        const ZanResult r = device.GetSerialCode(1, text);
        std::u16string wide;
        for (unsigned short* t = text; *t; ++t) wide += static_cast<char16_t>(*t);
        d = "\"" + Narrow(wide.c_str()) + "\"";
        return r;
    });

    std::printf("\nSetting up the three colour channels\n");
    const unsigned short shutter[3] = {35, 20, 50}; // units of 10 ms
    for (unsigned char ch = 1; ch <= 3; ++ch) {
        Step(Call("SetShutterTime", ch, shutter[ch - 1]),
             [&](std::string&) { return device.SetShutterTime(ch, shutter[ch - 1]); });
        Step(Call("GetShutterTime", ch), [&](std::string& d) {
            unsigned short t = 0;
            const ZanResult r = device.GetShutterTime(ch, &t);
            d = std::to_string(t * 10) + " ms";
            return r;
        });
        Step(Call("SetBrightness", ch, 60 + ch), [&](std::string&) {
            return device.SetBrightness(ch, static_cast<unsigned char>(60 + ch));
        });
        Step(Call("GetBrightness", ch), [&](std::string& d) {
            unsigned char v = 0;
            const ZanResult r = device.GetBrightness(ch, &v);
            d = std::to_string(v);
            return r;
        });
        Step(Call("SetChannel", ch, ch), [&](std::string&) { return device.SetChannel(ch, ch); });
        Step(Call("GetChannel", ch), [&](std::string& d) {
            unsigned char v = 0;
            const ZanResult r = device.GetChannel(ch, &v);
            d = std::to_string(v);
            return r;
        });
        Step(Call("SetFilterPos", ch, 120 * ch), [&](std::string&) {
            return device.SetFilterPos(ch, static_cast<unsigned short>(120 * ch));
        });
        Step(Call("GetFilterPos", ch), [&](std::string& d) {
            unsigned short p = 0;
            const ZanResult r = device.GetFilterPos(ch, &p);
            d = std::to_string(p);
            return r;
        });
    }
    Step("SetIntervalTime(1, 15)", [&](std::string&) { return device.SetIntervalTime(1, 15); });
    Step("SetImagePos(1, 256)", [&](std::string&) { return device.SetImagePos(1, 256); });
    Step("GetImagePos(1)", [&](std::string& d) {
        unsigned short v = 0;
        const ZanResult r = device.GetImagePos(1, v);
        d = std::to_string(v);
        return r;
    });

    std::printf("\nMoving the mechanics\n");
    Step("ShutterOpen(0, 1)", [&](std::string&) { return device.ShutterOpen(0, 1); });
    Step("ColorWheelControl(2, 0)", [&](std::string&) { return device.ColorWheelControl(2, 0); });
    Step("SetWobbleData(2, 180)", [&](std::string&) { return device.SetWobbleData(2, 180); });
    Step("MoveCarrier(2)", [&](std::string&) { return device.MoveCarrier(2); });
    Step("MoveFocus(25)", [&](std::string&) { return device.MoveFocus(25); });
    Step("SetPosition(1, 1200)", [&](std::string&) { return device.SetPosition(1, 1200); });
    Step("GetPosition(1)", [&](std::string& d) {
        unsigned short v = 0;
        const ZanResult r = device.GetPosition(1, &v);
        d = std::to_string(v);
        return r;
    });

    std::printf("\nExposing each channel (status polled until the controller is idle)\n");
    for (unsigned char ch = 1; ch <= 3; ++ch) {
        Step(Call("Expose", ch), [&](std::string& d) {
            d = "shutter " + std::to_string(shutter[ch - 1] * 10) + " ms";
            return device.Expose(ch);
        });
    }
    Step("Poll", [&](std::string& d) {
        unsigned char status = 0, progress = 0;
        const ZanResult r = device.Poll(status, progress);
        if (zanSucceeded(r))
            d = std::string("status '") + static_cast<char>(status) + "' progress " +
                std::to_string(progress);
        return r;
    });

    std::printf("\nWhat the library checks before the line\n");
    Step("GetSerialCode(4)", [&](std::string& d) {
        unsigned short text[CQFrameControl::kSerialCodeCapacity] = {};
        const ZanResult r = device.GetSerialCode(4, text);
        if (r == ZAN_LCOS_BAD_INDEX) {
            d = "index refused, nothing sent";
            --g_failures; // expected
        }
        return r;
    });

    device.Destroy();
    zanSetSerialPortPath(kDemoPort, nullptr);
    std::printf("\n%zu frames exchanged with the simulator\n", sim->FrameCount());

    TakeDensityReading(baud);
    std::printf("\n%d unexpected failures\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
