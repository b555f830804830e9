// The colour balance list record: blob and the XML element "ColorBalanceChannel".
#include "qlcos/config.h"

#include "config/config_blob.h"
#include "config/number_text.h"
#include "config/record_text.h"
#include "config/xml_text.h"

#include <algorithm>
#include <cstring>

using namespace xercesc;

namespace {

using Item = tagZanXavenColorBalanceItem;
using Factors = tagZanXavenColorBalanceFactors;

const int kNameChars = 31;    // the name field less its terminator
const int kKeyChars = 32;     // "Key" texts are compared in a buffer of 33 characters
const size_t kNameField = 32; // characters of the name field in the blob

// The triples in blob order.
Factors Item::*const kLayout[6] = {&Item::Red,  &Item::Green,   &Item::Blue,
                                   &Item::Cyan, &Item::Magenta, &Item::Yellow};

// The triples by their XML key, in the order the export writes them.
struct Key {
    const ZanWChar* Name;
    Factors Item::*Field;
};
// clang-format off
const Key kKeys[6] = {
    {ZT("Cyan"), &Item::Cyan}, {ZT("Magenta"), &Item::Magenta}, {ZT("Yellow"), &Item::Yellow},
    {ZT("Red"),  &Item::Red},  {ZT("Green"),   &Item::Green},   {ZT("Blue"),   &Item::Blue},
};
// clang-format on

Item DefaultItem()
{
    Item item;
    CZanXavenColorBalanceItem().Get(&item);
    return item;
}

bool Named(const CZanXavenColorBalanceItem& item, const ZanWChar* name)
{
    return qlcos::config::SameNoCase(item.GetName(), name);
}

void WriteItem(qlcos::blob::Writer& w, const Item& item)
{
    w.Chars(item.Name, kNameField).I32(item.Valve).U32(0);
    for (Factors Item::*field : kLayout) {
        const Factors& f = item.*field;
        w.F64(f.RedValue).F64(f.GreenValue).F64(f.BlueValue);
    }
}

Item ReadItem(qlcos::blob::Reader& r)
{
    Item item;
    r.Chars(item.Name, kNameField);
    item.Valve = r.I32();
    r.Skip(4);
    item.Reserved = 0;
    for (Factors Item::*field : kLayout) {
        Factors& f = item.*field;
        f.RedValue = r.F64();
        f.GreenValue = r.F64();
        f.BlueValue = r.F64();
    }
    return item;
}

// The "ColorBalanceParam" children: the triple of each known key, the later of two alike.
void ImportParams(DOMElement* balance, Item& item)
{
    for (DOMElement* param : qlcos::xml::ChildElements(balance, ZT("ColorBalanceParam"))) {
        const ZanString key = qlcos::xml::ReadText(*param, ZT("Key"), kKeyChars);
        for (const Key& k : kKeys) {
            if (!qlcos::config::SameNoCase(key.c_str(), k.Name)) continue;
            Factors& f = item.*k.Field;
            f.RedValue = xmlGetAttributeDouble(*param, ZT("RedValue"), 1.0);
            f.GreenValue = xmlGetAttributeDouble(*param, ZT("GreenValue"), 1.0);
            f.BlueValue = xmlGetAttributeDouble(*param, ZT("BlueValue"), 1.0);
        }
    }
}

// Appends one "ColorBalance" element with its six "ColorBalanceParam" children.
bool ExportItem(DOMElement* channel, const Item& item)
{
    DOMElement* balance = qlcos::xml::AppendElement(channel, ZT("ColorBalance"));
    if (!balance) return false;
    qlcos::xml::SetAttribute(balance, ZT("Name"), item.Name);
    qlcos::xml::SetAttribute(balance, ZT("Valve"), qlcos::numbers::FormatInt(item.Valve));
    for (const Key& k : kKeys) {
        DOMElement* param = qlcos::xml::AppendElement(balance, ZT("ColorBalanceParam"));
        if (!param) return false;
        const Factors& f = item.*k.Field;
        qlcos::xml::SetAttribute(param, ZT("Key"), k.Name);
        qlcos::xml::SetAttribute(param, ZT("RedValue"), qlcos::numbers::FormatFixed(f.RedValue, 2));
        qlcos::xml::SetAttribute(param, ZT("GreenValue"),
                                 qlcos::numbers::FormatFixed(f.GreenValue, 2));
        qlcos::xml::SetAttribute(param, ZT("BlueValue"),
                                 qlcos::numbers::FormatFixed(f.BlueValue, 2));
    }
    return true;
}

} // namespace

CZanXavenColorBalanceCfg::CZanXavenColorBalanceCfg() : CZanConfig(), m_Head{} { InitData(); }

CZanXavenColorBalanceCfg::CZanXavenColorBalanceCfg(const CZanXavenColorBalanceCfg& other) = default;

CZanXavenColorBalanceCfg&
CZanXavenColorBalanceCfg::operator=(const CZanXavenColorBalanceCfg& other) = default;

CZanXavenColorBalanceCfg::~CZanXavenColorBalanceCfg() = default;

uint32_t CZanXavenColorBalanceCfg::GetSize() const
{
    return kItemsOffset + kItemSize * static_cast<uint32_t>(m_Items.size());
}

uint32_t CZanXavenColorBalanceCfg::GetHeadSize() const { return kHeadSize; }

void CZanXavenColorBalanceCfg::FillHead() { FillHeadOf(m_Head); }

void CZanXavenColorBalanceCfg::InitData()
{
    m_Items.clear();
    FillHead();
}

int CZanXavenColorBalanceCfg::GetData(void* data) const
{
    if (data) {
        const uint32_t count = static_cast<uint32_t>(m_Items.size());
        std::memcpy(data, &count, sizeof count);
    }
    return 4;
}

// ---- Blob --------------------------------------------------------------------------------

uint32_t CZanXavenColorBalanceCfg::SaveConfig(unsigned char* data)
{
    if (!data) return 0;
    FillHead();
    qlcos::blob::Writer w(data);
    w.Head(m_Head).U32(static_cast<uint32_t>(m_Items.size()));
    Item item;
    for (const CZanXavenColorBalanceItem& i : m_Items) {
        i.Get(&item);
        WriteItem(w, item);
    }
    return GetSize();
}

uint32_t CZanXavenColorBalanceCfg::LoadConfig(const unsigned char* data)
{
    return data ? LoadBlob(data, qlcos::blob::StatedSize(data)) : 0;
}

uint32_t CZanXavenColorBalanceCfg::LoadBlob(const unsigned char* data, uint32_t available)
{
    qlcos::blob::ListBlob blob;
    if (!blob.Open(data, available) || !blob.Fits(kItemSize)) return 0;
    qlcos::blob::Reader r(data + blob.kEntries);

    std::vector<CZanXavenColorBalanceItem> items;
    items.reserve(blob.Count);
    for (uint32_t i = 0; i < blob.Count; ++i) items.emplace_back(ReadItem(r));
    m_Head = blob.Head;
    m_Items.swap(items);
    return GetSize();
}

// ---- List --------------------------------------------------------------------------------

void CZanXavenColorBalanceCfg::AddColorBalanceItem(const CZanXavenColorBalanceItem& item)
{
    if (item.GetName()[0]) m_Items.push_back(item);
}

int CZanXavenColorBalanceCfg::GetColorBalanceItem(const ZanWChar* name,
                                                  CZanXavenColorBalanceItem& item) const
{
    if (!name) return 0;
    auto last = std::find_if(m_Items.rbegin(), m_Items.rend(),
                             [name](const CZanXavenColorBalanceItem& i) { return Named(i, name); });
    if (last == m_Items.rend()) return 0;
    item = *last;
    return 1;
}

int CZanXavenColorBalanceCfg::SetColorBalanceItem(const ZanWChar* name,
                                                  const CZanXavenColorBalanceItem& item)
{
    if (!name) return 0;
    int found = 0;
    for (CZanXavenColorBalanceItem& i : m_Items) {
        if (!Named(i, name)) continue;
        i = item;
        found = 1;
    }
    return found;
}

void CZanXavenColorBalanceCfg::RemoveColorBalanceItem(const ZanWChar* name)
{
    if (!name) return;
    auto first =
        std::find_if(m_Items.begin(), m_Items.end(),
                     [name](const CZanXavenColorBalanceItem& i) { return Named(i, name); });
    if (first != m_Items.end()) m_Items.erase(first);
}

int CZanXavenColorBalanceCfg::GetItemList(tagZanXavenColorBalanceItem* items, int capacity) const
{
    const int count = static_cast<int>(m_Items.size());
    if (items) {
        for (int i = 0; i < std::min(count, capacity); ++i) m_Items[i].Get(&items[i]);
    }
    return count;
}

// ---- XML ---------------------------------------------------------------------------------

int CZanXavenColorBalanceCfg::ImportXMLNode(DOMNode* node)
{
    DOMElement* channel = qlcos::xml::AsElement(node);
    if (!channel || !qlcos::xml::NameIs(channel, ZT("ColorBalanceChannel"))) return 1;
    m_Items.clear();
    for (DOMElement* balance : qlcos::xml::ChildElements(channel, ZT("ColorBalance"))) {
        const ZanString name = qlcos::xml::ReadText(*balance, ZT("Name"), kNameChars);
        if (name.empty()) continue;
        Item item = DefaultItem();
        qlcos::config::CopyText(item.Name, name.c_str());
        item.Valve = xmlGetAttributeInt(*balance, ZT("Valve"), item.Valve, nullptr);
        ImportParams(balance, item);
        m_Items.emplace_back(item);
    }
    return 0;
}

int CZanXavenColorBalanceCfg::ExportXMLNode(DOMNode* node)
{
    if (!node) return 1;
    try {
        DOMElement* channel = qlcos::xml::CreateRecordElement(node, ZT("ColorBalanceChannel"),
                                                              ZT("Vudodura Color Balance Adjust"));
        if (!channel || !qlcos::xml::Append(node, channel)) return 1;
        Item item;
        for (const CZanXavenColorBalanceItem& i : m_Items) {
            i.Get(&item);
            if (!ExportItem(channel, item)) return 1;
        }
        return 0;
    } catch (const DOMException&) {
        return 1;
    }
}
