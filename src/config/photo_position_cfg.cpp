// The photo position configuration: sorted unique positions, their blob and their
// "PhotoPosition" elements.
#include "qlcos/config.h"

#include "config/config_blob.h"
#include "config/number_text.h"
#include "config/xml_text.h"

#include <algorithm>

using namespace xercesc;

CZanXavenPhotoPositionItem::~CZanXavenPhotoPositionItem() = default;

CZanXavenPhotoPositionCfg::CZanXavenPhotoPositionCfg()
    : CZanConfig(kIdentifier), m_Head{}, m_dwCount(0)
{
    InitData();
}

CZanXavenPhotoPositionCfg::CZanXavenPhotoPositionCfg(const CZanXavenPhotoPositionCfg& other) =
    default;

CZanXavenPhotoPositionCfg&
CZanXavenPhotoPositionCfg::operator=(const CZanXavenPhotoPositionCfg& other) = default;

CZanXavenPhotoPositionCfg::~CZanXavenPhotoPositionCfg() = default;

uint32_t CZanXavenPhotoPositionCfg::GetSize() const
{
    return kEmptySize + kPositionSize * static_cast<uint32_t>(m_Items.size());
}

uint32_t CZanXavenPhotoPositionCfg::GetHeadSize() const { return kHeadSize; }

void CZanXavenPhotoPositionCfg::FillHead() { FillHeadOf(m_Head); }

void CZanXavenPhotoPositionCfg::InitData()
{
    m_dwCount = 0;
    m_Items.clear();
    FillHead();
}

uint32_t CZanXavenPhotoPositionCfg::SaveConfig(unsigned char* data)
{
    if (!data) return 0;
    FillHead();
    m_dwCount = static_cast<uint32_t>(m_Items.size());
    qlcos::blob::Writer w(data);
    w.Head(m_Head).U32(m_dwCount);
    for (const CZanXavenPhotoPositionItem& item : m_Items) w.I32(item.PhotoLeft).I32(item.PhotoTop);
    return GetSize();
}

uint32_t CZanXavenPhotoPositionCfg::LoadConfig(const unsigned char* data)
{
    return data ? LoadBlob(data, qlcos::blob::StatedSize(data)) : 0;
}

uint32_t CZanXavenPhotoPositionCfg::LoadBlob(const unsigned char* data, uint32_t available)
{
    qlcos::blob::ListBlob blob;
    if (!blob.Open(data, available) || !blob.Fits(kPositionSize)) return 0;
    qlcos::blob::Reader r(data + blob.kEntries);

    std::vector<CZanXavenPhotoPositionItem> items(blob.Count);
    for (CZanXavenPhotoPositionItem& item : items) {
        item.PhotoLeft = r.I32();
        item.PhotoTop = r.I32();
    }
    m_Head = blob.Head;
    m_dwCount = blob.Count;
    m_Items.swap(items);
    return GetSize();
}

int CZanXavenPhotoPositionCfg::GetData(void* data) const
{
    if (!data) return 0;
    qlcos::blob::Writer(static_cast<unsigned char*>(data)).U32(m_dwCount);
    return 4;
}

// ---- List ---------------------------------------------------------------------------------

int CZanXavenPhotoPositionCfg::AddPhotoPositionItem(const CZanXavenPhotoPositionItem& item)
{
    const bool held =
        std::any_of(m_Items.begin(), m_Items.end(), [&](const CZanXavenPhotoPositionItem& i) {
            return i.PhotoLeft == item.PhotoLeft && i.PhotoTop == item.PhotoTop;
        });
    if (!held) {
        m_Items.push_back(item);
        std::stable_sort(m_Items.begin(), m_Items.end());
    }
    return 1;
}

int CZanXavenPhotoPositionCfg::RemovePhotoPositionItem(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_Items.size()) return 0;
    m_Items.erase(m_Items.begin() + index);
    return 1;
}

int CZanXavenPhotoPositionCfg::GetPhotoPositionItem(int index,
                                                    CZanXavenPhotoPositionItem& item) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_Items.size()) return 0;
    item.PhotoLeft = m_Items[index].PhotoLeft;
    item.PhotoTop = m_Items[index].PhotoTop;
    return 1;
}

int CZanXavenPhotoPositionCfg::SetPhotoPositionItem(int index,
                                                    const CZanXavenPhotoPositionItem& item)
{
    if (index < 0 || static_cast<size_t>(index) >= m_Items.size()) return 0;
    m_Items[index].PhotoLeft = item.PhotoLeft;
    m_Items[index].PhotoTop = item.PhotoTop;
    return 1;
}

int CZanXavenPhotoPositionCfg::GetItemList(tagZanExpPhotoPositionInfo* list, int capacity) const
{
    if (list) {
        const size_t copied = std::min(m_Items.size(), static_cast<size_t>(std::max(capacity, 0)));
        for (size_t i = 0; i < copied; ++i) list[i] = {m_Items[i].PhotoLeft, m_Items[i].PhotoTop};
    }
    return static_cast<int>(m_Items.size());
}

// ---- XML ----------------------------------------------------------------------------------

int CZanXavenPhotoPositionCfg::ImportXMLNode(DOMNode* node)
{
    DOMElement* element = qlcos::xml::AsElement(node);
    if (!element || !qlcos::xml::NameIs(element, ZT("PaperSize"))) return 1;
    m_Items.clear();
    for (DOMElement* child : qlcos::xml::ChildElements(element, ZT("PhotoPosition")))
        m_Items.emplace_back(xmlGetAttributeInt(*child, ZT("PhotoLeft"), 0, nullptr),
                             xmlGetAttributeInt(*child, ZT("PhotoTop"), 0, nullptr));
    m_dwCount = static_cast<uint32_t>(m_Items.size());
    return 0;
}

int CZanXavenPhotoPositionCfg::ExportXMLNode(DOMNode* node)
{
    if (!node) return 1;
    try {
        for (const CZanXavenPhotoPositionItem& item : m_Items) {
            DOMElement* element = qlcos::xml::AppendElement(node, ZT("PhotoPosition"));
            if (!element) return 1;
            qlcos::xml::SetAttribute(element, ZT("PhotoLeft"),
                                     qlcos::numbers::FormatInt(item.PhotoLeft));
            qlcos::xml::SetAttribute(element, ZT("PhotoTop"),
                                     qlcos::numbers::FormatInt(item.PhotoTop));
        }
        return 0;
    } catch (const DOMException&) {
        return 1;
    }
}
