// qlcos probe, get/set and the controller actions against the simulated controllers.
#include "sim_port.h"
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <future>

namespace qlcos::test {
namespace {

bool OneLine(const std::string& text)
{
    return !text.empty() && text.find('\n') == text.size() - 1 && text.rfind("qlcos: ", 0) == 0;
}

TEST(ToolDevice, ProbeNamesEveryModelAndSaysWhyNothingAnswered)
{
    // Probing a model late in the order waits out the earlier ones: run them side by side.
    const std::pair<const char*, int> models[] = {
        {"ldd", 6}, {"lcd", 5}, {"lamp2", 4}, {"led", 2}, {"lamp", 1}};
    std::vector<std::future<ToolRun>> probes;
    for (const auto& model : models)
        probes.push_back(std::async(std::launch::async, [&model] {
            return RunTool({"probe", "--sim", model.first, "--sim-time-scale", "0", "--json"});
        }));
    auto silentProbe = std::async(std::launch::async, [] {
        return RunTool({"probe", "--sim", "silent"});
    });
    for (size_t i = 0; i < probes.size(); ++i) {
        const auto& [model, type] = models[i];
        const ToolRun run = probes[i].get();
        ASSERT_EQ(run.Status, kDone) << model << ": " << run.Err;
        const nlohmann::json probe = run.Json();
        EXPECT_EQ(probe["device_type"], type) << model;
        // Only the framed controllers tell an identity and keep serial codes.
        EXPECT_EQ(probe.contains("identity"), type != 1) << model;
    }
    const ToolRun text = RunTool({"probe", "--sim", "ldd", "--sim-time-scale", "0"});
    EXPECT_NE(text.Out.find("model          LCD LED Control (device type 6)"), std::string::npos)
        << text.Out;
    EXPECT_NE(text.Out.find("identity       VORTANE LCDD CONTROL"), std::string::npos);
    EXPECT_NE(text.Out.find("serial code 3  "), std::string::npos);

    const ToolRun silent = silentProbe.get();
    EXPECT_EQ(silent.Status, kNoDevice);
    EXPECT_TRUE(OneLine(silent.Err)) << silent.Err;
    EXPECT_NE(silent.Err.find("no model answered"), std::string::npos) << silent.Err;
}

TEST(ToolDevice, SetsAndReadsBackOnOneControllerAndRefusesValuesOutOfRange)
{
    SimPort ldd("ldd", 41);
    ASSERT_EQ(RunTool({"set", "shutter-time", "2", "150", "--port", ldd.Port()}).Status, kDone);
    ASSERT_EQ(RunTool({"set", "wobble", "2", "359", "--port", ldd.Port()}).Status, kDone);
    const ToolRun get = RunTool({"get", "shutter-time", "2", "--port", ldd.Port(), "--json"});
    EXPECT_EQ(get.Json()["values"][0]["value"], 150) << get.Out;
    const ToolRun all = RunTool({"get", "wobble", "--port", ldd.Port()});
    EXPECT_EQ(all.Out, "wobble 1 = 0\nwobble 2 = 359\n");

    // Out of every model's range: refused before the port is opened.
    const size_t framesBefore = ldd.Sim().FrameCount();
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"set", "shutter-time", "2", "10000"},
                                               {"set", "wobble", "1", "2"},
                                               {"set", "brightness", "4", "10"},
                                               {"set", "image-pos", "1", "-1"}}) {
        std::vector<std::string> withPort = arguments;
        withPort.insert(withPort.end(), {"--port", ldd.Port()});
        const ToolRun run = RunTool(withPort);
        EXPECT_EQ(run.Status, kUsage) << arguments[1];
        EXPECT_TRUE(OneLine(run.Err)) << run.Err;
    }
    EXPECT_EQ(ldd.Sim().FrameCount(), framesBefore);

    // Out of the detected model's range: probed, but the setting is never sent.
    SimPort lamp2("lamp2", 42);
    const ToolRun narrow = RunTool({"set", "image-pos", "1", "600", "--port", lamp2.Port()});
    EXPECT_EQ(narrow.Status, kUsage);
    EXPECT_NE(narrow.Err.find("out of range 0..511 on the LCos Lamp Control2"), std::string::npos)
        << narrow.Err;
    for (const std::vector<uint8_t>& frame : lamp2.Sim().Frames())
        EXPECT_FALSE(frame.size() > 3 && frame[3] == 't') << "SetImageAdjust reached the line";
}

TEST(ToolDevice, ActionsRunWhereTheModelHasThemAndExitFiveElsewhere)
{
    for (const std::vector<std::string>& action : std::vector<std::vector<std::string>>{
             {"expose", "1"}, {"shutter", "open"}, {"carrier", "2"}, {"focus", "25"}}) {
        std::vector<std::string> arguments = action;
        arguments.insert(arguments.end(), {"--sim", "ldd", "--sim-time-scale", "0"});
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.Status, kDone) << action[0] << ": " << run.Err;
    }
    const ToolRun status = RunTool({"status", "--sim", "ldd", "--sim-time-scale", "0", "--json"});
    EXPECT_EQ(status.Json()["ready"], true) << status.Out;
    EXPECT_EQ(status.Json()["line"], "up");

    // The LDD controller has no colour wheel and no channel settings.
    const ToolRun filter = RunTool({"get", "filter-pos", "1", "--sim", "ldd"});
    EXPECT_EQ(filter.Status, kUnsupported);
    EXPECT_EQ(filter.Err, "qlcos: GetFilterPos: not on the LCD LED Control\n");
    EXPECT_EQ(RunTool({"set", "channel", "1", "2", "--sim", "ldd"}).Status, kUnsupported);

    // The trace shows the frames of the command on standard error.
    const ToolRun traced = RunTool({"get", "shutter-time", "1", "--sim", "ldd", "--trace"});
    EXPECT_EQ(traced.Out, "shutter-time 1 = 10 × 10 ms\n");
    EXPECT_NE(traced.Err.find("tx 7: <STX>g0B1<ETX>"), std::string::npos) << traced.Err;
}

} // namespace
} // namespace qlcos::test
