// The machine control configuration: record and paper channel list, and the "MachineCtrl"
// XML element read and written.
#include "qlcos/machine_cfg.h"

#include "config/record_text.h"
#include "support/files.h"
#include "support/xml_support.h"

#include <cstring>
#include <string>
#include <vector>

using namespace qlcos::test;
using Channel = tagZanMCPaperChannelData;
using Config = CZanXavenMachineCtrlCfg;

namespace {

Channel MakeChannel(const ZanWChar* name, int32_t n, ZanWChar carrier)
{
    Channel c{{}, n, n + 1, n + 2, n + 3, n + 4, {carrier}}; // focus, width, length, offset, camera
    qlcos::config::CopyText(c.Name, name);
    return c;
}

bool Same(const Channel& a, const Channel& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

TEST(MachineCfg, NoBlobRecordCopiesAndChannelLookup)
{
    Config cfg;
    EXPECT_EQ(cfg.GetMCType(), -1);
    EXPECT_EQ(cfg.GetSize(), 0u);
    std::vector<unsigned char> buffer(64, 0xEE);
    EXPECT_EQ(cfg.SaveConfig(buffer.data()), 0u);
    EXPECT_EQ(buffer, std::vector<unsigned char>(64, 0xEE)); // nothing written

    tagZanXavenMCCfgData d{{4, -1, 19200, 7, 1, 2}, 0x12345678, 2, {'N', 'X'}}, out{};
    cfg.SetMCCfgData(&d);
    cfg.GetMCCfgData(&out);
    EXPECT_EQ(std::memcmp(&out, &d, sizeof d), 0); // the reserved field travels too

    // Channels of one name: the last wins, letter case ignored beyond A to Z.
    const Channel first = MakeChannel(ZT("Ébène"), 10, 'A'),
                  second = MakeChannel(ZT("ébène"), 20, 'B');
    for (const Channel* c : {&first, &second, static_cast<const Channel*>(nullptr)})
        cfg.AddPaperChannel(c);
    Channel found{};
    EXPECT_EQ(cfg.GetPaperChannelDetail(ZT("ÉBÈNE"), &found), 1);
    EXPECT_TRUE(Same(found, second));
    EXPECT_EQ(cfg.GetPaperChannelDetail(ZT("Unknown"), &found), 1);
    EXPECT_TRUE(Same(found, second)); // left as it was

    Config copy;
    EXPECT_EQ(copy.Copy(&cfg), 1);
    EXPECT_EQ(copy.GetPaperChannelList().size(), 2u); // names are not checked for doubles
    CZanConfig plain;
    EXPECT_EQ(copy.Copy(&plain), 0);
}

TEST(MachineCfgXml, ImportReadsTypeAndChannels)
{
    XmlDocument doc(R"(<machinectrl DeviceName="nxminitype"><DOROZEZUD>
  <DORozezudPaperInfo><!-- skipped --><Other/>
    <DORozeZudPaperChannel NAME="Glossy" Focus=" -12x" Width="305" Camera="2" Length="400"
                           Offset="7" Carrier="AB" Extra="9"/>
    <DORozeZudPaperChannel Name=")" +
                    std::string(70, 'n') + R"(" Focus="99999999999"/>
  </DORozezudPaperInfo></DOROZEZUD></machinectrl>)");
    Config cfg;
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    EXPECT_EQ(cfg.GetMCType(), 2);
    EXPECT_EQ(cfg.GetData()->MCType, 2);
    const auto& list = cfg.GetPaperChannelList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(Same(list[0], Channel{ZT("Glossy"), -12, 305, 400, 7, 2, {'A'}})); // "AB": 'A'
    EXPECT_EQ(Utf8(list[1].Name), std::string(63, 'n'));                           // cut
    EXPECT_EQ(list[1].Focus, 2147483647);

    // No "DeviceName": the NX3306; other names: type 0, cut to 79 characters.
    const std::string longName(90, 'd');
    for (const auto& [attribute, name, type] :
         {std::tuple<std::string, std::string, int>{"", "NX3306", 1},
          {"DeviceName=\"NX3306 \"", "NX3306 ", 0},
          {"DeviceName=\"" + longName + "\"", longName.substr(0, 79), 0}}) {
        XmlDocument e("<MachineCtrl " + attribute + "/>");
        EXPECT_EQ(cfg.ImportXMLNode(e.Root()), 0) << attribute;
        EXPECT_EQ(Utf8(cfg.GetData()->DeviceName), name);
        EXPECT_EQ(cfg.GetMCType(), type) << attribute;
        EXPECT_TRUE(cfg.GetPaperChannelList().empty()); // emptied by every import
    }
}

TEST(MachineCfgXml, ImportResultsAndBoundedChannelCount)
{
    const std::string bad = "<PortProperty Port=\"1\"/>", info = "<DORozezudPaperInfo/>",
                      good = R"(<PortProperty Port="1" Second="-1" BaudRate="9600" DataBits="8" )"
                             R"(Reserved1="0" Reserved2="0"/>)";
    // An unreadable port sets bit 0x1 unless a later paper list replaces the result; the last
    // "DORozeZud" decides; a refused node empties the list as well.
    for (const auto& [body, result] :
         {std::pair<std::string, int>{"<DORozeZud>" + bad + "</DORozeZud>", 1},
          {"<DORozeZud>" + bad + info + "</DORozeZud>", 0},
          {"<DORozeZud>" + info + bad + "</DORozeZud>", 1},
          {"<DORozeZud>" + bad + "</DORozeZud><DORozeZud>" + good + "</DORozeZud>", 0},
          {"<Other/>", 0}}) {
        XmlDocument doc("<MachineCtrl>" + body + "</MachineCtrl>");
        EXPECT_EQ(Config().ImportXMLNode(doc.Root()), result) << body;
    }
    Config cfg;
    const Channel kept = MakeChannel(ZT("Kept?"), 1, 'A');
    cfg.AddPaperChannel(&kept);
    XmlDocument other("<MachineControl/>");
    EXPECT_EQ(cfg.ImportXMLNode(other.Root()), 1);
    EXPECT_TRUE(cfg.GetPaperChannelList().empty());
    EXPECT_EQ(cfg.ImportXMLNode(nullptr), 1);

    std::string many = "<MachineCtrl><DORozeZud><DORozezudPaperInfo>";
    for (size_t i = 0; i < Config::kMaxPaperChannels + 3; ++i) many += "<DORozeZudPaperChannel/>";
    XmlDocument big(many + "</DORozezudPaperInfo></DORozeZud></MachineCtrl>");
    EXPECT_EQ(cfg.ImportXMLNode(big.Root()), 1); // the last channel was refused
    EXPECT_EQ(cfg.GetPaperChannelList().size(), Config::kMaxPaperChannels);
}

TEST(MachineCfgXml, ExportTextCameraByTypeAndRoundTrip)
{
    for (const std::string device : {"NX3306", "NXMiniType"}) {
        XmlDocument source("<MachineCtrl DeviceName=\"" + device + "\"/>");
        Config cfg;
        ASSERT_EQ(cfg.ImportXMLNode(source.Root()), 0);
        tagZanXavenMCCfgData d = *cfg.GetData();
        d.PortProperty = {2, -1, 38400, 8, 0, 0};
        cfg.SetMCCfgData(&d);
        Channel a = MakeChannel(ZT("Matt"), -5, 'B'), b = MakeChannel(ZT("Lustre"), 30, 'C');
        b.Carrier[1] = 'D'; // not terminated: written as its one character
        cfg.AddPaperChannel(&a);
        cfg.AddPaperChannel(&b);

        XmlDocument doc("<XavenServer/>");
        ASSERT_EQ(cfg.ExportXMLNode(doc.Root()), 0);
        const bool camera = d.MCType == 1;
        EXPECT_EQ(Serialize(doc.Root()->getFirstChild()),
                  "<MachineCtrl DeviceName=\"" + device +
                      "\"><DORozeZud><PortProperty BaudRate=\"38400\" DataBits=\"8\" Port=\"2\" "
                      "Reserved1=\"0\" Reserved2=\"0\" Second=\"-1\"/><DORozezudPaperInfo>"
                      "<DORozeZudPaperChannel " +
                      (camera ? "Camera=\"-1\" " : "") +
                      "Carrier=\"B\" Focus=\"-5\" Length=\"-3\" Name=\"Matt\" Offset=\"-2\" "
                      "Width=\"-4\"/><DORozeZudPaperChannel " +
                      (camera ? "Camera=\"34\" " : "") +
                      "Carrier=\"C\" Focus=\"30\" Length=\"32\" Name=\"Lustre\" Offset=\"33\" "
                      "Width=\"31\"/></DORozezudPaperInfo></DORozeZud></MachineCtrl>");
        EXPECT_EQ(cfg.GetPaperChannelList()[0].Camera, -1); // kept without being written

        XmlDocument reparsed(Serialize(doc.Document()));
        Config back;
        ASSERT_EQ(back.ImportXMLNode(reparsed.Root()->getFirstChild()), 0);
        EXPECT_EQ(std::memcmp(back.GetData(), &d, sizeof d), 0);
        ASSERT_EQ(back.GetPaperChannelList().size(), 2u);
        a.Camera = camera ? a.Camera : 0;
        EXPECT_TRUE(Same(back.GetPaperChannelList()[0], a));
    }
    EXPECT_EQ(Config().ExportXMLNode(nullptr), 1);
    XmlDocument full("<Root/>"); // a document takes no second root element
    EXPECT_EQ(Config().ExportXMLNode(full.Document()), 1);
}
