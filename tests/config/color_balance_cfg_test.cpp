// The colour balance settings: the item, the list operations, the blob (bounded loading
// included) and the "ColorBalanceChannel" XML element.
#include "qlcos/config.h"

#include "config/record_text.h"
#include "support/files.h"
#include "support/locale.h"
#include "support/xml_support.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

using namespace qlcos::test;
using Bytes = std::vector<unsigned char>;
using Item = tagZanXavenColorBalanceItem;
using Cfg = CZanXavenColorBalanceCfg;

namespace {

// Bytes from hex digits; spaces only group them.
Bytes Hex(const std::string& text)
{
    Bytes out;
    for (size_t i = 0; i < text.size(); i += text[i] == ' ' ? 1 : 2)
        if (text[i] != ' ') out.push_back(std::stoi(text.substr(i, 2), nullptr, 16));
    return out;
}

// A setting whose 18 factors count up from `base` in steps of `step`, Red to Yellow.
Item Setting(const ZanWChar* name, int32_t valve, double base, double step = 0.25)
{
    Item d{};
    qlcos::config::CopyText(d.Name, name);
    d.Valve = valve;
    for (auto* f : {&d.Red, &d.Green, &d.Blue, &d.Cyan, &d.Magenta, &d.Yellow}) {
        *f = {base, base + step, base + 2 * step};
        base += 3 * step;
    }
    return d;
}

std::vector<Item> Items(const Cfg& cfg)
{
    std::vector<Item> items(cfg.GetItemList(nullptr, 0));
    cfg.GetItemList(items.data(), static_cast<int>(items.size()));
    return items;
}

// Byte for byte, so that NaNs compare too.
bool Same(const std::vector<Item>& a, const std::vector<Item>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Item)) == 0;
}

Cfg With(const std::vector<Item>& items)
{
    Cfg cfg;
    for (const Item& i : items) cfg.AddColorBalanceItem(CZanXavenColorBalanceItem(i));
    return cfg;
}

Bytes Blob(Cfg& cfg)
{
    Bytes blob(cfg.GetSize());
    EXPECT_EQ(cfg.SaveConfig(blob.data()), blob.size());
    return blob;
}

} // namespace

TEST(ColorBalanceCfg, ItemDefaultsAndListRules)
{
    Item d;
    std::memset(&d, 0xAB, sizeof d);
    CZanXavenColorBalanceItem().Get(&d);
    EXPECT_TRUE(Same({d}, {Setting(ZT(""), 20, 1, 0)}));

    const Item a = Setting(ZT("Lab"), 1, 0), b = Setting(ZT("Other"), 2, 1),
               c = Setting(ZT("LAB"), 3, 2), x = Setting(ZT("New"), 4, 3);
    EXPECT_TRUE(CZanXavenColorBalanceItem(a) == CZanXavenColorBalanceItem(c));
    EXPECT_FALSE(CZanXavenColorBalanceItem(Setting(ZT("\u00c4"), 1, 0)) ==
                 CZanXavenColorBalanceItem(Setting(ZT("\u00e4"), 1, 0))); // only A to Z fold
    Cfg cfg = With({a, b, c, Setting(ZT(""), 9, 9)}); // the empty name is not added
    EXPECT_TRUE(Same(Items(cfg), {a, b, c}));
    CZanXavenColorBalanceItem found;
    EXPECT_EQ(cfg.GetColorBalanceItem(ZT("lab"), found), 1); // the last of that name
    found.Get(&d);
    EXPECT_TRUE(Same({d}, {c}));
    EXPECT_EQ(cfg.GetColorBalanceItem(ZT("none"), found) + cfg.GetColorBalanceItem(nullptr, found),
              0);
    // Set overwrites every item of the name, Remove takes the first.
    EXPECT_EQ(cfg.SetColorBalanceItem(ZT("Lab"), CZanXavenColorBalanceItem(x)), 1);
    EXPECT_EQ(cfg.SetColorBalanceItem(ZT("Lab"), CZanXavenColorBalanceItem(a)), 0);
    EXPECT_TRUE(Same(Items(cfg), {x, b, x}));
    cfg.RemoveColorBalanceItem(ZT("NEW"));
    cfg.RemoveColorBalanceItem(nullptr);
    EXPECT_TRUE(Same(Items(cfg), {b, x}));
    Item list[2] = {};
    EXPECT_EQ(cfg.GetItemList(list, 1), 2);
    EXPECT_TRUE(Same({list[0], list[1]}, {b, Item{}})); // nothing past the capacity
}

TEST(ColorBalanceCfgBlob, BytesAndLoadReplacingTheList)
{
    Cfg cfg;
    EXPECT_EQ(Blob(cfg), Hex("434E4647 10000000 0C000000 00000000"));
    Item d = Setting(ZT("Lab"), 0x102, 1, 0);
    d.Red.RedValue = 0.5;
    d.Yellow.BlueValue = -1.5;
    cfg.AddColorBalanceItem(CZanXavenColorBalanceItem(d));
    Bytes blob = Blob(cfg);
    std::string ones;
    for (int i = 0; i < 16; ++i) ones += "000000000000F03F";
    EXPECT_EQ(blob,
              Hex("434E4647 E8000000 0C000000 01000000 4C006100 6200" + std::string(116, '0') +
                  "02010000 00000000 000000000000E03F" + ones + "000000000000F8BF"));

    // The reserved word is ignored, an unterminated name cut; the list is replaced.
    blob[16 + 68] = 0x55;
    for (int i = 0; i < 64; i += 2) blob[16 + i] = 'x';
    Cfg loaded = With({Setting(ZT("A"), 1, 0), Setting(ZT("B"), 1, 0)});
    EXPECT_EQ(loaded.LoadConfig(blob.data()), 232u);
    qlcos::config::CopyText(d.Name, ZanString(31, 'x').c_str());
    EXPECT_TRUE(Same(Items(loaded), {d}));

    // NaN and infinities are kept as they are; Copy goes through the blob.
    d.Red = {std::nan(""), HUGE_VAL, -HUGE_VAL};
    Cfg odd = With({d}), copy;
    EXPECT_EQ(copy.Copy(&odd), 1);
    EXPECT_TRUE(Same(Items(copy), {d}));
}

TEST(ColorBalanceCfgBlob, CorruptBlobsAreRefusedAndChangeNothing)
{
    Cfg source = With({Setting(ZT("One"), 1, 0)});
    const Bytes valid = Blob(source);
    Cfg cfg = With({Setting(ZT("A"), 1, 0), Setting(ZT("B"), 2, 1)});
    const Bytes before = Blob(cfg);
    // Counts beyond the stated size (one whose 32-bit byte count wraps to 32), a stated size
    // beyond what is there or below 16.
    const std::array<uint32_t, 3> cases[] = {{3, 448, 448},         {0xFFFFFFFF, 448, 448},
                                             {0x12F684C, 448, 448}, {1, 233, 232},
                                             {0, 15, 448},          {0, 16, 15}};
    for (auto [count, stated, available] : cases) { // count, stated size, bytes available
        Bytes bad = valid;
        bad.resize(available); // exactly what may be read, so that ASan sees any overread
        if (available >= 16) std::memcpy(&bad[4], &stated, 4), std::memcpy(&bad[12], &count, 4);
        EXPECT_EQ(cfg.LoadBlob(bad.data(), available), 0u) << count << " " << stated;
        EXPECT_EQ(Blob(cfg), before);
    }
    EXPECT_EQ(cfg.LoadBlob(nullptr, 100) + cfg.LoadConfig(nullptr), 0u);

    Bytes roomy = valid; // a stated size larger than the items need is fine
    roomy.resize(448);
    roomy[4] = 0xC0, roomy[5] = 0x01;
    EXPECT_EQ(cfg.LoadBlob(roomy.data(), 448), 232u);
    EXPECT_TRUE(Same(Items(cfg), Items(source)));
}

TEST(ColorBalanceCfgXml, ImportRules)
{
    XmlDocument doc(R"(<colorbalancechannel>
  <ColorBalance Valve="5"/><ColorBalance Name="" Valve="5"/><ColorBalance Name="Plain"/>
  <COLORBALANCE NAME="Portrait" Valve=" -7x"><!-- skipped -->
    <ColorBalanceParam Key="cyan" RedValue="0.5" GreenValue="1e1"/>
    <ColorBalanceParam Key="Cyan" BlueValue="2"/>
    <colorbalanceparam Key="BLUE" RedValue="-1.25" GreenValue="abc" BlueValue="0.333"/>
    <ColorBalanceParam Key="Black" RedValue="9"/><Other Key="Red" RedValue="9"/>
  </COLORBALANCE>
  <Other Name="X"/><ColorBalance Name="0123456789012345678901234567890123"/>
</colorbalancechannel>)");
    Cfg cfg = With({Setting(ZT("Old"), 1, 0)});
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    Item portrait = Setting(ZT("Portrait"), -7, 1, 0);
    portrait.Cyan = {1, 1, 2}; // the later "Cyan" wins whole
    portrait.Blue = {-1.25, 0, 0.333};
    EXPECT_TRUE(Same(Items(cfg), {Setting(ZT("Plain"), 20, 1, 0), portrait,
                                  Setting(ZT("0123456789012345678901234567890"), 20, 1, 0)}));

    // Other nodes are refused and leave the list.
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()->getFirstElementChild()), 1);
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()->getFirstChild()), 1); // text
    EXPECT_EQ(cfg.ImportXMLNode(nullptr), 1);
    EXPECT_EQ(Items(cfg).size(), 3u);
}

TEST(ColorBalanceCfgXml, ExportTextAndRoundTripWhateverTheLocale)
{
    DecimalCommaLocale comma;
    Item odd = Setting(ZT("Odd"), 99, -4);
    odd.Red = {std::nan(""), HUGE_VAL, -DBL_MAX};
    Cfg cfg = With({Setting(ZT("Lab"), -3, 0.5, 0), odd});
    XmlDocument doc("<QLCosCtrl/>");
    EXPECT_EQ(cfg.ExportXMLNode(doc.Root()), 0);
    XmlDocument reparsed(Serialize(doc.Document()));
    xercesc::DOMElement* e = doc.Root()->getFirstElementChild();
    // Odd doubles are written without fault; NaN and infinity read back as 0.
    auto* oddRed = static_cast<xercesc::DOMElement*>(e->getLastChild()->getChildNodes()->item(3));
    EXPECT_EQ(Utf8(oddRed->getAttribute(u"Key")) + Utf8(oddRed->getAttribute(u"RedValue")) +
                  Utf8(oddRed->getAttribute(u"GreenValue")),
              "Rednaninf");
    e->removeChild(e->getLastChild());
    EXPECT_TRUE(e->hasAttribute(u"CreateTime")); // the shared record element's time stamp
    e->removeAttribute(u"CreateTime");
    std::string text = R"(<ColorBalanceChannel Comment="Vudodura Color Balance Adjust">)"
                       R"(<ColorBalance Name="Lab" Valve="-3">)";
    for (const char* key : {"Cyan", "Magenta", "Yellow", "Red", "Green", "Blue"})
        text += std::string(R"(<ColorBalanceParam Key=")") + key +
                R"(" RedValue="0.50" GreenValue="0.50" BlueValue="0.50"/>)";
    XmlDocument expected(text + "</ColorBalance></ColorBalanceChannel>");
    EXPECT_EQ(Serialize(e), Serialize(expected.Root())); // both in the serializer's order

    Cfg back;
    EXPECT_EQ(back.ImportXMLNode(reparsed.Root()->getFirstChild()), 0);
    odd.Red = {0, 0, -DBL_MAX};
    EXPECT_TRUE(Same(Items(back), {Setting(ZT("Lab"), -3, 0.5, 0), odd}));

    EXPECT_EQ(cfg.ExportXMLNode(nullptr), 1);
    EXPECT_EQ(cfg.ExportXMLNode(doc.Document()), 1); // the document has its root already
}
