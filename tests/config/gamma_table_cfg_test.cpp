// The gamma table configuration: blob bytes and bounded loading, tables by name, the key-point
// correction and the "GammaTable" XML element.
#include "qlcos/config.h"

#include "support/files.h"
#include "support/xml_support.h"

#include <cstring>
#include <vector>

using namespace qlcos::test;
using Bytes = std::vector<unsigned char>;
using Table = tagZanXavenGammaTableCfgData;
using Pairs = std::vector<std::pair<int, int>>;

namespace {

void Put(Bytes& b, uint32_t v, int bytes = 4)
{
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
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

} // namespace

TEST(GammaTableCfg, TablesByNameBlobAndCorrectValue)
{
    CZanXavenGammaTableCfg cfg, loaded, fresh;
    Bytes expected; // the header, the name in 32 UTF-16 units, three counts, 3 x 256 points
    for (uint32_t v : {0x58564754u, 6236u, 12u, 1u}) Put(expected, v);
    for (char c : std::string("Standard") + std::string(24, 0)) Put(expected, c, 2);
    for (uint32_t v : {2, 2, 2}) Put(expected, v);
    for (int channel = 0; channel < 3; ++channel, expected.resize(expected.size() + 254 * 8))
        for (uint32_t v : {0, 0, 1023, 1023}) Put(expected, v);

    Table t = Red({{0, 1}, {1023, 2}});
    cfg.SetGammaTableData(ZT("Warm"), &t);
    EXPECT_EQ(ZanString(t.szName), ZT("Warm")); // the caller's record now carries the name
    t = Red({{500, 10}, {20, 5}, {900, 7}}, ZT("WARM"));
    t.nGreenCount = 1;
    cfg.SetGammaTableData(ZT("warm"), &t); // replaces the table of that name
    EXPECT_EQ(ZanString(Get(cfg, ZT("wArM")).szName), ZT("WARM"));
    EXPECT_EQ(cfg.GetGammaTableData(ZT("Cold"), &t) + cfg.GetGammaTableData(nullptr, &t), 0);
    EXPECT_EQ(cfg.SetSelectChannel(ZT("Cold")), 0);
    EXPECT_EQ(cfg.SetSelectChannel(ZT("warm")), 1);

    // The blob round trip; a copy keeps the selection too.
    const Bytes blob = Blob(cfg);
    EXPECT_EQ(loaded.LoadConfig(blob.data()), 16u + 2 * 6220);
    EXPECT_EQ(Blob(loaded), blob);
    EXPECT_EQ(Selected(CZanXavenGammaTableCfg(cfg)), ZT("warm")); // the given spelling

    // Refused, the record unchanged: a count that does not fit, a channel count above 256, a
    // stated size beyond what may be read.
    Bytes bad = blob;
    bad[12] = 3;
    EXPECT_EQ(fresh.LoadConfig(bad.data()), 0u);
    bad[12] = 2, bad[16 + 64 + 8 + 1] = 1; // the first blue count is now 258
    EXPECT_EQ(fresh.LoadConfig(bad.data()), 0u);
    EXPECT_EQ(fresh.LoadBlob(blob.data(), static_cast<uint32_t>(blob.size() - 1)), 0u);
    EXPECT_EQ(Blob(fresh), expected); // the bytes of a new record

    cfg.CorrectValue();
    const Table c = Get(cfg, ZT("Warm"));
    EXPECT_EQ(Points(c.RedKP, c.nRedCount), Pairs({{0, 5}, {500, 10}, {1023, 7}}));
    EXPECT_EQ(Points(c.GreenKP, c.nGreenCount), Pairs({{0, 0}, {1023, 1023}}));

    // Names longer than the field are cut to 31 characters, terminator kept, and found again.
    const ZanString longName(40, 'n');
    t.nGreenCount = 999; // held clamped to 256
    for (int i = 0; i < 2; ++i) cfg.SetGammaTableData(longName.c_str(), &t);
    const Table cut = Get(cfg, longName.c_str());
    EXPECT_EQ(ZanString(cut.szName), longName.substr(0, 31));
    EXPECT_EQ(cut.nGreenCount, 256);

    // "Standard" cannot be removed; a selection naming a removed table stays until CorrectValue.
    for (const ZanWChar* name : {ZT("STANDARD"), ZT("Warm"), longName.c_str()})
        cfg.RemoveGammaTableData(name);
    EXPECT_EQ(cfg.GetSize(), 16u + 6220);
    EXPECT_EQ(Selected(cfg), ZT("warm"));
    cfg.CorrectValue();
    EXPECT_EQ(Selected(cfg), ZT("Standard"));
}

TEST(GammaTableCfgXml, ImportScalesExportAndRoundTrip)
{
    std::string many;
    for (int i = 0; i < 300; ++i)
        many += "<KeyValue x=\"" + std::to_string(i % 256) + "\" y=\"1\"/>";
    // "Late" is added at its blue list, before its red one; "Twice" after the list without
    // "Type" and after "Other", its second red list replacing the first; the nameless one and
    // "NoBlue" (no list that adds it) are not.
    XmlDocument doc(R"(<gammatable SelectChannel="late"><GammaValue Name="Late"><KeyValueList
        Type="blue"><KeyValue x="0" y="0"/><KeyValue x="255" y="100"/><KeyValue x="300" y="-5"/>
        <KeyValue x="128"/><KeyValue y="1"/></KeyValueList><KeyValueList Type="Red"><KeyValue
        x="1" y="1"/></KeyValueList></GammaValue><GammaValue Name="Twice"><KeyValueList Type="Red">
        <KeyValue x="9" y="9"/></KeyValueList><KeyValueList Type="RED"><KeyValue x="0" y="3"/>
        <KeyValue x="200" y="4"/></KeyValueList><KeyValueList Type="Green">)" +
                    many +
                    R"(</KeyValueList><KeyValueList/><KeyValueList Type="Other"/></GammaValue>
        <GammaValue Name=""><KeyValueList Type="Blue"/></GammaValue><GammaValue Name="NoBlue">
        <KeyValueList Type="Red"/></GammaValue></gammatable>)");
    CZanXavenGammaTableCfg cfg, back;
    ASSERT_EQ(cfg.ImportXMLNode(doc.Root()), 0);
    const Bytes blob = Blob(cfg);
    ASSERT_EQ(blob.size(), 16u + 4 * 6220);
    EXPECT_EQ(std::memcmp(blob.data() + 16 + 3 * 6220, ZT("Standard"), 18), 0);
    const Table late = Get(cfg, ZT("Late"));
    EXPECT_EQ(Points(late.BlueKP, late.nBlueCount), Pairs({{0, 0}, {1023, 400}, {1023, 0}}));
    EXPECT_EQ(Points(late.RedKP, late.nRedCount), Pairs({{0, 0}, {1023, 1023}}));
    const Table twice = Get(cfg, ZT("Twice"));
    EXPECT_EQ(Points(twice.RedKP, twice.nRedCount), Pairs({{0, 12}, {1023, 16}}));
    ASSERT_EQ(twice.nGreenCount, 256); // the first 256 of 300, sorted
    EXPECT_EQ(Points(twice.GreenKP + 254, 2), Pairs({{1016, 4}, {1023, 4}}));
    // Other nodes are refused and change nothing.
    EXPECT_EQ(cfg.ImportXMLNode(doc.Root()->getFirstElementChild()) + cfg.ImportXMLNode(nullptr) +
                  cfg.ExportXMLNode(nullptr),
              3);
    EXPECT_EQ(Blob(cfg), blob);

    // Exported, x 1023, 1022 and 401 become 255, 255 and 100; a table without blue points
    // keeps an empty blue list.
    Table t = Red({{1023, 1023}, {1022, 7}, {401, 3}}, ZT("Curve"));
    cfg.SetGammaTableData(ZT("Curve"), &t);
    cfg.SetSelectChannel(ZT("curve"));
    XmlDocument out("<PaperStyle/>");
    ASSERT_EQ(cfg.ExportXMLNode(out.Root()), 0);
    EXPECT_NE(Serialize(out.Root())
                  .find(R"(<KeyValue x="255" y="255"/><KeyValue x="255" y="1"/>)"
                        R"(<KeyValue x="100" y="0"/></KeyValueList>)"
                        R"(<KeyValueList Type="Blue"/></GammaValue></GammaTable>)"),
              std::string::npos);

    // Points on the 0 to 255 grid ("Late" is not) come back exactly, corrected.
    cfg.RemoveGammaTableData(ZT("Late"));
    t = Red({{0, 8}, {400, 1023}, {1023, 12}}, ZT("Curve"));
    cfg.SetGammaTableData(ZT("Curve"), &t);
    XmlDocument again("<Out/>");
    ASSERT_EQ(cfg.ExportXMLNode(again.Root()), 0);
    ASSERT_EQ(back.ImportXMLNode(XmlDocument(Serialize(again.Root())).Root()->getFirstChild()), 0);
    cfg.CorrectValue();
    EXPECT_EQ(Blob(back), Blob(cfg));
    EXPECT_EQ(Selected(back), ZT("curve"));
}
