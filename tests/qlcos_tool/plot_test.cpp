// qlcos plot: the pictures read back (pixels where the data says), SVG as XML, and bad input
// refused with no picture left behind.
#include "tool_runner.h"

#include "plot/layout.h"
#include "support/files.h"
#include "support/xml_support.h"

#include "qlcos/config/lcos_ctrl_cfg.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace qlcos::test {
namespace {

using namespace qlcos::tool::plot;

const std::string kSampleConfig = std::string(QLCOS_SOURCE_DIR) + "/data/exposure.xml";

// A PNG read back with Cairo.
class Picture {
public:
    explicit Picture(const std::string& path)
        : m_Surface(cairo_image_surface_create_from_png(path.c_str()), cairo_surface_destroy)
    {
        EXPECT_EQ(cairo_surface_status(m_Surface.get()), CAIRO_STATUS_SUCCESS) << path;
    }
    int Width() const { return cairo_image_surface_get_width(m_Surface.get()); }
    int Height() const { return cairo_image_surface_get_height(m_Surface.get()); }
    Colour At(int x, int y) const
    {
        const unsigned char* row = cairo_image_surface_get_data(m_Surface.get()) +
                                   y * cairo_image_surface_get_stride(m_Surface.get());
        uint32_t pixel;
        std::memcpy(&pixel, row + 4 * x, 4); // opaque ARGB32: no premultiplying to undo
        return {int(pixel >> 16 & 255), int(pixel >> 8 & 255), int(pixel & 255)};
    }
    // Whether a pixel within `reach` of (x, y) has `colour`, each component within `tolerance`
    // (anti-aliasing blends the edges of lines).
    bool Near(double x, double y, Colour colour, int reach = 2, int tolerance = 40) const
    {
        for (int dy = -reach; dy <= reach; ++dy) {
            for (int dx = -reach; dx <= reach; ++dx) {
                const Colour c = At(int(std::lround(x)) + dx, int(std::lround(y)) + dy);
                if (std::abs(c.Red - colour.Red) <= tolerance &&
                    std::abs(c.Green - colour.Green) <= tolerance &&
                    std::abs(c.Blue - colour.Blue) <= tolerance)
                    return true;
            }
        }
        return false;
    }

private:
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> m_Surface;
};

// Every point along the straight lines between `points` (0..1023 scale), away from the key
// points where curves meet, carries `colour`.
void ExpectCurve(const Picture& picture, const nlohmann::json& points, Colour colour,
                 const char* channel)
{
    ASSERT_GE(points.size(), 2u) << channel;
    for (size_t i = 1; i < points.size(); ++i) {
        for (double t : {0.25, 0.5, 0.75}) {
            const double input =
                points[i - 1][0].get<double>() * (1 - t) + points[i][0].get<double>() * t;
            const double output =
                points[i - 1][1].get<double>() * (1 - t) + points[i][1].get<double>() * t;
            EXPECT_TRUE(picture.Near(GammaX(input), GammaY(output), colour))
                << channel << " at input " << input << ", output " << output;
        }
    }
}

// The sample configuration as the blob a host saves.
std::string SampleBlob()
{
    const XmlDocument document(
        std::string(std::istreambuf_iterator<char>(std::ifstream(kSampleConfig).rdbuf()), {}));
    XMLCh name[16];
    xercesc::XMLString::transcode("QLCosCtrl", name, 15);
    CZanLCosCtrlCfg config;
    config.InitData();
    EXPECT_EQ(config.ImportXMLNode(document.Document()->getElementsByTagName(name)->item(0)), 0);
    std::string blob(config.GetSize(), '\0');
    config.SaveConfig(reinterpret_cast<unsigned char*>(blob.data()));
    return blob;
}

bool OnlyFilesLeft(const TempFolder& folder, size_t count)
{
    const std::filesystem::path path = std::filesystem::path(folder.File("x")).parent_path();
    return size_t(std::distance(std::filesystem::directory_iterator(path), {})) == count;
}

void ExpectOneLineFailure(const ToolRun& run, int status)
{
    EXPECT_EQ(run.Status, status) << run.Err;
    EXPECT_TRUE(run.Out.empty()) << run.Out;
    EXPECT_EQ(run.Err.rfind("qlcos: ", 0), 0u) << run.Err;
    EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << run.Err;
}

TEST(ToolPlot, GammaDrawsEachChannelThroughItsKeyPoints)
{
    TempFolder folder;
    // Three channels kept apart, so that none hides another; 0..255 in XML, 0..1023 held.
    folder.Write("apart.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<XavenServer><QLCosCtrl><PrintingPaperStyleChannel>
  <PaperStyle Name="Spread"><GammaTable SelectChannel="Apart">
    <GammaValue Name="Apart">
      <KeyValueList Type="Red"><KeyValue x="0" y="0"/><KeyValue x="128" y="200"/><KeyValue x="255" y="255"/></KeyValueList>
      <KeyValueList Type="Green"><KeyValue x="0" y="0"/><KeyValue x="128" y="110"/><KeyValue x="255" y="255"/></KeyValueList>
      <KeyValueList Type="Blue"><KeyValue x="0" y="0"/><KeyValue x="128" y="40"/><KeyValue x="255" y="255"/></KeyValueList>
    </GammaValue>
  </GammaTable></PaperStyle>
</PrintingPaperStyleChannel></QLCosCtrl></XavenServer>
)");
    const ToolRun run = RunTool(
        {"plot", "gamma", folder.File("apart.xml"), "-o", folder.File("apart.png"), "--json"});
    ASSERT_EQ(run.Status, kDone) << run.Err;
    const nlohmann::json result = run.Json();
    EXPECT_EQ(result["style"], "Spread");
    EXPECT_EQ(result["table"], "Apart");
    EXPECT_EQ(result["red"], nlohmann::json({{0, 0}, {512, 800}, {1023, 1023}}));
    EXPECT_EQ(result["green"], nlohmann::json({{0, 0}, {512, 440}, {1023, 1023}}));
    EXPECT_EQ(result["blue"], nlohmann::json({{0, 0}, {512, 160}, {1023, 1023}}));

    const Picture picture(folder.File("apart.png"));
    EXPECT_EQ(picture.Width(), kCanvasWidth);
    EXPECT_EQ(picture.Height(), kCanvasHeight);
    ExpectCurve(picture, result["red"], kGammaRed, "red");
    ExpectCurve(picture, result["green"], kGammaGreen, "green");
    ExpectCurve(picture, result["blue"], kGammaBlue, "blue");
    // Key points marked; the picture is not simply the channel's colour everywhere.
    EXPECT_TRUE(picture.Near(GammaX(512), GammaY(800), kGammaRed, 0, 10));
    EXPECT_TRUE(picture.Near(GammaX(450), GammaY(600), kBackground, 0, 10));
}

TEST(ToolPlot, GammaOfTheControllersTablesOnTheirOwnScale)
{
    TempFolder folder;
    // Table 0 bends up to 3000 at level 128, table 2 down to 1000; 256 values 0..4095.
    std::string csv = "level,table0,table2\n";
    auto bent = [](int level, double middle) {
        return level <= 128 ? level * middle / 128 : middle + (level - 128) * (4095 - middle) / 127;
    };
    for (int level = 0; level < 256; ++level)
        csv += std::to_string(level) + "," + std::to_string(std::lround(bent(level, 3000))) + "," +
               std::to_string(std::lround(bent(level, 1000))) + "\n";
    folder.Write("tables.csv", csv);
    const ToolRun run = RunTool(
        {"plot", "gamma", folder.File("tables.csv"), "-o", folder.File("tables.png"), "--json"});
    ASSERT_EQ(run.Status, kDone) << run.Err;
    EXPECT_EQ(run.Json()["tables"], nlohmann::json({0, 2}));
    const Picture picture(folder.File("tables.png"));
    for (int level : {32, 64, 128, 192}) {
        EXPECT_TRUE(picture.Near(GammaX(level, kControllerGammaMaxInput),
                                 GammaY(bent(level, 3000), kControllerGammaMaxOutput), kGammaRed))
            << level;
        EXPECT_TRUE(picture.Near(GammaX(level, kControllerGammaMaxInput),
                                 GammaY(bent(level, 1000), kControllerGammaMaxOutput), kGammaBlue))
            << level;
    }
    // A style or table belongs to a configuration.
    ExpectOneLineFailure(RunTool({"plot", "gamma", folder.File("tables.csv"), "--style", "Glossy",
                                  "-o", folder.File("no.png")}),
                         kUsage);
}

TEST(ToolPlot, GammaOfTheSampleConfigurationInEveryFormat)
{
    TempFolder folder;
    // The first style and its selected table; blue, drawn last, lies on top everywhere.
    const ToolRun png =
        RunTool({"plot", "gamma", kSampleConfig, "-o", folder.File("g.png"), "--json"});
    ASSERT_EQ(png.Status, kDone) << png.Err;
    EXPECT_EQ(png.Json()["style"], "Glossy");
    EXPECT_EQ(png.Json()["table"], "Contrast");
    EXPECT_EQ(png.Json()["width"], kCanvasWidth);
    ExpectCurve(Picture(folder.File("g.png")), png.Json()["blue"], kGammaBlue, "blue");

    // Names in any letter case; the text names what was written.
    const ToolRun svg = RunTool({"plot", "gamma", kSampleConfig, "--style", "LUSTRE", "--table",
                                 "soft", "-o", folder.File("g.SVG")});
    ASSERT_EQ(svg.Status, kDone) << svg.Err;
    EXPECT_NE(svg.Out.find("g.SVG"), std::string::npos) << svg.Out;
    EXPECT_NE(svg.Out.find("Soft of paper style Lustre"), std::string::npos) << svg.Out;
    const XmlDocument document(folder.Read("g.SVG"));
    ASSERT_NE(document.Root(), nullptr);
    EXPECT_EQ(Utf8(document.Root()->getTagName()), "svg");

    ASSERT_EQ(RunTool({"plot", "gamma", kSampleConfig, "-o", folder.File("g.pdf")}).Status, kDone);
    EXPECT_EQ(folder.Read("g.pdf").rfind("%PDF-", 0), 0u);

    // The blob keeps the tables but not the selection: "Standard" unless a table is named.
    folder.Write("exposure.bin", SampleBlob());
    const ToolRun blob = RunTool(
        {"plot", "gamma", folder.File("exposure.bin"), "-o", folder.File("b.png"), "--json"});
    ASSERT_EQ(blob.Status, kDone) << blob.Err;
    EXPECT_EQ(blob.Json()["table"], "Standard");
    EXPECT_EQ(blob.Json()["red"], nlohmann::json({{0, 0}, {1023, 1023}}));
    const ToolRun contrast = RunTool({"plot", "gamma", folder.File("exposure.bin"), "--table",
                                      "Contrast", "-o", folder.File("b.png"), "--json"});
    ASSERT_EQ(contrast.Status, kDone) << contrast.Err;
    for (const char* channel : {"red", "green", "blue"})
        EXPECT_EQ(contrast.Json()[channel], png.Json()[channel]) << channel;
    EXPECT_TRUE(OnlyFilesLeft(folder, 5));
}

TEST(ToolPlot, GammaRefusesBadInputAndLeavesNoPicture)
{
    TempFolder folder;
    const std::string out = folder.File("g.png");
    ExpectOneLineFailure(RunTool({"plot", "gamma", kSampleConfig, "-o", folder.File("g.jpg")}),
                         kUsage);
    ExpectOneLineFailure(RunTool({"plot", "gamma", kSampleConfig}), kUsage);
    ExpectOneLineFailure(RunTool({"plot", "gamma", folder.File("missing.xml"), "-o", out}),
                         kFileFailed);
    folder.Write("broken.xml", "<XavenServer><QLCosCtrl>");
    ExpectOneLineFailure(RunTool({"plot", "gamma", folder.File("broken.xml"), "-o", out}),
                         kFileFailed);
    const ToolRun style = RunTool({"plot", "gamma", kSampleConfig, "--style", "Satin", "-o", out});
    ExpectOneLineFailure(style, kFileFailed);
    EXPECT_NE(style.Err.find("\"Satin\"; paper styles: Glossy, Lustre"), std::string::npos)
        << style.Err;
    const ToolRun table = RunTool({"plot", "gamma", kSampleConfig, "--table", "Hard", "-o", out});
    ExpectOneLineFailure(table, kFileFailed);
    EXPECT_NE(table.Err.find("tables: Standard, Contrast"), std::string::npos) << table.Err;
    ExpectOneLineFailure(RunTool({"plot", "gamma", kSampleConfig, "-o", folder.File("none/g.png")}),
                         kFileFailed);
    EXPECT_TRUE(OnlyFilesLeft(folder, 1)); // broken.xml
}

TEST(ToolPlot, UniformityHeatMapSpansTheScaleFromLowestToHighest)
{
    TempFolder folder;
    std::string csv = "# uniformity table\n";
    for (int x = 0; x < kUniformColumns; ++x) csv += (x ? ",x" : "x") + std::to_string(x);
    csv += "\n";
    for (int y = 0; y < kUniformRows; ++y) {
        for (int x = 0; x < kUniformColumns; ++x) {
            const int value = x == 3 && y == 5 ? 250 : x == 20 && y == 30 ? 10 : 128;
            csv += (x ? "," : "") + std::to_string(value);
        }
        csv += "\n";
    }
    folder.Write("cells.csv", csv);
    const ToolRun run = RunTool({"plot", "uniformity", "--csv", folder.File("cells.csv"), "-o",
                                 folder.File("map.png"), "--json"});
    ASSERT_EQ(run.Status, kDone) << run.Err;
    EXPECT_EQ(run.Json()["lowest"], 10);
    EXPECT_EQ(run.Json()["highest"], 250);
    const Picture picture(folder.File("map.png"));
    EXPECT_EQ(picture.Width(), kCanvasWidth);
    EXPECT_TRUE(picture.Near(UniformCellX(3), UniformCellY(5), std::end(kHeatScale)[-1], 0, 2));
    EXPECT_TRUE(picture.Near(UniformCellX(20), UniformCellY(30), kHeatScale[0], 0, 2));
    EXPECT_FALSE(picture.Near(UniformCellX(4), UniformCellY(5), std::end(kHeatScale)[-1], 0, 20));
    EXPECT_FALSE(picture.Near(UniformCellX(4), UniformCellY(5), kHeatScale[0], 0, 20));

    // One row short, or a value past 255: refused, no picture.
    const std::string shortCsv = csv.substr(0, csv.rfind('\n', csv.size() - 2) + 1);
    folder.Write("short.csv", shortCsv);
    folder.Write("wide.csv", "300" + csv.substr(csv.find("\n128") + 4));
    for (const char* bad : {"short.csv", "wide.csv", "missing.csv"}) {
        ExpectOneLineFailure(RunTool({"plot", "uniformity", "--csv", folder.File(bad), "-o",
                                      folder.File("bad.png")}),
                             kFileFailed);
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("bad.png")));
}

TEST(ToolPlot, UniformityFromTheControllerWhereTheModelHasTables)
{
    TempFolder folder;
    const ToolRun ldd = RunTool({"plot", "uniformity", "--sim", "ldd", "--sim-time-scale", "1",
                                 "--table", "2", "-o", folder.File("ldd.svg"), "--json"});
    ASSERT_EQ(ldd.Status, kDone) << ldd.Err;
    EXPECT_EQ(ldd.Json()["table"], 2);
    EXPECT_TRUE(std::filesystem::exists(folder.File("ldd.svg")));
    ExpectOneLineFailure(RunTool({"plot", "uniformity", "--sim", "lamp2", "--sim-time-scale", "1",
                                  "-o", folder.File("lamp2.png")}),
                         kUnsupported);
    ExpectOneLineFailure(RunTool({"plot", "uniformity", "--sim", "ldd", "--table", "4", "-o",
                                  folder.File("four.png")}),
                         kUsage);
    EXPECT_TRUE(OnlyFilesLeft(folder, 1));
}

TEST(ToolPlot, DensityPlotsTheChannelsTheCsvHas)
{
    TempFolder folder;
    folder.Write("two.csv", "time,cyan,magenta\n0,0.50,0.70\n1.5,0.55,0.72\n3,0.61,0.75\n");
    const ToolRun run =
        RunTool({"plot", "density", folder.File("two.csv"), "-o", folder.File("d.png"), "--json"});
    ASSERT_EQ(run.Status, kDone) << run.Err;
    EXPECT_EQ(run.Json()["channels"], nlohmann::json({"cyan", "magenta"}));
    EXPECT_EQ(run.Json()["readings"], 3);
    EXPECT_EQ(Picture(folder.File("d.png")).Height(), kCanvasHeight);

    folder.Write("notime.csv", "visual,cyan\n0.5,0.6\n");
    folder.Write("nochannel.csv", "time,red\n0,0.6\n");
    folder.Write("empty.csv", "time,visual\n");
    folder.Write("infinite.csv", "time,visual\n0,0.5\n1,inf\n");
    for (const char* bad : {"notime.csv", "nochannel.csv", "empty.csv", "infinite.csv"}) {
        ExpectOneLineFailure(
            RunTool({"plot", "density", folder.File(bad), "-o", folder.File("bad.png")}),
            kFileFailed);
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("bad.png")));
}

} // namespace
} // namespace qlcos::test
