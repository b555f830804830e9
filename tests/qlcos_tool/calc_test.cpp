// qlcos calc and what every command shares: usage errors, exit statuses, JSON.
#include "tool_runner.h"

#include <gtest/gtest.h>

namespace qlcos::test {
namespace {

TEST(ToolCalc, GivesTheFourCalculationsAsTextAndJson)
{
    EXPECT_EQ(RunTool({"calc", "time", "8", "0", "1", "100", "0"}).Out, "3\n");
    EXPECT_EQ(RunTool({"calc", "density", "1", "2", "4", "100", "1"}).Out, "2 4 8\n");
    const ToolRun color = RunTool({"calc", "color", "2", "2", "2", "100", "1", "2", "3", "--json"});
    ASSERT_EQ(color.Status, kDone) << color.Err;
    EXPECT_EQ(color.Json()["result"], nlohmann::json({1.0, 2.0, 4.0}));
    EXPECT_EQ(RunTool({"calc", "pulse", "5", "0", "1", "1", "1", "1", "10", "10", "--json"})
                  .Json()["result"],
              5.0);
    // A step of 0 percent has no finite answer: text says so, JSON gives null.
    EXPECT_EQ(RunTool({"calc", "time", "8", "0", "1", "0", "0"}).Out, "inf\n");
    EXPECT_TRUE(
        RunTool({"calc", "time", "8", "0", "1", "0", "0", "--json"}).Json()["result"].is_null());
}

TEST(ToolCalc, RefusesBadUsageWithOneLineAndStatusTwo)
{
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"calc", "time", "1", "2"},
                                               {"calc", "time", "1", "2", "x", "4", "5"},
                                               {"calc", "nonsense"},
                                               {"nonsense"},
                                               {}}) {
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.Status, kUsage) << run.Err;
        EXPECT_TRUE(run.Out.empty());
        EXPECT_EQ(run.Err.find("qlcos: "), 0u) << run.Err;
        EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << run.Err;
    }
}

} // namespace
} // namespace qlcos::test
