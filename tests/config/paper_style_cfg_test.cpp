// The paper style list: blob with nested gamma tables and its bounded loading, the list and
// gamma operations by name, the INI sections and the "PrintingPaperStyleChannel" element.
#include "qlcos/config.h"

#include "support/files.h"
#include "support/locale.h"
#include "support/xml_support.h"

#include <cstring>
#include <vector>

using namespace qlcos::test;
using Bytes = std::vector<unsigned char>;
using Item = CZanXavenPaperStyleItem;

namespace {

Item Style(const ZanWChar* name, float r, float g, float b, float d)
{
    tagZanExpPaperStyleInfo info{r, g, b, d, {}};
    std::copy(name, name + ZanString(name).size(), info.Name);
    return Item(info);
}

Bytes Blob(CZanConfig& cfg)
{
    Bytes blob(cfg.GetSize());
    EXPECT_EQ(cfg.SaveConfig(blob.data()), blob.size());
    return blob;
}

// Two styles with comments, extra gamma tables and a selection other than "Standard".
CZanXavenPaperStyleCfg TwoStyles()
{
    CZanXavenPaperStyleCfg cfg;
    Item glossy = Style(ZT("Glossy"), 1.5f, -0.25f, 2, 0.126f);
    Item matt = Style(ZT("Matt"), -3, 0, 0.5f, 7);
    std::copy_n(ZT("shiny"), 6, glossy.Comment);
    tagZanXavenGammaTableCfgData t{};
    t.nRedCount = 2, t.RedKP[0] = {0, 40}, t.RedKP[1] = {1023, 800};
    glossy.GammaTable.SetGammaTableData(ZT("Warm"), &t);
    glossy.GammaTable.SetSelectChannel(ZT("warm"));
    EXPECT_EQ(cfg.AddPaperStyleItem(glossy) + cfg.AddPaperStyleItem(matt), 2);
    return cfg;
}

std::vector<tagZanExpPaperStyleInfo> Infos(const CZanXavenPaperStyleCfg& cfg)
{
    std::vector<tagZanExpPaperStyleInfo> list(cfg.GetItemList(nullptr, 0));
    cfg.GetItemList(list.data(), static_cast<int>(list.size()));
    return list;
}

bool SameInfos(const CZanXavenPaperStyleCfg& a, const CZanXavenPaperStyleCfg& b)
{
    const auto x = Infos(a), y = Infos(b);
    return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * 80) == 0;
}

uint32_t StoredCount(const CZanXavenPaperStyleCfg& cfg)
{
    uint32_t count = 0xEEEEEEEE;
    EXPECT_EQ(cfg.GetData(&count), 4);
    return count;
}

ZanString Selected(const CZanXavenPaperStyleCfg& cfg, const ZanWChar* style)
{
    ZanWChar name[32] = {};
    cfg.GetSelectGammaChannel(style, name);
    return name;
}

} // namespace

TEST(PaperStyleCfgBlob, BytesNestedGammaTablesAndRoundTrip)
{
    CZanXavenPaperStyleCfg one;
    one.AddPaperStyleItem(Style(ZT("Glossy"), 1.5f, 0, 0, -2));
    Bytes expected = {0x43, 0x4E, 0x46, 0x47, 0xBC, 0x18, 0, 0, 12, 0, 0, 0, 1, 0, 0, 0, // 6332
                      0,    0,    0xC0, 0x3F, 0,    0,    0, 0, 0,  0, 0, 0, 0, 0, 0, 0xC0};
    for (char16_t c : std::u16string(u"Glossy") + std::u16string(26, 0))
        expected.insert(expected.end(), {static_cast<unsigned char>(c), 0});
    CZanXavenGammaTableCfg fresh;
    const Bytes gamma = Blob(fresh);
    expected.insert(expected.end(), gamma.begin(), gamma.end());
    EXPECT_EQ(Blob(one), expected);
    EXPECT_EQ(StoredCount(one), 1u);

    CZanXavenPaperStyleCfg cfg = TwoStyles(), loaded;
    EXPECT_EQ(StoredCount(cfg), 0u); // adding does not count
    const Bytes blob = Blob(cfg);
    EXPECT_EQ(StoredCount(cfg), 2u);
    EXPECT_EQ(loaded.LoadConfig(blob.data()), 16u + 2 * (80 + 16) + 3 * 6220);
    EXPECT_EQ(Blob(loaded), blob);
    EXPECT_TRUE(SameInfos(loaded, cfg));
    Item glossy;
    EXPECT_EQ(loaded.GetPaperStyleItem(ZT("Glossy"), glossy), 1);
    EXPECT_EQ(ZanString(glossy.Comment), ZT(""));
    EXPECT_EQ(Selected(loaded, ZT("glossy")), ZT("Standard"));
    EXPECT_EQ(loaded.GetGammaTableData(ZT("Glossy"), ZT("Warm"), nullptr), 1);
}

TEST(PaperStyleCfgBlob, CorruptBlobsAreRefusedAndLeaveTheRecordAsItWas)
{
    CZanXavenPaperStyleCfg source = TwoStyles();
    const Bytes good = Blob(source);
    auto patched = [&](size_t at, uint32_t v) {
        Bytes b = good;
        for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<unsigned char>(v >> (8 * i));
        return b;
    };
    const size_t gamma1 = 16 + 80, gamma2 = gamma1 + 16 + 2 * 6220 + 80;
    const uint32_t size = static_cast<uint32_t>(good.size());
    const Bytes bad[] = {
        patched(12, 3),                 // a third style does not fit
        patched(gamma1 + 4, size),      // the nested blob states more than is left
        patched(gamma2 + 16 + 68, 257), // a channel count above 256
    };
    CZanXavenPaperStyleCfg cfg = TwoStyles();
    cfg.RemovePaperStyleItem(ZT("MATT"));
    const Bytes before = Blob(cfg);
    for (const Bytes& b : bad) EXPECT_EQ(cfg.LoadConfig(b.data()), 0u);
    EXPECT_EQ(cfg.LoadBlob(good.data(), size - 1), 0u);
    EXPECT_EQ(cfg.LoadConfig(nullptr), 0u);
    EXPECT_EQ(Blob(cfg), before);
    EXPECT_EQ(StoredCount(cfg), 1u);
    EXPECT_EQ(Selected(cfg, ZT("Glossy")), ZT("warm"));
}

TEST(PaperStyleCfg, ListOperationsByName)
{
    CZanXavenPaperStyleCfg cfg = TwoStyles();
    EXPECT_EQ(cfg.AddPaperStyleItem(Style(ZT("Glossy"), 0, 0, 0, 0)), 0);
    EXPECT_EQ(cfg.AddPaperStyleItem(Style(ZT("GLOSSY"), 9, 0, 0, 0)), 1);
    Item out;
    EXPECT_EQ(cfg.GetPaperStyleItem(ZT("GLOSSY"), out), 1); // exact name
    EXPECT_EQ(out.R_LastCor, 9);
    EXPECT_TRUE(out == Style(ZT("glossy"), 0, 0, 0, 0));
    EXPECT_EQ(cfg.GetPaperStyleItem(ZT("glossy"), out) + cfg.GetPaperStyleItem(nullptr, out), 0);

    // Set overwrites every style matching without regard to case, gamma tables included.
    Item plain = Style(ZT("Plain"), 4, 4, 4, 4);
    EXPECT_EQ(cfg.SetPaperStyleItem(ZT("glossy"), plain), 1);
    EXPECT_EQ(cfg.SetPaperStyleItem(ZT("none"), plain) + cfg.SetPaperStyleItem(nullptr, plain), 0);
    const auto infos = Infos(cfg);
    ASSERT_EQ(infos.size(), 3u);
    EXPECT_EQ(ZanString(infos[0].Name) + infos[2].Name, ZT("PlainPlain"));
    EXPECT_EQ(cfg.GetGammaTableData(ZT("Plain"), ZT("Warm"), nullptr), 0);
    cfg.RemovePaperStyleItem(ZT("PLAIN"));
    tagZanExpPaperStyleInfo first[1];
    EXPECT_EQ(cfg.GetItemList(first, 1), 2);
    EXPECT_EQ(ZanString(first[0].Name), ZT("Matt"));

    // Set through the flat record empties the comment and keeps the gamma tables.
    TwoStyles().GetPaperStyleItem(ZT("Glossy"), out);
    out.Set(&infos[1]);
    EXPECT_EQ(ZanString(out.Name) + out.Comment, ZT("Matt"));
    EXPECT_EQ(out.GammaTable.GetGammaTableData(ZT("Warm"), nullptr), 1);
}

TEST(PaperStyleCfg, GammaTablesByStyleName)
{
    CZanXavenPaperStyleCfg cfg = TwoStyles();
    tagZanXavenGammaTableCfgData t{};
    ZanWChar buffer[32];
    EXPECT_EQ(Selected(cfg, ZT("MATT")), ZT("Standard"));
    EXPECT_EQ(cfg.SetSelectGammaChannel(ZT("Matt"), ZT("Missing")), 1);
    EXPECT_EQ(Selected(cfg, ZT("Matt")), ZT("Standard"));
    EXPECT_EQ(cfg.SetGammaTableData(ZT("matt"), ZT("Cool"), &t), 1);
    EXPECT_EQ(cfg.SetGammaTableData(ZT("matt"), ZT("Null"), nullptr), 1);
    EXPECT_EQ(cfg.GetGammaTableData(ZT("Matt"), ZT("cool"), &t), 1);
    EXPECT_EQ(ZanString(t.szName), ZT("Cool"));
    EXPECT_EQ(cfg.RemoveGammaTableData(ZT("Matt"), ZT("Standard")), 1); // refused inside
    EXPECT_EQ(cfg.GetGammaTableData(ZT("Matt"), ZT("Standard"), nullptr), 1);
    EXPECT_EQ(cfg.RemoveAllGammaTable(ZT("Glossy")), 1);
    EXPECT_EQ(cfg.GetGammaTableData(ZT("Glossy"), ZT("Warm"), nullptr), 0);
    EXPECT_EQ(Selected(cfg, ZT("Glossy")), ZT("Standard"));

    // Null or empty names, a style that is not there, a null buffer: 0 and nothing changes.
    const Bytes before = Blob(cfg);
    auto tableOps = [&](const ZanWChar* style, const ZanWChar* table) {
        return cfg.GetGammaTableData(style, table, &t) + cfg.SetGammaTableData(style, table, &t) +
               cfg.RemoveGammaTableData(style, table) + cfg.SetSelectGammaChannel(style, table);
    };
    const ZanWChar* const none = nullptr;
    for (const ZanWChar* style : {ZT("Silk"), ZT(""), none}) {
        EXPECT_EQ(tableOps(style, ZT("Cool")) + cfg.RemoveAllGammaTable(style) +
                      cfg.GetSelectGammaChannel(style, buffer),
                  0);
    }
    EXPECT_EQ(tableOps(ZT("Matt"), ZT("")) + tableOps(ZT("Matt"), none), 0);
    EXPECT_EQ(cfg.GetSelectGammaChannel(ZT("Matt"), nullptr), 0);
    EXPECT_EQ(Blob(cfg), before);
}

TEST(PaperStyleCfgIni, SectionsRoundTripAndBoundedCounts)
{
    DecimalCommaLocale comma;
    TempFolder folder;
    const ZanString path = folder.WideFile("lab.ini");
    EXPECT_EQ(TwoStyles().ExportINIFile(path.c_str()), 0);
    EXPECT_EQ(folder.Read("lab.ini"),
              "[PaperStyle1]\nName=Glossy\nR_LastCor=1.5\nG_LastCor=-0.25\nB_LastCor=2\n"
              "D_LastCor=0.126\n\n[PaperStyle2]\nName=Matt\nR_LastCor=-3\nG_LastCor=0\n"
              "B_LastCor=0.5\nD_LastCor=7\n\n[ExpPaperInfo]\nPaperStyleCount=2\n");
    CZanXavenPaperStyleCfg back;
    EXPECT_EQ(back.ImportINIFile(path.c_str()), 0);
    EXPECT_TRUE(SameInfos(back, TwoStyles()));
    EXPECT_EQ(StoredCount(back), 2u);
    EXPECT_EQ(Selected(back, ZT("Glossy")), ZT("Standard"));

    // A huge count reads at most 1024 sections.
    folder.Write("huge.ini", "[ExpPaperInfo]\nPaperStyleCount=2000000000\n");
    EXPECT_EQ(back.ImportINIFile(folder.WideFile("huge.ini").c_str()), 0);
    EXPECT_EQ(back.GetItemList(nullptr, 0), CZanXavenPaperStyleCfg::kMaxIniStyles);
    EXPECT_EQ(StoredCount(back), 1024u);
    EXPECT_EQ(back.ImportINIFile(nullptr) & back.ExportINIFile(nullptr), 1);
}

TEST(PaperStyleCfgXml, ExportTextRoundTripAndSkippedElements)
{
    DecimalCommaLocale comma;
    CZanXavenPaperStyleCfg cfg = TwoStyles();
    const ZanString comment(100, 'c');
    Item matt;
    cfg.GetPaperStyleItem(ZT("Matt"), matt);
    std::copy(comment.begin(), comment.end(), matt.Comment);
    cfg.SetPaperStyleItem(ZT("Matt"), matt);
    XmlDocument doc("<QLCosCtrl/>");
    ASSERT_EQ(cfg.ExportXMLNode(doc.Root()), 0);
    xercesc::DOMElement* e = doc.Root()->getFirstElementChild();
    e->removeAttribute(u"CreateTime");
    const std::string start =
        R"(<PrintingPaperStyleChannel Comment="Vudodura Print PaperStyle Property">)"
        R"(<PaperStyle Comment="shiny" Cyan="1.50" Density="0.13" Magenta="-0.25" )"
        R"(Name="Glossy" Yellow="2.00"><GammaTable Comment="Vudodura Gamma Table Data")";
    EXPECT_EQ(Serialize(e).substr(0, start.size()), start);

    XmlDocument reparsed(Serialize(doc.Document()));
    CZanXavenPaperStyleCfg back;
    ASSERT_EQ(back.ImportXMLNode(reparsed.Root()->getFirstChild()), 0);
    EXPECT_EQ(StoredCount(back), 2u);
    Item item;
    back.GetPaperStyleItem(ZT("Matt"), item);
    EXPECT_EQ(ZanString(item.Comment), comment);
    EXPECT_EQ(Selected(back, ZT("Glossy")), ZT("warm"));
    EXPECT_EQ(back.GetGammaTableData(ZT("Glossy"), ZT("Warm"), nullptr), 1);
    EXPECT_EQ(Infos(back)[0].D_LastCor, 0.13f); // "%0.2f" rounds

    // A style without a name adds nothing; only the first "GammaTable" of a style is read.
    XmlDocument more(R"(<printingpaperstylechannel><PaperStyle Cyan="1"><GammaTable/></PaperStyle>
        <PaperStyle Name="Silk"><GammaTable SelectChannel="A"><GammaValue Name="A">
        <KeyValueList/></GammaValue></GammaTable><GammaTable><GammaValue Name="B">
        <KeyValueList/></GammaValue></GammaTable></PaperStyle></printingpaperstylechannel>)");
    ASSERT_EQ(back.ImportXMLNode(more.Root()), 0);
    EXPECT_EQ(back.GetItemList(nullptr, 0) + StoredCount(back), 2u);
    EXPECT_EQ(Selected(back, ZT("Silk")), ZT("A"));
    EXPECT_EQ(back.GetGammaTableData(ZT("Silk"), ZT("B"), nullptr), 0);
    EXPECT_EQ(back.ImportXMLNode(more.Root()->getFirstChild()) & back.ImportXMLNode(nullptr), 1);
    EXPECT_EQ(back.ExportXMLNode(nullptr) & back.ExportXMLNode(more.Document()), 1);
}
