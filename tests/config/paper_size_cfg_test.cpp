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

void SetText(ZanWChar* field, const ZanString& text) { text.copy(field, text.size()); }

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

Item Named(const ZanString& name, int32_t paperWidth = 0)
{
    Item item;
    SetText(item.Name, name);
    item.PaperWidth = paperWidth;
    return item;
}

std::vector<Info> Held(const CZanXavenPaperSizeCfg& cfg)
{
    std::vector<Info> list(cfg.GetItemList(nullptr, 0));
    cfg.GetItemList(list.data(), static_cast<int>(list.size()));
    return list;
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

bool Has(const std::string& text, const std::string& part) { return text.find(part) != text.npos; }

} // namespace

TEST(PaperSizeCfg, ItemCopiesAndListRulesOnNames)
{
    // Longer texts are cut with the terminator kept; Set keeps the comment and positions,
    // assignment copies them, construction from the record leaves them empty.
    Info full = Distinct(), info;
    full.Name[31] = full.UniformFileName[259] = ZT('X');
    Item item = Named(ZT("A4")), copy;
    SetText(item.Comment, ZT("note"));
    item.PhotoPositionCfg.AddPhotoPositionItem({1, 2});
    item.Set(&full);
    copy = item;
    copy.Get(&info);
    full.Name[31] = full.UniformFileName[259] = 0;
    EXPECT_EQ(std::memcmp(&info, &full, sizeof info), 0);
    EXPECT_EQ(ZanString(copy.Comment), ZT("note"));
    EXPECT_EQ(copy.GetSize(), 704u + 24u);
    const Item fromInfo(full);
    EXPECT_EQ(fromInfo.Comment[0] + fromInfo.PhotoPositionCfg.GetItemList(nullptr, 0), 0);
    EXPECT_TRUE(Named(ZT("Glossy-A4")) == Named(ZT("gLOSSY-a4")));
    EXPECT_FALSE(Named(ZT("\u00C4")) == Named(ZT("\u00E4"))); // only A to Z fold

    CZanXavenPaperSizeCfg cfg;
    EXPECT_EQ(cfg.AddPaperSizeItem(Named(ZT("A4"))) + cfg.AddPaperSizeItem(Named(ZT("A4"))), 1);
    EXPECT_EQ(cfg.AddPaperSizeItem(Named(ZT("a4"), 7)) + cfg.AddPaperSizeItem(Named(ZT("Letter"))),
              2);
    EXPECT_EQ(Count(cfg), 0u); // list operations leave the stored count
    Item out;
    EXPECT_EQ(cfg.GetPaperSizeItem(ZT("a4"), out), 1);
    EXPECT_EQ(out.PaperWidth, 7);
    EXPECT_EQ(cfg.GetPaperSizeItem(ZT("LETTER"), out) | cfg.GetPaperSizeItem(nullptr, out), 0);

    // Set matches without regard to case, each match taking the given name.
    EXPECT_EQ(cfg.SetPaperSizeItem(ZT("a4"), Named(ZT("Wide"), 9)), 1);
    EXPECT_EQ(cfg.SetPaperSizeItem(nullptr, Named(ZT("Wide"), 9)), 0);
    Info list[2];
    EXPECT_EQ(cfg.GetItemList(list, 2), 3);
    EXPECT_EQ(ZanString(list[0].Name) + ZanString(list[1].Name), ZT("WideWide"));
    EXPECT_EQ(list[0].PaperWidth + list[1].PaperWidth, 18);
    EXPECT_EQ(cfg.RemovePaperSizeItem(ZT("WIDE")), 1);
    EXPECT_EQ(cfg.RemovePaperSizeItem(ZT("A4")) | cfg.RemovePaperSizeItem(nullptr), 0);
    EXPECT_EQ(cfg.GetItemList(list, -1), 2);
}

TEST(PaperSizeCfgBlob, BytesRoundTripAndCorruptBlobsRefused)
{
    CZanXavenPaperSizeCfg cfg, loaded, kept;
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

    // A second paper size with two positions: back in order, the positions included.
    Item second = Named(ZT("Second"));
    second.PhotoPositionCfg.AddPhotoPositionItem({4, 5});
    second.PhotoPositionCfg.AddPhotoPositionItem({1, 9});
    cfg.AddPaperSizeItem(second);
    blob = Blob(cfg);
    ASSERT_EQ(blob.size(), 736u + 704u + 32u);
    EXPECT_EQ(loaded.LoadConfig(blob.data()), blob.size());
    EXPECT_EQ(Count(loaded), 2u);
    EXPECT_EQ(Blob(loaded), blob);

    // Refused, the record unchanged: the word at `at` set to `value`, `available` bytes given.
    kept.AddPaperSizeItem(Named(ZT("Kept")));
    const Bytes before = Blob(kept);
    const std::tuple<size_t, uint32_t, uint32_t> cases[] = {
        {12, 3, 1472},   // one entry more than there is
        {4, 1472, 1471}, // a stated size beyond what is available
        {4, 1471, 1472}, // the last nested blob passes the outer one
        {1452, 3, 1472}, // the second nested count does not fit its size
    };
    for (auto [at, value, available] : cases) {
        Bytes bad = blob;
        for (int i = 0; i < 4; ++i) bad[at + i] = static_cast<unsigned char>(value >> 8 * i);
        EXPECT_EQ(kept.LoadBlob(bad.data(), available), 0u) << at << ' ' << value;
        EXPECT_EQ(Blob(kept), before) << at;
    }
    EXPECT_EQ(kept.LoadConfig(nullptr) | kept.SaveConfig(nullptr), 0u);
    EXPECT_EQ(kept.LoadBlob(blob.data(), 1472), 1472u);
}

TEST(PaperSizeCfgIni, ExportImportStaleSectionsAndCounts)
{
    TempFolder folder;
    const ZanString path = folder.WideFile("paper.ini");
    Info carried{}; // a paper size as an import starts it, with the INI keys set
    SetText(carried.Name, ZT("A4 Glossy"));
    carried.R_LastCor = 1.5f, carried.G_LastCor = -0.1f;
    carried.PhotoWidth = 2480, carried.PhotoLeft = -3, carried.PaperLength = 297;
    Item a4(carried);
    a4.MinExposeTime = 40; // not in the INI form
    CZanXavenPaperSizeCfg cfg, back;
    EXPECT_EQ(cfg.AddPaperSizeItem(Named(ZT("Old1"))) + cfg.AddPaperSizeItem(Named(ZT("Old2"))), 2);
    EXPECT_EQ(cfg.ExportINIFile(path.c_str()), 0);
    cfg.InitData();
    cfg.AddPaperSizeItem(a4);
    EXPECT_EQ(cfg.ExportINIFile(path.c_str()), 0);
    const std::string text = IniText(folder.Read("paper.ini"));
    EXPECT_TRUE(Has(text, "[PaperSize1]\nName=A4 Glossy\nR_LastCor=1.5\nG_LastCor=-0.1\n"
                          "B_LastCor=0\nD_LastCor=0\nPhotoWidth=2480\nPhotoHeight=0\n"
                          "PhotoLeft=-3\nPhotoTop=0\nPaperWidth=0\nPaperLength=297\n"));
    EXPECT_TRUE(Has(text, "[PaperSize2]\nName=Old2\n")); // stale sections stay
    EXPECT_TRUE(Has(text, "[ExpPaperInfo]\nPaperSizeCount=1\n"));
    EXPECT_EQ(back.ImportINIFile(path.c_str()), 0);
    EXPECT_EQ(cfg.ExportINIFile(folder.WideFile("no/paper.ini").c_str()) +
                  cfg.ExportINIFile(nullptr) + back.ImportINIFile(nullptr),
              3);
    EXPECT_EQ(Count(back), 1u); // a null path changes nothing
    ASSERT_EQ(back.GetItemList(nullptr, 0), 1);
    EXPECT_EQ(std::memcmp(Held(back).data(), &carried, sizeof carried), 0);

    // A damaged count reads a bounded number of sections, a negative one none; a missing key
    // keeps the starting value.
    for (auto [count, expected] : {std::pair{"2000000000", 1024u},
                                   {"-5", 0u},
                                   {"2\n[PaperSize1]\nName=A\nPhotoHeight=5", 2u}}) {
        folder.Write("paper.ini", std::string("[ExpPaperInfo]\nPaperSizeCount=") + count + "\n");
        EXPECT_EQ(cfg.ImportINIFile(path.c_str()), 0);
        EXPECT_EQ(Count(cfg), expected);
        EXPECT_EQ(static_cast<uint32_t>(cfg.GetItemList(nullptr, 0)), expected);
    }
    const std::vector<Info> held = Held(cfg);
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(std::tuple(held[0].PhotoWidth, held[0].PhotoHeight, held[1].PhotoHeight),
              std::tuple(1280, 5, 1024));
    EXPECT_EQ(ZanString(held[0].Name) + ZanString(held[1].Name), ZT("A"));
}

TEST(PaperSizeCfgXml, ImportClampsExportTextAndRoundTripWhateverTheLocale)
{
    DecimalCommaLocale comma;
    // Uniform file names become full paths; one that does not fit is kept as written, cut to
    // the field.
    const ZanString cwd = qlcos::unicode::FromUtf8(std::filesystem::current_path().u8string());
    const ZanString slash(1, static_cast<ZanWChar>(std::filesystem::path::preferred_separator));
    ASSERT_LT(cwd.size(), 250u);
    const ZanString fits(258 - cwd.size(), ZT('L')); // its full path has 259 characters
    const std::pair<ZanString, ZanString> names[] = {
        {ZT("a/./../b.dat"), cwd + slash + ZT("b.dat")},
        {fits, cwd + slash + fits},
        {fits + ZT("L"), fits + ZT("L")},
        {ZanString(260, ZT('L')), ZanString(259, ZT('L'))}};
    std::string uniform;
    for (const auto& [written, stored] : names)
        uniform += "<PaperSize Name=\"" + std::to_string(uniform.size()) + "\" UniformFileName=\"" +
                   qlcos::unicode::ToUtf8(written.c_str()) + "\"/>";
    XmlDocument doc(R"(<printingpapersizechannel Comment="ignored">
  <PaperSize Name="A" Cyan="1.5" UniformPercent="50" Wobble="true" WobbleTemp="True"
    WobbleXCount="7" WobbleYCount="0" WobbleXCountTemp="7" Comment=")" +
                    std::string(40, 'c') + R"("/>
  <PaperSize PaperWidth="5"/><PaperSize Name=""/><Other Name="x"/>
  <PAPERSIZE Name="B" UniformPercent="150" Density="-1.25" MultiOvertime="-2">
    <PhotoPosition PhotoLeft="9" PhotoTop="1"/><PhotoPosition PhotoLeft="3"/>
  </PAPERSIZE>)" + uniform +
                    "</printingpapersizechannel>");
    CZanXavenPaperSizeCfg cfg, back;
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    EXPECT_EQ(Count(cfg), 6u);
    const std::vector<Info> held = Held(cfg); // in document order
    ASSERT_EQ(held.size(), 6u);
    Info expected;
    Named(ZT("A")).Get(&expected); // the defaults
    expected.R_LastCor = 1.5f, expected.UniformPercent = 70, expected.WobbleXCount = 2;
    expected.Wobble = expected.WobbleTemp = 1, expected.WobbleXCountTemp = 7;
    EXPECT_EQ(std::memcmp(&held[0], &expected, sizeof expected), 0);
    EXPECT_EQ(std::tuple(held[1].UniformPercent, held[1].MultiOvertime, held[1].D_LastCor),
              std::tuple(100, -2, -1.25f));
    // Other nodes are refused and change nothing.
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()->getFirstElementChild()) + cfg.ImportXMLNode(nullptr) +
                  cfg.ExportXMLNode(nullptr),
              3);

    // Exported with two decimals, the wobble attributes only when switched on.
    XmlDocument out("<Lab/>");
    ASSERT_EQ(cfg.ExportXMLNode(out.Root()), 0);
    const xercesc::DOMElement* channel = out.Root()->getFirstElementChild();
    EXPECT_EQ(XmlUtf8(channel->getAttribute(u"CreateTime")).size(), 16u);
    const std::string text = Serialize(channel);
    EXPECT_TRUE(Has(text, R"(<PrintingPaperSizeChannel Comment="Vudodura Print PaperSize )"));
    EXPECT_TRUE(Has(text, "=\"" + std::string(31, 'c') + R"(" Cyan="1.50" Density="0.00" )"));
    EXPECT_TRUE(Has(text, R"( nRepeatCount="11" nRepeatInterval="5000" )")) << text;
    EXPECT_TRUE(Has(text, R"( Wobble="True" WobbleTemp="True" WobbleXCount="2" )"
                          R"(WobbleXCountTemp="7" WobbleYCount="1" WobbleYCountTemp="1" )"))
        << text;
    EXPECT_FALSE(Has(Serialize(channel->getLastChild()), "Wobble"));
    EXPECT_TRUE(Has(text, R"(<PhotoPosition PhotoLeft="9" PhotoTop="1"/><PhotoPosition )"
                          R"(PhotoLeft="3" PhotoTop="0"/></PaperSize>)"))
        << text;
    EXPECT_EQ(back.ImportXMLNode(XmlDocument(Serialize(out.Root())).Root()->getFirstChild()), 0);
    EXPECT_EQ(Blob(back), Blob(cfg)); // every field and the positions
    for (size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(ZanString(held[2 + i].UniformFileName), names[i].second) << i;
}
