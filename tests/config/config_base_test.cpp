// The configuration record base: header, blob of a record without data, copies.
#include "qlcos/config.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A record with one 32-bit word of data, as the record classes build on the base.
class WordCfg : public CZanConfig {
public:
    WordCfg() : CZanConfig(0x44524F57) {}
    uint32_t GetSize() const override { return GetHeadSize() + 4; }
    void InitData() override { word = 0x1234; }
    uint32_t SaveConfig(unsigned char* data) override
    {
        FillHead();
        std::memcpy(data, &head, 12);
        std::memcpy(data + 12, &word, 4);
        return GetSize();
    }
    uint32_t LoadConfig(const unsigned char* data) override
    {
        std::memcpy(&head, data, 12);
        std::memcpy(&word, data + 12, 4);
        return GetSize();
    }
    void FillHead() override { FillHeadOf(head); }
    tagZanConfigHead head{};
    uint32_t word = 0;
};

} // namespace

TEST(ConfigBase, BareRecordBlobAndHeader)
{
    CZanConfig plain;
    EXPECT_EQ(plain.GetIdentifier(), CZanConfig::kDefaultIdentifier);
    EXPECT_EQ(plain.GetHeadSize(), 12u);
    EXPECT_EQ(plain.GetSize(), 12u);
    std::vector<unsigned char> blob(16, 0xEE);
    EXPECT_EQ(plain.SaveConfig(blob.data()), 12u);
    EXPECT_EQ(blob, (std::vector<unsigned char>{0x43, 0x4E, 0x46, 0x47, 12, 0, 0, 0, 12, 0, 0, 0,
                                                0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_NE(plain.IsValidData(blob.data()), 0);
    EXPECT_EQ(plain.LoadConfig(blob.data()), 12u);
    blob[4] = 11; // total size below the header
    EXPECT_EQ(plain.IsValidData(blob.data()), 0);
    EXPECT_EQ(plain.IsValidData(nullptr), 0);
    EXPECT_EQ(plain.SaveConfig(nullptr), 0u);
    EXPECT_EQ(plain.Create(), 1);
    EXPECT_EQ(plain.Destroy(), 1);
    EXPECT_EQ(plain.Initialize(), 1);
    EXPECT_EQ(plain.ImportINIFile(ZT("x.ini")), 0);
    EXPECT_EQ(plain.GetData(nullptr), 0);
}

TEST(ConfigBase, IdentifiersSeparateRecordsAndCopyCarriesTheData)
{
    WordCfg a;
    a.Initialize();
    a.word = 0xCAFEF00D;
    std::vector<unsigned char> blob(a.GetSize());
    EXPECT_EQ(a.SaveConfig(blob.data()), 16u);
    EXPECT_EQ(blob[0], 0x57); // "WORD"
    EXPECT_EQ(blob[4], 16);
    CZanConfig plain;
    EXPECT_NE(a.IsValidData(blob.data()), 0);
    EXPECT_EQ(plain.IsValidData(blob.data()), 0); // another identifier

    WordCfg b;
    EXPECT_EQ(b.Copy(&a), 1);
    EXPECT_EQ(b.word, 0xCAFEF00Du);
    EXPECT_EQ(b.Copy(&plain), 0); // another class
    EXPECT_EQ(b.Copy(&b), 1);
    WordCfg c(a);
    EXPECT_EQ(c.GetIdentifier(), 0x44524F57u);
    EXPECT_EQ(c.word, 0xCAFEF00Du);
}
