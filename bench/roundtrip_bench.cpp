// Round trips through a pseudo-terminal against the simulated controllers: the library's
// GetShutterTime (lamp controller 2) and GetGammaData (LCD, a 776-byte reply), each beside a
// raw baseline that writes the same 7 bytes and reads until ETX on the same kind of terminal
// against the same simulator; and how long CZanLCosCtrl::Create takes to find each model.
#include "qlcos/qlcos.h"
#include "sim/lamp_control2_sim.h"
#include "sim/lcd_control_sim.h"
#include "sim/simulators.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

const int kBenchPort = 3;

void BM_LibraryGetShutterTime(benchmark::State& state)
{
    qlcos::sim::LampControl2Sim sim;
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

// Writes `frame` and reads until ETX on a raw terminal: the floor any library stands on.
void RawRoundTrip(benchmark::State& state, qlcos::sim::PtyDevice& sim,
                  const std::vector<unsigned char>& frame)
{
    if (!sim.Start()) return state.SkipWithError("no pseudo-terminal");
    const int fd = open(sim.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return state.SkipWithError("cannot open the terminal");
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    unsigned char reply[4096];
    for (auto _ : state) {
        if (write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            return state.SkipWithError("write failed");
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

// A framed request with its block check.
std::vector<unsigned char> Frame(char letter, char command, char parameter)
{
    std::vector<unsigned char> f = {0x02,
                                    static_cast<unsigned char>(letter),
                                    '0',
                                    static_cast<unsigned char>(command),
                                    static_cast<unsigned char>(parameter),
                                    0x03};
    unsigned char x = 0;
    for (size_t i = 1; i < f.size(); ++i) x ^= f[i];
    f.push_back(x);
    return f;
}

void BM_RawGetShutterTime(benchmark::State& state)
{
    qlcos::sim::LampControl2Sim sim;
    RawRoundTrip(state, sim, Frame('Y', 'B', '1'));
}

void BM_RawGammaRead(benchmark::State& state)
{
    qlcos::sim::LCDControlSim sim;
    RawRoundTrip(state, sim, Frame('f', 'a', '0'));
}

void BM_LibraryGammaRead(benchmark::State& state)
{
    qlcos::sim::LCDControlSim sim;
    if (!sim.Start()) return state.SkipWithError("no pseudo-terminal");
    zanSetSerialPortPath(kBenchPort, sim.Path().c_str());
    CQLCDControl lcd;
    if (lcd.Create(kBenchPort, -1) != 0) return state.SkipWithError("Create failed");
    unsigned short values[256];
    for (auto _ : state) {
        if (lcd.GetGammaData(0, values) != 0) return state.SkipWithError("command failed");
        benchmark::DoNotOptimize(values);
    }
    lcd.Destroy();
    zanSetSerialPortPath(kBenchPort, nullptr);
}

// CZanLCosCtrl::Create finding the model on the line (probing the models tried before it).
void BM_ProbeCreate(benchmark::State& state, const char* model)
{
    std::unique_ptr<qlcos::sim::PtyDevice> sim = qlcos::sim::MakeSimulator(model);
    if (!sim || !sim->Start()) return state.SkipWithError("no simulator");
    zanSetSerialPortPath(kBenchPort, sim->Path().c_str());
    for (auto _ : state) {
        CZanLCosCtrl device;
        tagZanVirtualDeviceProperty property{{kBenchPort, -1, 9600, 8, 0, 0}, 0, 0};
        const ZanResult r = device.Create(nullptr, &property);
        if ((r == 0) != (std::string(model) != "silent"))
            return state.SkipWithError("unexpected result");
        device.Destroy();
    }
    zanSetSerialPortPath(kBenchPort, nullptr);
}

BENCHMARK(BM_RawGetShutterTime)->UseRealTime()->MinTime(1.0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LibraryGetShutterTime)->UseRealTime()->MinTime(1.0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawGammaRead)->UseRealTime()->MinTime(1.0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LibraryGammaRead)->UseRealTime()->MinTime(1.0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ProbeCreate, ldd, "ldd")->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ProbeCreate, lcd, "lcd")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ProbeCreate, lamp2, "lamp2")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ProbeCreate, led, "led")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ProbeCreate, lamp, "lamp")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ProbeCreate, silent, "silent")->Iterations(1)->Unit(benchmark::kMillisecond);

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
    auto ratio = [&](const char* what, const char* rawName, const char* libName) {
        const auto raw = reporter.microseconds.find(rawName);
        const auto lib = reporter.microseconds.find(libName);
        if (raw != reporter.microseconds.end() && lib != reporter.microseconds.end())
            std::printf("%s round trip: raw %.1f us, library %.1f us, ratio %.2f\n", what,
                        raw->second, lib->second, lib->second / raw->second);
    };
    std::printf("\n");
    ratio("GetShutterTime", "BM_RawGetShutterTime", "BM_LibraryGetShutterTime");
    ratio("GetGammaData (776-byte reply)", "BM_RawGammaRead", "BM_LibraryGammaRead");
    benchmark::Shutdown();
    return 0;
}
