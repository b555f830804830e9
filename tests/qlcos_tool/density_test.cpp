// qlcos density on the simulated instruments: a stand-in operator measures once the wait
// for a reading has begun. The device's wait loop looks for readings every 2 s, so the runs
// go side by side.
#include "support/files.h"
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <sstream>

namespace qlcos::test {
namespace {

std::future<ToolRun> Start(std::vector<std::string> arguments)
{
    return std::async(std::launch::async, [arguments] { return RunTool(arguments); });
}

TEST(ToolDensity, ReadsFromEachInstrumentAndWatchesAStream)
{
    TempFolder folder;
    // The environment points the port elsewhere: --sim still means the simulator.
    setenv("QLCOS_COM1", "/nonexistent/port", 1);
    std::vector<std::future<ToolRun>> reads;
    for (const char* type : {"xrite5xx", "xrite2xx", "colormouse"})
        reads.push_back(Start({"density", "read", "--type", type, "--sim", "--json"}));
    auto watch = Start({"density", "watch", "--type", "xrite5xx", "--sim", "--count", "2",
                        "--sim-every", "2000", "--json", "--csv", folder.File("d.csv")});
    auto text = Start({"density", "watch", "--type", "colormouse", "--sim", "--count", "1"});

    for (auto& read : reads) {
        const ToolRun run = read.get();
        ASSERT_EQ(run.Status, kDone) << run.Err;
        // The stand-in operator's first measurement.
        EXPECT_EQ(run.Json()["cyan"], 0.62) << run.Out;
        EXPECT_EQ(run.Json()["yellow"], 0.93) << run.Out;
    }

    const ToolRun stream = watch.get();
    ASSERT_EQ(stream.Status, kDone) << stream.Err;
    std::istringstream lines(stream.Out);
    std::vector<nlohmann::json> items;
    for (std::string line; std::getline(lines, line);) items.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(items.size(), 2u) << stream.Out;
    EXPECT_EQ(items[0]["time"], 0.0);
    EXPECT_GT(items[1]["time"].get<double>(), 1.0);
    EXPECT_EQ(items[1]["cyan"], 0.63); // the second measurement drifts
    const std::string csv = folder.Read("d.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "time,visual,cyan,magenta,yellow");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3) << csv;
    EXPECT_NE(csv.find("\n0,0.85,0.62,0.71,0.93\n"), std::string::npos) << csv;

    EXPECT_EQ(text.get().Out, "0 s  V 0  C 0.62  M 0.71  Y 0.93\n");
}

TEST(ToolDensity, NoReadingInTimeAndCalibration)
{
    TempFolder folder;
    // The first measurement comes too late for the time-out: status 6, no CSV.
    auto late = Start({"density", "watch", "--type", "xrite2xx", "--sim", "--timeout", "0.5",
                       "--csv", folder.File("none.csv")});
    const ToolRun white =
        RunTool({"density", "calibrate", "--type", "xrite2xx", "--sim", "--white"});
    EXPECT_EQ(white.Status, kDone) << white.Err;
    EXPECT_EQ(white.Out, "white calibration: done\n");
    EXPECT_EQ(RunTool({"density", "calibrate", "--type", "colormouse", "--sim", "--black"}).Status,
              kDone);
    EXPECT_EQ(RunTool({"density", "calibrate", "--type", "xrite5xx", "--sim", "--black"}).Status,
              kUsage);
    EXPECT_EQ(RunTool({"density", "calibrate", "--type", "xrite5xx", "--sim"}).Status, kUsage);

    const ToolRun timedOut = late.get();
    EXPECT_EQ(timedOut.Status, kNoReading);
    EXPECT_EQ(timedOut.Err, "qlcos: no reading arrived within 0.5 s\n");
    EXPECT_TRUE(folder.Read("none.csv").empty());
}

} // namespace
} // namespace qlcos::test
