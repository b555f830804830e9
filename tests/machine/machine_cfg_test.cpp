// The machine control configuration: record and paper channel list, and the "MachineCtrl"
// XML element read and written.
#include "qlcos/machine_cfg.h"

#include "support/files.h"
#include "support/xml_support.h"

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

using namespace qlcos::test;
using Channel = tagZanMCPaperChannelData;
using Config = CZanXavenMachineCtrlCfg;

static bool Same(const Channel& a, const Channel& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(MachineCfg, NoBlobAndChannelLookup)
{
    Config cfg;
    std::vector<unsigned char> buffer(64, 0xEE);
    EXPECT_EQ(cfg.GetSize() + cfg.SaveConfig(buffer.data()), 0u);
    EXPECT_EQ(buffer, std::vector<unsigned char>(64, 0xEE)); // nothing written

    // Channels of one name: the last wins, letter case ignored beyond A to Z.
    const Channel first{ZT("Ébène"), 10, 11, 12, 13, 14, {'A'}},
        second{ZT("ébène"), 20, 21, 22, 23, 24, {'B'}};
    cfg.AddPaperChannel(&first), cfg.AddPaperChannel(&second), cfg.AddPaperChannel(nullptr);
    Channel found{};
    EXPECT_EQ(cfg.GetPaperChannelDetail(ZT("ÉBÈNE"), &found), 1);
    EXPECT_TRUE(Same(found, second));
}

TEST(MachineCfgXml, ImportReadsTypeChannelsAndResults)
{
    XmlDocument doc(R"(<machinectrl DeviceName="nxminitype"><DOROZEZUD>
  <DORozezudPaperInfo><!-- skipped --><Other/>
    <DORozeZudPaperChannel NAME="Glossy" Focus=" -12x" Width="305" Camera="2" Length="400"
                           Offset="7" Carrier="AB" Extra="9"/>
  </DORozezudPaperInfo></DOROZEZUD></machinectrl>)");
    Config cfg;
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    EXPECT_EQ(cfg.GetMCType(), 2);
    const auto& list = cfg.GetPaperChannelList();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(Same(list[0], Channel{ZT("Glossy"), -12, 305, 400, 7, 2, {'A'}})); // "AB": 'A'

    // No "DeviceName": the NX3306, type 1. An unreadable port sets bit 0x1 unless a later
    // paper list replaces the result.
    const std::string bad = "<DORozeZud><PortProperty Port=\"1\"/>";
    for (const auto& [element, name, type, result] :
         {std::tuple<std::string, std::string, int, int>{"<MachineCtrl>", "NX3306", 1, 0},
          {"<MachineCtrl>" + bad + "</DORozeZud>", "NX3306", 1, 1},
          {"<MachineCtrl>" + bad + "<DORozezudPaperInfo/></DORozeZud>", "NX3306", 1, 0}}) {
        XmlDocument e(element + "</MachineCtrl>");
        EXPECT_EQ(cfg.ImportXMLNode(e.Root()), result) << element;
        EXPECT_EQ(Utf8(cfg.GetData()->DeviceName), name);
        EXPECT_EQ(cfg.GetMCType(), type) << element;
        EXPECT_TRUE(cfg.GetPaperChannelList().empty()); // emptied by every import
    }

    std::string many = "<MachineCtrl><DORozeZud><DORozezudPaperInfo>";
    for (size_t i = 0; i < Config::kMaxPaperChannels + 3; ++i) many += "<DORozeZudPaperChannel/>";
    XmlDocument big(many + "</DORozezudPaperInfo></DORozeZud></MachineCtrl>");
    EXPECT_EQ(cfg.ImportXMLNode(big.Root()), 1); // the last channel was refused
    EXPECT_EQ(cfg.GetPaperChannelList().size(), Config::kMaxPaperChannels);
    XmlDocument other("<MachineControl/>");
    EXPECT_EQ(cfg.ImportXMLNode(other.Root()) + cfg.ImportXMLNode(nullptr), 2);
    EXPECT_TRUE(cfg.GetPaperChannelList().empty()); // a refused node empties the list as well
}

TEST(MachineCfgXml, ExportTextCameraByTypeAndRoundTrip)
{
    for (const std::string device : {"NX3306", "NXMiniType"}) {
        Config cfg;
        ASSERT_EQ(
            cfg.ImportXMLNode(XmlDocument("<MachineCtrl DeviceName=\"" + device + "\"/>").Root()),
            0);
        tagZanXavenMCCfgData d = *cfg.GetData();
        d.PortProperty = {2, -1, 38400, 8, 0, 0};
        cfg.SetMCCfgData(&d);
        Channel a{ZT("Matt"), -5, -4, -3, -2, -1, {'B', 'D'}}; // written as its one character
        cfg.AddPaperChannel(&a);

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
                      "Width=\"-4\"/></DORozezudPaperInfo></DORozeZud></MachineCtrl>");
        EXPECT_EQ(cfg.GetPaperChannelList()[0].Camera, -1); // kept without being written

        Config back;
        ASSERT_EQ(back.ImportXMLNode(XmlDocument(Serialize(doc.Root())).Root()->getFirstChild()),
                  0);
        EXPECT_EQ(std::memcmp(back.GetData(), &d, sizeof d), 0);
        ASSERT_EQ(back.GetPaperChannelList().size(), 1u);
        a.Camera = camera ? -1 : 0, a.Carrier[1] = 0;
        EXPECT_TRUE(Same(back.GetPaperChannelList()[0], a));
    }
}
