// Round trip of one command through a pseudo-terminal against the simulated lamp controller 2:
// the library's GetShutterTime beside a raw baseline that writes the same 7 bytes and reads
// until ETX on the same kind of terminal, against the same simulator.
#include "qlcos/qlcos.h"
#include "lamp_control2_sim.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

const int kBenchPort = 3;

void BM_LibraryGetShutterTime(benchmark::State& state)
{
    qlsim::LampControl2Sim sim;
    if (!sim.Start()) return state.SkipWithError("no pseudo-terminal");
    zanSetSerialPortPath(kBenchPort, sim.Path().c_str());
    CQLampControl2 lamp;
    if (lamp.Create(kBenchPort, -1) != 0) return state.SkipWithError("Create failed");
    unsigned short t = 0;
    for (auto _ : state) {
        if (lamp.GetShutterTime(1, t) != 0) return state.SkipWithError("command failed");
        benchmark::DoNotOptimize(t);
    }
    lamp.Destroy();
    zanSetSerialPortPath(kBenchPort, nullptr);
}

void BM_RawGetShutterTime(benchmark::State& state)
{
    qlsim::LampControl2Sim sim;
    if (!sim.Start()) return state.SkipWithError("no pseudo-terminal");
    const int fd = open(sim.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return state.SkipWithError("cannot open the terminal");
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    const unsigned char frame[7] = {0x02, 'Y', '0', 'B', '1', 0x03, 0x02 ^ 0x02 ^ 'Y' ^ '0' ^ 'B' ^ '1' ^ 0x03};
    unsigned char reply[256];
    for (auto _ : state) {
        if (write(fd, frame, sizeof frame) != sizeof frame) return state.SkipWithError("write failed");
        bool etx = false;
        while (!etx) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0) return state.SkipWithError("no reply");
            const ssize_t n = read(fd, reply, sizeof reply);
            for (ssize_t i = 0; i < n && !etx; ++i) etx = reply[i] == 0x03;
        }
    }
    close(fd);
}

BENCHMARK(BM_RawGetShutterTime)->UseRealTime()->MinTime(1.0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LibraryGetShutterTime)->UseRealTime()->MinTime(1.0)->Unit(benchmark::kMicrosecond);

// Remembers each benchmark's real time per iteration, for the ratio printed at the end.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (!run.error_occurred && run.iterations > 0)
                microseconds[run.benchmark_name().substr(0, run.benchmark_name().find('/'))] =
                    run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> microseconds;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto raw = reporter.microseconds.find("BM_RawGetShutterTime");
    const auto lib = reporter.microseconds.find("BM_LibraryGetShutterTime");
    if (raw != reporter.microseconds.end() && lib != reporter.microseconds.end()) {
        std::printf("\nGetShutterTime round trip: raw %.1f us, library %.1f us, ratio %.2f\n",
                    raw->second, lib->second, lib->second / raw->second);
    }
    benchmark::Shutdown();
    return 0;
}
