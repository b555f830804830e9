// The gamma table configuration: blob bytes and bounded loading, tables by name, the key-point
// correction and the "GammaTable" XML element.
#include "qlcos/config.h"

#include "support/files.h"
#include "support/xml_support.h"

#include <climits>
#include <cstring>
#include <vector>

using namespace qlcos::test;
using Bytes = std::vector<unsigned char>;
using Table = tagZanXavenGammaTableCfgData;
using Pairs = std::vector<std::pair<int, int>>;

namespace {

void Put(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

Bytes Blob(CZanXavenGammaTableCfg& cfg)
{
    Bytes blob(cfg.GetSize());
    EXPECT_EQ(cfg.SaveConfig(blob.data()), blob.size());
    return blob;
}

Table Get(const CZanXavenGammaTableCfg& cfg, const ZanWChar* name)
{
    Table t{};
    EXPECT_EQ(cfg.GetGammaTableData(name, &t), 1) << Utf8(name);
    return t;
}

ZanString Selected(const CZanXavenGammaTableCfg& cfg)
{
    ZanWChar name[32];
    cfg.GetSelectChannel(name);
    return name;
}

Pairs Points(const tagZanXavenGammaKeyPoint* kp, int count)
{
    Pairs out;
    for (int i = 0; i < count; ++i) out.emplace_back(kp[i].x, kp[i].y);
    return out;
}

// A table named `name` whose red channel holds `red`; green and blue stay empty.
Table Red(const Pairs& red, const ZanWChar* name = ZT(""))
{
    Table t{};
    std::copy(name, name + ZanString(name).size(), t.szName);
    t.nRedCount = static_cast<int32_t>(red.size());
    for (size_t i = 0; i < red.size(); ++i) t.RedKP[i] = {red[i].first, red[i].second};
    return t;
}

const Pairs kIdentity = {{0, 0}, {1023, 1023}};

} // namespace

TEST(GammaTableCfgBlob, NewRecordBytesAndRoundTripKeepingStandardSelected)
{
    CZanXavenGammaTableCfg cfg;
    Bytes expected;
    for (uint32_t v : {0x58564754u, 6236u, 12u, 1u}) Put(expected, v);
    for (char16_t c : std::u16string(u"Standard") + std::u16string(24, 0)) {
        expected.push_back(static_cast<unsigned char>(c));
        expected.push_back(static_cast<unsigned char>(c >> 8));
    }
    for (uint32_t v : {2, 2, 2}) Put(expected, v);
    for (int channel = 0; channel < 3; ++channel) {
        for (uint32_t v : {0, 0, 1023, 1023}) Put(expected, v);
        expected.resize(expected.size() + 254 * 8, 0);
    }
    EXPECT_EQ(Blob(cfg), expected);
    EXPECT_EQ(Selected(cfg), ZT("Standard"));

    Table mine = Red({{0, 3}, {512, 600}, {1023, 900}});
    cfg.SetGammaTableData(ZT("Mine"), &mine);
    EXPECT_EQ(cfg.SetSelectChannel(ZT("MINE")), 1);
    const Bytes blob = Blob(cfg);
    CZanXavenGammaTableCfg loaded, copy(cfg), assigned;
    EXPECT_EQ(loaded.LoadConfig(blob.data()), 16u + 2 * 6220);
    EXPECT_EQ(Blob(loaded), blob);
    EXPECT_EQ(Selected(loaded), ZT("Standard")); // the selection is not in the blob
    assigned = cfg;
    for (CZanXavenGammaTableCfg* c : {&copy, &assigned}) {
        EXPECT_EQ(Blob(*c), blob);
        EXPECT_EQ(Selected(*c), ZT("MINE"));
    }
}

TEST(GammaTableCfgBlob, CorruptBlobsAreRefusedAndLeaveTheRecordAsItWas)
{
    CZanXavenGammaTableCfg source;
    Table t = Red(kIdentity);
    source.SetGammaTableData(ZT("Two"), &t);
    const Bytes good = Blob(source);

    CZanXavenGammaTableCfg cfg;
    cfg.SetGammaTableData(ZT("Kept"), &t);
    cfg.SetSelectChannel(ZT("Kept"));
    const Bytes before = Blob(cfg);
    auto patched = [&](size_t at, uint32_t v) {
        Bytes b = good;
        for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<unsigned char>(v >> (8 * i));
        return b;
    };
    const size_t red = 16 + 64, blue = red + 8, secondRed = red + 6220;
    const Bytes bad[] = {patched(12, 3),       patched(12, 0x80000000u),    patched(4, 15),
                         patched(red, 257),    patched(blue, uint32_t(-1)), patched(secondRed, 300),
                         patched(4, 16 + 6220)};                        // one table only
    for (const Bytes& b : bad) EXPECT_EQ(cfg.LoadConfig(b.data()), 0u); // each just its bytes
    EXPECT_EQ(cfg.LoadBlob(good.data(), static_cast<uint32_t>(good.size() - 1)), 0u);
    EXPECT_EQ(cfg.LoadConfig(nullptr), 0u);
    EXPECT_EQ(Blob(cfg), before);
    EXPECT_EQ(Selected(cfg), ZT("Kept"));

    // A stated size with room to spare is read only as far as the tables go.
    Bytes roomy = patched(4, static_cast<uint32_t>(good.size() + 8));
    roomy.resize(good.size() + 8);
    EXPECT_EQ(cfg.LoadBlob(roomy.data(), static_cast<uint32_t>(roomy.size())), good.size());
    EXPECT_EQ(Blob(cfg), good);
}

TEST(GammaTableCfg, TablesByNameAndTheSelection)
{
    CZanXavenGammaTableCfg cfg;
    Table t = Red({{0, 1}, {1023, 2}});
    cfg.SetGammaTableData(ZT("Warm"), &t);
    EXPECT_EQ(ZanString(t.szName), ZT("Warm")); // the caller's record now carries the name
    t = Red({{0, 9}, {1023, 9}});
    std::memcpy(t.szName, ZT("WARM"), 10);
    t.nGreenCount = 999; // held clamped to 256
    cfg.SetGammaTableData(ZT("warm"), &t);
    EXPECT_EQ(cfg.GetSize(), 16u + 2 * 6220);
    const Table held = Get(cfg, ZT("wArM"));
    EXPECT_EQ(ZanString(held.szName), ZT("WARM"));
    EXPECT_EQ(Points(held.RedKP, held.nRedCount), Pairs({{0, 9}, {1023, 9}}));
    EXPECT_EQ(held.nGreenCount, 256);
    EXPECT_EQ(cfg.GetGammaTableData(ZT("Cold"), &t) + cfg.GetGammaTableData(nullptr, &t), 0);

    // Names longer than the field are cut to 31 characters, terminator kept, and found again.
    const ZanString longName(40, 'n');
    cfg.SetGammaTableData(longName.c_str(), &t);
    cfg.SetGammaTableData(longName.c_str(), &t);
    EXPECT_EQ(cfg.GetSize(), 16u + 3 * 6220);
    EXPECT_EQ(ZanString(Get(cfg, longName.c_str()).szName), longName.substr(0, 31));

    EXPECT_EQ(cfg.SetSelectChannel(ZT("Cold")), 0);
    EXPECT_EQ(cfg.SetSelectChannel(ZT("standard")), 1);
    EXPECT_EQ(Selected(cfg), ZT("standard")); // the given spelling
    cfg.SetSelectChannel(ZT("warm"));
    cfg.RemoveGammaTableData(ZT("STANDARD"));
    cfg.RemoveGammaTableData(ZT("Warm"));
    EXPECT_EQ(cfg.GetSize(), 16u + 2 * 6220); // "Standard" and the long name
    EXPECT_EQ(Selected(cfg), ZT("warm"));     // still names the removed table
}

TEST(GammaTableCfg, CorrectValueSortsPinsAndRestoresStandard)
{
    CZanXavenGammaTableCfg cfg;
    Table t = Red({{500, 10}, {20, 5}, {900, 7}});
    t.nGreenCount = 1;
    t.BlueKP[0] = {INT_MAX, 1}, t.BlueKP[1] = {INT_MIN, 2}, t.BlueKP[2] = {-1, 3};
    t.nBlueCount = 3;
    cfg.SetGammaTableData(ZT("Odd"), &t);
    cfg.SetSelectChannel(ZT("odd"));
    cfg.CorrectValue();
    Table c = Get(cfg, ZT("Odd"));
    EXPECT_EQ(Points(c.RedKP, c.nRedCount), Pairs({{0, 5}, {500, 10}, {1023, 7}}));
    EXPECT_EQ(Points(c.GreenKP, c.nGreenCount), kIdentity);
    EXPECT_EQ(Points(c.BlueKP, c.nBlueCount), Pairs({{0, 2}, {-1, 3}, {1023, 1}}));
    EXPECT_EQ(Selected(cfg), ZT("odd"));
    cfg.RemoveGammaTableData(ZT("odd"));
    cfg.CorrectValue();
    EXPECT_EQ(Selected(cfg), ZT("Standard"));
}

TEST(GammaTableCfgXml, ImportScalesReadsListsAsTheyComeAndRefusesOtherNodes)
{
    std::string many;
    for (int i = 0; i < 300; ++i)
        many += "<KeyValue x=\"" + std::to_string(i % 256) + "\" y=\"1\"/>";
    XmlDocument doc(R"(<gammatable SelectChannel="late"><GammaValue Name="Late">
          <KeyValueList Type="blue"><KeyValue x="0" y="0"/><KeyValue x="255" y="100"/>
            <KeyValue x="300" y="-5"/><KeyValue x="128"/><KeyValue y="1"/></KeyValueList>
          <KeyValueList Type="Red"><KeyValue x="1" y="1"/></KeyValueList>
          <KeyValueList Type="Green"><KeyValue x="2" y="2"/></KeyValueList></GammaValue>
        <GammaValue Name="Twice"><KeyValueList Type="Red"><KeyValue x="9" y="9"/></KeyValueList>
          <KeyValueList Type="RED"><KeyValue x="0" y="3"/><KeyValue x="200" y="4"/></KeyValueList>
          <KeyValueList Type="Green">)" +
                    many +
                    R"(</KeyValueList><KeyValueList/><KeyValueList Type="Other"/></GammaValue>
        <GammaValue Name=""><KeyValueList Type="Blue"/></GammaValue>
        <GammaValue Name="NoBlue"><KeyValueList Type="Red"/></GammaValue></gammatable>)");
    CZanXavenGammaTableCfg cfg;
    ASSERT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    EXPECT_EQ(Selected(cfg), ZT("late"));
    // "Late" (blue only; red and green came after it), "Twice" twice (after the list without
    // "Type" and after "Other"), then the default "Standard".
    const Bytes blob = Blob(cfg);
    ASSERT_EQ(blob.size(), 16u + 4 * 6220);
    EXPECT_EQ(std::memcmp(blob.data() + 16 + 3 * 6220, ZT("Standard"), 18), 0);
    const Table late = Get(cfg, ZT("Late"));
    EXPECT_EQ(Points(late.BlueKP, late.nBlueCount), Pairs({{0, 0}, {1023, 400}, {1023, 0}}));
    EXPECT_EQ(Points(late.RedKP, late.nRedCount), kIdentity);
    EXPECT_EQ(Points(late.GreenKP, late.nGreenCount), kIdentity);
    const Table twice = Get(cfg, ZT("Twice"));
    EXPECT_EQ(Points(twice.RedKP, twice.nRedCount), Pairs({{0, 12}, {1023, 16}}));
    ASSERT_EQ(twice.nGreenCount, 256); // the first 256 of 300, sorted
    EXPECT_EQ(Points(twice.GreenKP, 2), Pairs({{0, 4}, {4, 4}}));
    EXPECT_EQ(Points(twice.GreenKP + 254, 2), Pairs({{1016, 4}, {1023, 4}}));
    EXPECT_EQ(cfg.GetGammaTableData(ZT("NoBlue"), nullptr), 0);

    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()->getFirstElementChild()), 1);
    EXPECT_EQ(cfg.ImportXMLNode(nullptr), 1);
    EXPECT_EQ(Blob(cfg), blob);
    EXPECT_EQ(Selected(cfg), ZT("late"));
}

TEST(GammaTableCfgXml, ExportTextAndRoundTrip)
{
    CZanXavenGammaTableCfg cfg;
    Table t = Red({{1023, 1023}, {1022, 7}, {401, 3}}, ZT("Curve"));
    cfg.SetGammaTableData(ZT("Curve"), &t);
    cfg.SetSelectChannel(ZT("curve"));
    XmlDocument doc("<PaperStyle/>");
    ASSERT_EQ(cfg.ExportXMLNode(doc.Root()), 0);
    xercesc::DOMElement* e = doc.Root()->getFirstElementChild();
    e->removeAttribute(u"CreateTime");
    const std::string identity = R"(<KeyValue x="0" y="0"/><KeyValue x="255" y="255"/>)";
    EXPECT_EQ(
        Serialize(e),
        R"(<GammaTable Comment="Vudodura Gamma Table Data" SelectChannel="curve">)"
        R"(<GammaValue Name="Standard"><KeyValueList Type="Red">)" +
            identity + R"(</KeyValueList><KeyValueList Type="Green">)" + identity +
            R"(</KeyValueList><KeyValueList Type="Blue">)" + identity +
            R"(</KeyValueList></GammaValue><GammaValue Name="Curve"><KeyValueList Type="Red">)"
            R"(<KeyValue x="255" y="255"/><KeyValue x="255" y="1"/><KeyValue x="100" y="0"/>)"
            R"(</KeyValueList><KeyValueList Type="Blue"/></GammaValue></GammaTable>)");

    // Points on the 0 to 255 grid come back exactly, corrected; a table without blue points
    // is kept by its empty blue list.
    t = Red({{0, 8}, {400, 1023}, {1023, 12}}, ZT("Curve"));
    cfg.SetGammaTableData(ZT("Curve"), &t);
    XmlDocument out("<Out/>");
    ASSERT_EQ(cfg.ExportXMLNode(out.Root()), 0);
    XmlDocument reparsed(Serialize(out.Document()));
    CZanXavenGammaTableCfg back;
    ASSERT_EQ(back.ImportXMLNode(reparsed.Root()->getFirstChild()), 0);
    cfg.CorrectValue();
    EXPECT_EQ(Blob(back), Blob(cfg));
    EXPECT_EQ(Selected(back), ZT("curve"));

    EXPECT_EQ(cfg.ExportXMLNode(nullptr), 1);
    EXPECT_EQ(cfg.ExportXMLNode(out.Document()), 1); // a document takes one root only
}
