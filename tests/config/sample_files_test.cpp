// The sample configuration in data/: the XML document loads into every record, the whole
// exposure configuration and the machine record, and survives blob and XML round trips byte
// for byte; the INI file agrees with it.
#include "qlcos/config.h"
#include "qlcos/machine_cfg.h"

#include "config/xml_text.h"
#include "support/files.h"
#include "support/xml_support.h"

#include <fstream>
#include <iterator>
#include <vector>

using namespace qlcos::test;
using Bytes = std::vector<unsigned char>;

namespace {

const std::string kData = std::string(QLCOS_SOURCE_DIR) + "/data/";

std::string ReadSample(const std::string& name)
{
    std::ifstream in(kData + name, std::ios::binary);
    EXPECT_TRUE(in) << kData + name;
    return {std::istreambuf_iterator<char>(in), {}};
}

Bytes Blob(CZanConfig& record)
{
    Bytes blob(record.GetSize());
    EXPECT_EQ(record.SaveConfig(blob.data()), blob.size());
    return blob;
}

// The three list records of the sample, read from their elements below "QLCosCtrl".
struct Records {
    CZanXavenPaperSizeCfg Sizes;
    CZanXavenPaperStyleCfg Styles;
    CZanXavenColorBalanceCfg Balance;

    Records() = default;
    explicit Records(xercesc::DOMNode* lcos)
    {
        using qlcos::xml::ChildElements;
        EXPECT_EQ(Sizes.ImportXMLNode(ChildElements(lcos, ZT("PrintingPaperSizeChannel")).at(0)),
                  0);
        EXPECT_EQ(Styles.ImportXMLNode(ChildElements(lcos, ZT("PrintingPaperStyleChannel")).at(0)),
                  0);
        EXPECT_EQ(Balance.ImportXMLNode(ChildElements(lcos, ZT("ColorBalanceChannel")).at(0)), 0);
    }
};

xercesc::DOMElement* QLCosCtrlOf(const XmlDocument& doc)
{
    return qlcos::xml::ChildElements(doc.Root(), ZT("QLCosCtrl")).at(0);
}

} // namespace

TEST(SampleFiles, XmlLoadsIntoEveryRecord)
{
    XmlDocument doc(ReadSample("exposure.xml"));
    ASSERT_NE(doc.Root(), nullptr);
    Records r(QLCosCtrlOf(doc));

    tagZanExpPaperSizeInfo sizes[8];
    ASSERT_EQ(r.Sizes.GetItemList(sizes, 8), 4);
    EXPECT_EQ(Utf8(sizes[2].Name), "8x10");
    EXPECT_EQ(sizes[2].PaperLength, 254);
#if defined(_WIN32) // a full path of the drive the program runs from
    const std::string uniform = Utf8(sizes[2].UniformFileName);
    EXPECT_EQ(uniform.substr(1), ":\\var\\lib\\minilab\\uniform\\8x10.dat");
#else
    EXPECT_EQ(Utf8(sizes[2].UniformFileName), "/var/lib/minilab/uniform/8x10.dat");
#endif
    EXPECT_EQ(sizes[1].Wobble, 1);
    EXPECT_EQ(sizes[1].WobbleXCount, 2);
    EXPECT_EQ(sizes[3].EnableTestMode, 1);
    CZanXavenPaperSizeItem enlargement;
    ASSERT_EQ(r.Sizes.GetPaperSizeItem(ZT("8x10"), enlargement), 1);
    tagZanExpPhotoPositionInfo positions[4];
    ASSERT_EQ(enlargement.PhotoPositionCfg.GetItemList(positions, 4), 4);
    EXPECT_EQ(positions[1].PhotoLeft, 640);
    EXPECT_EQ(positions[3].PhotoTop, 512);

    ASSERT_EQ(r.Styles.GetItemList(nullptr, 0), 2);
    ZanWChar selected[32] = {};
    ASSERT_EQ(r.Styles.GetSelectGammaChannel(ZT("Lustre"), selected), 1);
    EXPECT_EQ(Utf8(selected), "Soft");
    tagZanXavenGammaTableCfgData contrast{};
    ASSERT_EQ(r.Styles.GetGammaTableData(ZT("glossy"), ZT("Contrast"), &contrast), 1);
    ASSERT_EQ(contrast.nRedCount, 5);
    // Key points on the 0 to 255 scale are held on the 0 to 1023 scale.
    EXPECT_EQ(contrast.RedKP[1].x, 256);
    EXPECT_EQ(contrast.RedKP[1].y, 208);
    EXPECT_EQ(contrast.RedKP[4].x, 1023);

    tagZanXavenColorBalanceItem balance[2];
    ASSERT_EQ(r.Balance.GetItemList(balance, 2), 2);
    EXPECT_EQ(Utf8(balance[1].Name), "Portrait");
    EXPECT_EQ(balance[1].Valve, 25);
    EXPECT_DOUBLE_EQ(balance[1].Red.RedValue, 1.05);
}

TEST(SampleFiles, BlobsAndXmlRoundTripByteForByte)
{
    XmlDocument doc(ReadSample("exposure.xml"));
    ASSERT_NE(doc.Root(), nullptr);
    Records r(QLCosCtrlOf(doc));
    CZanConfig* const records[] = {&r.Sizes, &r.Styles, &r.Balance};

    // Blob: saved, loaded into a fresh record, saved again.
    Records fresh;
    CZanConfig* const copies[] = {&fresh.Sizes, &fresh.Styles, &fresh.Balance};
    for (int i = 0; i < 3; ++i) {
        Bytes blob = Blob(*records[i]);
        ASSERT_EQ(copies[i]->LoadConfig(blob.data()), blob.size());
        EXPECT_EQ(Blob(*copies[i]), blob) << i;
    }

    // XML: exported into a new document, serialised, parsed and imported again.
    XmlDocument out("<XavenServer><QLCosCtrl/></XavenServer>");
    xercesc::DOMElement* lcos = QLCosCtrlOf(out);
    ASSERT_EQ(r.Sizes.ExportXMLNode(lcos) | r.Styles.ExportXMLNode(lcos) |
                  r.Balance.ExportXMLNode(lcos),
              0);
    XmlDocument reread(Serialize(out.Document()));
    Records back(QLCosCtrlOf(reread));
    CZanConfig* const again[] = {&back.Sizes, &back.Styles, &back.Balance};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Blob(*again[i]), Blob(*records[i])) << i;
}

TEST(SampleFiles, IniAgreesWithTheXml)
{
    XmlDocument doc(ReadSample("exposure.xml"));
    ASSERT_NE(doc.Root(), nullptr);
    Records xml(QLCosCtrlOf(doc));
    const ZanString ini = qlcos::unicode::FromUtf8(kData + "exposure.ini");
    CZanXavenPaperSizeCfg sizes;
    CZanXavenPaperStyleCfg styles;
    ASSERT_EQ(sizes.ImportINIFile(ini.c_str()) | styles.ImportINIFile(ini.c_str()), 0);

    tagZanExpPaperSizeInfo fromIni[4], fromXml[4];
    ASSERT_EQ(sizes.GetItemList(fromIni, 4), 4);
    ASSERT_EQ(xml.Sizes.GetItemList(fromXml, 4), 4);
    for (int i = 0; i < 4; ++i) {
        const tagZanExpPaperSizeInfo &a = fromIni[i], &b = fromXml[i];
        EXPECT_EQ(Utf8(a.Name), Utf8(b.Name));
        EXPECT_EQ(std::vector<float>({a.R_LastCor, a.G_LastCor, a.B_LastCor, a.D_LastCor}),
                  std::vector<float>({b.R_LastCor, b.G_LastCor, b.B_LastCor, b.D_LastCor}));
        EXPECT_EQ(std::vector<int>({a.PhotoLeft, a.PhotoTop, a.PhotoWidth, a.PhotoHeight,
                                    a.PaperWidth, a.PaperLength}),
                  std::vector<int>({b.PhotoLeft, b.PhotoTop, b.PhotoWidth, b.PhotoHeight,
                                    b.PaperWidth, b.PaperLength}))
            << Utf8(a.Name);
    }
    tagZanExpPaperStyleInfo stylesIni[2], stylesXml[2];
    ASSERT_EQ(styles.GetItemList(stylesIni, 2), 2);
    ASSERT_EQ(xml.Styles.GetItemList(stylesXml, 2), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Utf8(stylesIni[i].Name), Utf8(stylesXml[i].Name));
        EXPECT_EQ(stylesIni[i].D_LastCor, stylesXml[i].D_LastCor);
        EXPECT_EQ(stylesIni[i].B_LastCor, stylesXml[i].B_LastCor);
    }
}

TEST(SampleFiles, WholeHostDocumentAndIniFile)
{
    XmlDocument doc(ReadSample("exposure.xml"));
    ASSERT_NE(doc.Root(), nullptr);
    CZanLCosCtrlCfg cfg;
    cfg.InitData();
    ASSERT_EQ(cfg.ImportXMLNode(QLCosCtrlOf(doc)), 0);
    tagZanVirtualDeviceProperty device;
    cfg.GetZanVirtualDeviceProperty(&device);
    EXPECT_EQ(device.DeviceType, 4); // "LampController2"
    EXPECT_EQ(cfg.GetPaperSizeList(nullptr, 0), 4);
    CZanLCosCtrlCfg copy;
    Bytes blob = Blob(cfg);
    ASSERT_EQ(copy.LoadConfig(blob.data()), blob.size());
    EXPECT_EQ(Blob(copy), blob);

    CZanXavenMachineCtrlCfg machine;
    ASSERT_EQ(machine.ImportXMLNode(qlcos::xml::ChildElements(doc.Root(), ZT("MachineCtrl")).at(0)),
              0);
    EXPECT_EQ(machine.GetMCType(), 1);
    ASSERT_EQ(machine.GetPaperChannelList().size(), 2u);
    EXPECT_EQ(machine.GetPaperChannelList()[1].Camera, 1);

    CZanLCosCtrlCfg fromIni;
    fromIni.InitData();
    ASSERT_EQ(fromIni.ImportINIFile(qlcos::unicode::FromUtf8(kData + "exposure.ini").c_str()), 0);
    tagZanLCosCtrlCfgData d;
    fromIni.GetData(&d);
    EXPECT_EQ(d.ALPHAR[0], 0.6f);
    EXPECT_EQ(d.ALPHAR[1], 0.6f);
    EXPECT_EQ(d.B_stdPluse, 160.0f);
    EXPECT_EQ(d.GammaBeeline, 0);
    fromIni.GetZanVirtualDeviceProperty(&device);
    EXPECT_EQ(device.DeviceType, 4);
    EXPECT_EQ(fromIni.GetPaperStyleList(nullptr, 0), 2);
}
