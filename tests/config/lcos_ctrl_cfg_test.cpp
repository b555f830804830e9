// The exposure side's whole configuration: its blob around the built-in records, the INI
// keys in their order, the gamma key points handed out, the paper and colour balance
// forwarding, the XML element, and the lock under threads.
#include "qlcos/config.h"

#include "support/files.h"
#include "support/xml_support.h"

#include <cstring>
#include <sstream>
#include <thread>
#include <vector>

using namespace qlcos::test;
using Bytes = std::vector<unsigned char>;
using Data = tagZanLCosCtrlCfgData;

namespace {

Bytes Blob(CZanLCosCtrlCfg& cfg)
{
    Bytes blob(cfg.GetSize());
    EXPECT_EQ(cfg.SaveConfig(blob.data()), blob.size());
    return blob;
}

Data DataOf(const CZanLCosCtrlCfg& cfg)
{
    Data d;
    cfg.GetData(&d);
    return d;
}

uint32_t WordAt(const Bytes& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

tagZanExpPaperSizeInfo SizeInfo(const ZanWChar* name)
{
    tagZanExpPaperSizeInfo info{};
    ZanString(name).copy(info.Name, 31);
    return info;
}

// The keys of `section` in the order the file holds them.
std::vector<std::string> KeysOf(const std::string& text, const std::string& section)
{
    std::vector<std::string> keys;
    std::istringstream in(text);
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] == '[')
            inside = line == "[" + section + "]";
        else if (inside && line.find('=') != std::string::npos)
            keys.push_back(line.substr(0, line.find('=')));
    }
    return keys;
}

} // namespace

TEST(LCosCtrlCfgBlob, InitialisedRecordRoundTripsAndCorruptBlobsAreRefused)
{
    CZanLCosCtrlCfg cfg;
    cfg.InitData();
    Bytes blob = Blob(cfg);
    ASSERT_EQ(blob.size(), 808u); // 672 + controller 104 + empty paper sizes 16 + styles 16
    EXPECT_EQ(WordAt(blob, 0), CZanConfig::kDefaultIdentifier);
    EXPECT_EQ(WordAt(blob, 4), 808u);
    EXPECT_EQ(WordAt(blob, 12), 2u);          // device property block: port 2
    EXPECT_EQ(WordAt(blob, 16), 0xFFFFFFFFu); // second word -1
    EXPECT_EQ(WordAt(blob, 672), CZanXavenControllerCfg::kIdentifier);
    EXPECT_EQ(WordAt(blob, 776), CZanXavenPaperSizeCfg::kIdentifier);
    EXPECT_EQ(DataOf(cfg).DensityStep, 15.0f);

    CZanLCosCtrlCfg fresh;
    ASSERT_EQ(fresh.LoadConfig(blob.data()), 808u);
    Data a = DataOf(cfg), b = DataOf(fresh);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);

    // A paper size count that does not fit, and a stated size beyond the buffer: refused,
    // nothing changes.
    const tagZanExpPaperSizeInfo a4 = SizeInfo(ZT("A4"));
    cfg.AddPaperSize(&a4);
    Bytes good = Blob(cfg);
    Bytes bad = good;
    bad[788] = 0x7F;
    EXPECT_EQ(fresh.LoadBlob(bad.data(), bad.size()), 0u);
    EXPECT_EQ(fresh.LoadBlob(good.data(), good.size() - 1), 0u);
    EXPECT_EQ(cfg.SaveBlob(bad.data(), static_cast<uint32_t>(bad.size() - 1)), 0u);
    EXPECT_EQ(bad[788], 0x7F); // nothing written
    EXPECT_EQ(Blob(fresh), blob);
    EXPECT_EQ(fresh.LoadBlob(good.data(), good.size()), good.size());
    EXPECT_EQ(fresh.GetPaperSizeList(nullptr, 0), 1);
}

TEST(LCosCtrlCfgIni, KeysInTheirOrderAndOneValuePerAlphaPair)
{
    TempFolder folder;
    const ZanString path = folder.WideFile("lab.ini");
    CZanLCosCtrlCfg cfg;
    cfg.InitData();
    Data d = DataOf(cfg);
    d.ALPHAR[0] = 1.0f;
    d.ALPHAR[1] = 2.5f;
    cfg.SetData(&d);
    ASSERT_EQ(cfg.ExportINIFile(path.c_str()), 0);
    const std::string text = IniText(folder.Read("lab.ini"));
    EXPECT_EQ(KeysOf(text, "LCosCtrl"),
              (std::vector<std::string>{
                  "Port",         "Second",      "BaudRate",         "DataBits",    "Reserved1",
                  "Reserved2",    "FuserType",   "DeviceType",       "R_FilterPos", "G_FilterPos",
                  "B_FilterPos",  "R_Channel",   "G_Channel",        "B_Channel",   "DensityStep",
                  "ColorStep",    "HorzMirror",  "VertMirror",       "Negative",    "UseGamma",
                  "GammaBeeline", "USEUniform",  "UseBalanceAdjust", "ALPHAR",      "ALPHAG",
                  "ALPHAB",       "SyncExposal", "SyncExposalTime"}));
    EXPECT_EQ(KeysOf(text, "ExpPaperInfo"),
              (std::vector<std::string>{"PaperSizeCount", "PaperStyleCount"}));
    EXPECT_LT(text.find("[ExpPaperInfo]"), text.find("[stdTime]"));
    EXPECT_LT(text.find("[stdTime]"), text.find("[stdPluse]"));

    CZanLCosCtrlCfg back;
    back.InitData();
    ASSERT_EQ(back.ImportINIFile(path.c_str()), 0);
    EXPECT_EQ(DataOf(back).ALPHAR[0], 2.5f);
    EXPECT_EQ(DataOf(back).ALPHAR[1], 2.5f);
    EXPECT_EQ(DataOf(back).GammaBeeline, 0);

    EXPECT_EQ(cfg.ExportINIFile2(path.c_str()), 0);
    EXPECT_EQ(cfg.ExportINIFile2(folder.WideFile("missing/lab.ini").c_str()), 0x1101);
}

TEST(LCosCtrlCfgGamma, KeyPointsWithTheirFallbacks)
{
    CZanLCosCtrlCfg cfg;
    cfg.InitData();
    tagZanExpPaperStyleInfo glossy{};
    ZanString(ZT("Glossy")).copy(glossy.Name, 31);
    ASSERT_EQ(cfg.AddPaperStyle(&glossy), 1);
    tagZanXavenGammaTableCfgData standard{};
    ZanString(ZT("Standard")).copy(standard.szName, 31); // overwriting takes the record's name
    standard.nRedCount = standard.nGreenCount = standard.nBlueCount = 3;
    standard.RedKP[1] = {512, 600};
    cfg.SetGammaTableData(ZT("Glossy"), ZT("Standard"), &standard);
    tagZanXavenGammaTableCfgData full{};
    full.nRedCount = 256;
    for (int i = 0; i < 256; ++i) full.RedKP[i] = {i * 4, i};
    cfg.SetGammaTableData(ZT("Glossy"), ZT("Full"), &full);

    tagQGFKPValueTab r, g, b;
    EXPECT_EQ(cfg.GetGammaKPValue(ZT("Matt"), ZT("Any"), &r, &g, &b), 0); // the identity
    EXPECT_EQ(r.nCount, 2);
    EXPECT_EQ(b.nInput[1], 1023);
    EXPECT_EQ(b.nOutput[1], 1023);
    cfg.GetGammaKPValue(ZT("Glossy"), ZT("Unknown"), &r, &g, nullptr); // the style's "Standard"
    EXPECT_EQ(g.nCount, 3);
    EXPECT_EQ(r.nOutput[1], 600);
    // 256 points hand out 255: the last but one is left out, both ends stay.
    cfg.GetGammaKPValue(ZT("glossy"), ZT("Full"), &r, nullptr, nullptr);
    EXPECT_EQ(r.nCount, 255);
    EXPECT_EQ(r.nInput[253], 253 * 4);
    EXPECT_EQ(r.nInput[254], 255 * 4);
}

TEST(LCosCtrlCfgForwarding, DetailsAndColourBalance)
{
    CZanLCosCtrlCfg cfg;
    cfg.InitData();
    tagZanExpPaperSizeInfo info = SizeInfo(ZT("A4"));
    info.PaperWidth = 210;
    ASSERT_EQ(cfg.AddPaperSize(&info), 1);
    tagZanExpPaperSizeInfo got{};
    EXPECT_EQ(cfg.GetPaperSizeDetail(ZT("A4"), &got), 1);
    EXPECT_EQ(got.PaperWidth, 210);
    EXPECT_EQ(cfg.GetPaperSizeDetail(ZT("Letter"), &got), 0); // the default item's values
    EXPECT_EQ(got.PaperWidth, 0);
    EXPECT_EQ(got.MultiOvertime, 30);
    EXPECT_EQ(cfg.GetPaperSizeDetail(ZT("A4"), nullptr), 0);
    info.PaperWidth = 211;
    EXPECT_EQ(cfg.SetPaperSizeDetail(ZT("a4"), &info), 1);
    cfg.GetPaperSizeDetail(ZT("A4"), &got);
    EXPECT_EQ(got.PaperWidth, 211);

    // Set under a name that is not held adds the setting under its own name.
    tagZanXavenColorBalanceItem balance;
    CZanXavenColorBalanceItem().Get(&balance);
    ZanString(ZT("Portrait")).copy(balance.Name, 31);
    balance.Valve = 25;
    cfg.SetColorBalance(ZT("Other"), &balance);
    tagZanXavenColorBalanceItem back{};
    EXPECT_EQ(cfg.GetColorBalance(ZT("Other"), &back), 0);
    EXPECT_EQ(cfg.GetColorBalance(ZT("portrait"), &back), 1);
    EXPECT_EQ(back.Valve, 25);
}

TEST(LCosCtrlCfgXml, ExportOnlyIntoXavenServer)
{
    CZanLCosCtrlCfg cfg;
    cfg.InitData();
    XmlDocument other("<Other/>");
    EXPECT_EQ(cfg.ExportXMLNode(other.Root()), 1);
    EXPECT_EQ(other.Root()->getFirstChild(), nullptr);
    XmlDocument server("<xavenserver/>");
    ASSERT_EQ(cfg.ExportXMLNode(server.Root()), 0);
    const std::string text = Serialize(server.Root());
    for (const char* element : {"<QLCosCtrl>", "<XavenController ", "<PrintingPaperSizeChannel ",
                                "<PrintingPaperStyleChannel "})
        EXPECT_NE(text.find(element), std::string::npos) << element;
    EXPECT_EQ(text.find("ColorBalanceChannel"), std::string::npos); // read, never written
    EXPECT_EQ(cfg.ImportXMLNode(server.Root()), 1);
    EXPECT_EQ(cfg.ImportXMLNode(server.Root()->getFirstChild()), 0);
}

TEST(LCosCtrlCfgLock, LockedOperationsFromSeveralThreads)
{
    CZanLCosCtrlCfg cfg;
    cfg.InitData();
    const tagZanExpPaperSizeInfo a4 = SizeInfo(ZT("A4"));
    cfg.AddPaperSize(&a4);
    const Bytes start = Blob(cfg);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&cfg, &start, t] {
            const ZanString name = ZT("T") + ZanString(1, ZanWChar(ZT('0') + t));
            for (int i = 0; i < 100; ++i) {
                tagZanExpPaperSizeInfo info = SizeInfo(name.c_str());
                cfg.AddPaperSize(&info);
                // The size may change between GetSize and the save: SaveBlob checks it.
                Bytes blob(cfg.GetSize());
                const uint32_t saved =
                    cfg.SaveBlob(blob.data(), static_cast<uint32_t>(blob.size()));
                EXPECT_TRUE(saved == 0 || saved <= blob.size());
                cfg.RemovePaperSize(name.c_str());
                if (i % 10 == 0) {
                    EXPECT_NE(cfg.LoadConfig(start.data()), 0u);
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(cfg.GetPaperSizeList(nullptr, 0), 1);
}
