// The controller configuration in its three forms: 104-byte blob, "LCosCtrl" INI section and
// "XavenController" XML element; and the bare configuration record base.
#include "qlcos/config.h"

#include "support/files.h"
#include "support/hex_bytes.h"
#include "support/xml_support.h"

#include <cctype>
#include <cstring>
#include <limits>
#include <vector>

using namespace qlcos::test;
using xercesc::DOMElement;
using xercesc::DOMNode;
using Bytes = std::vector<unsigned char>;
using Record = tagZanXavenControllerCfgData;

namespace {

Record Data(const CZanXavenControllerCfg& cfg)
{
    Record d;
    cfg.GetControllerData(&d);
    return d;
}

bool Same(const Record& a, const Record& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

Record Defaults() { return Data(CZanXavenControllerCfg()); }

// A record with a value other than the default in every field.
Record Distinct()
{
    // clang-format off
    return {{3, -1, 19200, 7, 5, 6}, 4, 1,         // port, device type, fuser type
            3, 1, 2, 2, 134, -7,                   // channels, filter positions
            1.5f, 0.25f, -2.0f, 12.9f, -3.5f, 100.0f, // exposure times, levels
            1, 0, 1, 40};                          // mirrors, synchronised exposure
    // clang-format on
}

CZanXavenControllerCfg With(const Record& d)
{
    CZanXavenControllerCfg cfg;
    cfg.SetControllerData(&d);
    return cfg;
}

Bytes Blob(CZanXavenControllerCfg& cfg)
{
    Bytes blob(cfg.GetSize() + 8, 0xEE);
    EXPECT_EQ(cfg.SaveConfig(blob.data()), 104u);
    EXPECT_EQ(Bytes(blob.begin() + 104, blob.end()), Bytes(8, 0xEE)); // nothing written past it
    blob.resize(104);
    return blob;
}

} // namespace

// ---- Blob ---------------------------------------------------------------------------------

TEST(ControllerCfgBlob, DefaultsAndEveryFieldInItsPlace)
{
    CZanXavenControllerCfg cfg;
    EXPECT_EQ(Blob(cfg), HexBytes("43435658 68000000 0C000000"                            // header
                                  "01000000 FFFFFFFF 80250000 08000000 00000000 00000000" // port
                                  "0000 0000 01000000 02000000 03000000" // types, channels
                                  "12000000 02000000 22000000"           // filters 18 2 34
                                  "00000000 00000000 00000000 00000000 00000000 00000000"
                                  "00000000 00000000 00000000 0F000000")); // sync time 15

    const Record d = Distinct();
    cfg.SetControllerData(&d);
    const Bytes blob = Blob(cfg);
    EXPECT_EQ(blob,
              HexBytes("43435658 68000000 0C000000"
                       "03000000 FFFFFFFF 004B0000 07000000 05000000 06000000" // 19200 = 0x4B00
                       "0400 0100 03000000 01000000 02000000 02000000 86000000 F9FFFFFF"
                       "0000C03F 0000803E 000000C0" // 1.5 0.25 -2
                       "66664E41 000060C0 0000C842" // 12.9 -3.5 100
                       "01000000 00000000 01000000 28000000"));
    CZanXavenControllerCfg loaded;
    EXPECT_EQ(loaded.LoadConfig(blob.data()), 104u);
    EXPECT_TRUE(Same(Data(loaded), d));

    // GetData hands out the 92-byte record and returns 0.
    unsigned char raw[93];
    raw[92] = 0xAB;
    EXPECT_EQ(loaded.GetData(raw), 0);
    EXPECT_EQ(std::memcmp(raw, &d, 92), 0);
    EXPECT_EQ(raw[92], 0xAB);
}

TEST(ControllerCfgBlob, ValidityAndCopiesAndTheBareBaseRecord)
{
    CZanXavenControllerCfg cfg = With(Distinct());
    const Bytes blob = Blob(cfg);
    EXPECT_NE(cfg.IsValidData(blob.data()), 0);
    EXPECT_EQ(cfg.IsValidData(nullptr), 0);
    // Another record's identifier, a size this record does not have, another header size.
    for (const auto& [at, value] : {std::pair{0, 0x44}, {4, 40}, {8, 16}}) {
        Bytes bad = blob;
        bad[at] = static_cast<unsigned char>(value);
        EXPECT_EQ(cfg.IsValidData(bad.data()), 0) << at;
    }

    CZanXavenControllerCfg viaBase;
    EXPECT_EQ(viaBase.Copy(&cfg), 1);
    EXPECT_TRUE(Same(Data(viaBase), Distinct()));
    CZanConfig plain;
    EXPECT_EQ(viaBase.Copy(&plain), 0); // another class
    EXPECT_EQ(viaBase.Copy(nullptr), 0);
    EXPECT_EQ(cfg.SaveConfig(nullptr), 0u);
    EXPECT_EQ(cfg.LoadConfig(nullptr), 0u);

    // The base alone is a record without data: its blob is the bare header.
    Bytes bare(16, 0xEE);
    EXPECT_EQ(plain.SaveConfig(bare.data()), 12u);
    EXPECT_EQ(bare, HexBytes("434E4647 0C000000 0C000000 EEEEEEEE")); // "CNFG", size, header size
    EXPECT_NE(plain.IsValidData(bare.data()), 0);
    EXPECT_EQ(plain.LoadConfig(bare.data()), 12u);
    bare[4] = 11; // total size below the header
    EXPECT_EQ(plain.IsValidData(bare.data()), 0);
    EXPECT_EQ(plain.SaveConfig(nullptr), 0u);
}

TEST(ControllerCfg, VirtualDevicePropertyAccessors)
{
    const Record d = Distinct();
    CZanXavenControllerCfg cfg = With(d);
    tagZanVirtualDeviceProperty p{};
    cfg.GetZanVirtualDeviceProperty(&p);
    EXPECT_EQ(std::memcmp(&p, &d, sizeof p), 0); // the first 28 bytes of the record

    // Device type, port, baud rate, data bits, then the sixth and fifth words.
    cfg.SetZanVirtualDeviceProperty(2, 9, 38400, 8, 66, 55);
    Record expected = d;
    expected.DeviceType = 2;
    expected.PortProperty = {9, -1, 38400, 8, 55, 66};
    EXPECT_TRUE(Same(Data(cfg), expected));

    // Null pointers change nothing.
    const Record before = Data(cfg);
    cfg.SetZanVirtualDeviceProperty(nullptr);
    cfg.SetControllerData(nullptr);
    cfg.GetZanVirtualDeviceProperty(nullptr);
    cfg.GetControllerData(nullptr);
    EXPECT_TRUE(Same(Data(cfg), before));
}

// ---- INI ----------------------------------------------------------------------------------

TEST(ControllerCfgIni, ExportWritesPlainKeysAndImportsBack)
{
    TempFolder folder;
    const ZanString path = folder.WideFile("lab.ini");
    EXPECT_EQ(With(Distinct()).ExportINIFile(path.c_str()), 0);
    EXPECT_INI_TEXT(folder.Read("lab.ini"),
                    "[LCosCtrl]\n"
                    "Port=3\nSecond=-1\nBaudRate=19200\nDataBits=7\nReserved1=5\nReserved2=6\n"
                    "FuserType=1\nDeviceType=4\n"
                    "R_FilterPos=2\nG_FilterPos=134\nB_FilterPos=-7\n"
                    "R_Channel=3\nG_Channel=1\nB_Channel=2\n"
                    "HorzMirror=1\nVertMirror=0\nSyncExposal=1\nSyncExposalTime=40\n");

    CZanXavenControllerCfg back;
    EXPECT_EQ(back.ImportINIFile(path.c_str()), 0);
    Record expected = Distinct();
    // Exposure times and levels have no INI form: the record's own values stay.
    expected.C_ExposeTime = expected.M_ExposeTime = expected.Y_ExposeTime = 0;
    expected.C_ExposeLevel = expected.M_ExposeLevel = expected.Y_ExposeLevel = 0;
    EXPECT_TRUE(Same(Data(back), expected));

    EXPECT_EQ(back.ExportINIFile(folder.WideFile("missing/lab.ini").c_str()), 1);
    EXPECT_EQ(back.ExportINIFile(nullptr), 1);
    EXPECT_EQ(back.ImportINIFile(nullptr), 1);
}

TEST(ControllerCfgIni, ImportKeepsMissingKeysAndZeroesAnUnreadablePort)
{
    TempFolder folder;
    folder.Write("port.ini", "[lcosctrl]\nPORT=2\nsecond=-1\nbaudrate = 9600\n"
                             "DATABITS=8\nreserved1=0\nRESERVED2=0\nVERTMIRROR=1\n");
    CZanXavenControllerCfg cfg;
    EXPECT_EQ(cfg.ImportINIFile(folder.WideFile("port.ini").c_str()), 0);
    // With the port readable, missing device and fuser types read 1; missing channels and
    // filter positions keep the record's values.
    Record expected = Defaults();
    expected.PortProperty.Port = 2;
    expected.DeviceType = expected.FuserType = expected.VertMirror = 1;
    EXPECT_TRUE(Same(Data(cfg), expected));

    // Without all six port keys the port, device and fuser type are zeroed; the flags fall
    // to 0. A missing file reads like an empty one.
    const Record d = Distinct();
    cfg.SetControllerData(&d);
    folder.Write("only.ini", "[LCosCtrl]\nSyncExposalTime=99\nDeviceType=2\n");
    EXPECT_EQ(cfg.ImportINIFile(folder.WideFile("only.ini").c_str()), 0);
    expected = d;
    expected.PortProperty = {0, 0, 0, 0, 0, 0};
    expected.DeviceType = expected.FuserType = 0;
    expected.HorzMirror = expected.VertMirror = expected.SyncExposal = 0;
    expected.SyncExposalTime = 99;
    EXPECT_TRUE(Same(Data(cfg), expected));
    cfg.SetControllerData(&d);
    EXPECT_EQ(cfg.ImportINIFile(folder.WideFile("none.ini").c_str()), 0);
    expected.SyncExposalTime = d.SyncExposalTime;
    EXPECT_TRUE(Same(Data(cfg), expected));
}

// ---- XML ----------------------------------------------------------------------------------

TEST(ControllerCfgXml, ImportReadsEveryAttributeAndChildAndRefusesOtherNodes)
{
    XmlDocument doc(R"(<?xml version="1.0"?>
<XAVENCONTROLLER DeviceType="lampcontroller2" FuserType="qcb4107" HorzMirror="TRUE"
                 VertMirror="no" UseMinTime="True" MinTime="40">
  <!-- a comment is skipped -->
  <portproperty Port="3" Second="-1" BaudRate="19200" DataBits="7" Reserved1="5" Reserved2="6"/>
  <ColorChannel Cyan="blue" Magenta="RED" Yellow="Green"/>
  <FilterPosition Cyan="02" Magenta=" 134" Yellow="-7"/>
  <ExposeTime Cyan="1.50" Magenta="0.25" Yellow="-2"/>
  <ExposeLevel Cyan="12.9" Magenta="-3.5" Yellow="1e2"/>
  <Unknown Cyan="9"/>
</XAVENCONTROLLER>)");
    CZanXavenControllerCfg cfg;
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    EXPECT_TRUE(Same(Data(cfg), Distinct()));

    // Null, text, a comment and other elements are refused and leave the record as it is.
    DOMNode* text = doc.Root()->getFirstChild();
    for (DOMNode* other :
         {text, text->getNextSibling(), doc.Root()->getLastChild()->getPreviousSibling(),
          static_cast<DOMNode*>(nullptr)})
        EXPECT_EQ(cfg.ImportXMLNode(other), 1);
    EXPECT_TRUE(Same(Data(cfg), Distinct()));
}

TEST(ControllerCfgXml, ImportStartsFromTheDefaults)
{
    XmlDocument doc(
        R"(<XavenController><ColorChannel Cyan="Cyan" Magenta=""/><FilterPosition Yellow="5"/>)"
        R"(<PortProperty Port="x" Second="-1" BaudRate="1" DataBits="8" Reserved1="0" Reserved2="0"/></XavenController>)");
    CZanXavenControllerCfg cfg = With(Distinct());
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    // No "DeviceType": a lamp controller; no "MinTime": 0, not the record default 15; an
    // unknown or empty channel name and an unreadable port keep the defaults; missing
    // filter positions read as 0.
    Record expected = Defaults();
    expected.DeviceType = 1;
    expected.SyncExposalTime = 0;
    expected.R_FilterPos = expected.G_FilterPos = 0;
    expected.B_FilterPos = 5;
    EXPECT_TRUE(Same(Data(cfg), expected));

    // Device type names: letter case ignored; unknown names give 0.
    const std::pair<const char*, uint16_t> cases[] = {
        {"ledcontroller", 2},  {"EMULAMPCONTROLLER", 3},
        {"LampController", 1}, {"LCDController", 0},
        {"UnKnow", 0},         {"", 1}};
    for (const auto& c : cases) {
        XmlDocument e(std::string("<XavenController DeviceType=\"") + c.first + "\"/>");
        EXPECT_EQ(cfg.ImportXMLNode(e.Root()), 0);
        EXPECT_EQ(Data(cfg).DeviceType, c.second) << c.first;
    }
}

TEST(ControllerCfgXml, ExportTextAndRoundTrip)
{
    XmlDocument doc("<QLCosCtrl/>");
    Record d = Distinct();
    d.B_Channel = 7; // no name: left out on export
    EXPECT_EQ(With(d).ExportXMLNode(doc.Root()), 0);
    // The creation time as "%Y-%m-%d %H:%M".
    DOMElement* e = doc.Root()->getFirstElementChild();
    std::string stamp = XmlUtf8(e->getAttribute(u"CreateTime"));
    for (char& c : stamp) c = std::isdigit(static_cast<unsigned char>(c)) ? '0' : c;
    EXPECT_EQ(stamp, "0000-00-00 00:00") << XmlUtf8(e->getAttribute(u"CreateTime"));
    e->removeAttribute(u"CreateTime");
    EXPECT_EQ(Serialize(e),
              R"(<XavenController Comment="Vudodura Controller Data" )"
              R"(DeviceType="LampController2" FuserType="QCB4107" HorzMirror="True" )"
              R"(MinTime="40" UseMinTime="True" VertMirror="False">)"
              R"(<PortProperty BaudRate="19200" DataBits="7" Port="3" Reserved1="5" )"
              R"(Reserved2="6" Second="-1"/><ColorChannel Cyan="Blue" Magenta="Red"/>)"
              R"(<ExposeLevel Cyan="12" Magenta="-3" Yellow="100"/>)"
              R"(<ExposeTime Cyan="1.50" Magenta="0.25" Yellow="-2.00"/>)"
              R"(<FilterPosition Cyan="02" Magenta="134" Yellow="-7"/></XavenController>)");

    XmlDocument reparsed(Serialize(doc.Document()));
    CZanXavenControllerCfg back;
    EXPECT_EQ(back.ImportXMLNode(reparsed.Root()->getFirstChild()), 0);
    d.B_Channel = 3;      // came back as the channel's default
    d.C_ExposeLevel = 12; // cut towards zero
    d.M_ExposeLevel = -3;
    EXPECT_TRUE(Same(Data(back), d));

    // Exposure times that are no finite number come back as they were, not as 0.
    d.C_ExposeTime = std::numeric_limits<float>::infinity();
    d.M_ExposeTime = -std::numeric_limits<float>::infinity();
    d.Y_ExposeTime = std::numeric_limits<float>::quiet_NaN();
    XmlDocument odd("<QLCosCtrl/>");
    EXPECT_EQ(With(d).ExportXMLNode(odd.Root()), 0);
    EXPECT_NE(Serialize(odd.Root()).find(R"(Cyan="inf" Magenta="-inf" Yellow="nan")"),
              std::string::npos);
    EXPECT_EQ(back.ImportXMLNode(XmlDocument(Serialize(odd.Root())).Root()->getFirstChild()), 0);
    EXPECT_TRUE(Same(Data(back), d));
}

TEST(ControllerCfgXml, DeviceTypesWithoutANameAndFailedExports)
{
    // Only device types with a configuration word are named; the others come back as 0.
    for (uint16_t type : {0, 2, 4, 5, 6}) {
        XmlDocument doc("<QLCosCtrl/>");
        CZanXavenControllerCfg cfg;
        cfg.SetZanVirtualDeviceProperty(type, 1, 9600, 8, 0, 0);
        ASSERT_EQ(cfg.ExportXMLNode(doc.Root()), 0);
        DOMElement* e = doc.Root()->getFirstElementChild();
        const bool named = type == 2 || type == 4;
        EXPECT_EQ(Wide(e->getAttribute(u"DeviceType")) == ZT("UnKnow"), !named) << type;
        CZanXavenControllerCfg back;
        back.ImportXMLNode(e);
        EXPECT_EQ(Data(back).DeviceType, named ? type : 0) << type;
    }

    CZanXavenControllerCfg cfg;
    EXPECT_EQ(cfg.ExportXMLNode(nullptr), 1);
    // A document that already has its root element cannot take a second one: the DOM's
    // refusal is reported, not thrown.
    XmlDocument doc("<QLCosCtrl/>");
    EXPECT_EQ(cfg.ExportXMLNode(doc.Document()), 1);
    EXPECT_EQ(doc.Root()->getFirstChild(), nullptr);
    // An empty document takes it as its root.
    XmlDocument empty("<Only/>");
    empty.Document()->removeChild(empty.Root())->release();
    EXPECT_EQ(cfg.ExportXMLNode(empty.Document()), 0);
    ASSERT_NE(empty.Root(), nullptr);
    EXPECT_EQ(Wide(empty.Root()->getNodeName()), ZT("XavenController"));
}
