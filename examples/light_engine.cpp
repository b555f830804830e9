// A host's first steps with the light engine: find the controller on a serial port, read a
// few settings, set a shutter time and read it back, let go of the port.
//
//   light_engine PORT
//
// PORT is the serial port number (1 for COM1). On POSIX port n opens the device named by the
// environment variable QLCOS_COM<n> (for example a simulator's pseudo-terminal), else
// /dev/ttyS<n-1>. Exits 0 when every step worked.
#include <qlcos/exposure.h>
#include <qlcos/version.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The device's UTF-16 description for the console (its texts are ASCII).
std::string Narrow(const ZanWChar* text)
{
    std::string out;
    for (; *text; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

// Prints one step; counts failures. A model without the operation answers
// ZAN_LCOS_UNSUPPORTED without touching the line: that is not a failure.
int g_failures = 0;
void Report(const char* step, ZanResult result, const std::string& detail = "")
{
    const bool missing = result == ZAN_LCOS_UNSUPPORTED;
    if (zanFailed(result) && !missing) ++g_failures;
    std::printf("  %-24s 0x%08X  %s\n", step, result,
                missing ? "(not on this model)" : detail.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("usage: light_engine PORT   (the serial port number, 1 for COM1)\n");
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "light_engine: expects one argument, the port number (1 for COM1)\n");
        return 2;
    }
    char* end = nullptr;
    const long port = std::strtol(argv[1], &end, 10);
    if (end == argv[1] || *end != '\0' || port < 1 || port > 255) {
        std::fprintf(stderr, "light_engine: the port is a number from 1 to 255, not '%s'\n",
                     argv[1]);
        return 2;
    }

    // The library loaded must be the one these headers describe.
    std::printf("QLCosCtrl %s (built against %s)\n", zanGetVersion(), QLCOS_VERSION_STRING);
    if (zanGetVersionNumber() != QLCOS_VERSION_NUMBER) {
        std::fprintf(stderr, "light_engine: library version %s, headers %s\n", zanGetVersion(),
                     QLCOS_VERSION_STRING);
        return 1;
    }

    // Port record: port, second word (always -1), baud rate, data bits, two reserved words.
    // The device type is left 0: Create finds the model by asking each in turn.
    tagZanVirtualDeviceProperty property{{static_cast<int32_t>(port), -1, 9600, 8, 0, 0}, 0, 0};
    CZanLCosCtrl device;
    const ZanResult created = device.Create(nullptr, &property);
    Report("Create", created, "\"" + Narrow(device.GetDescription()) + "\"");
    if (zanFailed(created)) {
        // The device's status description says why Create failed.
        tagZanVirtualDeviceStatusDescription why{};
        device.GetStatusDescription(&why, nullptr);
        std::fprintf(stderr, "light_engine: no controller on port %ld: %s\n", port,
                     Narrow(why.Text).c_str());
        return 1;
    }

    unsigned short time = 0;
    ZanResult r = device.GetShutterTime(1, &time);
    Report("GetShutterTime(1)", r, std::to_string(time * 10) + " ms");
    unsigned char brightness = 0;
    r = device.GetBrightness(1, &brightness);
    Report("GetBrightness(1)", r, std::to_string(brightness));
    unsigned char status = 0, progress = 0;
    r = device.Poll(status, progress);
    Report("Poll", r, std::string("status '") + static_cast<char>(status) + "'");

    // Shutter times are in units of 10 ms: 150 is 1.5 s.
    r = device.SetShutterTime(1, 150);
    Report("SetShutterTime(1, 150)", r);
    if (r == 0) {
        r = device.GetShutterTime(1, &time);
        Report("GetShutterTime(1)", r, std::to_string(time * 10) + " ms");
        if (r == 0 && time != 150) {
            std::fprintf(stderr, "light_engine: shutter time read back as %u\n", time);
            ++g_failures;
        }
    }

    device.Destroy(); // closes the port; the destructor would do it as well
    std::printf("%s\n",
                g_failures == 0 ? "light engine: all steps worked" : "light engine: FAILED");
    return g_failures == 0 ? 0 : 1;
}
