// The photo position configuration: the sorted unique list, its blob (bounded loading
// included) and its "PhotoPosition" elements.
#include "qlcos/config.h"

#include "support/xml_support.h"

#include <tuple>
#include <utility>
#include <vector>

using namespace qlcos::test;
using Bytes = std::vector<unsigned char>;
using Pairs = std::vector<std::pair<int, int>>;
using Item = CZanXavenPhotoPositionItem;

namespace {

Pairs Held(const CZanXavenPhotoPositionCfg& cfg)
{
    std::vector<tagZanExpPhotoPositionInfo> list(cfg.GetItemList(nullptr, 0));
    cfg.GetItemList(list.data(), static_cast<int>(list.size()));
    Pairs out;
    for (const auto& p : list) out.emplace_back(p.PhotoLeft, p.PhotoTop);
    return out;
}

Bytes Blob(CZanXavenPhotoPositionCfg& cfg)
{
    Bytes blob(cfg.GetSize());
    EXPECT_EQ(cfg.SaveConfig(blob.data()), blob.size());
    return blob;
}

uint32_t Count(const CZanXavenPhotoPositionCfg& cfg)
{
    uint32_t count = 0xEEEEEEEE;
    EXPECT_EQ(cfg.GetData(&count), 4);
    return count;
}

} // namespace

TEST(PhotoPositionCfg, AddKeepsTheListUniqueAndSortedIndexOperationsCheckTheRange)
{
    CZanXavenPhotoPositionCfg cfg;
    for (auto [left, top] : Pairs{{10, 20}, {5, 30}, {10, 5}, {5, 30}})
        EXPECT_EQ(cfg.AddPhotoPositionItem(Item(left, top)), 1);
    EXPECT_EQ(Held(cfg), (Pairs{{5, 30}, {10, 5}, {10, 20}}));
    EXPECT_EQ(Count(cfg), 0u); // the stored count waits for the next save or load

    Item item;
    EXPECT_EQ(cfg.GetPhotoPositionItem(1, item), 1);
    EXPECT_EQ(std::pair(item.PhotoLeft, item.PhotoTop), std::pair(10, 5));
    EXPECT_EQ(cfg.SetPhotoPositionItem(0, Item(99, 0)), 1); // neither sorted nor checked
    for (int bad : {-1, 3}) {
        EXPECT_EQ(cfg.GetPhotoPositionItem(bad, item), 0);
        EXPECT_EQ(cfg.SetPhotoPositionItem(bad, item), 0);
        EXPECT_EQ(cfg.RemovePhotoPositionItem(bad), 0);
    }
    EXPECT_EQ(Held(cfg), (Pairs{{99, 0}, {10, 5}, {10, 20}}));
    tagZanExpPhotoPositionInfo two[2] = {};
    EXPECT_EQ(cfg.GetItemList(two, -4) + cfg.GetItemList(two, 1), 6);
    EXPECT_EQ(std::pair(two[0].PhotoLeft, two[1].PhotoLeft), std::pair(99, 0)); // one copied
    EXPECT_EQ(cfg.RemovePhotoPositionItem(2), 1);
    EXPECT_EQ(Held(cfg), (Pairs{{99, 0}, {10, 5}}));
}

TEST(PhotoPositionCfg, BlobBytesAndBoundedLoading)
{
    CZanXavenPhotoPositionCfg cfg;
    EXPECT_EQ(Blob(cfg), (Bytes{0x49, 0x50, 0x50, 0x45, 16, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0}));
    cfg.AddPhotoPositionItem(Item(-2, 7));
    cfg.AddPhotoPositionItem(Item(300, 1));
    const Bytes blob = Blob(cfg);
    EXPECT_EQ(blob, (Bytes{0x49, 0x50, 0x50, 0x45, 32, 0, 0, 0, 12,   0, 0, 0, 2, 0, 0, 0, //
                           0xFE, 0xFF, 0xFF, 0xFF, 7,  0, 0, 0, 0x2C, 1, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(Count(cfg), 2u);

    // A blob in another order loads as it stands.
    Bytes unsorted = blob;
    std::swap_ranges(unsorted.begin() + 16, unsorted.begin() + 24, unsorted.begin() + 24);
    CZanXavenPhotoPositionCfg loaded;
    EXPECT_EQ(loaded.LoadConfig(unsorted.data()), 32u);
    EXPECT_EQ(Held(loaded), (Pairs{{300, 1}, {-2, 7}}));

    // Refused, the record unchanged: a count the stated size cannot hold (also one that
    // would wrap 32 bits), a stated size beyond what is available or below 16.
    Bytes padded = blob;
    padded.resize(64, 0);
    const std::tuple<int, uint32_t, uint32_t> cases[] = {
        {12, 3, 64}, {12, 0x20000002, 64}, {4, 40, 32}, {4, 15, 64}, {4, 32, 15}};
    for (auto [at, value, available] : cases) {
        Bytes bad = padded;
        for (int i = 0; i < 4; ++i) bad[at + i] = static_cast<unsigned char>(value >> (8 * i));
        EXPECT_EQ(loaded.LoadBlob(bad.data(), available), 0u) << at << ' ' << value;
        EXPECT_EQ(Held(loaded), (Pairs{{300, 1}, {-2, 7}}));
        EXPECT_EQ(Count(loaded), 2u);
    }
    // A stated size larger than the content is accepted; the content's size is returned.
    padded[4] = 64;
    EXPECT_EQ(loaded.LoadBlob(padded.data(), 64), 32u);
    EXPECT_EQ(Held(loaded), (Pairs{{-2, 7}, {300, 1}}));
    EXPECT_EQ(loaded.LoadConfig(nullptr) | loaded.SaveConfig(nullptr), 0u);
}

TEST(PhotoPositionCfg, XmlKeepsTheDocumentOrderAndRoundTrips)
{
    XmlDocument doc(R"(<paperSIZE><PhotoPosition PhotoLeft="10" PhotoTop="5"/><Other/>)"
                    R"(<photoposition/><PhotoPosition PhotoLeft="10" PhotoTop="5"/>)"
                    R"(<PhotoPosition PhotoLeft=" -3x" PhotoTop="4"/></paperSIZE>)");
    CZanXavenPhotoPositionCfg cfg;
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    EXPECT_EQ(Held(cfg), (Pairs{{10, 5}, {0, 0}, {10, 5}, {-3, 4}}));
    EXPECT_EQ(Count(cfg), 4u);
    // The next add sorts; the duplicate pair the document brought stays.
    cfg.AddPhotoPositionItem(Item(1, 1));
    EXPECT_EQ(Held(cfg), (Pairs{{-3, 4}, {0, 0}, {1, 1}, {10, 5}, {10, 5}}));

    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()->getFirstChild()) + cfg.ImportXMLNode(nullptr), 2);
    EXPECT_EQ(Held(cfg).size(), 5u);

    XmlDocument out("<PaperSize/>");
    cfg.RemovePhotoPositionItem(4);
    EXPECT_EQ(cfg.ExportXMLNode(out.Root()), 0);
    EXPECT_EQ(cfg.ExportXMLNode(nullptr), 1);
    EXPECT_EQ(Serialize(out.Root()),
              R"(<PaperSize><PhotoPosition PhotoLeft="-3" PhotoTop="4"/>)"
              R"(<PhotoPosition PhotoLeft="0" PhotoTop="0"/><PhotoPosition PhotoLeft="1" )"
              R"(PhotoTop="1"/><PhotoPosition PhotoLeft="10" PhotoTop="5"/></PaperSize>)");
    CZanXavenPhotoPositionCfg back;
    EXPECT_EQ(back.ImportXMLNode(XmlDocument(Serialize(out.Root())).Root()), 0);
    EXPECT_EQ(Held(back), Held(cfg));
}
