// Runs a simulated light-engine controller on a pseudo-terminal, so that a host can be
// developed and tried without a minilab. Prints the device path, then a line for every
// frame received and sent until Ctrl-C or SIGTERM.
//
//   qlcos-sim [--baud N] [--time-scale PERCENT] [MODEL]
//
// Point the library at the printed path with QLCOS_COM<port>=<path>.

#include "sim/simulators.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <string>

namespace {

constexpr size_t kFramesKept = 10000;

void PrintUsage(std::FILE* to)
{
    std::fprintf(to,
                 "usage: qlcos-sim [--baud N] [--time-scale PERCENT] [MODEL]\n"
                 "  --baud N            pace replies at N baud, 10 bits a byte (default: at once)\n"
                 "  --time-scale P      run busy times at P percent of real time (default 100)\n"
                 "models:\n");
    for (const qlcos::sim::SimulatorModel& m : qlcos::sim::SimulatorModels())
        std::fprintf(to, "  %-8s %s%s\n", m.Name, m.Description,
                     &m == &qlcos::sim::SimulatorModels()[0] ? " (default)" : "");
}

bool ParseCount(const char* text, int& value)
{
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > 100000000) return false;
    value = static_cast<int>(v);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int baud = 0;
    int timeScale = 100;
    const qlcos::sim::SimulatorModel* model = &qlcos::sim::SimulatorModels()[0];
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            PrintUsage(stdout);
            return 0;
        }
        if ((arg == "--baud" || arg == "--time-scale") && i + 1 < argc) {
            if (!ParseCount(argv[++i], arg == "--baud" ? baud : timeScale)) {
                std::fprintf(stderr, "qlcos-sim: bad value for %s: %s\n", arg.c_str(), argv[i]);
                return 2;
            }
            continue;
        }
        model = qlcos::sim::FindSimulatorModel(arg);
        if (model == nullptr) {
            std::fprintf(stderr, "qlcos-sim: unknown option or model: %s\n", arg.c_str());
            PrintUsage(stderr);
            return 2;
        }
    }

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
    size_t framesCleared = 0; // written by the trace sink; read after Stop
    std::unique_ptr<qlcos::sim::PtyDevice> sim = model->Make();
    sim->SetPacing(baud);
    if (timeScale != 100 && !qlcos::sim::SetSimulatorTimeScale(*sim, timeScale))
        std::fprintf(stderr, "qlcos-sim: %s has no busy times to scale\n", model->Name);
    sim->SetTrace([&](const std::string& line) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::lock_guard<std::mutex> lock(printMutex);
        std::printf("[%10.3f] %s\n", seconds, line.c_str());
        std::fflush(stdout);
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
    {
        std::lock_guard<std::mutex> lock(printMutex);
        std::printf("%s simulator on %s\n", model->Description, sim->Path().c_str());
        std::printf("use it with: export QLCOS_COM1=%s\n", sim->Path().c_str());
        if (baud > 0) std::printf("replies paced at %d baud\n", baud);
        std::printf("Ctrl-C stops\n");
        std::fflush(stdout);
    }

    int received = 0;
    sigwait(&stopSignals, &received);
    sim->Stop();
    std::printf("stopped (%s), %zu frames received\n", received == SIGINT ? "SIGINT" : "SIGTERM",
                framesCleared + sim->FrameCount());
    return 0;
}
