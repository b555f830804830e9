// Round trips on pseudo-terminals against the simulators, each client beside a raw client
// that writes the same request and reads the same reply with nothing in between. Clients
// run interleaved round by round, the order rotated every round, so that what the machine
// does meanwhile falls on all of them alike. Reports latency (p50, p99, the per-round p50
// ratio to raw with its spread), CPU time, context switches, allocations and system calls
// per command, and how long CZanLCosCtrl::Create takes to find each model at 9600 baud.
//
//   roundtrip_bench [--rounds N] [--per-round N] [--smoke]
#include "qlcos/qlcos.h"
#include "bench/clients.h"
#include "bench/sim_process.h"
#include "bench/syscall_count.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <sys/resource.h>
#include <vector>

// Every allocation of the process, the library's included: the wire path must make none.
static std::atomic<long> g_allocations{0};

void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// GCC takes the free of a replaced operator new's block for a mismatch; these are the pair.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

using namespace qlcos::bench;
using Clock = std::chrono::steady_clock;

struct Settings {
    int Rounds = 30; // small commands at full speed
    int PerRound = 300;
    int SlowRounds = 10; // small commands at 9600 baud
    int SlowPerRound = 20;
    int GammaRounds = 6; // gamma reads at 9600 baud, one per client and round
    int SyscallCommands = 200;
    bool AllModels = true; // Create for every model, the silent line included
};

// One client's figures over all its rounds.
struct Tally {
    Tally(const char* name, std::unique_ptr<Client> of) : Name(name), Of(std::move(of)) {}
    const char* Name;
    std::unique_ptr<Client> Of;
    std::vector<double> Latencies; // µs, every command
    std::vector<double> RoundP50;  // µs, per round
    double CpuUs = 0;
    long ContextSwitches = 0;
    long Allocations = 0;
    long Commands = 0;
    double Syscalls = -1;
};

double Percentile(std::vector<double> values, double p)
{
    if (values.empty()) return 0;
    const size_t k = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
    std::nth_element(values.begin(), values.begin() + static_cast<long>(k), values.end());
    return values[k];
}

double CpuUs(const rusage& r)
{
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e6 + r.ru_utime.tv_usec + r.ru_stime.tv_usec;
}

// Runs `n` commands of one client and adds them to its tally; false when one failed.
bool RunBlock(Tally& tally, int n, std::vector<double>& block)
{
    block.clear(); // capacity reserved by the caller: no allocation of ours in the block
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const long allocationsBefore = g_allocations.load();
    for (int i = 0; i < n; ++i) {
        const auto start = Clock::now();
        if (!tally.Of->Command()) return false;
        block.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    const long allocations = g_allocations.load() - allocationsBefore;
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    tally.CpuUs += CpuUs(after) - CpuUs(before);
    tally.ContextSwitches +=
        (after.ru_nvcsw - before.ru_nvcsw) + (after.ru_nivcsw - before.ru_nivcsw);
    tally.Allocations += allocations;
    tally.Commands += n;
    tally.Latencies.insert(tally.Latencies.end(), block.begin(), block.end());
    tally.RoundP50.push_back(Percentile(block, 0.5));
    return true;
}

// Interleaved rounds, the order rotated each round. The first tally is the raw client.
bool RunRounds(std::vector<Tally>& tallies, int rounds, int perRound)
{
    std::vector<double> block;
    block.reserve(static_cast<size_t>(perRound));
    for (Tally& tally : tallies) // warm up: caches, first-use paths, the receive threads
        for (int i = 0; i < std::min(perRound, 5); ++i)
            if (!tally.Of->Command()) return false;
    for (int round = 0; round < rounds; ++round)
        for (size_t i = 0; i < tallies.size(); ++i)
            if (!RunBlock(tallies[(i + static_cast<size_t>(round)) % tallies.size()], perRound,
                          block)) {
                std::fprintf(stderr, "a command of '%s' failed\n",
                             tallies[(i + static_cast<size_t>(round)) % tallies.size()].Name);
                return false;
            }
    return true;
}

void CountSyscalls(std::vector<Tally>& tallies, int commands)
{
    for (Tally& tally : tallies) {
        std::string error;
        tally.Syscalls =
            SyscallsPerRepetition([&] { return tally.Of->Command(); }, commands, error);
        if (tally.Syscalls < 0) {
            std::printf("  (system calls not counted: %s)\n", error.c_str());
            return;
        }
    }
}

void Report(const char* title, const std::vector<Tally>& tallies, int rounds, int perRound)
{
    std::printf("\n%s (%d rounds x %d, order rotated)\n", title, rounds, perRound);
    std::printf("  %-8s %9s %9s  %-22s %10s %9s %9s %9s\n", "client", "p50 us", "p99 us",
                "p50/raw [round spread]", "CPU us", "ctxsw", "syscalls", "allocs");
    const Tally& raw = tallies.front();
    for (const Tally& tally : tallies) {
        std::vector<double> ratios;
        for (size_t r = 0; r < tally.RoundP50.size() && r < raw.RoundP50.size(); ++r)
            ratios.push_back(tally.RoundP50[r] / raw.RoundP50[r]);
        char ratio[64];
        std::snprintf(ratio, sizeof ratio, "%.2f [%.2f-%.2f]", Percentile(ratios, 0.5),
                      *std::min_element(ratios.begin(), ratios.end()),
                      *std::max_element(ratios.begin(), ratios.end()));
        char syscalls[16] = "-";
        if (tally.Syscalls >= 0) std::snprintf(syscalls, sizeof syscalls, "%.1f", tally.Syscalls);
        const double n = tally.Commands > 0 ? static_cast<double>(tally.Commands) : 1;
        std::printf("  %-8s %9.1f %9.1f  %-22s %10.1f %9.2f %9s %9.2f\n", tally.Name,
                    Percentile(tally.Latencies, 0.5), Percentile(tally.Latencies, 0.99), ratio,
                    tally.CpuUs / n, tally.ContextSwitches / n, syscalls, tally.Allocations / n);
    }
    const double cpuRaw = raw.CpuUs / static_cast<double>(raw.Commands);
    for (size_t i = 1; i < tallies.size(); ++i)
        std::printf("  CPU %s/raw %.2f\n", tallies[i].Name,
                    tallies[i].CpuUs / static_cast<double>(tallies[i].Commands) / cpuRaw);
}

enum class Parsed { Run, Help, Bad };

Parsed Usage(const char* problem)
{
    if (problem) std::fprintf(stderr, "roundtrip_bench: %s\n", problem);
    std::fprintf(problem ? stderr : stdout,
                 "usage: roundtrip_bench [--rounds N] [--per-round N] [--smoke]\n"
                 "  --rounds N     rounds of small commands at full speed (default 30)\n"
                 "  --per-round N  commands per client and round (default 300)\n"
                 "  --smoke        a few rounds of everything: checks the benchmark runs\n");
    return problem ? Parsed::Bad : Parsed::Help;
}

Parsed Parse(int argc, char** argv, Settings& settings)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") return Usage(nullptr);
        if (arg == "--smoke") {
            settings = {2, 20, 1, 3, 1, 20, false};
            continue;
        }
        if (arg != "--rounds" && arg != "--per-round")
            return Usage(("unknown option " + arg).c_str());
        if (i + 1 >= argc) return Usage((arg + " needs a number").c_str());
        char* end = nullptr;
        const long value = std::strtol(argv[++i], &end, 10);
        if (*end != '\0' || value < 1 || value > 100000)
            return Usage((arg + " needs a number from 1 to 100000").c_str());
        (arg == "--rounds" ? settings.Rounds : settings.PerRound) = static_cast<int>(value);
    }
    return Parsed::Run;
}

enum SimIndex {
    kFastRaw,
    kFastDriver,
    kFastDevice,
    kSlowRaw,
    kSlowDriver,
    kSlowDevice,
    kGammaRaw,
    kGammaDriver,
    kFirstModel
};
const char* const kModels[] = {"ldd", "lcd", "lamp2", "led", "lamp", "silent"};

} // namespace

int main(int argc, char** argv)
{
    Settings settings;
    const Parsed parsed = Parse(argc, argv, settings);
    if (parsed != Parsed::Run) return parsed == Parsed::Help ? 0 : 2;
    std::vector<SimRequest> requests = {{"lamp2", 0},    {"lamp2", 0},    {"lamp2", 0},
                                        {"lamp2", 9600}, {"lamp2", 9600}, {"lamp2", 9600},
                                        {"lcd", 9600},   {"lcd", 9600}};
    const size_t models = settings.AllModels ? std::size(kModels) : 1;
    for (size_t i = 0; i < models; ++i) requests.push_back({kModels[i], 9600});
    SimProcess sims;
    std::string error;
    if (!sims.Start(requests, error)) { // before any thread of ours
        std::fprintf(stderr, "roundtrip_bench: %s\n", error.c_str());
        return 1;
    }

    auto open = [&](std::vector<Tally>& tallies, int firstSim) {
        for (size_t i = 0; i < tallies.size(); ++i)
            if (!tallies[i].Of->Open(40 + firstSim + static_cast<int>(i),
                                     sims.Path(static_cast<size_t>(firstSim) + i))) {
                std::fprintf(stderr, "roundtrip_bench: '%s' did not connect\n", tallies[i].Name);
                return false;
            }
        return true;
    };
    auto shutterClients = [] {
        std::vector<Tally> t;
        t.emplace_back("raw", MakeRawClient(FramedRequest('Y', 'B', '1')));
        t.emplace_back("driver", MakeDriverShutterClient());
        t.emplace_back("device", MakeDeviceShutterClient());
        return t;
    };

    std::vector<Tally> fast = shutterClients();
    if (!open(fast, kFastRaw) || !RunRounds(fast, settings.Rounds, settings.PerRound)) return 1;
    CountSyscalls(fast, settings.SyscallCommands);
    Report("GetShutterTime, pseudo-terminal at full speed", fast, settings.Rounds,
           settings.PerRound);
    fast.clear();

    std::vector<Tally> slow = shutterClients();
    if (!open(slow, kSlowRaw) || !RunRounds(slow, settings.SlowRounds, settings.SlowPerRound))
        return 1;
    Report("GetShutterTime, simulator paced at 9600 baud", slow, settings.SlowRounds,
           settings.SlowPerRound);
    slow.clear();

    std::vector<Tally> gamma;
    gamma.emplace_back("raw", MakeRawClient(FramedRequest('f', 'a', '0')));
    gamma.emplace_back("driver", MakeDriverGammaClient());
    if (!open(gamma, kGammaRaw) || !RunRounds(gamma, settings.GammaRounds, 1)) return 1;
    Report("GetGammaData (a 776-byte reply and its block check), simulator paced at 9600 baud",
           gamma, settings.GammaRounds, 1);
    gamma.clear();

    std::printf("\nCZanLCosCtrl::Create finding the model, simulator paced at 9600 baud\n");
    for (size_t i = 0; i < models; ++i) {
        const int port = 60 + static_cast<int>(i);
        zanSetSerialPortPath(port, sims.Path(kFirstModel + i).c_str());
        CZanLCosCtrl device;
        tagZanVirtualDeviceProperty property{{port, -1, 9600, 8, 0, 0}, 0, 0};
        const auto start = Clock::now();
        const ZanResult result = device.Create(nullptr, &property);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        device.Destroy();
        const bool expected = (result == 0) == (std::strcmp(kModels[i], "silent") != 0);
        std::printf("  %-8s %9.1f ms  %s\n", kModels[i], ms,
                    result == 0 ? "found" : "no model answered");
        if (!expected) return 1;
    }
    return 0;
}
