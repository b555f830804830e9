// The densitometer's configuration in its three forms: 40-byte blob, "DensityControl" INI
// section and "DensityControl" XML element.
#include "qlcos/config.h"

#include "support/files.h"
#include "support/hex_bytes.h"
#include "support/xml_support.h"

#include <cstring>
#include <string>
#include <vector>

namespace qlcos::test {
namespace {

using Bytes = std::vector<unsigned char>;
using Property = tagZanVirtualDeviceProperty;

Property Data(const CZanDensityCtrlCfg& cfg)
{
    Property p;
    cfg.GetZanVirtualDeviceProperty(&p);
    return p;
}

bool Same(const Property& a, const Property& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A value other than the default in every field; the same as imported.
const Property kDistinct{{3, -1, 19200, 7, 5, -6}, ZAN_DEVTYPE_XRITE2XX, 0x1234};
const Property kImported{{3, -1, 19200, 7, 5, -6}, ZAN_DEVTYPE_XRITE2XX, 0xFFFF};

} // namespace

TEST(DensityCtrlCfg, BlobBytesDataAndRefusedBlobs)
{
    CZanDensityCtrlCfg cfg;
    Bytes blob(41, 0xEE);
    EXPECT_EQ(cfg.SaveConfig(blob.data()), 40u);
    EXPECT_EQ(blob, HexBytes("534E4544 28000000 0C000000 01000000 FFFFFFFF 00000000 00000000"
                             "00000000 00000000 0000 0000 EE")); // device type 0: no instrument
    cfg.SetZanVirtualDeviceProperty(&kDistinct);
    cfg.SetZanVirtualDeviceProperty(nullptr);
    EXPECT_EQ(cfg.SaveConfig(blob.data()), 40u);
    EXPECT_EQ(blob, HexBytes("534E4544 28000000 0C000000 03000000 FFFFFFFF 004B0000 07000000"
                             "05000000 FAFFFFFF 3302 3412 EE"));
    unsigned char raw[28];
    EXPECT_EQ(cfg.GetData(raw), 28);
    EXPECT_EQ(std::memcmp(raw, &kDistinct, 28), 0);
    EXPECT_EQ(cfg.GetData(nullptr), 28);

    // Another identifier, a stated size other than 40, another header size, null: refused.
    CZanDensityCtrlCfg loaded;
    const Property fresh = Data(loaded);
    for (const auto& [at, value] : {std::pair{0, 0x43}, {4, 28}, {4, 41}, {8, 16}}) {
        Bytes bad = blob;
        bad[at] = static_cast<unsigned char>(value);
        EXPECT_EQ(loaded.LoadConfig(bad.data()), 0u) << at << " " << value;
    }
    EXPECT_EQ(loaded.LoadConfig(nullptr), 0u);
    EXPECT_TRUE(Same(Data(loaded), fresh));
    EXPECT_EQ(loaded.LoadConfig(blob.data()), 40u);
    EXPECT_TRUE(Same(Data(loaded), kDistinct));
}

TEST(DensityCtrlCfg, IniRoundTripMissingTypeAndUnreadablePort)
{
    TempFolder folder;
    CZanDensityCtrlCfg cfg;
    cfg.SetZanVirtualDeviceProperty(&kDistinct);
    EXPECT_EQ(cfg.ExportINIFile(folder.WideFile("lab.ini").c_str()), 0);
    EXPECT_INI_TEXT(folder.Read("lab.ini"),
                    "[DensityControl]\nPort=3\nSecond=-1\nBaudRate=19200\n"
                    "DataBits=7\nReserved1=5\nReserved2=-6\nDeviceType=563\n");
    CZanDensityCtrlCfg back;
    EXPECT_EQ(back.ImportINIFile(folder.WideFile("lab.ini").c_str()), 0);
    EXPECT_TRUE(Same(Data(back), kImported));

    // No "DeviceType": 1; only the low 16 bits of 0x10232 are kept.
    const std::string port = "[densitycontrol]\nPORT=2\nSecond=-1\nBaudRate=9600\nDataBits=8\n"
                             "Reserved1=0\n";
    folder.Write("p.ini", port + "Reserved2=0\n");
    EXPECT_EQ(back.ImportINIFile(folder.WideFile("p.ini").c_str()), 0);
    EXPECT_TRUE(Same(Data(back), Property{{2, -1, 9600, 8, 0, 0}, 1, 0xFFFF}));
    folder.Write("p.ini", port + "Reserved2=0\nDEVICETYPE=66098\n");
    EXPECT_EQ(back.ImportINIFile(folder.WideFile("p.ini").c_str()), 0);
    EXPECT_EQ(Data(back).DeviceType, ZAN_DEVTYPE_COLOR_MOUSE);

    // A port word missing, or no path: the whole record stays; a failed export says so.
    folder.Write("p.ini", port + "DeviceType=561\n");
    EXPECT_EQ(cfg.ImportINIFile(folder.WideFile("p.ini").c_str()), 0);
    EXPECT_EQ(cfg.ImportINIFile(nullptr), 0);
    EXPECT_TRUE(Same(Data(cfg), kDistinct));
    EXPECT_EQ(cfg.ExportINIFile(folder.WideFile("no/lab.ini").c_str()), 1);
    EXPECT_EQ(cfg.ExportINIFile(nullptr), 1);
}

TEST(DensityCtrlCfg, XmlExportTextRoundTripAndUnnamedTypes)
{
    XmlDocument doc("<QLCosCtrl/>");
    CZanDensityCtrlCfg cfg;
    cfg.SetZanVirtualDeviceProperty(&kDistinct);
    EXPECT_EQ(cfg.ExportXMLNode(doc.Root()), 0);
    EXPECT_EQ(Serialize(doc.Root()->getFirstChild()),
              R"(<DensityControl DeviceType="XRite2xx"><PortProperty BaudRate="19200" )"
              R"(DataBits="7" Port="3" Reserved1="5" Reserved2="-6" Second="-1"/>)"
              R"(</DensityControl>)");
    XmlDocument reparsed(Serialize(doc.Document()));
    CZanDensityCtrlCfg back;
    EXPECT_EQ(back.ImportXMLNode(reparsed.Root()->getFirstChild()), 0);
    EXPECT_TRUE(Same(Data(back), kImported));

    // Type 1 is no instrument: no attribute, and the type read back stays 0.
    Property lamp = kDistinct;
    lamp.DeviceType = 1;
    cfg.SetZanVirtualDeviceProperty(&lamp);
    EXPECT_EQ(cfg.ExportXMLNode(doc.Root()), 0);
    auto* e = static_cast<xercesc::DOMElement*>(doc.Root()->getLastChild());
    EXPECT_FALSE(e->hasAttribute(u"DeviceType"));
    CZanDensityCtrlCfg fresh;
    EXPECT_EQ(fresh.ImportXMLNode(e), 0);
    EXPECT_EQ(Data(fresh).DeviceType, 0);

    EXPECT_EQ(cfg.ExportXMLNode(nullptr), 1);
    EXPECT_EQ(cfg.ExportXMLNode(doc.Document()), 1); // the document has its root already
}

TEST(DensityCtrlCfg, XmlImportLetterCaseAndPartialReads)
{
    XmlDocument doc(R"(<densityCONTROL devicetype="XRITE2XX"> <Other/><portproperty Port="3" )"
                    R"(Second="-1" BaudRate="19200" DataBits="7" Reserved1="5" Reserved2="-6"/>)"
                    R"(</densityCONTROL>)");
    CZanDensityCtrlCfg cfg;
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()->getFirstChild()), 1); // white space
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    EXPECT_TRUE(Same(Data(cfg), kImported));

    // No readable first "PortProperty": 1, but a type named before it stays; the port and
    // the fuser type do not change. An unknown name keeps the type.
    const std::pair<const char*, uint16_t> partial[] = {
        {R"(<DensityControl DeviceType="ColorMouse"/>)", ZAN_DEVTYPE_COLOR_MOUSE},
        {R"(<DensityControl DeviceType="XRite9"><PortProperty Port="4"/></DensityControl>)",
         ZAN_DEVTYPE_XRITE2XX}};
    for (const auto& [xml, type] : partial) {
        cfg.SetZanVirtualDeviceProperty(&kDistinct);
        EXPECT_EQ(cfg.ImportXMLNode(XmlDocument(xml).Root()), 1) << xml;
        EXPECT_TRUE(Same(Data(cfg), Property{kDistinct.Port, type, 0x1234})) << xml;
    }
}

} // namespace qlcos::test
