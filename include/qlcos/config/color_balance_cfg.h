// The colour balance settings: one named setting, and the list record kept as a blob and as
// the XML element "ColorBalanceChannel".
#pragma once

#include "qlcos/config/config_base.h"

#include <xercesc/dom/DOMNode.hpp>

#include <vector>

// The correction factors of one colour key for the red, green and blue exposure channels.
struct tagZanXavenColorBalanceFactors {
    double RedValue;
    double GreenValue;
    double BlueValue;
};
static_assert(sizeof(tagZanXavenColorBalanceFactors) == 24, "three doubles");

// One colour balance setting, 216 bytes, laid out as in the blob.
struct tagZanXavenColorBalanceItem {
    ZanWChar Name[32]; // terminated
    int32_t Valve;
    uint32_t Reserved; // written as 0, ignored when read
    tagZanXavenColorBalanceFactors Red;
    tagZanXavenColorBalanceFactors Green;
    tagZanXavenColorBalanceFactors Blue;
    tagZanXavenColorBalanceFactors Cyan;
    tagZanXavenColorBalanceFactors Magenta;
    tagZanXavenColorBalanceFactors Yellow;
};
static_assert(sizeof(tagZanXavenColorBalanceItem) == 216, "colour balance item is 216 bytes");
static_assert(offsetof(tagZanXavenColorBalanceItem, Valve) == 64, "layout");
static_assert(offsetof(tagZanXavenColorBalanceItem, Reserved) == 68, "layout");
static_assert(offsetof(tagZanXavenColorBalanceItem, Red) == 72, "layout");
static_assert(offsetof(tagZanXavenColorBalanceItem, Green) == 96, "layout");
static_assert(offsetof(tagZanXavenColorBalanceItem, Blue) == 120, "layout");
static_assert(offsetof(tagZanXavenColorBalanceItem, Cyan) == 144, "layout");
static_assert(offsetof(tagZanXavenColorBalanceItem, Magenta) == 168, "layout");
static_assert(offsetof(tagZanXavenColorBalanceItem, Yellow) == 192, "layout");

// One named setting: `Valve` 20 and every factor 1.0 by default. The name is always
// terminated: a longer one is cut to 31 characters. The reserved word is held as 0.
class QLCOS_API CZanXavenColorBalanceItem {
public:
    static constexpr int32_t kDefaultValve = 20;

    CZanXavenColorBalanceItem();
    // The fields of `item` as Set takes them.
    explicit CZanXavenColorBalanceItem(const tagZanXavenColorBalanceItem& item);
    CZanXavenColorBalanceItem(const CZanXavenColorBalanceItem& other);
    CZanXavenColorBalanceItem& operator=(const CZanXavenColorBalanceItem& other);

    // Back to the defaults, with an empty name.
    void Init();
    // Copies the fields out; null: nothing.
    void Get(tagZanXavenColorBalanceItem* item) const;
    // Copies the fields in, the name cut to fit; null: nothing.
    void Set(const tagZanXavenColorBalanceItem* item);
    const ZanWChar* GetName() const { return m_Item.Name; }

    // The names are equal with the letters A to Z matched without regard to case.
    bool operator==(const CZanXavenColorBalanceItem& other) const;

private:
    tagZanXavenColorBalanceItem m_Item;
};

// The named colour balance settings in insertion order. Blob: the 12-byte header, the item
// count (32 bits) at offset 12, the 216-byte items from offset 16. XML: the element
// "ColorBalanceChannel". No INI form: the base's INI operations do nothing and return 0.
class QLCOS_API CZanXavenColorBalanceCfg : public CZanConfig {
public:
    static constexpr uint32_t kItemSize = 216;
    static constexpr uint32_t kItemsOffset = 16; // header and count

    CZanXavenColorBalanceCfg();
    CZanXavenColorBalanceCfg(const CZanXavenColorBalanceCfg& other);
    CZanXavenColorBalanceCfg& operator=(const CZanXavenColorBalanceCfg& other);
    ~CZanXavenColorBalanceCfg() override;

    // 16 + 216 x item count.
    uint32_t GetSize() const override;
    // Empties the list.
    void InitData() override;
    // LoadBlob over the size the blob's own header states; 0 for a null buffer.
    uint32_t LoadConfig(const unsigned char* data) override;
    // Writes GetSize bytes; returns GetSize, 0 for a null buffer.
    uint32_t SaveConfig(unsigned char* data) override;
    // Writes the item count as a 32-bit word (when `data` is not null); returns 4.
    int GetData(void* data) const override;
    uint32_t GetHeadSize() const override;
    void FillHead() override;

    // Loads a blob that may span at most `available` bytes, replacing the list and the
    // header. Its stated total size must be at least 16 and at most `available`, and its items
    // must fit in that size; otherwise the result is 0 and the record is left as it was. Nothing
    // past the stated size is read; the reserved words are ignored and names are cut to fit.
    // Returns GetSize of the loaded record.
    uint32_t LoadBlob(const unsigned char* data, uint32_t available);

    // Reads the "ColorBalanceChannel" element itself, replacing the list; 0, or 1 for a null
    // node or another name.
    virtual int ImportXMLNode(xercesc::DOMNode* node);
    // Appends a "ColorBalanceChannel" element to `node`; 0, or 1 on failure.
    virtual int ExportXMLNode(xercesc::DOMNode* node);

    // Appends a copy unless the item's name is empty; names are not checked for doubles.
    void AddColorBalanceItem(const CZanXavenColorBalanceItem& item);
    // Names match with A to Z folded. 1 and the last item of that name copied to `item`;
    // 0 (item untouched) when there is none or `name` is null.
    int GetColorBalanceItem(const ZanWChar* name, CZanXavenColorBalanceItem& item) const;
    // Overwrites every item of that name with `item`; 1 when there was one, else 0.
    int SetColorBalanceItem(const ZanWChar* name, const CZanXavenColorBalanceItem& item);
    // Removes the first item of that name; a null name removes nothing.
    void RemoveColorBalanceItem(const ZanWChar* name);
    // Copies at most `capacity` items in list order (none for a null array); returns the
    // number of items held.
    int GetItemList(tagZanXavenColorBalanceItem* items, int capacity) const;

protected:
    tagZanConfigHead m_Head;
    std::vector<CZanXavenColorBalanceItem> m_Items;
};
