// The paper style list: blob with nested gamma tables, INI sections "PaperStyle<n>", XML
// element "PrintingPaperStyleChannel", and each style's gamma tables by style name.
#include "qlcos/config.h"

#include "config/config_blob.h"
#include "config/number_text.h"
#include "config/record_text.h"
#include "config/xml_text.h"

#include <algorithm>
#include <cstring>
#include <string>

using namespace xercesc;
using qlcos::config::SameNoCase;
using Item = CZanXavenPaperStyleItem;

namespace {

const ZanWChar kCountSection[] = ZT("ExpPaperInfo");
const ZanWChar kCountKey[] = ZT("PaperStyleCount");
const size_t kNameLimit = Item::kNameChars - 1;       // characters a name keeps
const size_t kCommentLimit = Item::kCommentChars - 1; // characters a comment keeps

// The names agree as stored (first 31 characters), letter case counting.
bool SameName(const ZanWChar* a, const ZanWChar* b)
{
    return qlcos::config::Same(a, b, kNameLimit);
}

// The names agree as stored, letters A to Z matched without regard to case.
bool SameNameNoCase(const ZanWChar* a, const ZanWChar* b) { return SameNoCase(a, b, kNameLimit); }

bool Empty(const ZanWChar* text) { return !text || !*text; }

// The first style named `style` (letter case ignored); null for a null or empty name.
template <typename Items> auto FindStyle(Items& items, const ZanWChar* style)
{
    decltype(&items[0]) found = nullptr;
    if (Empty(style)) return found;
    for (auto& item : items) {
        if (SameNameNoCase(item.Name, style)) return &item;
    }
    return found;
}

// "PaperStyle<n>", numbered from 1.
ZanString SectionOf(size_t index)
{
    return qlcos::config::NumberedSection(ZT("PaperStyle"), index + 1);
}

} // namespace

CZanXavenPaperStyleCfg::CZanXavenPaperStyleCfg() : CZanConfig(), m_Head{}, m_Count(0)
{
    InitData();
}

CZanXavenPaperStyleCfg::CZanXavenPaperStyleCfg(const CZanXavenPaperStyleCfg& other) = default;

CZanXavenPaperStyleCfg& CZanXavenPaperStyleCfg::operator=(const CZanXavenPaperStyleCfg& other)
{
    if (this == &other) return *this;
    CZanConfig::operator=(other);
    m_Head = other.m_Head;
    m_Count = other.m_Count;
    // Element by element: existing styles assigned, surplus removed, missing ones appended.
    if (m_Items.size() > other.m_Items.size()) m_Items.resize(other.m_Items.size());
    for (size_t i = 0; i < other.m_Items.size(); ++i) {
        if (i < m_Items.size()) {
            m_Items[i] = other.m_Items[i];
        } else {
            m_Items.push_back(other.m_Items[i]);
        }
    }
    return *this;
}

CZanXavenPaperStyleCfg::~CZanXavenPaperStyleCfg() = default;

uint32_t CZanXavenPaperStyleCfg::GetSize() const
{
    uint32_t size = kEmptyBlobSize;
    for (const Item& item : m_Items) size += kInfoSize + item.GammaTable.GetSize();
    return size;
}

uint32_t CZanXavenPaperStyleCfg::GetHeadSize() const { return kHeadSize; }

void CZanXavenPaperStyleCfg::FillHead() { FillHeadOf(m_Head); }

void CZanXavenPaperStyleCfg::InitData()
{
    m_Count = 0;
    m_Items.clear();
    FillHead();
}

int CZanXavenPaperStyleCfg::GetData(void* data) const
{
    if (!data) return 0;
    std::memcpy(data, &m_Count, sizeof m_Count);
    return sizeof m_Count;
}

// ---- Blob --------------------------------------------------------------------------------

uint32_t CZanXavenPaperStyleCfg::LoadConfig(const unsigned char* data)
{
    return data ? LoadBlob(data, qlcos::blob::StatedSize(data)) : 0;
}

uint32_t CZanXavenPaperStyleCfg::LoadBlob(const unsigned char* data, uint32_t available)
{
    // Every style takes its record and at least an empty gamma blob.
    qlcos::blob::ListBlob blob;
    if (!blob.Open(data, available) ||
        !blob.Fits(kInfoSize + CZanXavenGammaTableCfg::kEmptyBlobSize))
        return 0;

    const uint32_t stated = blob.Size;
    std::vector<Item> items; // grown as styles are read, so memory follows the content
    uint32_t at = blob.kEntries;
    for (uint32_t i = 0; i < blob.Count; ++i) {
        if (stated - at < kInfoSize) return 0;
        Item& item = items.emplace_back();
        qlcos::blob::Reader info(data + at);
        item.R_LastCor = info.F32();
        item.G_LastCor = info.F32();
        item.B_LastCor = info.F32();
        item.D_LastCor = info.F32();
        info.Chars(item.Name, Item::kNameChars);
        item.Name[kNameLimit] = 0;
        at += kInfoSize;
        const uint32_t used = item.GammaTable.LoadBlob(data + at, stated - at);
        if (!used) return 0;
        at += used;
    }
    m_Head = blob.Head;
    m_Count = blob.Count;
    m_Items.swap(items);
    return at;
}

uint32_t CZanXavenPaperStyleCfg::SaveConfig(unsigned char* data)
{
    if (!data) return 0;
    FillHead();
    m_Count = static_cast<uint32_t>(m_Items.size());
    qlcos::blob::Writer(data).Head(m_Head).U32(m_Count);
    unsigned char* at = data + kEmptyBlobSize;
    for (Item& item : m_Items) {
        tagZanExpPaperStyleInfo info;
        item.Get(&info);
        qlcos::blob::Writer(at)
            .F32(info.R_LastCor)
            .F32(info.G_LastCor)
            .F32(info.B_LastCor)
            .F32(info.D_LastCor)
            .Chars(info.Name, Item::kNameChars);
        at += kInfoSize;
        at += item.GammaTable.SaveConfig(at);
    }
    return static_cast<uint32_t>(at - data);
}

// ---- The list ----------------------------------------------------------------------------

int CZanXavenPaperStyleCfg::AddPaperStyleItem(const CZanXavenPaperStyleItem& item)
{
    for (const Item& held : m_Items) {
        if (SameName(held.Name, item.Name)) return 0;
    }
    m_Items.push_back(item);
    return 1;
}

int CZanXavenPaperStyleCfg::GetPaperStyleItem(const ZanWChar* name,
                                              CZanXavenPaperStyleItem& item) const
{
    if (!name) return 0;
    int found = 0;
    for (const Item& held : m_Items) {
        if (!SameName(held.Name, name)) continue;
        item = held;
        found = 1;
    }
    return found;
}

int CZanXavenPaperStyleCfg::SetPaperStyleItem(const ZanWChar* name,
                                              const CZanXavenPaperStyleItem& item)
{
    if (!name) return 0;
    // `item` may be one of the styles held: the others take a copy made beforehand.
    const Item given(item);
    int found = 0;
    for (Item& held : m_Items) {
        if (!SameNameNoCase(held.Name, name)) continue;
        held = given;
        found = 1;
    }
    return found;
}

void CZanXavenPaperStyleCfg::RemovePaperStyleItem(const ZanWChar* name)
{
    if (!name) return;
    auto found = std::find_if(m_Items.begin(), m_Items.end(),
                              [name](const Item& held) { return SameNameNoCase(held.Name, name); });
    if (found != m_Items.end()) m_Items.erase(found);
}

int CZanXavenPaperStyleCfg::GetItemList(tagZanExpPaperStyleInfo* list, int max) const
{
    if (list) {
        const size_t fill = std::min(m_Items.size(), static_cast<size_t>(std::max(max, 0)));
        for (size_t i = 0; i < fill; ++i) m_Items[i].Get(&list[i]);
    }
    return static_cast<int>(m_Items.size());
}

// ---- Gamma tables by style ---------------------------------------------------------------

int CZanXavenPaperStyleCfg::GetGammaTableData(const ZanWChar* style, const ZanWChar* table,
                                              tagZanXavenGammaTableCfgData* data) const
{
    const Item* item = FindStyle(m_Items, style);
    if (!item || Empty(table)) return 0;
    return item->GammaTable.GetGammaTableData(table, data);
}

int CZanXavenPaperStyleCfg::SetGammaTableData(const ZanWChar* style, const ZanWChar* table,
                                              tagZanXavenGammaTableCfgData* data)
{
    Item* item = FindStyle(m_Items, style);
    if (!item || Empty(table)) return 0;
    item->GammaTable.SetGammaTableData(table, data);
    return 1;
}

int CZanXavenPaperStyleCfg::RemoveGammaTableData(const ZanWChar* style, const ZanWChar* table)
{
    Item* item = FindStyle(m_Items, style);
    if (!item || Empty(table)) return 0;
    item->GammaTable.RemoveGammaTableData(table);
    return 1;
}

int CZanXavenPaperStyleCfg::RemoveAllGammaTable(const ZanWChar* style)
{
    Item* item = FindStyle(m_Items, style);
    if (!item) return 0;
    item->GammaTable.InitData();
    return 1;
}

int CZanXavenPaperStyleCfg::GetSelectGammaChannel(const ZanWChar* style, ZanWChar* table) const
{
    const Item* item = FindStyle(m_Items, style);
    if (!item || !table) return 0;
    item->GammaTable.GetSelectChannel(table);
    return 1;
}

int CZanXavenPaperStyleCfg::SetSelectGammaChannel(const ZanWChar* style, const ZanWChar* table)
{
    Item* item = FindStyle(m_Items, style);
    if (!item || Empty(table)) return 0;
    item->GammaTable.SetSelectChannel(table);
    return 1;
}

// ---- INI ---------------------------------------------------------------------------------

int CZanXavenPaperStyleCfg::ExportINIFile(const ZanWChar* path)
{
    if (!path) return 1;
    bool ok = true;
    for (size_t i = 0; i < m_Items.size(); ++i) {
        const Item& item = m_Items[i];
        const ZanString section = SectionOf(i);
        const ZanWChar* s = section.c_str();
        ok &= zanSetProfileString(s, ZT("Name"), path,
                                  qlcos::config::FieldText(item.Name).c_str()) != 0;
        ok &= zanSetProfileFloat(s, ZT("R_LastCor"), path, item.R_LastCor) != 0;
        ok &= zanSetProfileFloat(s, ZT("G_LastCor"), path, item.G_LastCor) != 0;
        ok &= zanSetProfileFloat(s, ZT("B_LastCor"), path, item.B_LastCor) != 0;
        ok &= zanSetProfileFloat(s, ZT("D_LastCor"), path, item.D_LastCor) != 0;
    }
    ok &= zanSetProfileInt(kCountSection, kCountKey, path, static_cast<int>(m_Items.size())) != 0;
    return ok ? 0 : 1;
}

int CZanXavenPaperStyleCfg::ImportINIFile(const ZanWChar* path)
{
    if (!path) return 1;
    int count = 0;
    if (!zanGetProfileInt(kCountSection, kCountKey, path, &count)) {
        m_Count = 0;
        return 0;
    }
    count = std::clamp(count, 0, kMaxIniStyles);
    m_Items.clear();
    for (int i = 0; i < count; ++i) {
        Item item;
        const ZanString section = SectionOf(static_cast<size_t>(i));
        const ZanWChar* s = section.c_str();
        zanGetProfileString(s, ZT("Name"), path, item.Name, Item::kNameChars);
        zanGetProfileFloat(s, ZT("R_LastCor"), path, &item.R_LastCor);
        zanGetProfileFloat(s, ZT("G_LastCor"), path, &item.G_LastCor);
        zanGetProfileFloat(s, ZT("B_LastCor"), path, &item.B_LastCor);
        zanGetProfileFloat(s, ZT("D_LastCor"), path, &item.D_LastCor);
        m_Items.push_back(item);
    }
    m_Count = static_cast<uint32_t>(count);
    return 0;
}

// ---- XML ---------------------------------------------------------------------------------

int CZanXavenPaperStyleCfg::ImportXMLNode(DOMNode* node)
{
    DOMElement* element = qlcos::xml::AsElement(node);
    if (!element || !qlcos::xml::NameIs(element, ZT("PrintingPaperStyleChannel"))) return 1;
    m_Items.clear();
    m_Count = 0;
    for (DOMElement* style : qlcos::xml::ChildElements(element, ZT("PaperStyle"))) {
        Item item;
        xmlGetAttributeString(*style, ZT("Name"), item.Name, kNameLimit, nullptr);
        if (!item.Name[0]) continue;
        const auto gamma = qlcos::xml::ChildElements(style, ZT("GammaTable"));
        if (!gamma.empty()) item.GammaTable.ImportXMLNode(gamma.front());
        xmlGetAttributeString(*style, ZT("Comment"), item.Comment, kCommentLimit, nullptr);
        using qlcos::numbers::ToFloat;
        item.G_LastCor = ToFloat(xmlGetAttributeDouble(*style, ZT("Magenta"), 0));
        item.B_LastCor = ToFloat(xmlGetAttributeDouble(*style, ZT("Yellow"), 0));
        item.R_LastCor = ToFloat(xmlGetAttributeDouble(*style, ZT("Cyan"), 0));
        item.D_LastCor = ToFloat(xmlGetAttributeDouble(*style, ZT("Density"), 0));
        m_Items.push_back(item);
        ++m_Count;
    }
    return 0;
}

int CZanXavenPaperStyleCfg::ExportXMLNode(DOMNode* node)
{
    if (!node) return 1;
    try {
        DOMElement* element = qlcos::xml::CreateRecordElement(
            node, ZT("PrintingPaperStyleChannel"), ZT("Vudodura Print PaperStyle Property"));
        if (!element || !qlcos::xml::Append(node, element)) return 1;
        for (Item& item : m_Items) {
            DOMElement* style = qlcos::xml::CreateElement(element, ZT("PaperStyle"));
            if (!style) return 1;
            using qlcos::numbers::FormatFixed;
            qlcos::xml::SetAttribute(style, ZT("Name"),
                                     qlcos::config::FieldText(item.Name).c_str());
            qlcos::xml::SetAttribute(style, ZT("Comment"),
                                     qlcos::config::FieldText(item.Comment).c_str());
            qlcos::xml::SetAttribute(style, ZT("Cyan"), FormatFixed(item.R_LastCor, 2));
            qlcos::xml::SetAttribute(style, ZT("Magenta"), FormatFixed(item.G_LastCor, 2));
            qlcos::xml::SetAttribute(style, ZT("Yellow"), FormatFixed(item.B_LastCor, 2));
            qlcos::xml::SetAttribute(style, ZT("Density"), FormatFixed(item.D_LastCor, 2));
            if (item.GammaTable.ExportXMLNode(style) != 0) return 1;
            if (!qlcos::xml::Append(element, style)) return 1;
        }
        return 0;
    } catch (const DOMException&) {
        return 1;
    }
}
