// The gamma table configuration: named tables of per-channel key points on a 0 to 1023 scale
// and the name of the selected table.
#pragma once

#include "qlcos/config/config_base.h"

#include <xercesc/dom/DOMNode.hpp>

#include <vector>

// One key point of a gamma channel: input level `x` to output level `y`, both 0 to 1023.
struct tagZanXavenGammaKeyPoint {
    int32_t x;
    int32_t y;
};
static_assert(sizeof(tagZanXavenGammaKeyPoint) == 8, "a key point is two 32-bit words");

// One named gamma table, 6220 bytes, stored in blobs exactly in this layout. A channel uses
// its first count points (0 to 256); the slots behind the count carry no meaning.
struct tagZanXavenGammaTableCfgData {
    ZanWChar szName[32]; // at most 31 characters and a terminator
    int32_t nRedCount;
    int32_t nGreenCount;
    int32_t nBlueCount;
    tagZanXavenGammaKeyPoint RedKP[256];
    tagZanXavenGammaKeyPoint GreenKP[256];
    tagZanXavenGammaKeyPoint BlueKP[256];
};
static_assert(sizeof(tagZanXavenGammaTableCfgData) == 6220, "gamma table record is 6220 bytes");
static_assert(offsetof(tagZanXavenGammaTableCfgData, nRedCount) == 64, "layout");
static_assert(offsetof(tagZanXavenGammaTableCfgData, nGreenCount) == 68, "layout");
static_assert(offsetof(tagZanXavenGammaTableCfgData, nBlueCount) == 72, "layout");
static_assert(offsetof(tagZanXavenGammaTableCfgData, RedKP) == 76, "layout");
static_assert(offsetof(tagZanXavenGammaTableCfgData, GreenKP) == 2124, "layout");
static_assert(offsetof(tagZanXavenGammaTableCfgData, BlueKP) == 4172, "layout");

// A list of named gamma tables, one of them selected. "Standard" (the identity curve, points
// (0, 0) and (1023, 1023) in every channel) is the fallback for names that match no table.
// Blob: header, table count, the tables in list order (16 + 6220 bytes per table); the
// selected name is not stored. XML element "GammaTable". No INI form: ImportINIFile,
// ExportINIFile and GetData are the base's (they do nothing and return 0).
//
// Names are held cut to 31 characters with a terminator, and every name given to an
// operation is used as it would be stored: its first 31 characters. Lookups ignore letter
// case (A to Z only). Every table held has channel counts of 0 to 256.
class QLCOS_API CZanXavenGammaTableCfg : public CZanConfig {
public:
    static constexpr uint32_t kIdentifier = 0x58564754;
    static constexpr uint32_t kTableSize = sizeof(tagZanXavenGammaTableCfgData);
    static constexpr uint32_t kEmptyBlobSize = kHeadSize + 4; // header and table count
    static constexpr int kNameChars = 32;                     // name fields, terminator included
    static constexpr int kMaxKeyPoints = 256;                 // per channel
    static constexpr int kMaxLevel = 1023;                    // stored scale 0 to 1023

    // Holds only "Standard", selected.
    CZanXavenGammaTableCfg();
    // Copies the tables and the selected name; the header is that of a new record.
    CZanXavenGammaTableCfg(const CZanXavenGammaTableCfg& other);
    // Replaces the tables and the selected name; identifier and header stay.
    CZanXavenGammaTableCfg& operator=(const CZanXavenGammaTableCfg& other);
    ~CZanXavenGammaTableCfg() override;

    // 16 + 6220 per table.
    uint32_t GetSize() const override;
    // Only the "Standard" table, selected.
    void InitData() override;
    // LoadBlob bounded by the size the blob's own header states; 0 for a null buffer.
    uint32_t LoadConfig(const unsigned char* data) override;
    // Loads a blob that may span at most `available` bytes. The blob is refused (result 0,
    // record unchanged) unless its stated total size is at least 16 and at most `available`,
    // its tables fit in that stated size and every channel count lies in 0 to 256; nothing
    // past the stated size is read. Otherwise the header words and the tables replace the
    // record's, uncorrected, the selected name stays, and the result is GetSize().
    uint32_t LoadBlob(const unsigned char* data, uint32_t available);
    // Writes GetSize() bytes; returns that size, 0 for a null buffer.
    uint32_t SaveConfig(unsigned char* data) override;
    uint32_t GetHeadSize() const override;
    void FillHead() override;

    // Reads the "GammaTable" element itself, then corrects the tables (CorrectValue); a
    // channel keeps its first 256 key points. 0, or 1 for a null node or another element.
    virtual int ImportXMLNode(xercesc::DOMNode* node);
    // Appends a "GammaTable" element to `node`; 0, or 1 for a null node or a DOM failure.
    virtual int ExportXMLNode(xercesc::DOMNode* node);

    // Copies the first table named `name` to `data` (may be null); 1 when there is one.
    int GetGammaTableData(const ZanWChar* name, tagZanXavenGammaTableCfgData* data) const;
    // Overwrites the first table named `name` with `data`, its name included. Without such a
    // table `name` is written into the caller's `data` and a copy is appended. Counts outside
    // 0 to 256 are held clamped to that range.
    void SetGammaTableData(const ZanWChar* name, tagZanXavenGammaTableCfgData* data);
    // Removes the first table named `name`; "Standard" is never removed, and the selected
    // name stays even when it named the removed table.
    void RemoveGammaTableData(const ZanWChar* name);
    // Selects `name` as given (not the stored spelling) when a table has that name; 1, else
    // 0 and the selection stays.
    int SetSelectChannel(const ZanWChar* name);
    // Copies the selected name, terminator included, to a buffer of 32 characters.
    void GetSelectChannel(ZanWChar* name) const;
    // Makes every table usable: channels with fewer than 2 points become the identity
    // channel, others are sorted by input level and pinned to 0 and 1023 at the ends. Adds
    // "Standard" when missing and selects it when the selected name matches no table.
    void CorrectValue();

protected:
    // Read one channel of `data` from a "KeyValueList" element on the 0 to 255 scale; the
    // channel's count is reset first. 0, or 1 for a null node or record.
    int ImportXMLRedTable(xercesc::DOMNode* node, tagZanXavenGammaTableCfgData* data);
    int ImportXMLGreenTable(xercesc::DOMNode* node, tagZanXavenGammaTableCfgData* data);
    int ImportXMLBlueTable(xercesc::DOMNode* node, tagZanXavenGammaTableCfgData* data);
    // Order of key points by input level: negative, zero or positive.
    static int cbCompareKPValue(const tagZanXavenGammaKeyPoint& a,
                                const tagZanXavenGammaKeyPoint& b);

    tagZanConfigHead m_Head;
    ZanWChar m_SelectChannel[kNameChars];
    std::vector<tagZanXavenGammaTableCfgData> m_Tables;
};
