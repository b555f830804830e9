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
using Info = tagZanExpPaperStyleInfo;
using Item = CZanXavenPaperStyleItem;

namespace {

Bytes Blob(CZanConfig& cfg)
{
    Bytes blob(cfg.GetSize());
    EXPECT_EQ(cfg.SaveConfig(blob.data()), blob.size());
    return blob;
}

// Two styles, the first with a long comment, a "Warm" table and a selection other than
// "Standard".
CZanXavenPaperStyleCfg TwoStyles()
{
    CZanXavenPaperStyleCfg cfg;
    Item glossy(Info{1.5f, -0.25f, 2, 0.126f, ZT("Glossy")});
    std::fill_n(glossy.Comment, 100, 'c');
    tagZanXavenGammaTableCfgData t{};
    glossy.GammaTable.SetGammaTableData(ZT("Warm"), &t);
    glossy.GammaTable.SetSelectChannel(ZT("warm"));
    cfg.AddPaperStyleItem(glossy);
    cfg.AddPaperStyleItem(Item(Info{-3, 0, 0.5f, 7, ZT("Matt")}));
    return cfg;
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

TEST(PaperStyleCfgBlob, BytesRoundTripAndCorruptBlobsRefused)
{
    CZanXavenPaperStyleCfg one, cfg = TwoStyles(), loaded;
    CZanXavenGammaTableCfg fresh;
    const Info info{1.5f, 0, 0, -2, ZT("Glossy")};
    one.AddPaperStyleItem(Item(info));
    Bytes expected = {0x43, 0x4E, 0x46, 0x47, 0xBC, 0x18, 0, 0, 12, 0, 0, 0, 1, 0, 0, 0}; // 6332
    expected.resize(16 + 80);
    std::memcpy(&expected[16], &info, 80); // the record's layout, little-endian
    for (unsigned char c : Blob(fresh)) expected.push_back(c);
    one.SetSelectGammaChannel(ZT("Glossy"), ZT("STANDARD"));

    const Bytes good = Blob(cfg);
    EXPECT_EQ(StoredCount(cfg), 2u);
    EXPECT_EQ(loaded.LoadConfig(good.data()), 16u + 2 * (80 + 16) + 3 * 6220);
    EXPECT_EQ(Blob(loaded), good);

    // Refused, `one` unchanged (its selection too): the word at `at` set to `value`. Its bytes
    // are checked after.
    const std::pair<size_t, uint32_t> cases[] = {
        {12, 3},                                     // a third style does not fit
        {16 + 80 + 4, 0xFFFFFF},                     // the nested blob states more than is left
        {16 + 2 * (80 + 16) + 2 * 6220 + 68, 257u}}; // a channel count above 256
    for (auto [at, value] : cases) {
        Bytes bad = good;
        for (int i = 0; i < 4; ++i) bad[at + i] = static_cast<unsigned char>(value >> (8 * i));
        EXPECT_EQ(one.LoadConfig(bad.data()), 0u) << at;
    }
    EXPECT_EQ(one.LoadBlob(good.data(), static_cast<uint32_t>(good.size()) - 1) +
                  one.LoadConfig(nullptr),
              0u);
    EXPECT_EQ(Blob(one), expected);
    EXPECT_EQ(Selected(one, ZT("Glossy")), ZT("STANDARD"));
}

TEST(PaperStyleCfg, ListAndGammaOperationsByName)
{
    CZanXavenPaperStyleCfg cfg = TwoStyles();
    EXPECT_EQ(cfg.AddPaperStyleItem(Item(Info{0, 0, 0, 0, ZT("Glossy")})), 0);
    EXPECT_EQ(cfg.AddPaperStyleItem(Item(Info{9, 0, 0, 0, ZT("GLOSSY")})), 1);
    Item out;
    EXPECT_EQ(cfg.GetPaperStyleItem(ZT("GLOSSY"), out), 1); // exact name
    EXPECT_EQ(out.R_LastCor, 9);
    EXPECT_EQ(cfg.GetPaperStyleItem(ZT("glossy"), out) + cfg.GetPaperStyleItem(nullptr, out), 0);

    // Set overwrites every style matching without regard to case, gamma tables included;
    // through the flat record it empties the comment and keeps the gamma tables.
    const Item plain(Info{4, 4, 4, 4, ZT("Plain")});
    EXPECT_EQ(cfg.SetPaperStyleItem(ZT("glossy"), plain), 1);
    EXPECT_EQ(cfg.SetPaperStyleItem(ZT("none"), plain) + cfg.SetPaperStyleItem(nullptr, plain), 0);
    Info list[3];
    ASSERT_EQ(cfg.GetItemList(list, 3), 3);
    EXPECT_EQ(ZanString(list[0].Name) + list[2].Name, ZT("PlainPlain"));
    EXPECT_EQ(cfg.GetGammaTableData(ZT("Plain"), ZT("Warm"), nullptr), 0);
    TwoStyles().GetPaperStyleItem(ZT("Glossy"), out);
    out.Set(&list[1]);
    EXPECT_EQ(ZanString(out.Name) + out.Comment, ZT("Matt"));
    EXPECT_EQ(out.GammaTable.GetGammaTableData(ZT("Warm"), nullptr), 1);
    cfg.RemovePaperStyleItem(ZT("PLAIN"));
    EXPECT_EQ(cfg.GetItemList(list, 1), 2);
    EXPECT_EQ(ZanString(list[0].Name), ZT("Matt"));

    // The gamma operations by style name, its case folded: each of these gives 1, in order.
    cfg = TwoStyles();
    tagZanXavenGammaTableCfgData t{};
    const int results[] = {
        cfg.SetSelectGammaChannel(ZT("Matt"), ZT("Missing")), // the selection unchanged
        cfg.SetGammaTableData(ZT("matt"), ZT("Cool"), &t),
        cfg.GetGammaTableData(ZT("MATT"), ZT("cool"), &t),
        cfg.RemoveGammaTableData(ZT("Matt"), ZT("Standard")), // refused inside the style
        cfg.GetGammaTableData(ZT("Matt"), ZT("Standard"), nullptr),
        cfg.RemoveAllGammaTable(ZT("Glossy")),
        !cfg.GetGammaTableData(ZT("Glossy"), ZT("Warm"), nullptr)};
    EXPECT_EQ(std::vector<int>(std::begin(results), std::end(results)), std::vector<int>(7, 1));
    EXPECT_EQ(Selected(cfg, ZT("glossy")) + Selected(cfg, ZT("Matt")), ZT("StandardStandard"));

    // Null or empty names, a style that is not there, a null buffer: 0 and nothing changes.
    const Bytes before = Blob(cfg);
    auto tableOps = [&](const ZanWChar* style, const ZanWChar* table) {
        return cfg.GetGammaTableData(style, table, &t) + cfg.SetGammaTableData(style, table, &t) +
               cfg.RemoveGammaTableData(style, table) + cfg.SetSelectGammaChannel(style, table);
    };
    const ZanWChar* const none = nullptr;
    int given = tableOps(ZT("Matt"), ZT("")) + tableOps(ZT("Matt"), none) +
                cfg.GetSelectGammaChannel(ZT("Matt"), nullptr);
    for (const ZanWChar* style : {ZT("Silk"), ZT(""), none})
        given += tableOps(style, ZT("Cool")) + cfg.RemoveAllGammaTable(style) +
                 cfg.GetSelectGammaChannel(style, t.szName);
    EXPECT_EQ(given, 0);
    EXPECT_EQ(Blob(cfg), before);
}

TEST(PaperStyleCfgFiles, IniAndXmlRoundTripsWhateverTheLocale)
{
    DecimalCommaLocale comma;
    TempFolder folder;
    const ZanString path = folder.WideFile("lab.ini"), again = folder.WideFile("again.ini");
    CZanXavenPaperStyleCfg cfg = TwoStyles(), back;
    EXPECT_EQ(cfg.ExportINIFile(path.c_str()), 0);
    const std::string ini = folder.Read("lab.ini");
    EXPECT_INI_TEXT(ini, "[PaperStyle1]\nName=Glossy\nR_LastCor=1.5\nG_LastCor=-0.25\nB_LastCor=2\n"
                         "D_LastCor=0.126\n\n[PaperStyle2]\nName=Matt\nR_LastCor=-3\nG_LastCor=0\n"
                         "B_LastCor=0.5\nD_LastCor=7\n\n[ExpPaperInfo]\nPaperStyleCount=2\n");
    EXPECT_EQ(back.ImportINIFile(path.c_str()) + back.ExportINIFile(again.c_str()), 0);
    EXPECT_EQ(folder.Read("again.ini"), ini);
    // A huge count reads at most 1024 sections.
    folder.Write("huge.ini", "[ExpPaperInfo]\nPaperStyleCount=2000000000\n");
    EXPECT_EQ(back.ImportINIFile(folder.WideFile("huge.ini").c_str()), 0);
    EXPECT_EQ(std::pair(back.GetItemList(nullptr, 0), StoredCount(back)), std::pair(1024, 1024u));
    EXPECT_EQ(back.ImportINIFile(nullptr) & back.ExportINIFile(nullptr), 1);

    XmlDocument doc("<QLCosCtrl/>");
    ASSERT_EQ(cfg.ExportXMLNode(doc.Root()), 0);
    const std::string text = Serialize(doc.Root()->getFirstChild());
    EXPECT_NE(
        text.find(R"(c" Cyan="1.50" Density="0.13" Magenta="-0.25" Name="Glossy" Yellow="2.00">)"),
        text.npos);
    ASSERT_EQ(back.ImportXMLNode(XmlDocument(text).Root()), 0);
    EXPECT_EQ(StoredCount(back), 2u);
    Item item;
    back.GetPaperStyleItem(ZT("Glossy"), item);
    EXPECT_EQ(ZanString(item.Comment), ZanString(100, 'c'));
    EXPECT_EQ(item.D_LastCor, 0.13f); // "%0.2f" rounds
    EXPECT_EQ(Selected(back, ZT("Glossy")), ZT("warm"));

    // A style without a name adds nothing; only the first "GammaTable" of a style is read.
    XmlDocument more(R"(<printingpaperstylechannel><PaperStyle Cyan="1"/><PaperStyle Name="Silk">
        <GammaTable SelectChannel="a"><GammaValue Name="A"><KeyValueList/></GammaValue>
        </GammaTable><GammaTable/></PaperStyle></printingpaperstylechannel>)");
    ASSERT_EQ(back.ImportXMLNode(more.Root()), 0);
    EXPECT_EQ(back.GetItemList(nullptr, 0) + StoredCount(back), 2u);
    EXPECT_EQ(Selected(back, ZT("Silk")), ZT("a"));
    EXPECT_EQ(back.ImportXMLNode(more.Root()->getFirstChild()) & back.ImportXMLNode(nullptr), 1);
    EXPECT_EQ(back.ExportXMLNode(nullptr) & back.ExportXMLNode(more.Document()), 1);
}
