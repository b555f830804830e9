// The paper size list: its blob with each paper size's photo positions nested, the
// "ExpPaperInfo" and "PaperSize%d" INI sections and the "PrintingPaperSizeChannel" element.
#include "qlcos/config.h"

#include "config/config_blob.h"
#include "config/number_text.h"
#include "config/record_text.h"
#include "config/xml_text.h"
#include "platform/full_path.h"

#include <algorithm>

using namespace xercesc;
using Item = CZanXavenPaperSizeItem;

namespace {

using qlcos::config::CopyText;

const ZanWChar kInfoSection[] = ZT("ExpPaperInfo");
const ZanWChar kCountKey[] = ZT("PaperSizeCount");
const int kXmlTextChars = 256; // names and comments are exported with at most 255
// A file name is exported whole: cut to 255 it would name another file.
const int kXmlFileNameChars = static_cast<int>(CZanXavenPaperSizeItem::kFileNameChars);
const int kXmlNameChars = 31;      // "Name" and "Comment" are read with this many
const int kUniformPercentMin = 70; // "UniformPercent" reads within 70 and 100
const int kUniformPercentMax = 100;
const int kWobbleCountMax = 2; // "WobbleXCount" and "WobbleYCount" read within 1 and 2

// The keys of the INI form besides "Name", in the order they are written.
struct IniFloat {
    const ZanWChar* Key;
    float Item::*Field;
};
struct IniInt {
    const ZanWChar* Key;
    int32_t Item::*Field;
};
// clang-format off
const IniFloat kIniFloats[] = {
    {ZT("R_LastCor"), &Item::R_LastCor}, {ZT("G_LastCor"), &Item::G_LastCor},
    {ZT("B_LastCor"), &Item::B_LastCor}, {ZT("D_LastCor"), &Item::D_LastCor}};
const IniInt kIniInts[] = {
    {ZT("PhotoWidth"), &Item::PhotoWidth}, {ZT("PhotoHeight"), &Item::PhotoHeight},
    {ZT("PhotoLeft"),  &Item::PhotoLeft},  {ZT("PhotoTop"),    &Item::PhotoTop},
    {ZT("PaperWidth"), &Item::PaperWidth}, {ZT("PaperLength"), &Item::PaperLength}};
// clang-format on

ZanString SectionOf(int position)
{
    return qlcos::config::NumberedSection(ZT("PaperSize"), static_cast<size_t>(position));
}

void WriteInfo(qlcos::blob::Writer& w, const tagZanExpPaperSizeInfo& i)
{
    w.F32(i.R_LastCor).F32(i.G_LastCor).F32(i.B_LastCor).F32(i.D_LastCor);
    w.I32(i.PhotoLeft).I32(i.PhotoTop).I32(i.PhotoWidth).I32(i.PhotoHeight);
    w.Chars(i.Name, Item::kNameChars);
    w.I32(i.PaperWidth).I32(i.PaperLength).I32(i.MinExposeTime).I32(i.MultiOvertime);
    w.I32(i.EnableMultiWait).I32(i.EnableTestMode);
    w.Chars(i.UniformFileName, Item::kFileNameChars);
    w.I32(i.UniformPercent).I32(i.EnableUniform).I32(i.EnableUniformDebug);
    w.I32(i.WobbleTemp).I32(i.WobbleXCountTemp).I32(i.WobbleYCountTemp);
    w.I32(i.Wobble).I32(i.WobbleXCount).I32(i.WobbleYCount);
    w.I32(i.EnableRepeatMode).I32(i.nRepeatCount).I32(i.nRepeatInterval);
    w.I32(i.nRepeatPreInter).I32(i.nRepeatPostInter);
    w.I32(i.nNormalPreInter).I32(i.nNormalPostInter);
}

tagZanExpPaperSizeInfo ReadInfo(qlcos::blob::Reader& r)
{
    tagZanExpPaperSizeInfo i;
    i.R_LastCor = r.F32();
    i.G_LastCor = r.F32();
    i.B_LastCor = r.F32();
    i.D_LastCor = r.F32();
    i.PhotoLeft = r.I32();
    i.PhotoTop = r.I32();
    i.PhotoWidth = r.I32();
    i.PhotoHeight = r.I32();
    r.Chars(i.Name, Item::kNameChars);
    i.PaperWidth = r.I32();
    i.PaperLength = r.I32();
    i.MinExposeTime = r.I32();
    i.MultiOvertime = r.I32();
    i.EnableMultiWait = r.I32();
    i.EnableTestMode = r.I32();
    r.Chars(i.UniformFileName, Item::kFileNameChars);
    i.UniformPercent = r.I32();
    i.EnableUniform = r.I32();
    i.EnableUniformDebug = r.I32();
    i.WobbleTemp = r.I32();
    i.WobbleXCountTemp = r.I32();
    i.WobbleYCountTemp = r.I32();
    i.Wobble = r.I32();
    i.WobbleXCount = r.I32();
    i.WobbleYCount = r.I32();
    i.EnableRepeatMode = r.I32();
    i.nRepeatCount = r.I32();
    i.nRepeatInterval = r.I32();
    i.nRepeatPreInter = r.I32();
    i.nRepeatPostInter = r.I32();
    i.nNormalPreInter = r.I32();
    i.nNormalPostInter = r.I32();
    return i;
}

// The file name as written, made a full path when the full path can be had and fits.
void SetUniformFileName(Item& item, const ZanString& name)
{
    const ZanString full = name.empty() ? name : qlcos::platform::FullPath(name);
    const bool fits = !full.empty() && full.size() < Item::kFileNameChars;
    CopyText(item.UniformFileName, fits ? full.c_str() : name.c_str());
}

// One "PaperSize" element into `item` (which holds the defaults); false without a name.
bool ReadItem(const DOMElement& e, Item& item)
{
    const ZanString name = qlcos::xml::ReadText(e, ZT("Name"), kXmlNameChars);
    if (name.empty()) return false;
    CopyText(item.Name, name.c_str());
    CopyText(item.Comment, qlcos::xml::ReadText(e, ZT("Comment"), kXmlNameChars).c_str());

    // Attributes that are absent leave the item's defaults.
    auto real = [&](const ZanWChar* attribute, float& field) {
        field = qlcos::numbers::ToFloat(xmlGetAttributeDouble(e, attribute, field));
    };
    auto whole = [&](const ZanWChar* attribute, int32_t& field) {
        field = xmlGetAttributeInt(e, attribute, field, nullptr);
    };
    auto flag = [&](const ZanWChar* attribute, int32_t& field) {
        field = xmlGetAttributeBool(e, attribute, field ? 1 : 0);
    };
    real(ZT("Cyan"), item.R_LastCor);
    real(ZT("Magenta"), item.G_LastCor);
    real(ZT("Yellow"), item.B_LastCor);
    real(ZT("Density"), item.D_LastCor);
    whole(ZT("PaperWidth"), item.PaperWidth);
    whole(ZT("PaperLength"), item.PaperLength);
    whole(ZT("PhotoLeft"), item.PhotoLeft);
    whole(ZT("PhotoTop"), item.PhotoTop);
    whole(ZT("PhotoWidth"), item.PhotoWidth);
    whole(ZT("PhotoHeight"), item.PhotoHeight);
    whole(ZT("MinExposeTime"), item.MinExposeTime);
    whole(ZT("MultiOvertime"), item.MultiOvertime);
    flag(ZT("EnableMultiWait"), item.EnableMultiWait);
    flag(ZT("EnableTestMode"), item.EnableTestMode);
    flag(ZT("EnableRepeatMode"), item.EnableRepeatMode);
    whole(ZT("nRepeatCount"), item.nRepeatCount);
    whole(ZT("nRepeatInterval"), item.nRepeatInterval);
    whole(ZT("nRepeatPreInter"), item.nRepeatPreInter);
    whole(ZT("nRepeatPostInter"), item.nRepeatPostInter);
    whole(ZT("nNormalPreInter"), item.nNormalPreInter);
    whole(ZT("nNormalPostInter"), item.nNormalPostInter);
    whole(ZT("UniformPercent"), item.UniformPercent);
    item.UniformPercent = std::clamp(item.UniformPercent, kUniformPercentMin, kUniformPercentMax);
    flag(ZT("EnableUniform"), item.EnableUniform);
    flag(ZT("EnableUniformDebug"), item.EnableUniformDebug);
    flag(ZT("WobbleTemp"), item.WobbleTemp);
    whole(ZT("WobbleXCountTemp"), item.WobbleXCountTemp);
    whole(ZT("WobbleYCountTemp"), item.WobbleYCountTemp);
    flag(ZT("Wobble"), item.Wobble);
    whole(ZT("WobbleXCount"), item.WobbleXCount);
    whole(ZT("WobbleYCount"), item.WobbleYCount);
    item.WobbleXCount = std::clamp(item.WobbleXCount, 1, kWobbleCountMax);
    item.WobbleYCount = std::clamp(item.WobbleYCount, 1, kWobbleCountMax);
    // The whole text, so that "." and ".." steps fold before the field's limit applies.
    SetUniformFileName(item,
                       qlcos::xml::FromXml(qlcos::xml::FindAttribute(e, ZT("UniformFileName"))));
    return true;
}

// The attributes of one "PaperSize" element, in the order the form lists them.
void WriteItem(DOMElement* e, const Item& item)
{
    using qlcos::numbers::FormatInt;
    using qlcos::xml::SetAttribute;
    using qlcos::xml::TrueFalse;
    auto text = [&](const ZanWChar* attribute, const ZanWChar* value, int limit = kXmlTextChars) {
        ZanWChar buffer[kXmlFileNameChars];
        SetAttribute(e, attribute, StringToWChar(buffer, value, limit));
    };
    auto real = [&](const ZanWChar* attribute, float value) {
        SetAttribute(e, attribute, qlcos::numbers::FormatFixed(value, 2));
    };
    auto whole = [&](const ZanWChar* attribute, int32_t value) {
        SetAttribute(e, attribute, FormatInt(value));
    };
    auto flag = [&](const ZanWChar* attribute, int32_t value) {
        SetAttribute(e, attribute, TrueFalse(value));
    };
    text(ZT("Name"), item.Name);
    text(ZT("Comment"), item.Comment);
    real(ZT("Cyan"), item.R_LastCor);
    real(ZT("Magenta"), item.G_LastCor);
    real(ZT("Yellow"), item.B_LastCor);
    real(ZT("Density"), item.D_LastCor);
    whole(ZT("PaperWidth"), item.PaperWidth);
    whole(ZT("PaperLength"), item.PaperLength);
    whole(ZT("PhotoLeft"), item.PhotoLeft);
    whole(ZT("PhotoTop"), item.PhotoTop);
    whole(ZT("PhotoWidth"), item.PhotoWidth);
    whole(ZT("PhotoHeight"), item.PhotoHeight);
    whole(ZT("MinExposeTime"), item.MinExposeTime);
    whole(ZT("MultiOvertime"), item.MultiOvertime);
    flag(ZT("EnableMultiWait"), item.EnableMultiWait);
    flag(ZT("EnableTestMode"), item.EnableTestMode);
    flag(ZT("EnableRepeatMode"), item.EnableRepeatMode);
    whole(ZT("nRepeatCount"), item.nRepeatCount);
    whole(ZT("nRepeatInterval"), item.nRepeatInterval);
    whole(ZT("nRepeatPreInter"), item.nRepeatPreInter);
    whole(ZT("nRepeatPostInter"), item.nRepeatPostInter);
    whole(ZT("nNormalPreInter"), item.nNormalPreInter);
    whole(ZT("nNormalPostInter"), item.nNormalPostInter);
    whole(ZT("UniformPercent"), item.UniformPercent);
    flag(ZT("EnableUniform"), item.EnableUniform);
    text(ZT("UniformFileName"), item.UniformFileName, kXmlFileNameChars);
    flag(ZT("EnableUniformDebug"), item.EnableUniformDebug);
    // The wobble settings are written only when switched on.
    if (item.WobbleTemp) {
        flag(ZT("WobbleTemp"), item.WobbleTemp);
        whole(ZT("WobbleXCountTemp"), item.WobbleXCountTemp);
        whole(ZT("WobbleYCountTemp"), item.WobbleYCountTemp);
    }
    if (item.Wobble) {
        flag(ZT("Wobble"), item.Wobble);
        whole(ZT("WobbleXCount"), item.WobbleXCount);
        whole(ZT("WobbleYCount"), item.WobbleYCount);
    }
}

} // namespace

CZanXavenPaperSizeCfg::CZanXavenPaperSizeCfg() : CZanConfig(kIdentifier), m_Head{}, m_dwCount(0)
{
    InitData();
}

CZanXavenPaperSizeCfg::CZanXavenPaperSizeCfg(const CZanXavenPaperSizeCfg& other) = default;

CZanXavenPaperSizeCfg&
CZanXavenPaperSizeCfg::operator=(const CZanXavenPaperSizeCfg& other) = default;

CZanXavenPaperSizeCfg::~CZanXavenPaperSizeCfg() = default;

uint32_t CZanXavenPaperSizeCfg::GetSize() const
{
    uint32_t size = kEmptySize;
    for (const Item& item : m_Items) size += item.GetSize();
    return size;
}

uint32_t CZanXavenPaperSizeCfg::GetHeadSize() const { return kHeadSize; }

void CZanXavenPaperSizeCfg::FillHead() { FillHeadOf(m_Head); }

void CZanXavenPaperSizeCfg::InitData()
{
    m_dwCount = 0;
    m_Items.clear();
    FillHead();
}

int CZanXavenPaperSizeCfg::GetData(void* data) const
{
    if (!data) return 0;
    qlcos::blob::Writer(static_cast<unsigned char*>(data)).U32(m_dwCount);
    return 4;
}

// ---- Blob ---------------------------------------------------------------------------------

uint32_t CZanXavenPaperSizeCfg::SaveConfig(unsigned char* data)
{
    if (!data) return 0;
    FillHead();
    m_dwCount = static_cast<uint32_t>(m_Items.size());
    qlcos::blob::Writer w(data);
    w.Head(m_Head).U32(m_dwCount);
    for (Item& item : m_Items) {
        tagZanExpPaperSizeInfo info;
        item.Get(&info);
        WriteInfo(w, info);
        w = qlcos::blob::Writer(w.Position() + item.PhotoPositionCfg.SaveConfig(w.Position()));
    }
    return static_cast<uint32_t>(w.Position() - data);
}

uint32_t CZanXavenPaperSizeCfg::LoadConfig(const unsigned char* data)
{
    return data ? LoadBlob(data, qlcos::blob::StatedSize(data)) : 0;
}

uint32_t CZanXavenPaperSizeCfg::LoadBlob(const unsigned char* data, uint32_t available)
{
    // Every entry takes at least its record and an empty photo position blob.
    qlcos::blob::ListBlob blob;
    if (!blob.Open(data, available) ||
        !blob.Fits(kInfoSize + CZanXavenPhotoPositionCfg::kEmptySize))
        return 0;
    qlcos::blob::Reader r(data + blob.kEntries);
    qlcos::blob::Extent extent(blob.Size);
    extent.Take(1, blob.kEntries);

    std::vector<Item> items;
    for (uint32_t i = 0; i < blob.Count; ++i) {
        if (!extent.Take(1, kInfoSize)) return 0;
        items.emplace_back(ReadInfo(r));
        const uint32_t nested = items.back().PhotoPositionCfg.LoadBlob(
            r.Position(), static_cast<uint32_t>(extent.Left()));
        if (!nested) return 0;
        extent.Take(1, nested);
        r.Skip(nested);
    }
    m_Head = blob.Head;
    m_dwCount = blob.Count;
    m_Items.swap(items);
    return static_cast<uint32_t>(extent.Used());
}

// ---- List ---------------------------------------------------------------------------------

int CZanXavenPaperSizeCfg::AddPaperSizeItem(const Item& item)
{
    for (const Item& held : m_Items)
        if (qlcos::config::Same(held.Name, item.Name)) return 0;
    m_Items.push_back(item);
    return 1;
}

int CZanXavenPaperSizeCfg::GetPaperSizeItem(const ZanWChar* name, Item& item) const
{
    if (!name) return 0;
    int found = 0;
    for (const Item& held : m_Items) {
        if (qlcos::config::Same(held.Name, name)) {
            item = held;
            found = 1;
        }
    }
    return found;
}

int CZanXavenPaperSizeCfg::SetPaperSizeItem(const ZanWChar* name, const Item& item)
{
    if (!name) return 0;
    // The name may be one of the list's own, which the first match overwrites.
    const ZanString wanted(name);
    int found = 0;
    for (Item& held : m_Items) {
        if (qlcos::config::SameNoCase(held.Name, wanted.c_str())) {
            held = item;
            found = 1;
        }
    }
    return found;
}

int CZanXavenPaperSizeCfg::RemovePaperSizeItem(const ZanWChar* name)
{
    if (!name) return 0;
    for (auto it = m_Items.begin(); it != m_Items.end(); ++it) {
        if (qlcos::config::SameNoCase(it->Name, name)) {
            m_Items.erase(it);
            return 1;
        }
    }
    return 0;
}

int CZanXavenPaperSizeCfg::GetItemList(tagZanExpPaperSizeInfo* list, int max) const
{
    if (list) {
        const size_t copied = std::min(m_Items.size(), static_cast<size_t>(std::max(max, 0)));
        for (size_t i = 0; i < copied; ++i) m_Items[i].Get(&list[i]);
    }
    return static_cast<int>(m_Items.size());
}

// ---- INI ----------------------------------------------------------------------------------

int CZanXavenPaperSizeCfg::ImportINIFile(const ZanWChar* path)
{
    if (!path) return 1;
    m_Items.clear();
    int count = 0;
    if (!zanGetProfileInt(kInfoSection, kCountKey, path, &count)) {
        m_dwCount = 0;
        return 0;
    }
    count = std::clamp(count, 0, kMaxIniSections);
    tagZanExpPaperSizeInfo start{};
    start.PhotoWidth = 1280;
    start.PhotoHeight = 1024;
    for (int position = 1; position <= count; ++position) {
        const ZanString section = SectionOf(position);
        Item item(start);
        zanGetProfileString(section.c_str(), ZT("Name"), path, item.Name, Item::kNameChars);
        for (const IniFloat& key : kIniFloats)
            zanGetProfileFloat(section.c_str(), key.Key, path, &(item.*key.Field));
        for (const IniInt& key : kIniInts)
            zanGetProfileInt(section.c_str(), key.Key, path, &(item.*key.Field));
        m_Items.push_back(item);
    }
    m_dwCount = static_cast<uint32_t>(count);
    return 0;
}

int CZanXavenPaperSizeCfg::ExportINIFile(const ZanWChar* path)
{
    if (!path) return 1;
    bool ok = true;
    int position = 0;
    for (const Item& item : m_Items) {
        const ZanString section = SectionOf(++position);
        ok &= zanSetProfileString(section.c_str(), ZT("Name"), path, item.Name) != 0;
        for (const IniFloat& key : kIniFloats)
            ok &= zanSetProfileFloat(section.c_str(), key.Key, path, item.*key.Field) != 0;
        for (const IniInt& key : kIniInts)
            ok &= zanSetProfileInt(section.c_str(), key.Key, path, item.*key.Field) != 0;
    }
    ok &= zanSetProfileInt(kInfoSection, kCountKey, path, position) != 0;
    return ok ? 0 : 1;
}

// ---- XML ----------------------------------------------------------------------------------

int CZanXavenPaperSizeCfg::ImportXMLNode(DOMNode* node)
{
    DOMElement* element = qlcos::xml::AsElement(node);
    if (!element || !qlcos::xml::NameIs(element, ZT("PrintingPaperSizeChannel"))) return 1;
    m_Items.clear();
    m_dwCount = 0;
    for (DOMElement* child : qlcos::xml::ChildElements(element, ZT("PaperSize"))) {
        Item item;
        if (!ReadItem(*child, item)) continue;
        item.PhotoPositionCfg.ImportXMLNode(child);
        m_Items.push_back(item);
        ++m_dwCount;
    }
    return 0;
}

int CZanXavenPaperSizeCfg::ExportXMLNode(DOMNode* node)
{
    if (!node) return 1;
    try {
        DOMElement* channel = qlcos::xml::CreateRecordElement(
            node, ZT("PrintingPaperSizeChannel"), ZT("Vudodura Print PaperSize Property"));
        if (!channel || !qlcos::xml::Append(node, channel)) return 1;
        for (Item& item : m_Items) {
            DOMElement* element = qlcos::xml::CreateElement(channel, ZT("PaperSize"));
            if (!element) return 1;
            WriteItem(element, item);
            if (item.PhotoPositionCfg.ExportXMLNode(element) != 0 ||
                !qlcos::xml::Append(channel, element))
                return 1;
        }
        return 0;
    } catch (const DOMException&) {
        return 1;
    }
}
