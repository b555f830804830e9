// The photo position configuration: the positions of the photos on a sheet of paper, kept
// free of duplicates and sorted, as a blob and as XML children of a "PaperSize" element.
#pragma once

#include "qlcos/config/config_base.h"

#include <xercesc/dom/DOMNode.hpp>

#include <vector>

// One photo position as GetItemList hands it out, 8 bytes.
struct tagZanExpPhotoPositionInfo {
    int32_t PhotoLeft;
    int32_t PhotoTop;
};
static_assert(sizeof(tagZanExpPhotoPositionInfo) == 8, "photo position record is 8 bytes");
static_assert(offsetof(tagZanExpPhotoPositionInfo, PhotoTop) == 4, "layout");

// One photo position; (0, 0) when default-constructed.
class QLCOS_API CZanXavenPhotoPositionItem {
public:
    CZanXavenPhotoPositionItem() = default;
    CZanXavenPhotoPositionItem(int32_t left, int32_t top) : PhotoLeft(left), PhotoTop(top) {}
    CZanXavenPhotoPositionItem(const CZanXavenPhotoPositionItem&) = default;
    CZanXavenPhotoPositionItem& operator=(const CZanXavenPhotoPositionItem&) = default;
    virtual ~CZanXavenPhotoPositionItem();

    // The list's order: ascending PhotoLeft, then ascending PhotoTop. Strict, so that equal
    // pairs (which an import or SetPhotoPositionItem may bring in) keep their order when the
    // list is sorted stably.
    bool operator<(const CZanXavenPhotoPositionItem& other) const
    {
        return PhotoLeft < other.PhotoLeft ||
               (PhotoLeft == other.PhotoLeft && PhotoTop < other.PhotoTop);
    }

    int32_t PhotoLeft = 0;
    int32_t PhotoTop = 0;
};

// The photo positions of one paper size (identifier 0x45505049, bytes "IPPE" in a blob).
// Blob: the header, the count at offset 12, then each position as two 32-bit signed words
// (left, top) in list order; 16 + 8 x count bytes. No INI form (both INI operations are the
// base's, doing nothing). XML: one "PhotoPosition" child per item inside "PaperSize".
//
// The stored count (GetData) is the number of positions as last set by InitData, a load,
// SaveConfig or ImportXMLNode; the list operations leave it. GetSize always follows the list.
class QLCOS_API CZanXavenPhotoPositionCfg : public CZanConfig {
public:
    static constexpr uint32_t kIdentifier = 0x45505049;
    static constexpr uint32_t kEmptySize = 16;   // header and count
    static constexpr uint32_t kPositionSize = 8; // one pair in the blob

    CZanXavenPhotoPositionCfg();
    CZanXavenPhotoPositionCfg(const CZanXavenPhotoPositionCfg& other);
    CZanXavenPhotoPositionCfg& operator=(const CZanXavenPhotoPositionCfg& other);
    ~CZanXavenPhotoPositionCfg() override;

    // 16 + 8 x the number of positions held.
    uint32_t GetSize() const override;
    // Stored count 0, empty list, then FillHead.
    void InitData() override;
    // LoadBlob bounded by the size the blob's own header states: data ? LoadBlob(data,
    // StatedSize(data)) : 0. The header is trusted for the extent only; use LoadBlob with the
    // real buffer size for a blob from an untrusted source.
    uint32_t LoadConfig(const unsigned char* data) override;
    // Writes GetSize bytes (the stored count becomes the number of positions); returns
    // GetSize, 0 for a null buffer.
    uint32_t SaveConfig(unsigned char* data) override;
    // Writes the stored count (4 bytes); returns 4, or 0 for a null target.
    int GetData(void* data) const override;
    uint32_t GetHeadSize() const override;
    void FillHead() override;

    // Loads a blob that may span at most `available` bytes: its stated total size must lie
    // in 16..available and its count must fit that size. The positions keep the blob's order
    // (not sorted). Returns GetSize of the loaded record, or 0 for a refused blob, which
    // leaves the record exactly as it was and is never read past its stated size.
    uint32_t LoadBlob(const unsigned char* data, uint32_t available);

    // Reads the "PhotoPosition" children of a "PaperSize" element in document order (missing
    // coordinates read 0; neither sorted nor checked for duplicates); 0, or 1 for a null
    // node or another element name, which changes nothing.
    virtual int ImportXMLNode(xercesc::DOMNode* node);
    // Appends one "PhotoPosition" element per position to `node`; 0, or 1 on failure.
    virtual int ExportXMLNode(xercesc::DOMNode* node);

    // Adds a copy and sorts the list stably, unless the same pair is held; always 1.
    int AddPhotoPositionItem(const CZanXavenPhotoPositionItem& item);
    // 0-based index in list order; 1 when done, 0 for an index out of range.
    int RemovePhotoPositionItem(int index);
    int GetPhotoPositionItem(int index, CZanXavenPhotoPositionItem& item) const;
    // Overwrites the pair in place: no re-sorting, no duplicate check.
    int SetPhotoPositionItem(int index, const CZanXavenPhotoPositionItem& item);
    // Copies up to `capacity` positions in list order (none for a null list); returns the
    // number of positions held.
    int GetItemList(tagZanExpPhotoPositionInfo* list, int capacity) const;

protected:
    tagZanConfigHead m_Head;
    uint32_t m_dwCount;
    std::vector<CZanXavenPhotoPositionItem> m_Items;
};
