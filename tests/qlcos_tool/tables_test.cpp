// qlcos gamma and uniformity: the tables through CSV files on one simulated controller.
#include "sim_port.h"
#include "support/files.h"
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace qlcos::test {
namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

size_t Fields(const std::string& line) { return std::count(line.begin(), line.end(), ',') + 1; }

TEST(ToolTables, GammaTablesRoundTripThroughCsv)
{
    TempFolder folder;
    SimPort panel("ldd", 43);
    ASSERT_EQ(RunTool({"gamma", "get", "--port", panel.Port(), "-o", folder.File("all.csv")}).Status,
              kDone);
    const std::vector<std::string> all = Lines(folder.Read("all.csv"));
    ASSERT_EQ(all.size(), 257u);
    EXPECT_EQ(all[0], "level,table0,table1,table2");

    // Table 1 written as one unnamed column, then read back: each level's value is its own.
    std::string csv;
    for (int level = 0; level < 256; ++level)
        csv += std::to_string(level) + "," + std::to_string(4095 - level * 16) + "\n";
    folder.Write("one.csv", csv);
    const ToolRun put =
        RunTool({"gamma", "put", folder.File("one.csv"), "--table", "1", "--port", panel.Port()});
    ASSERT_EQ(put.Status, kDone) << put.Err;
    const ToolRun back = RunTool({"gamma", "get", "--table", "1", "--port", panel.Port()});
    EXPECT_EQ(back.Out, "level,table1\n" + csv);
    // The other tables keep what they had.
    const ToolRun json = RunTool({"gamma", "get", "--table", "0", "--port", panel.Port(), "--json"});
    EXPECT_EQ(json.Json()["tables"]["0"][1].dump(), all[2].substr(2, all[2].find(',', 2) - 2));
}

TEST(ToolTables, UniformityTableIs33RowsOf25AndRoundTrips)
{
    TempFolder folder;
    SimPort ldd("ldd", 44);
    ASSERT_EQ(RunTool({"uniformity", "get", "--table", "2", "--port", ldd.Port(), "-o",
                       folder.File("u.csv")})
                  .Status,
              kDone);
    const std::vector<std::string> rows = Lines(folder.Read("u.csv"));
    ASSERT_EQ(rows.size(), 34u); // the header and 33 rows
    for (const std::string& row : rows) EXPECT_EQ(Fields(row), 25u) << row;

    std::string changed;
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 25; ++x)
            changed += std::to_string((x * 7 + y * 3) % 256) + (x < 24 ? "," : "\n");
    folder.Write("changed.csv", changed);
    ASSERT_EQ(RunTool({"uniformity", "put", folder.File("changed.csv"), "--table", "3", "--port",
                       ldd.Port()})
                  .Status,
              kDone);
    const ToolRun back = RunTool({"uniformity", "get", "--table", "3", "--port", ldd.Port()});
    EXPECT_EQ(back.Out.substr(back.Out.find('\n') + 1), changed);
}

TEST(ToolTables, DamagedCsvRefusedBeforeTheControllerAndNoPartialFile)
{
    TempFolder folder;
    SimPort ldd("ldd", 45);
    std::string gamma;
    for (int level = 0; level < 256; ++level)
        gamma += std::to_string(level) + "," + std::to_string(level) + "\n";
    folder.Write("short.csv", gamma.substr(0, gamma.size() / 2));
    std::string big = gamma;
    big.replace(big.find("\n7,7\n"), 5, "\n7,4096\n");
    folder.Write("big.csv", big);
    std::string level = gamma;
    level.replace(level.find("\n7,7\n"), 5, "\n8,7\n");
    folder.Write("level.csv", level);
    folder.Write("text.csv", "level,table0\n0,zero\n");
    folder.Write("uniform.csv", "1,2,3\n");
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"gamma", "put", folder.File("short.csv")},
             {"gamma", "put", folder.File("big.csv")},
             {"gamma", "put", folder.File("level.csv")},
             {"gamma", "put", folder.File("text.csv")},
             {"gamma", "put", folder.File("missing.csv")},
             {"uniformity", "put", folder.File("uniform.csv"), "--table", "1"}}) {
        std::vector<std::string> withPort = arguments;
        withPort.insert(withPort.end(), {"--port", ldd.Port()});
        const ToolRun run = RunTool(withPort);
        EXPECT_EQ(run.Status, kFileFailed) << arguments[2] << ": " << run.Err;
        EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << run.Err;
    }
    EXPECT_EQ(ldd.Sim().FrameCount(), 0u);

    // A model without the tables leaves no output file behind.
    const ToolRun none = RunTool({"gamma", "get", "--sim", "lamp2", "-o", folder.File("g.csv")});
    EXPECT_EQ(none.Status, kUnsupported);
    EXPECT_EQ(none.Err, "qlcos: gamma tables: not on the LCos Lamp Control2\n");
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.File("")))
        files += entry.path().filename().string().rfind("g.csv", 0) == 0;
    EXPECT_EQ(files, 0u);
}

TEST(ToolTables, TransferProgressOnlyOnATerminal)
{
    const std::vector<std::string> get = {"gamma", "get", "--sim", "ldd", "--table", "0"};
    EXPECT_NE(RunToolOnTerminal(get).Err.find("reading gamma tables ["), std::string::npos);
    std::vector<std::string> json = get;
    json.push_back("--json");
    EXPECT_EQ(RunToolOnTerminal(json).Err.find("reading gamma tables"), std::string::npos);
    const ToolRun piped = RunTool(get);
    EXPECT_EQ(piped.Status, kDone);
    EXPECT_TRUE(piped.Err.empty()) << piped.Err;
}

} // namespace
} // namespace qlcos::test
