// A calibration host taking one density reading from an X-Rite 5xx: the density device's wait
// loop runs in a thread of its own and announces each reading with a message to the host's
// window; the host then collects the reading.
//
//   density_reading PORT [SECONDS]
//
// PORT is the serial port number of the instrument (see light_engine.cpp for how a port
// number finds its device); SECONDS how long to wait for a reading (default 30). Exits 0
// with a reading, 1 without.
#include <qlcos/density.h>
#include <qlcos/host.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The host's window. On POSIX the library offers message windows that stand in for Windows
// windows (qlcos/host.h); a Windows host passes its own window and takes the notification
// in its window procedure instead.
struct HostWindow {
    HWND Handle = zanCreateMessageWindow();
    HostWindow() = default;
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    ~HostWindow() { zanDestroyMessageWindow(Handle); }
    // Waits up to `ms` for the next message.
    bool Next(MSG& msg, DWORD ms) { return zanGetMessage(Handle, &msg, ms) != 0; }
};

// `text` as a whole number from `low` to `high`.
bool Number(const char* text, long low, long high, long& value)
{
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= low && value <= high;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("usage: density_reading PORT [SECONDS]   (PORT: 1 for COM1; SECONDS: 30)\n");
        return 0;
    }
    long port = 0, seconds = 30;
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "density_reading: expects the port number and, optionally, the "
                             "seconds to wait\n");
        return 2;
    }
    if (!Number(argv[1], 1, 255, port)) {
        std::fprintf(stderr, "density_reading: the port is a number from 1 to 255, not '%s'\n",
                     argv[1]);
        return 2;
    }
    if (argc == 3 && !Number(argv[2], 1, 3600, seconds)) {
        std::fprintf(stderr, "density_reading: the seconds are a number from 1 to 3600, not '%s'\n",
                     argv[2]);
        return 2;
    }

    HostWindow window;
    if (!window.Handle) {
        std::fprintf(stderr, "density_reading: no message window could be made\n");
        return 1;
    }
    // An X-Rite 5xx at 9600 baud; the second word is always -1.
    tagZanVirtualDeviceProperty property{
        {static_cast<int32_t>(port), -1, 9600, 8, 0, 0}, ZAN_DEVTYPE_XRITE5XX, 0xFFFF};
    CZanDensityCtrl density;
    ZanResult r = density.Create(window.Handle, &property);
    if (r != 0) {
        std::fprintf(stderr, "density_reading: no X-Rite 5xx on port %ld (0x%08X)\n", port, r);
        return 1;
    }
    // The wait loop in its own thread: it looks for a new reading every
    // CZanDensityCtrl::kWaitPassMs and posts GetNotifyMessage() for each.
    r = density.WaitDensityInfo(1, 0, nullptr);
    if (r != 0) {
        std::fprintf(stderr, "density_reading: the wait loop did not start (0x%08X)\n", r);
        return 1;
    }
    std::printf("waiting up to %ld s for a reading (take a measurement on the instrument)\n",
                seconds);

    int status = 1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    MSG msg{};
    while (status != 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !window.Next(msg, static_cast<DWORD>(left.count()))) {
            std::fprintf(stderr, "density_reading: no reading within %ld s\n", seconds);
            break;
        }
        if (msg.message != density.GetNotifyMessage() || msg.wParam != ZAN_DENSITY_NOTIFY_READING)
            continue; // not the density device's notification
        tagDensityInfo reading{};
        r = density.GetDensityInfo(&reading);
        if (r == 0) {
            std::printf("reading: V %.2f C %.2f M %.2f Y %.2f\n", reading.Visual, reading.Cyan,
                        reading.Magenta, reading.Yellow);
            status = 0;
        }
    }

    density.Break(0); // stops the wait loop and joins its thread
    density.Destroy();
    return status;
}
