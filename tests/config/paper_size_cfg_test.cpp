// The paper size configuration: the item, the list rules, the blob with nested photo
// positions (bounded loading included), the INI sections and the XML elements.
#include "qlcos/config.h"

#include "support/files.h"
#include "support/locale.h"
#include "support/xml_support.h"

#include <cstring>
#include <filesystem>
#include <tuple>
#include <vector>

using namespace qlcos::test;
using Bytes = std::vector<unsigned char>;
using Info = tagZanExpPaperSizeInfo;
using Item = CZanXavenPaperSizeItem;

namespace {

void SetText(ZanWChar* field, const std::u16string& text)
{
    std::copy(text.begin(), text.end(), field);
}

Info Defaults()
{
    Info info{};
    info.MultiOvertime = 30;
    info.UniformPercent = 100;
    info.WobbleXCountTemp = info.WobbleYCountTemp = info.WobbleXCount = info.WobbleYCount = 1;
    info.nRepeatCount = 11;
    info.nRepeatInterval = 5000;
    return info;
}

// A different value in every byte but for the texts' terminators.
Info Distinct()
{
    Info info;
    auto* raw = reinterpret_cast<unsigned char*>(&info);
    for (size_t i = 0; i < sizeof info; ++i) raw[i] = static_cast<unsigned char>(i * 7 + 1);
    info.R_LastCor = 1.5f; // no NaN patterns in the floats
    info.G_LastCor = info.B_LastCor = info.D_LastCor = -0.25f;
    info.Name[31] = info.UniformFileName[259] = 0;
    return info;
}

Item Named(const std::u16string& name)
{
    Item item;
    SetText(item.Name, name);
    return item;
}

std::vector<Info> Held(const CZanXavenPaperSizeCfg& cfg)
{
    std::vector<Info> list(cfg.GetItemList(nullptr, 0));
    cfg.GetItemList(list.data(), static_cast<int>(list.size()));
    return list;
}

bool SameInfos(const std::vector<Info>& a, const std::vector<Info>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Info)) == 0;
}

Bytes Blob(CZanXavenPaperSizeCfg& cfg)
{
    Bytes blob(cfg.GetSize());
    EXPECT_EQ(cfg.SaveConfig(blob.data()), blob.size());
    return blob;
}

uint32_t Count(const CZanXavenPaperSizeCfg& cfg)
{
    uint32_t count = 0xEEEEEEEE;
    EXPECT_EQ(cfg.GetData(&count), 4);
    return count;
}

} // namespace

// ---- Item and list ------------------------------------------------------------------------

TEST(PaperSizeItem, CopiesAndCutTexts)
{
    Info info;
    // Longer texts are cut with the terminator kept; Set keeps the comment and positions,
    // assignment copies them, construction from the record leaves them empty.
    Info full = Distinct();
    full.Name[31] = full.UniformFileName[259] = u'X';
    Item item = Named(u"A4");
    SetText(item.Comment, u"note");
    item.PhotoPositionCfg.AddPhotoPositionItem({1, 2});
    item.Set(&full);
    Item copy;
    copy = item;
    copy.Get(&info);
    full.Name[31] = full.UniformFileName[259] = 0;
    EXPECT_EQ(std::memcmp(&info, &full, sizeof info), 0);
    EXPECT_EQ(std::u16string(copy.Comment), u"note");
    EXPECT_EQ(copy.GetSize(), 704u + 24u);
    const Item fromInfo(full);
    EXPECT_EQ(fromInfo.Comment[0] + fromInfo.PhotoPositionCfg.GetItemList(nullptr, 0), 0);
    EXPECT_TRUE(Named(u"Glossy-A4") == Named(u"gLOSSY-a4"));
    EXPECT_FALSE(Named(u"\u00C4") == Named(u"\u00E4")); // only A to Z fold
}

TEST(PaperSizeCfg, ListRulesOnNames)
{
    CZanXavenPaperSizeCfg cfg;
    EXPECT_EQ(cfg.AddPaperSizeItem(Named(u"A4")), 1);
    EXPECT_EQ(cfg.AddPaperSizeItem(Named(u"A4")), 0);
    Item lower = Named(u"a4");
    lower.PaperWidth = 7;
    EXPECT_EQ(cfg.AddPaperSizeItem(lower), 1);
    EXPECT_EQ(cfg.AddPaperSizeItem(Named(u"Letter")), 1);
    EXPECT_EQ(Count(cfg), 0u); // list operations leave the stored count

    Item out;
    EXPECT_EQ(cfg.GetPaperSizeItem(u"a4", out), 1);
    EXPECT_EQ(out.PaperWidth, 7);
    EXPECT_EQ(cfg.GetPaperSizeItem(u"LETTER", out) | cfg.GetPaperSizeItem(nullptr, out), 0);

    // Set matches without regard to case, each match taking the given name.
    Item given = Named(u"Wide");
    given.PaperWidth = 9;
    EXPECT_EQ(cfg.SetPaperSizeItem(u"a4", given), 1);
    EXPECT_EQ(cfg.SetPaperSizeItem(nullptr, given), 0);
    Info list[2];
    EXPECT_EQ(cfg.GetItemList(list, 2), 3);
    EXPECT_EQ(std::u16string(list[0].Name) + std::u16string(list[1].Name), u"WideWide");
    EXPECT_EQ(list[0].PaperWidth + list[1].PaperWidth, 18);

    EXPECT_EQ(cfg.RemovePaperSizeItem(u"WIDE"), 1);
    EXPECT_EQ(cfg.RemovePaperSizeItem(u"A4") | cfg.RemovePaperSizeItem(nullptr), 0);
    EXPECT_EQ(cfg.GetItemList(list, -1), 2);
}

// ---- Blob ---------------------------------------------------------------------------------

TEST(PaperSizeCfgBlob, BytesSizesAndRoundTrip)
{
    CZanXavenPaperSizeCfg cfg;
    EXPECT_EQ(Count(cfg), 0u);
    EXPECT_EQ(Blob(cfg), (Bytes{0x49, 0x53, 0x50, 0x45, 16, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0}));

    const Info info = Distinct();
    cfg.AddPaperSizeItem(Item(info));
    Bytes blob = Blob(cfg);
    ASSERT_EQ(blob.size(), 736u);
    EXPECT_EQ(Bytes(blob.begin(), blob.begin() + 16),
              (Bytes{0x49, 0x53, 0x50, 0x45, 0xE0, 2, 0, 0, 12, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(std::memcmp(&blob[16], &info, 704), 0); // the record's layout, little-endian
    EXPECT_EQ(Bytes(blob.begin() + 720, blob.end()),
              (Bytes{0x49, 0x50, 0x50, 0x45, 16, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0}));

    // Two paper sizes, the second with positions: back in order, comments empty.
    Item second = Named(u"Second");
    SetText(second.Comment, u"lost");
    second.PhotoPositionCfg.AddPhotoPositionItem({4, 5});
    second.PhotoPositionCfg.AddPhotoPositionItem({1, 9});
    cfg.AddPaperSizeItem(second);
    blob = Blob(cfg);
    EXPECT_EQ(blob.size(), 736u + 704u + 32u);
    CZanXavenPaperSizeCfg loaded;
    EXPECT_EQ(loaded.LoadConfig(blob.data()), blob.size());
    EXPECT_TRUE(SameInfos(Held(loaded), Held(cfg)));
    EXPECT_EQ(Count(loaded), 2u);
    Item back;
    ASSERT_EQ(loaded.GetPaperSizeItem(u"Second", back), 1);
    EXPECT_EQ(back.Comment[0], 0);
    EXPECT_EQ(Blob(loaded), blob); // the positions included
}

TEST(PaperSizeCfgBlob, CorruptBlobsAreRefusedAndChangeNothing)
{
    CZanXavenPaperSizeCfg cfg;
    cfg.AddPaperSizeItem(Item(Distinct()));
    Item second = Named(u"B");
    second.PhotoPositionCfg.AddPhotoPositionItem({4, 5});
    cfg.AddPaperSizeItem(second);
    const Bytes good = Blob(cfg); // 16 + 720 + 728
    CZanXavenPaperSizeCfg loaded;
    loaded.AddPaperSizeItem(Named(u"Kept"));
    const Bytes before = Blob(loaded);

    // Word at offset `at` set to `value`, loaded from `available` bytes.
    const std::tuple<size_t, uint32_t, uint32_t> cases[] = {
        {12, 3, 1464},   // one entry more than there is
        {4, 1464, 1463}, // a stated size beyond what is available
        {4, 1463, 1464}, // the last nested blob passes the outer one
        {1452, 2, 1464}, // the second nested count does not fit its size
    };
    for (auto [at, value, available] : cases) {
        Bytes bad = good;
        for (int i = 0; i < 4; ++i) bad[at + i] = static_cast<unsigned char>(value >> 8 * i);
        EXPECT_EQ(loaded.LoadBlob(bad.data(), available), 0u) << at << ' ' << value;
        EXPECT_EQ(Blob(loaded), before) << at;
    }
    EXPECT_EQ(loaded.LoadConfig(nullptr) | loaded.SaveConfig(nullptr), 0u);
    EXPECT_EQ(loaded.LoadBlob(good.data(), 1464), 1464u);
}

// ---- INI ----------------------------------------------------------------------------------

TEST(PaperSizeCfgIni, ExportTextImportBackAndStaleSections)
{
    TempFolder folder;
    const ZanString path = folder.WideFile("paper.ini");
    Info carried{}; // a paper size as an import starts it, with the INI keys set
    SetText(carried.Name, u"A4 Glossy");
    carried.R_LastCor = 1.5f;
    carried.G_LastCor = -0.1f;
    carried.PhotoWidth = 2480;
    carried.PhotoLeft = -3;
    carried.PaperLength = 297;
    Item a4(carried);
    a4.MinExposeTime = 40; // not in the INI form
    SetText(a4.Comment, u"lost");
    CZanXavenPaperSizeCfg cfg;
    cfg.AddPaperSizeItem(Named(u"Old1"));
    cfg.AddPaperSizeItem(Named(u"Old2"));
    EXPECT_EQ(cfg.ExportINIFile(path.c_str()), 0);
    cfg.InitData();
    cfg.AddPaperSizeItem(a4);
    EXPECT_EQ(cfg.ExportINIFile(path.c_str()), 0);
    EXPECT_EQ(folder.Read("paper.ini"),
              "[PaperSize1]\nName=A4 Glossy\nR_LastCor=1.5\nG_LastCor=-0.1\nB_LastCor=0\n"
              "D_LastCor=0\nPhotoWidth=2480\nPhotoHeight=0\nPhotoLeft=-3\nPhotoTop=0\n"
              "PaperWidth=0\nPaperLength=297\n\n"
              "[PaperSize2]\nName=Old2\nR_LastCor=0\nG_LastCor=0\nB_LastCor=0\nD_LastCor=0\n"
              "PhotoWidth=0\nPhotoHeight=0\nPhotoLeft=0\nPhotoTop=0\nPaperWidth=0\n"
              "PaperLength=0\n\n"
              "[ExpPaperInfo]\nPaperSizeCount=1\n");

    CZanXavenPaperSizeCfg back;
    EXPECT_EQ(back.ImportINIFile(path.c_str()), 0);
    EXPECT_TRUE(SameInfos(Held(back), {carried}));
    EXPECT_EQ(Count(back), 1u);

    EXPECT_EQ(cfg.ExportINIFile(folder.WideFile("no/paper.ini").c_str()), 1);
    EXPECT_EQ(cfg.ExportINIFile(nullptr) | back.ImportINIFile(nullptr), 1);
    EXPECT_EQ(back.GetItemList(nullptr, 0), 1); // a null path changes nothing
}

TEST(PaperSizeCfgIni, CountsAndMissingKeys)
{
    TempFolder folder;
    const ZanString path = folder.WideFile("p.ini");
    CZanXavenPaperSizeCfg cfg;
    cfg.AddPaperSizeItem(Named(u"X"));
    // A missing key keeps the starting value.
    folder.Write("p.ini",
                 "[ExpPaperInfo]\nPaperSizeCount=2\n[PaperSize1]\nName=A\nPhotoHeight=5\n");
    EXPECT_EQ(cfg.ImportINIFile(path.c_str()), 0);
    const std::vector<Info> held = Held(cfg);
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(std::pair(held[0].PhotoWidth, held[0].PhotoHeight), std::pair(1280, 5));
    EXPECT_EQ(std::pair(held[1].PhotoWidth, held[1].PhotoHeight), std::pair(1280, 1024));
    EXPECT_EQ(std::u16string(held[0].Name) + std::u16string(held[1].Name), u"A");

    // A damaged count reads a bounded number of sections; a negative one reads none.
    for (auto [text, expected] : {std::pair{"2000000000", 1024u}, {"-5", 0u}}) {
        folder.Write("p.ini", std::string("[ExpPaperInfo]\nPaperSizeCount=") + text + "\n");
        EXPECT_EQ(cfg.ImportINIFile(path.c_str()), 0);
        EXPECT_EQ(Count(cfg), expected);
        EXPECT_EQ(static_cast<uint32_t>(cfg.GetItemList(nullptr, 0)), expected);
    }
}

// ---- XML ----------------------------------------------------------------------------------

TEST(PaperSizeCfgXml, ImportDefaultsClampsAndSkips)
{
    const std::string comment40(40, 'c');
    XmlDocument doc(R"(<printingpapersizechannel Comment="ignored">
  <PaperSize Name="A" UniformPercent="50" WobbleXCount="7" WobbleYCount="0"
             WobbleXCountTemp="7" Comment=")" +
                    comment40 + R"("/>
  <PaperSize PaperWidth="5"/><PaperSize Name=""/><Other Name="x"/>
  <PAPERSIZE Name="B" UniformPercent="150" Wobble="true" Cyan="-1.25" MultiOvertime="-2">
    <PhotoPosition PhotoLeft="9" PhotoTop="1"/><PhotoPosition PhotoLeft="3"/>
  </PAPERSIZE></printingpapersizechannel>)");
    CZanXavenPaperSizeCfg cfg;
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    EXPECT_EQ(Count(cfg), 2u);
    Item a, b;
    ASSERT_EQ(cfg.GetPaperSizeItem(u"A", a) & cfg.GetPaperSizeItem(u"B", b), 1);
    Info expected = Defaults(), got;
    expected.Name[0] = u'A';
    expected.UniformPercent = 70;
    expected.WobbleXCount = 2;
    expected.WobbleYCount = 1;
    expected.WobbleXCountTemp = 7;
    a.Get(&got);
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0);
    EXPECT_EQ(std::u16string(a.Comment), std::u16string(31, u'c'));
    EXPECT_EQ(std::tuple(b.UniformPercent, b.Wobble, b.MultiOvertime, b.R_LastCor),
              std::tuple(100, 1, -2, -1.25f));
    tagZanExpPhotoPositionInfo positions[2];
    EXPECT_EQ(b.PhotoPositionCfg.GetItemList(positions, 2), 2); // document order
    EXPECT_EQ(std::tuple(positions[0].PhotoLeft, positions[1].PhotoLeft, positions[1].PhotoTop),
              std::tuple(9, 3, 0));

    // Other nodes are refused and change nothing.
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()->getFirstElementChild()) + cfg.ImportXMLNode(nullptr),
              2);
    EXPECT_EQ(cfg.GetItemList(nullptr, 0), 2);
}

TEST(PaperSizeCfgXml, UniformFileNamesBecomeFullPaths)
{
    const std::u16string cwd = std::filesystem::current_path().u16string();
    ASSERT_LT(cwd.size(), 250u);
    const std::u16string fits(258 - cwd.size(), u'L'); // its full path has 259 characters
    const std::u16string longName(259, u'L');
    // A full path that does not fit leaves the name as written, cut to the field.
    const std::pair<std::u16string, std::u16string> cases[] = {{u"a/./../b.dat", cwd + u"/b.dat"},
                                                               {u"/lab//x/../u.dat", u"/lab/u.dat"},
                                                               {fits, cwd + u"/" + fits},
                                                               {fits + u"L", fits + u"L"},
                                                               {longName + u"M", longName}};
    for (const auto& [written, stored] : cases) {
        XmlDocument doc("<PrintingPaperSizeChannel><PaperSize Name=\"A\" UniformFileName=\"" +
                        qlcos::unicode::ToUtf8(written.c_str()) +
                        "\"/></PrintingPaperSizeChannel>");
        CZanXavenPaperSizeCfg cfg;
        ASSERT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
        // Exported and read again, the name comes back whole, up to the field's 259.
        XmlDocument out("<Lab/>");
        CZanXavenPaperSizeCfg back;
        ASSERT_EQ(cfg.ExportXMLNode(out.Root()), 0);
        ASSERT_EQ(back.ImportXMLNode(out.Root()->getFirstChild()), 0);
        Info info;
        back.GetItemList(&info, 1);
        EXPECT_EQ(std::u16string(info.UniformFileName), stored);
    }
}

TEST(PaperSizeCfgXml, ExportTextAndRoundTripWhateverTheLocale)
{
    DecimalCommaLocale comma;
    Item a4 = Named(u"A4");
    SetText(a4.Comment, std::u16string(40, u'c'));
    a4.R_LastCor = 1.5f;
    a4.D_LastCor = -0.25f;
    a4.PhotoWidth = 2480;
    a4.EnableRepeatMode = a4.EnableUniform = 1;
    SetText(a4.UniformFileName, u"/lab/u.dat");
    a4.WobbleTemp = 1;
    a4.WobbleXCountTemp = 3;
    a4.PhotoPositionCfg.AddPhotoPositionItem({10, 20});
    CZanXavenPaperSizeCfg cfg;
    cfg.AddPaperSizeItem(a4);
    XmlDocument doc("<Lab/>");
    ASSERT_EQ(cfg.ExportXMLNode(doc.Root()), 0);
    xercesc::DOMElement* channel = doc.Root()->getFirstElementChild();
    EXPECT_EQ(Utf8(channel->getAttribute(u"CreateTime")).size(), 16u);
    channel->removeAttribute(u"CreateTime");
    EXPECT_EQ(Serialize(channel),
              R"(<PrintingPaperSizeChannel Comment="Vudodura Print PaperSize Property">)"
              R"(<PaperSize Comment=")" +
                  std::string(40, 'c') +
                  R"(" Cyan="1.50" Density="-0.25" EnableMultiWait="False" )"
                  R"(EnableRepeatMode="True" EnableTestMode="False" EnableUniform="True" )"
                  R"(EnableUniformDebug="False" Magenta="0.00" MinExposeTime="0" )"
                  R"(MultiOvertime="30" Name="A4" PaperLength="0" PaperWidth="0" )"
                  R"(PhotoHeight="0" PhotoLeft="0" PhotoTop="0" PhotoWidth="2480" )"
                  R"(UniformFileName="/lab/u.dat" UniformPercent="100" WobbleTemp="True" )"
                  R"(WobbleXCountTemp="3" WobbleYCountTemp="1" Yellow="0.00" )"
                  R"(nNormalPostInter="0" nNormalPreInter="0" nRepeatCount="11" )"
                  R"(nRepeatInterval="5000" nRepeatPostInter="0" nRepeatPreInter="0">)"
                  R"(<PhotoPosition PhotoLeft="10" PhotoTop="20"/></PaperSize>)"
                  R"(</PrintingPaperSizeChannel>)");

    CZanXavenPaperSizeCfg back;
    EXPECT_EQ(back.ImportXMLNode(XmlDocument(Serialize(doc.Root())).Root()->getFirstChild()), 0);
    EXPECT_TRUE(SameInfos(Held(back), Held(cfg)));
    Item got;
    back.GetPaperSizeItem(u"A4", got);
    EXPECT_EQ(std::u16string(got.Comment), std::u16string(31, u'c'));
    EXPECT_EQ(got.PhotoPositionCfg.GetItemList(nullptr, 0), 1);
    EXPECT_EQ(cfg.ExportXMLNode(nullptr), 1);
}
