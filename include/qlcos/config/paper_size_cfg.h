// Paper sizes: the print formats the minilab exposes, each with its photo positions, kept
// as a blob, as INI sections and as XML elements.
#pragma once

#include "qlcos/config/config_base.h"
#include "qlcos/config/photo_position_cfg.h"

#include <xercesc/dom/DOMNode.hpp>

#include <vector>

// One paper size in its flat form, 704 bytes, as callers and the blob take it. Names are
// UTF-16 and zero-terminated; flags are 0 or nonzero.
struct tagZanExpPaperSizeInfo {
    float R_LastCor; // last corrections used for the format
    float G_LastCor;
    float B_LastCor;
    float D_LastCor;
    int32_t PhotoLeft; // where the photo lies on the paper
    int32_t PhotoTop;
    int32_t PhotoWidth;
    int32_t PhotoHeight;
    ZanWChar Name[32];
    int32_t PaperWidth;
    int32_t PaperLength;
    int32_t MinExposeTime;
    int32_t MultiOvertime;
    int32_t EnableMultiWait;
    int32_t EnableTestMode;
    ZanWChar UniformFileName[260]; // uniformity correction data
    int32_t UniformPercent;
    int32_t EnableUniform;
    int32_t EnableUniformDebug;
    int32_t WobbleTemp;
    int32_t WobbleXCountTemp;
    int32_t WobbleYCountTemp;
    int32_t Wobble;
    int32_t WobbleXCount;
    int32_t WobbleYCount;
    int32_t EnableRepeatMode;
    int32_t nRepeatCount;
    int32_t nRepeatInterval;
    int32_t nRepeatPreInter;
    int32_t nRepeatPostInter;
    int32_t nNormalPreInter;
    int32_t nNormalPostInter;
};
// clang-format off
static_assert(sizeof(tagZanExpPaperSizeInfo) == 704, "paper size record is 704 bytes");
static_assert(offsetof(tagZanExpPaperSizeInfo, G_LastCor)          ==   4, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, B_LastCor)          ==   8, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, D_LastCor)          ==  12, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, PhotoLeft)          ==  16, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, PhotoTop)           ==  20, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, PhotoWidth)         ==  24, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, PhotoHeight)        ==  28, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, Name)               ==  32, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, PaperWidth)         ==  96, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, PaperLength)        == 100, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, MinExposeTime)      == 104, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, MultiOvertime)      == 108, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, EnableMultiWait)    == 112, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, EnableTestMode)     == 116, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, UniformFileName)    == 120, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, UniformPercent)     == 640, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, EnableUniform)      == 644, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, EnableUniformDebug) == 648, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, WobbleTemp)         == 652, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, WobbleXCountTemp)   == 656, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, WobbleYCountTemp)   == 660, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, Wobble)             == 664, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, WobbleXCount)       == 668, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, WobbleYCount)       == 672, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, EnableRepeatMode)   == 676, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, nRepeatCount)       == 680, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, nRepeatInterval)    == 684, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, nRepeatPreInter)    == 688, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, nRepeatPostInter)   == 692, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, nNormalPreInter)    == 696, "layout");
static_assert(offsetof(tagZanExpPaperSizeInfo, nNormalPostInter)   == 700, "layout");
// clang-format on

// One paper size: the fields of tagZanExpPaperSizeInfo, a comment that lives only in memory
// and XML, and the paper size's photo positions. Every copy into a name (31 characters),
// the comment (127) or the file name (259) cuts longer texts and keeps the terminator.
class QLCOS_API CZanXavenPaperSizeItem {
public:
    static constexpr size_t kNameChars = 32;
    static constexpr size_t kCommentChars = 128;
    static constexpr size_t kFileNameChars = 260;

    // Every field to its default: MultiOvertime 30, UniformPercent 100, the four wobble
    // counts 1, nRepeatCount 11, nRepeatInterval 5000, the rest 0 or empty.
    CZanXavenPaperSizeItem();
    // The fields of `info`; comment empty, no photo positions.
    CZanXavenPaperSizeItem(const tagZanExpPaperSizeInfo& info);
    CZanXavenPaperSizeItem(const CZanXavenPaperSizeItem& other);
    // Every field, the comment and the photo positions.
    void operator=(const CZanXavenPaperSizeItem& other);
    virtual ~CZanXavenPaperSizeItem();

    // Back to the defaults of the default constructor.
    void Init();
    // The names are equal with the letters A to Z matched without regard to case.
    bool operator==(const CZanXavenPaperSizeItem& other) const;
    // Copies every field into `info` (a null pointer does nothing).
    void Get(tagZanExpPaperSizeInfo* info) const;
    // Copies every field from `info`; the comment and the photo positions stay.
    void Set(const tagZanExpPaperSizeInfo* info);
    // The entry's bytes in the paper size blob: 704 and the photo positions' blob.
    uint32_t GetSize() const;

    ZanWChar Name[kNameChars];
    ZanWChar Comment[kCommentChars];
    float R_LastCor;
    float G_LastCor;
    float B_LastCor;
    float D_LastCor;
    int32_t PaperWidth;
    int32_t PaperLength;
    int32_t PhotoLeft;
    int32_t PhotoTop;
    int32_t PhotoWidth;
    int32_t PhotoHeight;
    int32_t MinExposeTime;
    int32_t EnableRepeatMode;
    int32_t nRepeatCount;
    int32_t nRepeatInterval;
    int32_t nRepeatPreInter;
    int32_t nRepeatPostInter;
    int32_t nNormalPreInter;
    int32_t nNormalPostInter;
    int32_t MultiOvertime;
    int32_t EnableMultiWait;
    int32_t EnableTestMode;
    int32_t UniformPercent;
    int32_t EnableUniform;
    ZanWChar UniformFileName[kFileNameChars];
    int32_t EnableUniformDebug;
    int32_t WobbleTemp;
    int32_t WobbleXCountTemp;
    int32_t WobbleYCountTemp;
    int32_t Wobble;
    int32_t WobbleXCount;
    int32_t WobbleYCount;
    CZanXavenPhotoPositionCfg PhotoPositionCfg;
};

// The list of paper sizes (identifier 0x45505349, bytes "ISPE" in a blob), in the order they
// were added.
//
// Blob: the header, the count at offset 12, then per paper size its 704-byte record directly
// followed by the blob of its photo positions. INI: "PaperSizeCount" in "ExpPaperInfo" and
// the name, corrections and geometry of each paper size in "PaperSize1", "PaperSize2", ...
// XML: a "PrintingPaperSizeChannel" element with one "PaperSize" child per paper size, which
// holds that paper size's "PhotoPosition" elements. Comments are kept only in XML.
//
// The stored count (GetData) is the number of paper sizes as last set by InitData, a load,
// SaveConfig or an import; Add and Remove leave it. GetSize always follows the list.
class QLCOS_API CZanXavenPaperSizeCfg : public CZanConfig {
public:
    static constexpr uint32_t kIdentifier = 0x45505349;
    static constexpr uint32_t kEmptySize = 16; // header and count
    static constexpr uint32_t kInfoSize = sizeof(tagZanExpPaperSizeInfo);
    // ImportINIFile reads at most this many "PaperSize%d" sections, whatever count the file
    // states, so that a damaged count cannot keep the host busy.
    static constexpr int kMaxIniSections = 1024;

    CZanXavenPaperSizeCfg();
    CZanXavenPaperSizeCfg(const CZanXavenPaperSizeCfg& other);
    CZanXavenPaperSizeCfg& operator=(const CZanXavenPaperSizeCfg& other);
    ~CZanXavenPaperSizeCfg() override;

    // 16 plus, per paper size, 704 and the size of its photo positions' blob.
    uint32_t GetSize() const override;
    // Stored count 0, no paper sizes, then FillHead.
    void InitData() override;
    // LoadBlob bounded by the size the blob's own header states: data ? LoadBlob(data,
    // StatedSize(data)) : 0. The header is trusted for the extent only; use LoadBlob with the
    // real buffer size for a blob from an untrusted source.
    uint32_t LoadConfig(const unsigned char* data) override;
    // Writes GetSize bytes (the stored count becomes the number of paper sizes); returns the
    // byte count, 0 for a null buffer.
    uint32_t SaveConfig(unsigned char* data) override;
    // Writes the stored count (4 bytes); returns 4, or 0 for a null target.
    int GetData(void* data) const override;
    // Replaces the list with the "PaperSize%d" sections the file's "PaperSizeCount" names
    // (at most kMaxIniSections; a negative count reads none). A paper size starts with every
    // field 0 and every text empty except PhotoWidth 1280 and PhotoHeight 1024; missing keys
    // keep those. The stored count becomes the number of sections read, 0 without a count.
    // 0, or 1 for a null path (nothing changes).
    int ImportINIFile(const ZanWChar* path) override;
    // Writes each paper size's section and the count; sections of an earlier, longer list
    // stay in the file. 0, or 1 for a null path or a value that could not be written.
    int ExportINIFile(const ZanWChar* path) override;
    uint32_t GetHeadSize() const override;
    void FillHead() override;

    // Loads a blob that may span at most `available` bytes: its stated total size must lie
    // in 16..available, every entry must fit in it, and each entry's photo position blob is
    // loaded with that record's LoadBlob bounded by what is left of this one. Returns the
    // bytes from the start of the blob to the end of the last entry, or 0 for a refused
    // blob, which leaves the record exactly as it was and is never read past its stated
    // size. Comments come back empty.
    uint32_t LoadBlob(const unsigned char* data, uint32_t available);

    // Reads a "PrintingPaperSizeChannel" element: one paper size per "PaperSize" child with
    // a name, unset attributes at their defaults, "UniformPercent" clamped to 70..100,
    // "WobbleXCount" and "WobbleYCount" to 1..2. A "UniformFileName" becomes a full path (a
    // relative name joined to the working folder, "." and ".." folded, the file system not
    // asked); when that cannot be had or does not fit in 259 characters the name is kept as
    // written, since a cut path would name another file. 0, or 1 for a null node or another
    // element name, which changes nothing.
    virtual int ImportXMLNode(xercesc::DOMNode* node);
    // Appends a "PrintingPaperSizeChannel" element to `node`; 0, or 1 on failure. Names and
    // comments are written with at most 255 characters, the file name whole.
    virtual int ExportXMLNode(xercesc::DOMNode* node);

    // Appends a copy unless a paper size has exactly the same name (letter case counts);
    // 1 when added, else 0.
    int AddPaperSizeItem(const CZanXavenPaperSizeItem& item);
    // Copies the paper size named exactly `name` into `item`; with several the last wins.
    // 1 when one matched, 0 when none did or the name is null.
    int GetPaperSizeItem(const ZanWChar* name, CZanXavenPaperSizeItem& item) const;
    // Overwrites every paper size whose name matches `name` without regard to the case of
    // A to Z with `item`, its name, comment and photo positions included; 1 when one
    // matched, 0 when none did or the name is null.
    int SetPaperSizeItem(const ZanWChar* name, const CZanXavenPaperSizeItem& item);
    // Removes the first paper size whose name matches `name` without regard to the case of
    // A to Z; 1 when removed, 0 when none matched or the name is null.
    int RemovePaperSizeItem(const ZanWChar* name);
    // Copies up to `max` paper sizes in list order into `list` (none for a null list) and
    // returns the number of paper sizes held.
    int GetItemList(tagZanExpPaperSizeInfo* list, int max) const;

protected:
    tagZanConfigHead m_Head;
    uint32_t m_dwCount;
    std::vector<CZanXavenPaperSizeItem> m_Items;
};
