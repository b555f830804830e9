// The colour balance settings: the list operations, the blob (bounded loading included) and
// the "ColorBalanceChannel" XML element.
#include "qlcos/config.h"

#include "config/record_text.h"
#include "support/locale.h"
#include "support/xml_support.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

using namespace qlcos::test;
using Bytes = std::vector<unsigned char>;
using Item = tagZanXavenColorBalanceItem;
using Cfg = CZanXavenColorBalanceCfg;

namespace {

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

// Byte for byte, so that NaNs compare too.
bool Holds(const Cfg& cfg, const std::vector<Item>& expected)
{
    std::vector<Item> items(cfg.GetItemList(nullptr, 0));
    cfg.GetItemList(items.data(), static_cast<int>(items.size()));
    return items.size() == expected.size() &&
           std::memcmp(items.data(), expected.data(), items.size() * sizeof(Item)) == 0;
}

Cfg With(const std::vector<Item>& items)
{
    Cfg cfg;
    for (const Item& i : items) cfg.AddColorBalanceItem(CZanXavenColorBalanceItem(i));
    return cfg;
}

} // namespace

TEST(ColorBalanceCfg, ListRules)
{
    const Item a = Setting(ZT("Lab"), 1, 0), b = Setting(ZT("Other"), 2, 1),
               c = Setting(ZT("LAB"), 3, 2), x = Setting(ZT("New"), 4, 3);
    Cfg cfg = With({a, b, c, Setting(ZT(""), 9, 9)}); // the empty name is not added
    EXPECT_TRUE(Holds(cfg, {a, b, c}));
    // Set overwrites every item of the name, Remove takes the first.
    EXPECT_EQ(cfg.SetColorBalanceItem(ZT("Lab"), CZanXavenColorBalanceItem(x)), 1);
    cfg.RemoveColorBalanceItem(ZT("NEW"));
    EXPECT_TRUE(Holds(cfg, {b, x}));
}

TEST(ColorBalanceCfgBlob, BytesRoundTripAndCorruptBlobsRefused)
{
    Cfg cfg;
    Bytes blob(cfg.GetSize());
    EXPECT_EQ(cfg.SaveConfig(blob.data()), 16u);
    EXPECT_EQ(blob, (Bytes{0x43, 0x4E, 0x46, 0x47, 16, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0}));
    const Item d = Setting(ZT("Lab"), 0x102, 1);
    cfg.AddColorBalanceItem(CZanXavenColorBalanceItem(d));
    blob.resize(cfg.GetSize());
    EXPECT_EQ(cfg.SaveConfig(blob.data()), 232u);

    // Refused, the record unchanged: a count the stated size cannot hold, a stated size
    // beyond what may be read.
    const Item a = Setting(ZT("A"), 1, 0), b = Setting(ZT("B"), 1, 0);
    Cfg loaded = With({a, b});
    blob[12] = 2;
    EXPECT_EQ(loaded.LoadBlob(blob.data(), 232), 0u);
    blob[12] = 1, blob[4] = 233;
    EXPECT_EQ(loaded.LoadBlob(blob.data(), 232), 0u);
    EXPECT_TRUE(Holds(loaded, {a, b}));
    blob[4] = 232;
    EXPECT_EQ(loaded.LoadConfig(blob.data()), 232u); // the list is replaced
    EXPECT_TRUE(Holds(loaded, {d}));
}

TEST(ColorBalanceCfgXml, ImportRulesExportTextAndRoundTripWhateverTheLocale)
{
    DecimalCommaLocale comma;
    XmlDocument doc(R"(<colorbalancechannel><ColorBalance Valve="5"/><ColorBalance Name="Plain"/>
  <COLORBALANCE NAME="Portrait" Valve=" -7x"><ColorBalanceParam Key="cyan" GreenValue="1e1"/>
    <ColorBalanceParam Key="Cyan" BlueValue="2"/><Other Key="Red" RedValue="9"/>
    <colorbalanceparam Key="BLUE" RedValue="-1.25" GreenValue="abc" BlueValue="0.333"/>
  </COLORBALANCE><Other Name="X"/></colorbalancechannel>)");
    Cfg cfg = With({Setting(ZT("Old"), 1, 0)});
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    Item portrait = Setting(ZT("Portrait"), -7, 1, 0);
    portrait.Cyan = {1, 1, 2}; // the later "Cyan" wins whole
    portrait.Blue = {-1.25, 0, 0.333};
    EXPECT_TRUE(Holds(cfg, {Setting(ZT("Plain"), 20, 1, 0), portrait}));

    Item odd = Setting(ZT("Odd"), 99, -4);
    odd.Red = {std::nan(""), HUGE_VAL, -DBL_MAX};
    cfg = With({Setting(ZT("Lab"), -3, 0.5, 0), odd});
    XmlDocument out("<QLCosCtrl/>");
    EXPECT_EQ(cfg.ExportXMLNode(out.Root()), 0);
    Cfg back;
    EXPECT_EQ(back.ImportXMLNode(XmlDocument(Serialize(out.Root())).Root()->getFirstChild()), 0);
    EXPECT_TRUE(Holds(back, {Setting(ZT("Lab"), -3, 0.5, 0), odd})); // NaN and infinity too
    const std::string param = R"(<ColorBalanceParam BlueValue="0.50" GreenValue="0.50" Key=")";
    EXPECT_NE(Serialize(out.Root())
                  .find(R"(<ColorBalance Name="Lab" Valve="-3">)" + param +
                        R"(Cyan" RedValue="0.50"/>)" + param + "Magenta"),
              std::string::npos);

    // Other nodes are refused.
    EXPECT_EQ(
        cfg.ImportXMLNode(out.Root()) + cfg.ImportXMLNode(nullptr) + cfg.ExportXMLNode(nullptr), 3);
}
