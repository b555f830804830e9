// The photo position configuration: the sorted unique list, its blob (bounded loading
// included) and its "PhotoPosition" elements.
#include "qlcos/config.h"

#include "support/xml_support.h"

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

} // namespace

TEST(PhotoPositionCfg, AddKeepsTheListUniqueAndSortedIndexOperationsCheckTheRange)
{
    CZanXavenPhotoPositionCfg cfg;
    for (auto [left, top] : Pairs{{10, 20}, {5, 30}, {10, 5}, {5, 30}})
        EXPECT_EQ(cfg.AddPhotoPositionItem(Item(left, top)), 1);
    EXPECT_EQ(Held(cfg), (Pairs{{5, 30}, {10, 5}, {10, 20}}));

    Item item;
    EXPECT_EQ(cfg.SetPhotoPositionItem(0, Item(99, 0)), 1); // neither sorted nor checked
    for (int bad : {-1, 3})
        EXPECT_EQ(cfg.GetPhotoPositionItem(bad, item) + cfg.SetPhotoPositionItem(bad, item) +
                      cfg.RemovePhotoPositionItem(bad),
                  0);
    EXPECT_EQ(cfg.RemovePhotoPositionItem(2), 1);
    EXPECT_EQ(Held(cfg), (Pairs{{99, 0}, {10, 5}}));
}

TEST(PhotoPositionCfg, BlobBytesAndBoundedLoading)
{
    CZanXavenPhotoPositionCfg cfg, loaded;
    cfg.AddPhotoPositionItem(Item(-2, 7));
    cfg.AddPhotoPositionItem(Item(300, 1));
    Bytes blob(cfg.GetSize());
    EXPECT_EQ(cfg.SaveConfig(blob.data()), 32u);
    EXPECT_EQ(blob, (Bytes{0x49, 0x50, 0x50, 0x45, 32, 0, 0, 0, 12,   0, 0, 0, 2, 0, 0, 0, //
                           0xFE, 0xFF, 0xFF, 0xFF, 7,  0, 0, 0, 0x2C, 1, 0, 0, 1, 0, 0, 0}));

    // A blob in another order loads as it stands.
    std::swap_ranges(blob.begin() + 16, blob.begin() + 24, blob.begin() + 24);
    EXPECT_EQ(loaded.LoadConfig(blob.data()), 32u);

    // Refused, the record unchanged: a count the stated size cannot hold, a stated size
    // beyond what may be read.
    blob[12] = 3;
    EXPECT_EQ(loaded.LoadBlob(blob.data(), 32), 0u);
    blob[12] = 2, blob[4] = 40;
    EXPECT_EQ(loaded.LoadBlob(blob.data(), 32), 0u);
    EXPECT_EQ(Held(loaded), (Pairs{{300, 1}, {-2, 7}}));
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

    XmlDocument out("<PaperSize/>");
    EXPECT_EQ(cfg.ExportXMLNode(out.Root()), 0);
    EXPECT_EQ(Serialize(out.Root()),
              R"(<PaperSize><PhotoPosition PhotoLeft="10" PhotoTop="5"/>)"
              R"(<PhotoPosition PhotoLeft="0" PhotoTop="0"/><PhotoPosition PhotoLeft="10" )"
              R"(PhotoTop="5"/><PhotoPosition PhotoLeft="-3" PhotoTop="4"/></PaperSize>)");
    CZanXavenPhotoPositionCfg back;
    EXPECT_EQ(back.ImportXMLNode(XmlDocument(Serialize(out.Root())).Root()), 0);
    EXPECT_EQ(Held(back), Held(cfg));
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()->getFirstChild()) + cfg.ImportXMLNode(nullptr) +
                  cfg.ExportXMLNode(nullptr),
              3);
    EXPECT_EQ(Held(cfg).size(), 4u); // refused imports change nothing
}
