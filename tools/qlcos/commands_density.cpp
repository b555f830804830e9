// qlcos density read|watch|calibrate: the densitometer through CZanDensityCtrl, its
// readings announced by the wait loop's window message as a calibration host takes them.
#include "commands.h"
#include "density_session.h"
#include "failure.h"
#include "output_file.h"
#include "progress_ticker.h"

#include "qlcos/host.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <memory>
#include <optional>
#include <string>

namespace qlcos::tool {

namespace {

using Clock = std::chrono::steady_clock;

// Ctrl-C ends a wait for readings cleanly; the handler only raises a flag.
volatile std::sig_atomic_t g_Interrupted = 0;

class InterruptScope {
public:
    InterruptScope()
    {
        g_Interrupted = 0;
        struct sigaction action {};
        action.sa_handler = [](int) { g_Interrupted = 1; };
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_Previous);
    }
    ~InterruptScope() { sigaction(SIGINT, &m_Previous, nullptr); }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    struct sigaction m_Previous {};
};

struct Reading {
    double Seconds; // since the first reading
    tagDensityInfo Densities;
};

Json ReadingJson(const Reading& r, bool withTime)
{
    Json data;
    if (withTime) data["time"] = Rounded(r.Seconds, 3);
    data["visual"] = Rounded(r.Densities.Visual);
    data["cyan"] = Rounded(r.Densities.Cyan);
    data["magenta"] = Rounded(r.Densities.Magenta);
    data["yellow"] = Rounded(r.Densities.Yellow);
    return data;
}

std::string ReadingText(const tagDensityInfo& d)
{
    return "V " + NumberText(d.Visual, 2) + "  C " + NumberText(d.Cyan, 2) + "  M " +
           NumberText(d.Magenta, 2) + "  Y " + NumberText(d.Yellow, 2);
}

// Why a collection of readings ended.
enum class Ended { Count, Timeout, Interrupted };

// Runs the device's wait loop in its thread and hands each reading its notification
// announces to `onReading`, until `count` readings (0: no limit), `timeout` or Ctrl-C.
template <typename OnReading>
Ended CollectReadings(DensitySession& session, int count, std::optional<double> timeout,
                      OnReading onReading)
{
    CZanDensityCtrl& device = session.Device();
    const ZanResult started = device.WaitDensityInfo(1, 0, nullptr);
    Check(started, "WaitDensityInfo");
    session.StartOperator();
    InterruptScope interrupt;
    const auto deadline = timeout ? Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                       std::chrono::duration<double>(*timeout))
                                  : Clock::time_point::max();
    std::optional<Clock::time_point> first;
    int taken = 0;
    Ended ended = Ended::Count;
    for (;;) {
        if (g_Interrupted) {
            ended = Ended::Interrupted;
            break;
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            ended = Ended::Timeout;
            break;
        }
        // Short slices so that Ctrl-C is seen within a fifth of a second.
        const auto slice =
            std::min<Clock::duration>(deadline - now, std::chrono::milliseconds(200));
        MSG message{};
        if (!zanGetMessage(
                session.Window(), &message,
                static_cast<DWORD>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(slice).count() + 1)))
            continue;
        if (message.wParam != ZAN_DENSITY_NOTIFY_READING) continue;
        Reading reading{};
        if (zanFailed(device.GetDensityInfo(&reading.Densities))) continue; // taken already
        const auto at = Clock::now();
        if (!first) first = at;
        reading.Seconds = std::chrono::duration<double>(at - *first).count();
        onReading(reading);
        if (count > 0 && ++taken >= count) break;
    }
    device.Break(0);
    return ended;
}

struct ReadOptions {
    DensityOptions Device;
    double Timeout = 30;
};

void AddRead(CLI::App& density, const GlobalOptions& global)
{
    auto options = std::make_shared<ReadOptions>();
    CLI::App* read = density.add_subcommand(
        "read", "wait for one reading (the operator measures on the instrument)");
    AddDensityOptions(read, options->Device);
    read->add_option("--timeout", options->Timeout, "give up after this many seconds")
        ->type_name("S")
        ->capture_default_str()
        ->check(CLI::Range(0.1, 86400.0));
    read->callback([options, &global] {
        DensitySession session(options->Device, global);
        std::optional<Reading> got;
        Ended ended = Ended::Count;
        Progress progress(global, "waiting for a reading on " + session.PortText(), 0);
        TickWhile(progress, 0, "", [&] {
            ended =
                CollectReadings(session, 1, options->Timeout, [&](const Reading& r) { got = r; });
        });
        if (!got)
            throw Failure(ExitCode::NoReading,
                          ended == Ended::Interrupted
                              ? "interrupted before a reading arrived"
                              : "no reading arrived within " + NumberText(options->Timeout) + " s");
        Output(global).Result(ReadingJson(*got, false), ReadingText(got->Densities) + "\n");
    });
}

struct WatchOptions {
    DensityOptions Device;
    int Count = 0;
    std::optional<double> Timeout;
    std::optional<std::string> Csv;
};

void AddWatch(CLI::App& density, const GlobalOptions& global)
{
    auto options = std::make_shared<WatchOptions>();
    CLI::App* watch = density.add_subcommand(
        "watch", "show readings as they arrive, one a line (JSON Lines with --json), until "
                 "--count, --timeout or Ctrl-C");
    AddDensityOptions(watch, options->Device);
    watch->add_option("--count", options->Count, "stop after N readings")
        ->type_name("N")
        ->check(CLI::Range(1, 1000000));
    watch->add_option("--timeout", options->Timeout, "stop after this many seconds")
        ->type_name("S")
        ->check(CLI::Range(0.1, 86400.0));
    watch
        ->add_option("--csv", options->Csv,
                     "also write the readings to FILE: time,visual,cyan,magenta,yellow (time "
                     "in seconds since the first reading)")
        ->type_name("FILE");
    watch->callback([options, &global] {
        std::unique_ptr<OutputFile> file;
        if (options->Csv) file = std::make_unique<OutputFile>(*options->Csv);
        DensitySession session(options->Device, global);
        const Output output(global);
        std::string csv = "time,visual,cyan,magenta,yellow\n";
        int taken = 0;
        const std::string label = "watching " + session.PortText();
        // The progress line is cleared while a reading is printed, then drawn again.
        std::optional<Progress> progress;
        auto showProgress = [&] {
            progress.emplace(global, label, options->Count);
            progress->Update(options->Count ? taken : 0, std::to_string(taken) + " readings");
        };
        showProgress();
        const Ended ended =
            CollectReadings(session, options->Count, options->Timeout, [&](const Reading& r) {
                ++taken;
                progress.reset();
                const tagDensityInfo& d = r.Densities;
                output.StreamItem(ReadingJson(r, true),
                                  NumberText(r.Seconds, 3) + " s  " + ReadingText(d));
                csv += NumberText(r.Seconds, 3) + "," + NumberText(d.Visual) + "," +
                       NumberText(d.Cyan) + "," + NumberText(d.Magenta) + "," +
                       NumberText(d.Yellow) + "\n";
                showProgress();
            });
        progress.reset();
        if (taken == 0 && ended == Ended::Timeout)
            throw Failure(ExitCode::NoReading,
                          "no reading arrived within " + NumberText(*options->Timeout) + " s");
        if (file) {
            file->Write(csv.data(), csv.size());
            file->Commit();
        }
    });
}

struct CalibrateOptions {
    DensityOptions Device;
    bool Black = false;
    bool White = false;
};

void AddCalibrate(CLI::App& density, const GlobalOptions& global)
{
    auto options = std::make_shared<CalibrateOptions>();
    CLI::App* calibrate = density.add_subcommand(
        "calibrate", "calibrate the instrument: white (every instrument) or black (colour "
                     "mouse); the reference must lie under the instrument");
    AddDensityOptions(calibrate, options->Device);
    CLI::Option* black = calibrate->add_flag("--black", options->Black, "black calibration");
    CLI::Option* white = calibrate->add_flag("--white", options->White, "white calibration");
    black->excludes(white);
    calibrate->callback([options, &global] {
        if (!options->Black && !options->White)
            throw Failure(ExitCode::Usage, "calibrate: give --black or --white");
        if (options->Black && options->Device.Type != "colormouse")
            throw Failure(ExitCode::Usage,
                          "calibrate: the X-Rite instruments calibrate white only");
        DensitySession session(options->Device, global);
        const char* kind = options->Black ? "black" : "white";
        Progress progress(global, std::string(kind) + " calibration", 1);
        ZanResult result = 0;
        TickWhile(progress, 0, "",
                  [&] { result = session.Device().AdjustDensityCtrl(options->Black ? 1 : 2); });
        Check(result, "AdjustDensityCtrl");
        progress.Update(1);
        Output(global).Result({{"calibration", kind}, {"done", true}},
                              std::string(kind) + " calibration: done\n");
    });
}

} // namespace

void AddDensityCommands(CLI::App& app, const GlobalOptions& global)
{
    CLI::App* density = app.add_subcommand("density", "the densitometer: readings, calibration");
    density->require_subcommand(1);
    AddRead(*density, global);
    AddWatch(*density, global);
    AddCalibrate(*density, global);
}

} // namespace qlcos::tool
