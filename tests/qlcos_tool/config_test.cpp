// qlcos config: show, convert and check on blobs, INI files and XML documents. Conversions
// are judged by the records read back, not by their text.
#include "tool_runner.h"

#include "support/files.h"
#include "support/xml_support.h"

#include "qlcos/config.h"
#include "qlcos/machine_cfg.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace qlcos::test {
namespace {

const std::string kSample = QLCOS_SOURCE_DIR "/data/exposure.xml";
const std::string kSampleIni = QLCOS_SOURCE_DIR "/data/exposure.ini";

std::string ReadFile(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// A record imported from the first element `name` of the document in `path`.
template <typename Record> void Import(const std::string& path, const char* name, Record& record)
{
    XmlDocument document(ReadFile(path));
    ASSERT_TRUE(document.Root());
    const std::u16string wide(name, name + std::strlen(name));
    xercesc::DOMNodeList* found = document.Document()->getElementsByTagName(wide.c_str());
    ASSERT_GT(found->getLength(), 0u) << name << " in " << path;
    record.InitData();
    ASSERT_EQ(record.ImportXMLNode(found->item(0)), 0) << name << " in " << path;
}

template <typename Record> std::vector<unsigned char> Blob(Record& record)
{
    std::vector<unsigned char> bytes(record.GetSize());
    record.SaveConfig(bytes.data());
    return bytes;
}

void ExpectConverted(const std::vector<std::string>& arguments)
{
    const ToolRun run = RunTool(arguments);
    ASSERT_EQ(run.Status, kDone) << run.Err;
}

// What the INI form carries of the exposure configuration: the controller record but its
// exposure times and levels, the paper sizes' names, corrections and geometry, the styles.
void ExpectSameInIni(CZanLCosCtrlCfg& a, CZanLCosCtrlCfg& b)
{
    tagZanXavenControllerCfgData ca{}, cb{};
    a.GetControllerData(&ca);
    b.GetControllerData(&cb);
    std::memcpy(&cb.C_ExposeTime, &ca.C_ExposeTime, 6 * sizeof(float));
    EXPECT_EQ(std::memcmp(&ca, &cb, sizeof ca), 0);

    const int sizes = a.GetPaperSizeList(nullptr, 0);
    ASSERT_EQ(sizes, b.GetPaperSizeList(nullptr, 0));
    ASSERT_EQ(sizes, 4);
    std::vector<tagZanExpPaperSizeInfo> sa(sizes), sb(sizes);
    a.GetPaperSizeList(sa.data(), sizes);
    b.GetPaperSizeList(sb.data(), sizes);
    for (int i = 0; i < sizes; ++i) {
        EXPECT_EQ(std::memcmp(sa[i].Name, sb[i].Name, sizeof sa[i].Name), 0);
        EXPECT_EQ(std::memcmp(&sa[i], &sb[i], offsetof(tagZanExpPaperSizeInfo, Name)), 0) << i;
        EXPECT_EQ(sa[i].PaperWidth, sb[i].PaperWidth);
        EXPECT_EQ(sa[i].PaperLength, sb[i].PaperLength);
    }
    const int styles = a.GetPaperStyleList(nullptr, 0);
    ASSERT_EQ(styles, b.GetPaperStyleList(nullptr, 0));
    std::vector<tagZanExpPaperStyleInfo> ya(styles), yb(styles);
    a.GetPaperStyleList(ya.data(), styles);
    b.GetPaperStyleList(yb.data(), styles);
    EXPECT_EQ(std::memcmp(ya.data(), yb.data(), styles * sizeof(tagZanExpPaperStyleInfo)), 0);
}

TEST(ToolConfig, ConversionsKeepWhatEachFormCarries)
{
    TempFolder folder;
    CZanLCosCtrlCfg original;
    Import(kSample, "QLCosCtrl", original);

    // XML -> INI -> XML.
    ExpectConverted({"config", "convert", kSample, folder.File("a.ini")});
    ExpectConverted({"config", "convert", folder.File("a.ini"), folder.File("a.xml")});
    CZanLCosCtrlCfg viaIni;
    Import(folder.File("a.xml"), "QLCosCtrl", viaIni);
    ExpectSameInIni(original, viaIni);

    // XML -> blob -> XML: the blob carries the whole record but comments and selections.
    ExpectConverted({"config", "convert", kSample, folder.File("a.bin"), "--record", "qlcosctrl"});
    ExpectConverted({"config", "convert", folder.File("a.bin"), folder.File("b.xml")});
    CZanLCosCtrlCfg viaBlob;
    Import(folder.File("b.xml"), "QLCosCtrl", viaBlob);
    EXPECT_EQ(Blob(viaBlob), Blob(original));

    // The colour balance settings through their own blob, back inside "QLCosCtrl".
    ExpectConverted(
        {"config", "convert", kSample, folder.File("cb.bin"), "--record", "ColorBalanceChannel"});
    ExpectConverted({"config", "convert", folder.File("cb.bin"), folder.File("cb.xml")});
    CZanXavenColorBalanceCfg balance, balanceBack;
    Import(kSample, "ColorBalanceChannel", balance);
    Import(folder.File("cb.xml"), "ColorBalanceChannel", balanceBack);
    EXPECT_EQ(Blob(balanceBack), Blob(balance));
    EXPECT_EQ(balance.GetItemList(nullptr, 0), 2);

    // The machine record, XML only, to XML: record and paper channels alike.
    ExpectConverted(
        {"config", "convert", kSample, folder.File("m.xml"), "--record", "MachineCtrl"});
    CZanXavenMachineCtrlCfg machine, machineBack;
    Import(kSample, "MachineCtrl", machine);
    Import(folder.File("m.xml"), "MachineCtrl", machineBack);
    EXPECT_EQ(std::memcmp(machine.GetData(), machineBack.GetData(), sizeof(tagZanXavenMCCfgData)),
              0);
    const auto& channels = machine.GetPaperChannelList();
    ASSERT_EQ(channels.size(), 2u);
    ASSERT_EQ(machineBack.GetPaperChannelList().size(), 2u);
    EXPECT_EQ(std::memcmp(channels.data(), machineBack.GetPaperChannelList().data(),
                          2 * sizeof(tagZanMCPaperChannelData)),
              0);

    // Every record of the document into one XML document, notes for those INI cannot hold.
    ExpectConverted({"config", "convert", kSample, folder.File("all.xml")});
    const ToolRun toIni = RunTool({"config", "convert", kSample, folder.File("b.ini"), "--json"});
    ASSERT_EQ(toIni.Status, kDone) << toIni.Err;
    EXPECT_EQ(toIni.Json()["records"], nlohmann::json({"QLCosCtrl"}));
    EXPECT_EQ(toIni.Json()["notes"],
              nlohmann::json({"ColorBalanceChannel has no INI form: left out",
                              "MachineCtrl has no INI form: left out"}));
}

TEST(ToolConfig, ShowsEveryFormAsTextAndJson)
{
    TempFolder folder;
    const ToolRun xml = RunTool({"config", "show", kSample});
    ASSERT_EQ(xml.Status, kDone) << xml.Err;
    for (const char* expected :
         {"QLCosCtrl\n  XavenController\n",
          "    PaperSize \"5x7\"\n      Comment: Portrait format\n",
          "          Red: 5 points (0,0) (64,52) (128,128) (192,204) (255,255)\n",
          "\nMachineCtrl\n  DeviceName: NX3306\n",
          "DORozeZudPaperChannel \"Channel A\": Camera=0, Carrier=A, Focus=25"})
        EXPECT_NE(xml.Out.find(expected), std::string::npos) << expected << "\n" << xml.Out;

    const nlohmann::json json = RunTool({"config", "show", kSample, "--json"}).Json();
    ASSERT_EQ(json["records"].size(), 3u);
    EXPECT_EQ(json["form"], "XML");
    const nlohmann::json& exposure = json["records"][0]["content"];
    EXPECT_EQ(exposure["XavenController"][0]["DeviceType"], "LampController2");
    EXPECT_EQ(exposure["PrintingPaperStyleChannel"][0]["PaperStyle"][1]["GammaTable"][0]
                      ["GammaValue"][1]["KeyValueList"][0]["points"],
              nlohmann::json({{0, 8}, {128, 132}, {255, 248}}));

    // INI: the exposure model the INI file carries is listed too.
    const nlohmann::json ini = RunTool({"config", "show", kSampleIni, "--json"}).Json();
    ASSERT_EQ(ini["records"].size(), 1u);
    EXPECT_EQ(ini["records"][0]["content"]["ExposureModel"][0]["StdTime"], "2.5 2.2 1.8");

    // A blob: its header, then the record.
    ExpectConverted({"config", "convert", kSampleIni, folder.File("a.bin")});
    const ToolRun blob = RunTool({"config", "show", folder.File("a.bin")});
    ASSERT_EQ(blob.Status, kDone) << blob.Err;
    const std::string size = std::to_string(ReadFile(folder.File("a.bin")).size());
    EXPECT_EQ(blob.Out.find(folder.File("a.bin") + ": blob, identifier 0x47464E43 \"CNFG\", " +
                            size + " bytes, header 12\n"),
              0u)
        << blob.Out;
    EXPECT_NE(blob.Out.find("    DensityStep: 15\n"), std::string::npos) << blob.Out;

    // One kind only, wherever it lies in the document.
    const nlohmann::json sizes =
        RunTool({"config", "show", kSample, "--record", "PaperSize", "--json"}).Json();
    ASSERT_EQ(sizes["records"].size(), 4u);
    EXPECT_EQ(sizes["records"][2]["content"]["PhotoPosition"].size(), 4u);
}

TEST(ToolConfig, CheckNamesWhatIsWrong)
{
    TempFolder folder;
    ExpectConverted({"config", "convert", kSample, folder.File("a.bin"), "--record", "QLCosCtrl"});
    const std::string blob = ReadFile(folder.File("a.bin"));
    EXPECT_EQ(RunTool({"config", "check", folder.File("a.bin")}).Status, kDone);
    EXPECT_EQ(RunTool({"config", "check", kSample}).Status, kDone);
    EXPECT_EQ(RunTool({"config", "check", kSampleIni}).Status, kDone);

    folder.Write("truncated.bin", blob.substr(0, 1000));
    const ToolRun truncated = RunTool({"config", "check", folder.File("truncated.bin"), "--json"});
    EXPECT_EQ(truncated.Status, kFileFailed);
    EXPECT_EQ(truncated.Json()["sound"], false);
    EXPECT_EQ(truncated.Json()["findings"][0], "truncated: the header states " +
                                                   std::to_string(blob.size()) +
                                                   " bytes, the file holds 1000");
    EXPECT_EQ(truncated.Json()["findings"].size(), 2u); // and no record accepts it

    folder.Write("identifier.bin", "ABCD" + blob.substr(4));
    const ToolRun identifier = RunTool({"config", "check", folder.File("identifier.bin")});
    EXPECT_EQ(identifier.Status, kFileFailed);
    EXPECT_EQ(identifier.Out,
              folder.File("identifier.bin") + ": unknown identifier 0x44434241 \"ABCD\"\n");

    // A header size the record writes as 12 again: loaded, but saved otherwise.
    std::string corrected = blob;
    corrected[8] = 99;
    folder.Write("corrected.bin", corrected);
    EXPECT_EQ(
        RunTool({"config", "check", folder.File("corrected.bin"), "--json"}).Json()["findings"],
        nlohmann::json({"header size 99, expected 12",
                        "the QLCosCtrl record corrects 1 byte of the blob (the first at "
                        "offset 8)"}));

    folder.Write("broken.xml", "<XavenServer>\n  <QLCosCtrl>\n</XavenServer>\n");
    const ToolRun broken = RunTool({"config", "check", folder.File("broken.xml")});
    EXPECT_EQ(broken.Status, kFileFailed);
    EXPECT_EQ(broken.Out.find(folder.File("broken.xml") + ":3:"), 0u) << broken.Out;

    folder.Write("other.ini", "[Other]\nkey=1\n");
    EXPECT_EQ(RunTool({"config", "check", folder.File("other.ini")}).Status, kFileFailed);
    folder.Write("count.ini", "[ExpPaperInfo]\nPaperSizeCount=2\n[PaperSize1]\nName=A\n");
    EXPECT_EQ(RunTool({"config", "check", folder.File("count.ini")}).Out,
              folder.File("count.ini") +
                  ": PaperSizeCount is 2 but section [PaperSize2] is missing\n");
}

TEST(ToolConfig, RefusalsLeaveNoFileBehind)
{
    TempFolder folder;
    folder.Write("out.bin", "kept");
    folder.Write("machine.xml", "<XavenServer><MachineCtrl DeviceName=\"NX3306\"/></XavenServer>");
    const auto onlyOneLine = [](const ToolRun& run) {
        EXPECT_TRUE(run.Out.empty()) << run.Out;
        EXPECT_EQ(run.Err.find("qlcos: "), 0u) << run.Err;
        EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << run.Err;
    };
    // Several records for one blob; a record without the output's form; a missing, a
    // damaged input.
    const ToolRun several = RunTool({"config", "convert", kSample, folder.File("out.bin")});
    EXPECT_EQ(several.Status, kUsage);
    EXPECT_NE(several.Err.find("(QLCosCtrl, ColorBalanceChannel)"), std::string::npos)
        << several.Err;
    onlyOneLine(several);
    const ToolRun noIni =
        RunTool({"config", "convert", folder.File("machine.xml"), folder.File("out.bin")});
    EXPECT_EQ(noIni.Status, kFileFailed);
    onlyOneLine(noIni);
    const ToolRun missing = RunTool({"config", "show", folder.File("missing.xml")});
    EXPECT_EQ(missing.Status, kFileFailed);
    onlyOneLine(missing);
    folder.Write("broken.bin", std::string("CNFG\x20\0\0\0\x0c\0\0\0", 12));
    const ToolRun broken =
        RunTool({"config", "convert", folder.File("broken.bin"), folder.File("out.bin")});
    EXPECT_EQ(broken.Status, kFileFailed);
    onlyOneLine(broken);
    EXPECT_EQ(RunTool({"config", "show", kSample, "--record", "Nothing"}).Status, kUsage);

    EXPECT_EQ(folder.Read("out.bin"), "kept");
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.File("")))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 3u); // out.bin, machine.xml, broken.bin: no temporary file left
}

} // namespace
} // namespace qlcos::test
