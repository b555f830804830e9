// Drives a simulated lamp controller 2 on a pseudo-terminal through the library, printing
// each step, its result code and how long it took.
//
//   qlcos-demo [--baud N]    pace the simulated line at N baud (default 9600; 0: unpaced)
#include "qlcos/qlcos.h"
#include "lamp_control2_sim.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

const int kDemoPort = 1;
int g_failures = 0;

// Runs one step and prints "name  -> result  time  detail".
void Step(const char* name, const std::function<ZanResult(std::string&)>& action)
{
    std::string detail;
    const auto start = std::chrono::steady_clock::now();
    const ZanResult result = action(detail);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (zanFailed(result)) ++g_failures;
    std::printf("  %-34s -> 0x%08X %9.1f ms  %s\n", name, result, ms, detail.c_str());
}

std::string Narrow(const unsigned short* text)
{
    std::string s;
    for (; *text; ++text) s += static_cast<char>(*text < 128 ? *text : '?');
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    int baud = 9600;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--baud") == 0 && i + 1 < argc) baud = std::atoi(argv[++i]);
    }

    qlsim::LampControl2Sim sim;
    if (!sim.Start()) {
        std::fprintf(stderr, "cannot open a pseudo-terminal for the simulator\n");
        return 1;
    }
    sim.SetPacing(baud);
    zanSetSerialPortPath(kDemoPort, sim.Path().c_str());
    std::printf("Simulated lamp controller 2 on %s (COM%d), line paced at %d baud\n\n",
                sim.Path().c_str(), kDemoPort, baud);

    CQLampControl2 lamp;
    std::printf("Opening and identifying the controller\n");
    Step("Create(COM1)", [&](std::string&) { return lamp.Create(kDemoPort, -1); });
    if (!lamp.IsOpen()) return 1;
    Step("GetVersion", [&](std::string& d) {
        char text[CQFrameControl::kVersionTextCapacity] = {};
        const ZanResult r = lamp.GetVersion(text);
        d = std::string("\"") + text + "\"";
        return r;
    });
    Step("GetSerialCode(1)", [&](std::string& d) {
        unsigned short text[CQFrameControl::kSerialCodeCapacity] = {};
        const ZanResult r = lamp.GetSerialCode(1, text);
        d = "\"" + Narrow(text) + "\"";
        return r;
    });

    std::printf("\nSetting up the three colour channels\n");
    const unsigned short shutter[3] = {35, 20, 50}; // units of 10 ms
    for (unsigned char ch = 1; ch <= 3; ++ch) {
        char name[64];
        std::snprintf(name, sizeof name, "SetShutterTime(%u, %u)", ch, shutter[ch - 1]);
        Step(name, [&](std::string&) { return lamp.SetShutterTime(ch, shutter[ch - 1]); });
        std::snprintf(name, sizeof name, "GetShutterTime(%u)", ch);
        Step(name, [&](std::string& d) {
            unsigned short t = 0;
            const ZanResult r = lamp.GetShutterTime(ch, t);
            d = std::to_string(t * 10) + " ms";
            return r;
        });
        std::snprintf(name, sizeof name, "SetBrightness(%u, %u)", ch, 60u + ch);
        Step(name, [&](std::string&) { return lamp.SetBrightness(ch, static_cast<unsigned char>(60 + ch)); });
        std::snprintf(name, sizeof name, "GetBrightness(%u)", ch);
        Step(name, [&](std::string& d) {
            unsigned char v = 0;
            const ZanResult r = lamp.GetBrightness(ch, v);
            d = std::to_string(v);
            return r;
        });
        std::snprintf(name, sizeof name, "SetChannel(%u, %u)", ch, ch);
        Step(name, [&](std::string&) { return lamp.SetChannel(ch, ch); });
        std::snprintf(name, sizeof name, "GetChannel(%u)", ch);
        Step(name, [&](std::string& d) {
            unsigned char v = 0;
            const ZanResult r = lamp.GetChannel(ch, v);
            d = std::to_string(v);
            return r;
        });
        std::snprintf(name, sizeof name, "SetColorWheelPos(%u, %u)", ch, 120u * ch);
        Step(name, [&](std::string&) { return lamp.SetColorWheelPos(ch, static_cast<unsigned short>(120 * ch)); });
        std::snprintf(name, sizeof name, "GetColorWheelPos(%u)", ch);
        Step(name, [&](std::string& d) {
            unsigned short p = 0;
            const ZanResult r = lamp.GetColorWheelPos(ch, p);
            d = std::to_string(p);
            return r;
        });
    }
    Step("ColorWheelControl(4, 7)", [&](std::string&) { return lamp.ColorWheelControl(4, 7); });

    std::printf("\nExposing each channel (status polled until the controller is idle)\n");
    for (unsigned char ch = 1; ch <= 3; ++ch) {
        char name[64];
        std::snprintf(name, sizeof name, "Expose(%u)", ch);
        Step(name, [&](std::string& d) {
            const ZanResult r = lamp.Expose(ch);
            d = "shutter " + std::to_string(shutter[ch - 1] * 10) + " ms";
            return r;
        });
    }
    Step("Poll", [&](std::string& d) {
        unsigned char status = 0, progress = 0;
        const ZanResult r = lamp.Poll(status, progress);
        d = std::string("status '") + static_cast<char>(status) + "' progress " + std::to_string(progress);
        return r;
    });

    std::printf("\nWhat the library checks before the line\n");
    Step("SetBrightness(1, 100)", [&](std::string& d) {
        d = "refused, nothing sent";
        return lamp.SetBrightness(1, 100);
    });
    --g_failures; // expected

    lamp.Destroy();
    zanSetSerialPortPath(kDemoPort, nullptr);
    std::printf("\n%zu frames exchanged with the simulator; %d unexpected failures\n",
                sim.FrameCount(), g_failures);
    return g_failures == 0 ? 0 : 1;
}
