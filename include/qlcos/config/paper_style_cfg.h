// Paper styles: the flat 80-byte record, one style with its own gamma tables, and the list
// record with its blob, INI and XML forms.
#pragma once

#include "qlcos/config/config_base.h"
#include "qlcos/config/gamma_table_cfg.h"

#include <xercesc/dom/DOMNode.hpp>

#include <vector>

// A paper style in flat form, 80 bytes; the field names are the INI keys.
struct tagZanExpPaperStyleInfo {
    float R_LastCor;
    float G_LastCor;
    float B_LastCor;
    float D_LastCor;
    ZanWChar Name[32]; // at most 31 characters and a terminator
};
static_assert(sizeof(tagZanExpPaperStyleInfo) == 80, "paper style record is 80 bytes");
static_assert(offsetof(tagZanExpPaperStyleInfo, G_LastCor) == 4, "layout");
static_assert(offsetof(tagZanExpPaperStyleInfo, B_LastCor) == 8, "layout");
static_assert(offsetof(tagZanExpPaperStyleInfo, D_LastCor) == 12, "layout");
static_assert(offsetof(tagZanExpPaperStyleInfo, Name) == 16, "layout");

// One paper style: its name, a comment (kept in memory and XML only), the last colour
// corrections used for it and its own gamma tables. Every copy of a name or comment keeps at
// most 31 or 127 characters and zero-fills the rest of the field.
class QLCOS_API CZanXavenPaperStyleItem {
public:
    static constexpr int kNameChars = 32;     // terminator included
    static constexpr int kCommentChars = 128; // terminator included

    // Zero corrections, empty name and comment, only the "Standard" gamma table.
    CZanXavenPaperStyleItem();
    // Corrections and name from `info`; empty comment, only the "Standard" gamma table.
    CZanXavenPaperStyleItem(const tagZanExpPaperStyleInfo& info);
    CZanXavenPaperStyleItem(const CZanXavenPaperStyleItem& other);
    void operator=(const CZanXavenPaperStyleItem& other);
    virtual ~CZanXavenPaperStyleItem();

    // Back to the state of a new item.
    void Init();
    // The names are equal, letters A to Z matched without regard to case.
    bool operator==(const CZanXavenPaperStyleItem& other) const;
    // Zero-fills `info`, then copies the corrections and the name into it.
    void Get(tagZanExpPaperStyleInfo* info) const;
    // Takes the corrections and the name from `info` and empties the comment; the gamma
    // tables stay.
    void Set(const tagZanExpPaperStyleInfo* info);

    ZanWChar Name[kNameChars];
    ZanWChar Comment[kCommentChars];
    float R_LastCor;
    float G_LastCor;
    float B_LastCor;
    float D_LastCor;
    CZanXavenGammaTableCfg GammaTable;
};

// The list of paper styles. Blob: header, style count, then per style its 80-byte record
// directly followed by its gamma tables' blob (comments and selected gamma tables are not
// stored). INI: "PaperStyleCount" in "ExpPaperInfo" and a section "PaperStyle<n>" per style
// (no comments, no gamma tables). XML element "PrintingPaperStyleChannel".
//
// Names given to operations are used as names are stored, their first 31 characters.
class QLCOS_API CZanXavenPaperStyleCfg : public CZanConfig {
public:
    static constexpr uint32_t kInfoSize = sizeof(tagZanExpPaperStyleInfo);
    static constexpr uint32_t kEmptyBlobSize = kHeadSize + 4; // header and style count
    // INI import reads at most this many "PaperStyle<n>" sections, whatever count the file
    // states, so a damaged file cannot keep the host busy.
    static constexpr int kMaxIniStyles = 1024;

    // No style, stored count 0.
    CZanXavenPaperStyleCfg();
    // Identifier, header words, stored count and every style.
    CZanXavenPaperStyleCfg(const CZanXavenPaperStyleCfg& other);
    CZanXavenPaperStyleCfg& operator=(const CZanXavenPaperStyleCfg& other);
    ~CZanXavenPaperStyleCfg() override;

    uint32_t GetSize() const override;
    // Removes every style; stored count 0.
    void InitData() override;
    // LoadBlob bounded by the size the blob's own header states; 0 for a null buffer.
    uint32_t LoadConfig(const unsigned char* data) override;
    // Loads a blob that may span at most `available` bytes. The blob is refused (result 0,
    // record unchanged) unless its stated total size is at least 16 and at most `available`
    // and every style record and nested gamma blob (loaded with its own LoadBlob, bounded by
    // what is left of this blob) fits in that stated size; nothing past it is read.
    // Otherwise the styles are replaced (empty comments, "Standard" gamma tables selected),
    // the count becomes the stored count, and the result is the number of bytes from the
    // start of the blob to the end of the last style.
    uint32_t LoadBlob(const unsigned char* data, uint32_t available);
    // Writes GetSize() bytes and sets the stored count; returns the byte count, 0 for null.
    uint32_t SaveConfig(unsigned char* data) override;
    // Writes the stored count (4 bytes); returns 4 (0 for a null buffer).
    int GetData(void* data) const override;
    // Reads "PaperStyleCount" and as many sections, at most kMaxIniStyles (a negative count
    // reads none); the stored count becomes the number of sections read. Without the count
    // key the styles stay and the stored count becomes 0. 0, or 1 for a null path.
    int ImportINIFile(const ZanWChar* path) override;
    // 0, or 1 for a null path or a value that could not be written.
    int ExportINIFile(const ZanWChar* path) override;
    uint32_t GetHeadSize() const override;
    void FillHead() override;

    // Reads the "PrintingPaperStyleChannel" element itself; styles without a name are
    // skipped. 0, or 1 for a null node or another element.
    virtual int ImportXMLNode(xercesc::DOMNode* node);
    // Appends a "PrintingPaperStyleChannel" element to `node`; 0, or 1 for a null node or a
    // DOM failure (what was appended by then stays).
    virtual int ExportXMLNode(xercesc::DOMNode* node);

    // Appends a copy unless a style has exactly that name (letter case counts); 1 or 0.
    int AddPaperStyleItem(const CZanXavenPaperStyleItem& item);
    // Copies every style named exactly `name` into `item` (the last one wins); 1 if any.
    int GetPaperStyleItem(const ZanWChar* name, CZanXavenPaperStyleItem& item) const;
    // Overwrites every style whose name matches `name` (letter case ignored); 1 if any.
    int SetPaperStyleItem(const ZanWChar* name, const CZanXavenPaperStyleItem& item);
    // Removes the first style whose name matches `name` (letter case ignored).
    void RemovePaperStyleItem(const ZanWChar* name);
    // Fills up to `max` records of `list` (may be null) in list order; returns the number of
    // styles held.
    int GetItemList(tagZanExpPaperStyleInfo* list, int max) const;

    // The gamma tables of the first style whose name matches `style` (letter case ignored).
    // Each gives 0 for a null or empty style name, a style that is not there, and a null or
    // empty table name where one is taken; otherwise the gamma tables' own result for
    // GetGammaTableData and 1 for the others, whether or not the gamma tables took it.
    int GetGammaTableData(const ZanWChar* style, const ZanWChar* table,
                          tagZanXavenGammaTableCfgData* data) const;
    int SetGammaTableData(const ZanWChar* style, const ZanWChar* table,
                          tagZanXavenGammaTableCfgData* data);
    int RemoveGammaTableData(const ZanWChar* style, const ZanWChar* table);
    // Only "Standard" is left, selected.
    int RemoveAllGammaTable(const ZanWChar* style);
    // Copies the selected table name to `table` (32 characters); 0 for a null buffer.
    int GetSelectGammaChannel(const ZanWChar* style, ZanWChar* table) const;
    int SetSelectGammaChannel(const ZanWChar* style, const ZanWChar* table);

protected:
    tagZanConfigHead m_Head;
    uint32_t m_Count; // the stored count: styles as of the last load, save, import or InitData
    std::vector<CZanXavenPaperStyleItem> m_Items;
};
