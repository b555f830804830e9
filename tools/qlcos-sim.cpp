// Runs a simulated light-engine controller or densitometer, so that a host can be developed
// and tried without a minilab. Prints where the device listens, then a line for every frame
// received and sent until Ctrl-C or SIGTERM. A densitometer takes a measurement on every
// Enter key and, with --every, every N seconds.
//
//   qlcos-sim [--baud N] [--time-scale PERCENT] [--every SECONDS] [MODEL]   (--help: the models)
//
// Point the library at the printed path with QLCOS_COM<port>=<path>; the colour mouse is
// reached through the exported QLCOS_CSCMTLIB and QLCOS_COLORMOUSE_FIFO.

#include "cli_parse.h"
#include "sim/color_mouse_stand_in.h"
#include "sim/simulators.h"
#include "sim/xrite2xx_sim.h"
#include "sim/xrite5xx_sim.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kFramesKept = 10000;

// The densitometers, beside the controller models of SimulatorModels().
struct Densitometer {
    const char* Name;
    const char* Description;
};
const Densitometer kDensitometers[] = {
    {"xrite5xx", "X-Rite 504 densitometer (sends each reading line of its own accord)"},
    {"xrite2xx", "X-Rite DTP22 densitometer (announces a reading, then answers \"0SR\")"},
    {"colormouse", "colour mouse (the stand-in for its maker's library, driven through a FIFO)"},
};

// The model list shown under --help.
std::string ModelList()
{
    std::string text = "Models (any letter case):\n";
    auto line = [&](const char* name, const char* description, const char* note) {
        const std::string n(name);
        text += "  " + n + std::string(n.size() < 11 ? 11 - n.size() : 1, ' ') + description +
                note + "\n";
    };
    for (const qlcos::sim::SimulatorModel& m : qlcos::sim::SimulatorModels())
        line(m.Name, m.Description, &m == &qlcos::sim::SimulatorModels()[0] ? " (default)" : "");
    for (const Densitometer& d : kDensitometers) line(d.Name, d.Description, "");
    return text;
}

// Densities of the n-th measurement: a slow walk through plausible print densities, so
// that successive readings differ.
qlcos::sim::SimReading NthReading(int n)
{
    const float step = static_cast<float>(n % 20) * 0.05f;
    return {0.60f + step, 0.40f + step, 0.70f + step, 0.90f + step};
}

// Calls `measure` on every line from standard input and, when `everyMs` is not 0, every
// `everyMs` milliseconds, until a byte arrives on `stopFd`.
void RunMeasurements(int stopFd, int everyMs, const std::function<void()>& measure)
{
    bool input = true;
    auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(everyMs);
    for (;;) {
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        int timeout = -1;
        if (everyMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                next - std::chrono::steady_clock::now());
            timeout = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        const int ready = poll(fds, input ? 2 : 1, timeout);
        if (ready < 0 && errno != EINTR) return;
        if (fds[0].revents) return;
        if (input && fds[1].revents) {
            char buffer[256];
            const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0)
                input = false; // standard input closed: only the timer is left
            else
                for (ssize_t i = 0; i < n; ++i)
                    if (buffer[i] == '\n') measure();
        }
        if (everyMs > 0 && std::chrono::steady_clock::now() >= next) {
            measure();
            next += std::chrono::milliseconds(everyMs);
        }
        if (!input && everyMs == 0) {
            char byte;
            (void)!read(stopFd, &byte, 1); // nothing left to wait for but the stop
            return;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    int baud = 0;
    int timeScale = 100;
    int everySeconds = 0;
    std::string name = qlcos::sim::SimulatorModels()[0].Name;
    std::vector<std::string> names;
    for (const qlcos::sim::SimulatorModel& m : qlcos::sim::SimulatorModels())
        names.push_back(m.Name);
    for (const Densitometer& d : kDensitometers) names.push_back(d.Name);

    CLI::App app("Runs a simulated light-engine controller or densitometer on a pseudo-terminal "
                 "and prints every frame it receives and sends until Ctrl-C.",
                 "qlcos-sim");
    app.add_option("--baud", baud, "pace replies at N baud, 10 bits a byte (default: at once)")
        ->type_name("N")
        ->check(CLI::Range(0, 100000000));
    app.add_option("--time-scale", timeScale,
                   "run the controllers' busy times at P percent of real time")
        ->type_name("P")
        ->capture_default_str()
        ->check(CLI::Range(0, 100000000));
    app.add_option("--every", everySeconds,
                   "densitometers: take a measurement every N seconds (default: only on Enter)")
        ->type_name("N")
        ->check(CLI::Range(0, 86400));
    app.add_option("MODEL", name, "the simulated device")
        ->capture_default_str()
        ->transform(CLI::IsMember(names, CLI::ignore_case));
    app.footer(ModelList());
    if (const auto status = qlcos::tools::ParseArguments(app, argc, argv, "qlcos-sim"))
        return *status;
    const qlcos::sim::SimulatorModel* controller = qlcos::sim::FindSimulatorModel(name);
    const Densitometer* densitometer = nullptr;
    for (const Densitometer& d : kDensitometers)
        if (name == d.Name) densitometer = &d;
    if (!controller && !densitometer) return 2; // the option's check lets only these through

    // Block the stop signals before any thread starts, so that every thread inherits the
    // mask and only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // Declared before the simulator, so that they outlive its reader thread.
    const auto started = std::chrono::steady_clock::now();
    std::mutex printMutex;
    auto print = [&](const std::string& line) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::lock_guard<std::mutex> lock(printMutex);
        std::printf("[%10.3f] %s\n", seconds, line.c_str());
        std::fflush(stdout);
    };
    size_t framesCleared = 0; // written by the trace sink; read after Stop
    std::unique_ptr<qlcos::sim::PtyDevice> sim;
    std::unique_ptr<qlcos::sim::ColorMouseFifo> fifo;
    std::function<void()> measure;
    int measurements = 0;

    if (controller) {
        sim = controller->Make();
    } else if (name == "colormouse") {
        fifo = std::make_unique<qlcos::sim::ColorMouseFifo>();
        if (fifo->Path().empty()) {
            std::fprintf(stderr, "qlcos-sim: cannot make a FIFO: %s\n", std::strerror(errno));
            return 1;
        }
        measure = [&] {
            const qlcos::sim::SimReading r = NthReading(measurements++);
            char line[160];
            std::snprintf(line, sizeof line, "button pressed: C %.2f M %.2f Y %.2f%s", r.Cyan,
                          r.Magenta, r.Yellow,
                          fifo->Press(r.Cyan, r.Magenta, r.Yellow)
                              ? ""
                              : " (no host has the colour mouse open: dropped)");
            print(line);
        };
    } else {
        std::unique_ptr<qlcos::sim::XRiteSim> xrite;
        if (name == "xrite5xx")
            xrite = std::make_unique<qlcos::sim::XRite5xxSim>();
        else
            xrite = std::make_unique<qlcos::sim::XRite2xxSim>();
        qlcos::sim::XRiteSim* instrument = xrite.get();
        sim = std::move(xrite);
        measure = [&, instrument] {
            const qlcos::sim::SimReading r = NthReading(measurements++);
            instrument->Trigger(r.Visual, r.Cyan, r.Magenta, r.Yellow);
        };
    }

    if (sim) {
        sim->SetPacing(baud);
        if (timeScale != 100 && !qlcos::sim::SetSimulatorTimeScale(*sim, timeScale))
            std::fprintf(stderr, "qlcos-sim: %s has no busy times to scale\n", name.c_str());
        sim->SetTrace([&](const std::string& line) {
            print(line);
            // The frames are printed here; the log is not needed, so keep it from growing
            // without bound on a long run.
            if (sim->FrameCount() >= kFramesKept) {
                framesCleared += sim->FrameCount();
                sim->ClearLog();
            }
        });
        if (!sim->Start()) {
            std::fprintf(stderr, "qlcos-sim: cannot open a pseudo-terminal: %s\n",
                         std::strerror(errno));
            return 1;
        }
    }
    {
        std::lock_guard<std::mutex> lock(printMutex);
        const char* description = controller ? controller->Description : densitometer->Description;
        if (sim) {
            std::printf("%s simulator on %s\n", description, sim->Path().c_str());
            std::printf("use it with: export QLCOS_COM1=%s\n", sim->Path().c_str());
            if (baud > 0) std::printf("replies paced at %d baud\n", baud);
        } else {
            std::printf("%s\n", description);
            std::printf("use it with: export QLCOS_CSCMTLIB=%s\n",
                        qlcos::sim::ColorMouseStandIn::BesideProgram().c_str());
            std::printf("             export QLCOS_COLORMOUSE_FIFO=%s\n", fifo->Path().c_str());
        }
        if (densitometer) {
            std::printf("Enter takes a measurement");
            if (everySeconds > 0) std::printf(", and one is taken every %d s", everySeconds);
            std::printf("\n");
        }
        std::printf("Ctrl-C stops\n");
        std::fflush(stdout);
    }

    int stopPipe[2] = {-1, -1};
    std::thread measurer;
    if (measure) {
        if (pipe(stopPipe) != 0) {
            std::fprintf(stderr, "qlcos-sim: cannot make a pipe: %s\n", std::strerror(errno));
            return 1;
        }
        measurer = std::thread(RunMeasurements, stopPipe[0], everySeconds * 1000, measure);
    }

    int received = 0;
    sigwait(&stopSignals, &received);
    if (measurer.joinable()) {
        (void)!write(stopPipe[1], "x", 1);
        measurer.join();
        close(stopPipe[0]);
        close(stopPipe[1]);
    }
    std::printf("stopped (%s)", received == SIGINT ? "SIGINT" : "SIGTERM");
    if (sim) {
        sim->Stop();
        std::printf(", %zu frames received", framesCleared + sim->FrameCount());
    }
    if (densitometer) std::printf(", %d measurements taken", measurements);
    std::printf("\n");
    return 0;
}
