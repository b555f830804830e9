// The controller configuration in its three forms: 104-byte blob, "LCosCtrl" INI section
// and "XavenController" XML element.
#include "qlcos/config.h"

#include "platform/profile_io.h"
#include "support/files.h"
#include "support/xml_support.h"

#include <cctype>
#include <cstring>
#include <vector>

using qlcos::test::Attribute;
using qlcos::test::FirstChild;
using qlcos::test::TempFolder;
using qlcos::test::XmlDocument;
using xercesc::DOMElement;
using xercesc::DOMNode;

namespace {

// Exposes the protected child readers and writers.
class ControllerCfg : public CZanXavenControllerCfg {
public:
    using CZanXavenControllerCfg::ExportXMLColorChannel;
    using CZanXavenControllerCfg::ImportXMLColorChannel;
    using CZanXavenControllerCfg::ImportXMLExposeLevel;
    using CZanXavenControllerCfg::ImportXMLExposeTime;
    using CZanXavenControllerCfg::ImportXMLFilterPosition;
};

tagZanXavenControllerCfgData Data(const CZanXavenControllerCfg& cfg)
{
    tagZanXavenControllerCfgData d;
    cfg.GetControllerData(&d);
    return d;
}

bool SameData(const tagZanXavenControllerCfgData& a, const tagZanXavenControllerCfgData& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A record with a value other than the default in every field.
tagZanXavenControllerCfgData Distinct()
{
    tagZanXavenControllerCfgData d{};
    d.PortProperty = {3, -1, 19200, 7, 5, 6};
    d.DeviceType = 4;
    d.FuserType = 1;
    d.R_Channel = 3;
    d.G_Channel = 1;
    d.B_Channel = 2;
    d.R_FilterPos = 2;
    d.G_FilterPos = 134;
    d.B_FilterPos = -7;
    d.C_ExposeTime = 1.5f;
    d.M_ExposeTime = 0.25f;
    d.Y_ExposeTime = -2.0f;
    d.C_ExposeLevel = 12.9f;
    d.M_ExposeLevel = -3.5f;
    d.Y_ExposeLevel = 100.0f;
    d.HorzMirror = 1;
    d.VertMirror = 0;
    d.SyncExposal = 1;
    d.SyncExposalTime = 40;
    return d;
}

// "%Y-%m-%d %H:%M": 0000-00-00 00:00.
bool IsTimeStamp(const std::string& text)
{
    const std::string form = "0000-00-00 00:00";
    if (text.size() != form.size()) return false;
    for (size_t i = 0; i < form.size(); ++i) {
        if (form[i] == '0' ? !std::isdigit(static_cast<unsigned char>(text[i]))
                           : text[i] != form[i])
            return false;
    }
    return true;
}

std::vector<unsigned char> Blob(CZanXavenControllerCfg& cfg)
{
    std::vector<unsigned char> blob(cfg.GetSize() + 8, 0xEE);
    EXPECT_EQ(cfg.SaveConfig(blob.data()), 104u);
    // Nothing is written past the blob.
    for (size_t i = 104; i < blob.size(); ++i) EXPECT_EQ(blob[i], 0xEE) << i;
    blob.resize(104);
    return blob;
}

} // namespace

// ---- Blob ---------------------------------------------------------------------------------

TEST(ControllerCfgBlob, FreshRecordIsTheDocumentedDefaults)
{
    CZanXavenControllerCfg cfg;
    const std::vector<unsigned char> expected = {0x43, 0x43, 0x56, 0x58, 104,  0,    0,
                                                 0,    12,   0,    0,    0, // header
                                                 1,    0,    0,    0,    0xFF, 0xFF, 0xFF,
                                                 0xFF, 0x80, 0x25, 0,    0,    8,    0,
                                                 0,    0, // port 1, -1, 9600, 8
                                                 0,    0,    0,    0,    0,    0,    0,
                                                 0,                   // words five and six
                                                 0,    0,    0,    0, // device type, fuser type
                                                 1,    0,    0,    0,    2,    0,    0,
                                                 0,    3,    0,    0,    0, // channels
                                                 18,   0,    0,    0,    2,    0,    0,
                                                 0,    34,   0,    0,    0, // filter positions
                                                 0,    0,    0,    0,    0,    0,    0,
                                                 0,    0,    0,    0,    0,    0,    0,
                                                 0,    0,    0,    0,    0,    0,    0,
                                                 0,    0,    0, // times, levels
                                                 0,    0,    0,    0,    0,    0,    0,
                                                 0,    0,    0,    0,    0, // mirrors, sync
                                                 15,   0,    0,    0};      // sync time
    ASSERT_EQ(expected.size(), 104u);
    EXPECT_EQ(cfg.GetSize(), 104u);
    EXPECT_EQ(cfg.GetHeadSize(), 12u);
    EXPECT_EQ(Blob(cfg), expected);
    EXPECT_NE(cfg.IsValidData(expected.data()), 0);
}

TEST(ControllerCfgBlob, EveryFieldHasItsPlaceAndLoadsBack)
{
    CZanXavenControllerCfg cfg;
    tagZanXavenControllerCfgData d = Distinct();
    cfg.SetControllerData(&d);
    std::vector<unsigned char> blob = Blob(cfg);
    const std::vector<unsigned char> expected = {
        0x43, 0x43, 0x56, 0x58, 104,  0,    0,    0,    12,   0,    0,    0,    3,   0, 0, 0,
        0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x4B, 0,    0,    7,    0,    0,    0, // 19200 = 0x4B00
        5,    0,    0,    0,    6,    0,    0,    0,    4,    0,    1,    0,    3,   0, 0, 0,
        1,    0,    0,    0,    2,    0,    0,    0,    2,    0,    0,    0,    134, 0, 0, 0,
        0xF9, 0xFF, 0xFF, 0xFF,                                                 // -7
        0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0x80, 0x3E, 0x00, 0x00, 0x00, 0xC0, // 1.5 0.25 -2
        0x66, 0x66, 0x4E, 0x41, 0x00, 0x00, 0x60, 0xC0, 0x00, 0x00, 0xC8, 0x42, // 12.9 -3.5 100
        1,    0,    0,    0,    0,    0,    0,    0,    1,    0,    0,    0,    40,  0, 0, 0};
    EXPECT_EQ(blob, expected);

    CZanXavenControllerCfg loaded;
    EXPECT_EQ(loaded.LoadConfig(blob.data()), 104u);
    EXPECT_TRUE(SameData(Data(loaded), d));
    EXPECT_EQ(Blob(loaded), blob);

    // GetData hands out the 92-byte record and returns 0.
    unsigned char raw[93];
    raw[92] = 0xAB;
    EXPECT_EQ(loaded.GetData(raw), 0);
    EXPECT_EQ(std::memcmp(raw, &d, 92), 0);
    EXPECT_EQ(raw[92], 0xAB);
}

TEST(ControllerCfgBlob, ValidityAndCopies)
{
    CZanXavenControllerCfg cfg;
    tagZanXavenControllerCfgData d = Distinct();
    cfg.SetControllerData(&d);
    std::vector<unsigned char> blob = Blob(cfg);
    EXPECT_NE(cfg.IsValidData(blob.data()), 0);
    EXPECT_EQ(cfg.IsValidData(nullptr), 0);
    std::vector<unsigned char> bad = blob;
    bad[0] = 0x44; // another record's identifier
    EXPECT_EQ(cfg.IsValidData(bad.data()), 0);
    bad = blob;
    bad[4] = 40; // a size this record does not have
    EXPECT_EQ(cfg.IsValidData(bad.data()), 0);
    bad = blob;
    bad[8] = 16; // another header size
    EXPECT_EQ(cfg.IsValidData(bad.data()), 0);

    CZanXavenControllerCfg copy(cfg);
    EXPECT_TRUE(SameData(Data(copy), d));
    CZanXavenControllerCfg assigned;
    assigned = cfg;
    EXPECT_TRUE(SameData(Data(assigned), d));
    EXPECT_EQ(assigned.GetIdentifier(), CZanXavenControllerCfg::kIdentifier);
    CZanXavenControllerCfg viaBase;
    EXPECT_EQ(viaBase.Copy(&cfg), 1);
    EXPECT_TRUE(SameData(Data(viaBase), d));
    CZanConfig plain;
    EXPECT_EQ(viaBase.Copy(&plain), 0); // another class
    EXPECT_EQ(viaBase.Copy(nullptr), 0);
    EXPECT_EQ(cfg.SaveConfig(nullptr), 0u);
    EXPECT_EQ(cfg.LoadConfig(nullptr), 0u);
}

TEST(ControllerCfg, VirtualDevicePropertyAccessors)
{
    CZanXavenControllerCfg cfg;
    tagZanXavenControllerCfgData d = Distinct();
    cfg.SetControllerData(&d);

    tagZanVirtualDeviceProperty p{};
    cfg.GetZanVirtualDeviceProperty(&p);
    EXPECT_EQ(std::memcmp(&p, &d, sizeof p), 0); // the first 28 bytes of the record

    // Device type, port, baud rate, data bits, then the sixth and fifth words.
    cfg.SetZanVirtualDeviceProperty(2, 9, 38400, 8, 66, 55);
    tagZanXavenControllerCfgData after = Data(cfg);
    EXPECT_EQ(after.DeviceType, 2);
    EXPECT_EQ(after.PortProperty.Port, 9);
    EXPECT_EQ(after.PortProperty.BaudRate, 38400);
    EXPECT_EQ(after.PortProperty.DataBits, 8);
    EXPECT_EQ(after.PortProperty.Reserved1, 55);
    EXPECT_EQ(after.PortProperty.Reserved2, 66);
    EXPECT_EQ(after.PortProperty.Second, -1); // kept
    EXPECT_EQ(after.FuserType, 1);            // kept
    EXPECT_EQ(after.R_Channel, d.R_Channel);  // the rest untouched

    tagZanVirtualDeviceProperty q{{4, 0, 1200, 7, 1, 2}, 3, 0};
    cfg.SetZanVirtualDeviceProperty(&q);
    tagZanVirtualDeviceProperty r{};
    cfg.GetZanVirtualDeviceProperty(&r);
    EXPECT_EQ(std::memcmp(&q, &r, sizeof q), 0);

    // Null pointers change nothing.
    tagZanXavenControllerCfgData before = Data(cfg);
    cfg.SetZanVirtualDeviceProperty(nullptr);
    cfg.SetControllerData(nullptr);
    cfg.GetZanVirtualDeviceProperty(nullptr);
    cfg.GetControllerData(nullptr);
    EXPECT_TRUE(SameData(Data(cfg), before));
}

// ---- INI ----------------------------------------------------------------------------------

TEST(ControllerCfgIni, ExportWritesPlainKeysAndImportsBack)
{
    TempFolder folder;
    const ZanString path = folder.WideFile("lab.ini");
    CZanXavenControllerCfg cfg;
    tagZanXavenControllerCfgData d = Distinct();
    cfg.SetControllerData(&d);
    EXPECT_EQ(cfg.ExportINIFile(path.c_str()), 0);

    const std::string text = qlcos::test::ReadFile(folder.File("lab.ini"));
    EXPECT_EQ(text, "[LCosCtrl]\n"
                    "Port=3\nSecond=-1\nBaudRate=19200\nDataBits=7\nReserved1=5\nReserved2=6\n"
                    "FuserType=1\nDeviceType=4\n"
                    "R_FilterPos=2\nG_FilterPos=134\nB_FilterPos=-7\n"
                    "R_Channel=3\nG_Channel=1\nB_Channel=2\n"
                    "HorzMirror=1\nVertMirror=0\nSyncExposal=1\nSyncExposalTime=40\n");
    // The Windows-style integer read sees the same numbers.
    EXPECT_EQ(GetPrivateProfileIntW(ZT("LCosCtrl"), ZT("DeviceType"), 9, path.c_str()), 4u);
    EXPECT_EQ(GetPrivateProfileIntW(ZT("lcosctrl"), ZT("horzmirror"), 9, path.c_str()), 1u);

    CZanXavenControllerCfg back;
    EXPECT_EQ(back.ImportINIFile(path.c_str()), 0);
    tagZanXavenControllerCfgData expected = d;
    // Exposure times and levels have no INI form: the record's own values stay.
    expected.C_ExposeTime = expected.M_ExposeTime = expected.Y_ExposeTime = 0;
    expected.C_ExposeLevel = expected.M_ExposeLevel = expected.Y_ExposeLevel = 0;
    EXPECT_TRUE(SameData(Data(back), expected));

    // A second export replaces the values in place.
    d.SyncExposalTime = 7;
    cfg.SetControllerData(&d);
    EXPECT_EQ(cfg.ExportINIFile(path.c_str()), 0);
    const std::string again = qlcos::test::ReadFile(folder.File("lab.ini"));
    EXPECT_EQ(again.size(), text.size() - 1);
    EXPECT_NE(again.find("\nSyncExposalTime=7\n"), std::string::npos);
}

TEST(ControllerCfgIni, KeysInAnotherLetterCaseAndOtherContentOfTheFile)
{
    TempFolder folder;
    qlcos::test::WriteFile(
        folder.File("mixed.ini"),
        "; machine settings\r\n"
        "[Paper]\r\nName=Glossy\r\n\r\n"
        "[lcosctrl]\r\n"
        "PORT=2\r\nsecond=-1\r\nbaudrate = 9600\r\nDATABITS=8\r\nreserved1=0\r\nRESERVED2=0\r\n"
        "devicetype=2\r\n"
        "r_channel=2\r\ng_channel=3\r\nb_channel=1\r\n"
        "VERTMIRROR=1\r\nsyncexposaltime=33\r\n"
        "\r\n[Other]\r\nKey=Value\r\n");
    const ZanString path = folder.WideFile("mixed.ini");
    CZanXavenControllerCfg cfg;
    EXPECT_EQ(cfg.ImportINIFile(path.c_str()), 0);
    tagZanXavenControllerCfgData d = Data(cfg);
    EXPECT_EQ(d.PortProperty.Port, 2);
    EXPECT_EQ(d.PortProperty.BaudRate, 9600);
    EXPECT_EQ(d.DeviceType, 2);
    EXPECT_EQ(d.FuserType, 1); // missing: the integer read's default 1
    EXPECT_EQ(d.R_Channel, 2);
    EXPECT_EQ(d.G_Channel, 3);
    EXPECT_EQ(d.B_Channel, 1);
    EXPECT_EQ(d.R_FilterPos, 18); // missing keys keep the values
    EXPECT_EQ(d.VertMirror, 1);
    EXPECT_EQ(d.SyncExposalTime, 33);

    // Exporting keeps the comment, the other sections and the stored spelling of the keys.
    EXPECT_EQ(cfg.ExportINIFile(path.c_str()), 0);
    const std::string text = qlcos::test::ReadFile(folder.File("mixed.ini"));
    EXPECT_EQ(
        text.rfind("; machine settings\r\n[Paper]\r\nName=Glossy\r\n\r\n[lcosctrl]\r\nPORT=2\r\n",
                   0),
        0u);
    EXPECT_NE(text.find("baudrate=9600\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nR_FilterPos=18\r\n"), std::string::npos); // appended to its section
    EXPECT_EQ(text.find("R_Channel"), std::string::npos);              // updated as r_channel
    EXPECT_NE(text.find("\r\n\r\n[Other]\r\nKey=Value\r\n"), std::string::npos);
    EXPECT_LT(text.find("R_FilterPos"), text.find("[Other]"));
}

TEST(ControllerCfgIni, WithoutAReadablePortSectionPortAndTypesAreZeroed)
{
    TempFolder folder;
    CZanXavenControllerCfg cfg;
    tagZanXavenControllerCfgData d = Distinct();
    d.VertMirror = 1;
    cfg.SetControllerData(&d);

    qlcos::test::WriteFile(folder.File("only.ini"),
                           "[LCosCtrl]\nSyncExposalTime=99\nDeviceType=2\n");
    EXPECT_EQ(cfg.ImportINIFile(folder.WideFile("only.ini").c_str()), 0);
    tagZanXavenControllerCfgData after = Data(cfg);
    tagZanXavenControllerCfgData expected = d;
    expected.PortProperty = {0, 0, 0, 0, 0, 0};
    expected.DeviceType = 0; // not read without the port section
    expected.FuserType = 0;
    expected.HorzMirror = expected.VertMirror = expected.SyncExposal = 0; // flags fall to 0
    expected.SyncExposalTime = 99;
    EXPECT_TRUE(SameData(after, expected));

    // A port section with a word that is not a number is not readable either.
    cfg.SetControllerData(&d);
    qlcos::test::WriteFile(
        folder.File("bad.ini"),
        "[LCosCtrl]\nPort=1\nSecond=-1\nBaudRate=96OO\nDataBits=8\nReserved1=0\nReserved2=0\n");
    cfg.ImportINIFile(folder.WideFile("bad.ini").c_str());
    EXPECT_EQ(Data(cfg).PortProperty.Port, 0);

    // A missing file reads like an empty one.
    cfg.SetControllerData(&d);
    EXPECT_EQ(cfg.ImportINIFile(folder.WideFile("none.ini").c_str()), 0);
    EXPECT_EQ(Data(cfg).PortProperty.BaudRate, 0);
    EXPECT_EQ(Data(cfg).R_FilterPos, d.R_FilterPos);
    EXPECT_EQ(cfg.ImportINIFile(nullptr), 1);
}

TEST(ControllerCfgIni, ExportReportsAFileThatCannotBeWritten)
{
    TempFolder folder;
    CZanXavenControllerCfg cfg;
    EXPECT_EQ(cfg.ExportINIFile(folder.WideFile("missing/lab.ini").c_str()), 1);
    EXPECT_EQ(cfg.ExportINIFile(nullptr), 1);
}

// ---- XML ----------------------------------------------------------------------------------

TEST(ControllerCfgXml, ImportReadsEveryAttributeAndChild)
{
    XmlDocument doc = XmlDocument::Parse(R"(<?xml version="1.0"?>
<XAVENCONTROLLER DeviceType="lampcontroller2" FuserType="qcb4107" HorzMirror="TRUE"
                 VertMirror="no" UseMinTime="True" MinTime="25">
  <!-- a comment is skipped -->
  <portproperty Port="4" Second="-1" BaudRate="57600" DataBits="7" Reserved1="1" Reserved2="2"/>
  <ColorChannel Cyan="blue" Magenta="RED" Yellow="Green"/>
  <FilterPosition Cyan="07" Magenta=" 134" Yellow="-3"/>
  <ExposeTime Cyan="1.50" Magenta="0.25" Yellow="2"/>
  <ExposeLevel Cyan="12" Magenta="-4" Yellow="1e2"/>
  <Unknown Cyan="9"/>
</XAVENCONTROLLER>)");
    ASSERT_NE(doc.Root(), nullptr);
    CZanXavenControllerCfg cfg;
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    tagZanXavenControllerCfgData d = Data(cfg);
    EXPECT_EQ(d.DeviceType, 4);
    EXPECT_EQ(d.FuserType, 1);
    EXPECT_EQ(d.HorzMirror, 1);
    EXPECT_EQ(d.VertMirror, 0);
    EXPECT_EQ(d.SyncExposal, 1);
    EXPECT_EQ(d.SyncExposalTime, 25);
    EXPECT_EQ(d.PortProperty.Port, 4);
    EXPECT_EQ(d.PortProperty.Second, -1);
    EXPECT_EQ(d.PortProperty.BaudRate, 57600);
    EXPECT_EQ(d.PortProperty.DataBits, 7);
    EXPECT_EQ(d.PortProperty.Reserved1, 1);
    EXPECT_EQ(d.PortProperty.Reserved2, 2);
    EXPECT_EQ(d.R_Channel, 3);
    EXPECT_EQ(d.G_Channel, 1);
    EXPECT_EQ(d.B_Channel, 2);
    EXPECT_EQ(d.R_FilterPos, 7);
    EXPECT_EQ(d.G_FilterPos, 134);
    EXPECT_EQ(d.B_FilterPos, -3);
    EXPECT_EQ(d.C_ExposeTime, 1.5f);
    EXPECT_EQ(d.M_ExposeTime, 0.25f);
    EXPECT_EQ(d.Y_ExposeTime, 2.0f);
    EXPECT_EQ(d.C_ExposeLevel, 12.0f);
    EXPECT_EQ(d.M_ExposeLevel, -4.0f);
    EXPECT_EQ(d.Y_ExposeLevel, 100.0f);
}

TEST(ControllerCfgXml, DefaultsOfAnElementWithoutAttributes)
{
    XmlDocument doc = XmlDocument::Parse(
        R"(<XavenController><ColorChannel Cyan="Cyan" Magenta=""/><FilterPosition Yellow="5"/></XavenController>)");
    ASSERT_NE(doc.Root(), nullptr);
    CZanXavenControllerCfg cfg;
    tagZanXavenControllerCfgData d = Distinct();
    cfg.SetControllerData(&d);
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    tagZanXavenControllerCfgData after = Data(cfg);
    EXPECT_EQ(after.DeviceType, 1); // no "DeviceType": a lamp controller
    EXPECT_EQ(after.FuserType, 0);
    EXPECT_EQ(after.SyncExposalTime, 0); // no "MinTime": 0, not the record default 15
    EXPECT_EQ(after.HorzMirror, 0);
    EXPECT_EQ(after.PortProperty.Port, 1); // no "PortProperty": the record default
    EXPECT_EQ(after.PortProperty.BaudRate, 9600);
    EXPECT_EQ(after.R_Channel, 1); // unknown name: the default after InitData
    EXPECT_EQ(after.G_Channel, 2); // empty: the attribute's default "Green"
    EXPECT_EQ(after.B_Channel, 3);
    EXPECT_EQ(after.R_FilterPos, 0); // missing filter attributes read as 0
    EXPECT_EQ(after.G_FilterPos, 0);
    EXPECT_EQ(after.B_FilterPos, 5);
    EXPECT_EQ(after.C_ExposeTime, 0.0f);

    // Device type names: letter case ignored; unknown names give 0.
    const std::pair<const char*, uint16_t> cases[] = {
        {"ledcontroller", 2},  {"EMULAMPCONTROLLER", 3},
        {"LampController", 1}, {"LCDController", 0},
        {"UnKnow", 0},         {"", 1}};
    for (const auto& c : cases) {
        XmlDocument e =
            XmlDocument::Parse(std::string("<XavenController DeviceType=\"") + c.first + "\"/>");
        ASSERT_NE(e.Root(), nullptr);
        EXPECT_EQ(cfg.ImportXMLNode(e.Root()), 0);
        EXPECT_EQ(Data(cfg).DeviceType, c.second) << c.first;
    }
}

TEST(ControllerCfgXml, ImportRefusesOtherNodesAndKeepsTheRecord)
{
    XmlDocument doc = XmlDocument::Parse(
        R"(<Root><Controller DeviceType="LEDController"/>text<XavenController><PortProperty Port="x" Second="-1" BaudRate="1" DataBits="8" Reserved1="0" Reserved2="0"/></XavenController></Root>)");
    ASSERT_NE(doc.Root(), nullptr);
    ControllerCfg cfg;
    tagZanXavenControllerCfgData d = Distinct();
    cfg.SetControllerData(&d);
    EXPECT_EQ(cfg.ImportXMLNode(nullptr), 1);
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 1);
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()->getFirstChild()), 1);
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()->getFirstChild()->getNextSibling()), 1); // text node
    EXPECT_TRUE(SameData(Data(cfg), d));

    // A "PortProperty" that cannot be read leaves the record's default port.
    EXPECT_EQ(cfg.ImportXMLNode(FirstChild(doc.Root(), "XavenController")), 0);
    EXPECT_EQ(Data(cfg).PortProperty.Port, 1);
    EXPECT_EQ(Data(cfg).PortProperty.BaudRate, 9600);

    // The child readers refuse null and other names.
    DOMNode* other = doc.Root()->getFirstChild();
    EXPECT_EQ(cfg.ImportXMLColorChannel(nullptr), 1);
    EXPECT_EQ(cfg.ImportXMLColorChannel(other), 1);
    EXPECT_EQ(cfg.ImportXMLFilterPosition(other), 1);
    EXPECT_EQ(cfg.ImportXMLExposeTime(other), 1);
    EXPECT_EQ(cfg.ImportXMLExposeLevel(other), 1);
    EXPECT_EQ(cfg.ExportXMLColorChannel(nullptr), 1);
}

TEST(ControllerCfgXml, ExportFormsAndRoundTripThroughText)
{
    XmlDocument doc = XmlDocument::Create("QLCosCtrl");
    CZanXavenControllerCfg cfg;
    tagZanXavenControllerCfgData d = Distinct();
    d.B_Channel = 7; // no name: left out on export
    cfg.SetControllerData(&d);
    EXPECT_EQ(cfg.ExportXMLNode(doc.Root()), 0);

    DOMElement* e = FirstChild(doc.Root(), "XavenController");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Attribute(e, "DeviceType"), "LampController2");
    EXPECT_EQ(Attribute(e, "FuserType"), "QCB4107");
    EXPECT_EQ(Attribute(e, "HorzMirror"), "True");
    EXPECT_EQ(Attribute(e, "VertMirror"), "False");
    EXPECT_EQ(Attribute(e, "UseMinTime"), "True");
    EXPECT_EQ(Attribute(e, "MinTime"), "40");
    EXPECT_TRUE(IsTimeStamp(Attribute(e, "CreateTime"))) << Attribute(e, "CreateTime");
    EXPECT_EQ(Attribute(e, "Comment"), "Vudodura Controller Data");

    // Children in their order.
    std::vector<std::string> names;
    for (DOMNode* c = e->getFirstChild(); c; c = c->getNextSibling())
        names.push_back(qlcos::test::Utf8(c->getNodeName()));
    EXPECT_EQ(names, (std::vector<std::string>{"PortProperty", "ColorChannel", "ExposeLevel",
                                               "ExposeTime", "FilterPosition"}));
    DOMElement* channel = FirstChild(e, "ColorChannel");
    EXPECT_EQ(Attribute(channel, "Cyan"), "Blue");
    EXPECT_EQ(Attribute(channel, "Magenta"), "Red");
    EXPECT_FALSE(channel->hasAttribute(u"Yellow"));
    DOMElement* filter = FirstChild(e, "FilterPosition");
    EXPECT_EQ(Attribute(filter, "Cyan"), "02");
    EXPECT_EQ(Attribute(filter, "Magenta"), "134");
    EXPECT_EQ(Attribute(filter, "Yellow"), "-7");
    DOMElement* time = FirstChild(e, "ExposeTime");
    EXPECT_EQ(Attribute(time, "Cyan"), "1.50");
    EXPECT_EQ(Attribute(time, "Magenta"), "0.25");
    EXPECT_EQ(Attribute(time, "Yellow"), "-2.00");
    DOMElement* level = FirstChild(e, "ExposeLevel");
    EXPECT_EQ(Attribute(level, "Cyan"), "12");
    EXPECT_EQ(Attribute(level, "Magenta"), "-3");
    EXPECT_EQ(Attribute(level, "Yellow"), "100");

    // Through an XML file into a fresh record.
    TempFolder folder;
    ASSERT_TRUE(qlcos::test::WriteXmlFile(doc.Document(), folder.File("lab.xml")));
    XmlDocument reparsed = XmlDocument::ParseFile(folder.File("lab.xml"));
    ASSERT_NE(reparsed.Root(), nullptr) << qlcos::test::ReadFile(folder.File("lab.xml"));
    EXPECT_NE(qlcos::test::ReadFile(folder.File("lab.xml")).find("<FilterPosition Cyan=\"02\""),
              std::string::npos);
    CZanXavenControllerCfg back;
    EXPECT_EQ(back.ImportXMLNode(FirstChild(reparsed.Root(), "XavenController")), 0);
    tagZanXavenControllerCfgData expected = d;
    expected.B_Channel = 3;      // came back as the channel's default
    expected.C_ExposeLevel = 12; // cut towards zero
    expected.M_ExposeLevel = -3;
    EXPECT_TRUE(SameData(Data(back), expected));
}

TEST(ControllerCfgXml, DeviceTypesWithoutANameAndFailedExports)
{
    for (uint16_t type : {uint16_t(5), uint16_t(6), uint16_t(0), uint16_t(4), uint16_t(2)}) {
        XmlDocument doc = XmlDocument::Create("QLCosCtrl");
        CZanXavenControllerCfg cfg;
        cfg.SetZanVirtualDeviceProperty(type, 1, 9600, 8, 0, 0);
        ASSERT_EQ(cfg.ExportXMLNode(doc.Root()), 0);
        DOMElement* e = FirstChild(doc.Root(), "XavenController");
        if (type == 5 || type == 6 || type == 0) {
            EXPECT_EQ(Attribute(e, "DeviceType"), "UnKnow");
        }
        EXPECT_EQ(Attribute(e, "FuserType"), "Unused");
        CZanXavenControllerCfg back;
        back.ImportXMLNode(e);
        EXPECT_EQ(Data(back).DeviceType, type == 4 || type == 2 ? type : 0) << type;
    }

    CZanXavenControllerCfg cfg;
    EXPECT_EQ(cfg.ExportXMLNode(nullptr), 1);
    // A document that already has its root element cannot take a second one: the DOM's
    // refusal is reported, not thrown.
    XmlDocument doc = XmlDocument::Create("QLCosCtrl");
    EXPECT_EQ(cfg.ExportXMLNode(doc.Document()), 1);
    EXPECT_EQ(doc.Root()->getFirstChild(), nullptr);
    // An empty document takes it as its root.
    XmlDocument empty = XmlDocument::Parse("<Only/>");
    empty.Document()->removeChild(empty.Root())->release();
    EXPECT_EQ(cfg.ExportXMLNode(empty.Document()), 0);
    ASSERT_NE(empty.Root(), nullptr);
    EXPECT_EQ(qlcos::test::Utf8(empty.Root()->getNodeName()), "XavenController");
}
