// The gamma table configuration: blob, XML element "GammaTable", lookups by name and the
// correction of key points.
#include "qlcos/config.h"

#include "config/config_blob.h"
#include "config/number_text.h"
#include "config/record_text.h"
#include "config/xml_text.h"

#include <algorithm>

using namespace xercesc;
using qlcos::config::CopyText;
using qlcos::config::SameNoCase;

namespace {

using Cfg = CZanXavenGammaTableCfg;
using Table = tagZanXavenGammaTableCfgData;
using KeyPoint = tagZanXavenGammaKeyPoint;
using Points = KeyPoint[Cfg::kMaxKeyPoints];

const ZanWChar kStandard[] = ZT("Standard");
const size_t kNameLimit = Cfg::kNameChars - 1; // characters a name keeps
const int kXmlMaxLevel = 255;                  // the XML form's scale is 0 to 255

// The channels of a table in their fixed order, with their XML "Type". The import adds a
// table when it meets its blue list, so the export writes that list even when it is empty:
// without it the table would be lost.
struct Channel {
    int32_t Table::*Count;
    Points Table::*KeyPoints;
    const ZanWChar* Type;
    bool AlwaysWritten;
};
// clang-format off
const Channel kChannels[3] = {
    {&Table::nRedCount,   &Table::RedKP,   ZT("Red"),   false},
    {&Table::nGreenCount, &Table::GreenKP, ZT("Green"), false},
    {&Table::nBlueCount,  &Table::BlueKP,  ZT("Blue"),  true},
};
// clang-format on

// The identity channel: (0, 0) and (1023, 1023).
void SetIdentity(int32_t& count, Points& points)
{
    count = 2;
    points[0] = {0, 0};
    points[1] = {Cfg::kMaxLevel, Cfg::kMaxLevel};
}

Table StandardTable()
{
    Table table{};
    CopyText(table.szName, kStandard);
    for (const Channel& c : kChannels) SetIdentity(table.*c.Count, table.*c.KeyPoints);
    return table;
}

// A stored name matches `name` as it would be stored: its first 31 characters, letter case
// ignored.
bool NameMatches(const Table& table, const ZanWChar* name)
{
    return SameNoCase(table.szName, name, kNameLimit);
}

bool CountsHeld(const Table& table)
{
    for (const Channel& c : kChannels) {
        if (table.*c.Count < 0 || table.*c.Count > Cfg::kMaxKeyPoints) return false;
    }
    return true;
}

// The table as the record holds it: name terminated, counts within 0 to 256.
Table Held(const Table& given)
{
    Table table = given;
    table.szName[kNameLimit] = 0;
    for (const Channel& c : kChannels)
        table.*c.Count = std::clamp<int32_t>(table.*c.Count, 0, Cfg::kMaxKeyPoints);
    return table;
}

void WriteTable(qlcos::blob::Writer& w, const Table& table)
{
    w.Chars(table.szName, Cfg::kNameChars);
    w.I32(table.nRedCount).I32(table.nGreenCount).I32(table.nBlueCount);
    for (const Channel& c : kChannels) {
        for (const KeyPoint& p : table.*c.KeyPoints) w.I32(p.x).I32(p.y);
    }
}

void ReadTable(qlcos::blob::Reader& r, Table& table)
{
    r.Chars(table.szName, Cfg::kNameChars);
    table.szName[kNameLimit] = 0;
    table.nRedCount = r.I32();
    table.nGreenCount = r.I32();
    table.nBlueCount = r.I32();
    for (const Channel& c : kChannels) {
        for (KeyPoint& p : table.*c.KeyPoints) {
            p.x = r.I32();
            p.y = r.I32();
        }
    }
}

// The XML scale 0 to 255 against the stored 0 to 1023: the top of one is the top of the
// other, every other level is a quarter.
int32_t FromXmlLevel(int value)
{
    value = std::clamp(value, 0, kXmlMaxLevel);
    return value == kXmlMaxLevel ? Cfg::kMaxLevel : value * 4;
}

int32_t ToXmlLevel(int32_t value) { return value == Cfg::kMaxLevel ? kXmlMaxLevel : value / 4; }

// One channel from the "KeyValue" children of a "KeyValueList": pairs with both "x" and "y",
// the first 256 of them.
int ReadChannel(DOMNode* list, int32_t& count, Points& points)
{
    count = 0;
    if (!list) return 1;
    for (DOMElement* key : qlcos::xml::ChildElements(list, ZT("KeyValue"))) {
        int hasX = 0;
        int hasY = 0;
        const int x = xmlGetAttributeInt(*key, ZT("x"), 0, &hasX);
        const int y = xmlGetAttributeInt(*key, ZT("y"), 0, &hasY);
        if (!hasX || !hasY) continue;
        if (count == Cfg::kMaxKeyPoints) break;
        points[count++] = {FromXmlLevel(x), FromXmlLevel(y)};
    }
    return 0;
}

} // namespace

CZanXavenGammaTableCfg::CZanXavenGammaTableCfg()
    : CZanConfig(kIdentifier), m_Head{}, m_SelectChannel{}
{
    InitData();
}

CZanXavenGammaTableCfg::CZanXavenGammaTableCfg(const CZanXavenGammaTableCfg& other)
    : CZanConfig(kIdentifier), m_Head{}, m_SelectChannel{}
{
    FillHead();
    m_Tables = other.m_Tables;
    CopyText(m_SelectChannel, other.m_SelectChannel);
}

CZanXavenGammaTableCfg& CZanXavenGammaTableCfg::operator=(const CZanXavenGammaTableCfg& other)
{
    if (this != &other) {
        m_Tables = other.m_Tables;
        CopyText(m_SelectChannel, other.m_SelectChannel);
    }
    return *this;
}

CZanXavenGammaTableCfg::~CZanXavenGammaTableCfg() = default;

uint32_t CZanXavenGammaTableCfg::GetSize() const
{
    return kEmptyBlobSize + kTableSize * static_cast<uint32_t>(m_Tables.size());
}

uint32_t CZanXavenGammaTableCfg::GetHeadSize() const { return kHeadSize; }

void CZanXavenGammaTableCfg::FillHead() { FillHeadOf(m_Head); }

void CZanXavenGammaTableCfg::InitData()
{
    FillHead();
    m_Tables.assign(1, StandardTable());
    CopyText(m_SelectChannel, kStandard);
}

uint32_t CZanXavenGammaTableCfg::LoadConfig(const unsigned char* data)
{
    return data ? LoadBlob(data, qlcos::blob::StatedSize(data)) : 0;
}

uint32_t CZanXavenGammaTableCfg::LoadBlob(const unsigned char* data, uint32_t available)
{
    qlcos::blob::ListBlob blob;
    if (!blob.Open(data, available) || !blob.Fits(kTableSize)) return 0;
    qlcos::blob::Reader r(data + blob.kEntries);

    std::vector<Table> tables(blob.Count);
    for (Table& table : tables) {
        ReadTable(r, table);
        if (!CountsHeld(table)) return 0;
    }
    m_Head = blob.Head;
    m_Tables.swap(tables);
    return GetSize();
}

uint32_t CZanXavenGammaTableCfg::SaveConfig(unsigned char* data)
{
    if (!data) return 0;
    FillHead();
    qlcos::blob::Writer w(data);
    w.Head(m_Head).U32(static_cast<uint32_t>(m_Tables.size()));
    for (const Table& table : m_Tables) WriteTable(w, table);
    return GetSize();
}

// ---- Tables by name ----------------------------------------------------------------------

int CZanXavenGammaTableCfg::GetGammaTableData(const ZanWChar* name,
                                              tagZanXavenGammaTableCfgData* data) const
{
    if (!name) return 0;
    for (const Table& table : m_Tables) {
        if (!NameMatches(table, name)) continue;
        if (data) *data = table;
        return 1;
    }
    return 0;
}

void CZanXavenGammaTableCfg::SetGammaTableData(const ZanWChar* name,
                                               tagZanXavenGammaTableCfgData* data)
{
    if (!name || !data) return;
    for (Table& table : m_Tables) {
        if (NameMatches(table, name)) {
            table = Held(*data);
            return;
        }
    }
    CopyText(data->szName, name);
    m_Tables.push_back(Held(*data));
}

void CZanXavenGammaTableCfg::RemoveGammaTableData(const ZanWChar* name)
{
    if (!name || SameNoCase(name, kStandard)) return;
    auto found = std::find_if(m_Tables.begin(), m_Tables.end(),
                              [name](const Table& table) { return NameMatches(table, name); });
    if (found != m_Tables.end()) m_Tables.erase(found);
}

int CZanXavenGammaTableCfg::SetSelectChannel(const ZanWChar* name)
{
    if (!name) return 0;
    for (const Table& table : m_Tables) {
        if (NameMatches(table, name)) {
            CopyText(m_SelectChannel, name);
            return 1;
        }
    }
    return 0;
}

void CZanXavenGammaTableCfg::GetSelectChannel(ZanWChar* name) const
{
    if (name) std::copy(m_SelectChannel, m_SelectChannel + kNameChars, name);
}

int CZanXavenGammaTableCfg::cbCompareKPValue(const tagZanXavenGammaKeyPoint& a,
                                             const tagZanXavenGammaKeyPoint& b)
{
    // The sign of the difference, without the overflow of a plain subtraction.
    return (a.x > b.x) - (a.x < b.x);
}

void CZanXavenGammaTableCfg::CorrectValue()
{
    bool standardFound = false;
    bool selectionFound = false;
    for (Table& table : m_Tables) {
        standardFound |= SameNoCase(table.szName, kStandard);
        selectionFound |= SameNoCase(table.szName, m_SelectChannel);
        for (const Channel& c : kChannels) {
            int32_t& count = table.*c.Count;
            Points& points = table.*c.KeyPoints;
            if (count < 2) {
                SetIdentity(count, points);
                continue;
            }
            count = std::min<int32_t>(count, kMaxKeyPoints);
            std::stable_sort(points, points + count, [](const KeyPoint& a, const KeyPoint& b) {
                return cbCompareKPValue(a, b) < 0;
            });
            points[0].x = 0;
            points[count - 1].x = kMaxLevel;
        }
    }
    if (!standardFound) m_Tables.push_back(StandardTable());
    if (!selectionFound) CopyText(m_SelectChannel, kStandard);
}

// ---- XML ---------------------------------------------------------------------------------

int CZanXavenGammaTableCfg::ImportXMLRedTable(DOMNode* node, tagZanXavenGammaTableCfgData* data)
{
    return data ? ReadChannel(node, data->nRedCount, data->RedKP) : 1;
}

int CZanXavenGammaTableCfg::ImportXMLGreenTable(DOMNode* node, tagZanXavenGammaTableCfgData* data)
{
    return data ? ReadChannel(node, data->nGreenCount, data->GreenKP) : 1;
}

int CZanXavenGammaTableCfg::ImportXMLBlueTable(DOMNode* node, tagZanXavenGammaTableCfgData* data)
{
    return data ? ReadChannel(node, data->nBlueCount, data->BlueKP) : 1;
}

int CZanXavenGammaTableCfg::ImportXMLNode(DOMNode* node)
{
    DOMElement* element = qlcos::xml::AsElement(node);
    if (!element || !qlcos::xml::NameIs(element, ZT("GammaTable"))) return 1;
    const ZanString selected =
        qlcos::xml::ReadText(*element, ZT("SelectChannel"), kNameLimit, kStandard);
    CopyText(m_SelectChannel, selected.c_str());
    m_Tables.clear();

    for (DOMElement* value : qlcos::xml::ChildElements(element, ZT("GammaValue"))) {
        Table table{};
        xmlGetAttributeString(*value, ZT("Name"), table.szName, kNameLimit, nullptr);
        if (!table.szName[0]) continue;
        // Red and green lists only fill the table; any other list (blue when it says so)
        // adds the table as it stands.
        for (DOMElement* list : qlcos::xml::ChildElements(value, ZT("KeyValueList"))) {
            const ZanString type = qlcos::xml::ReadText(*list, ZT("Type"), 1023);
            if (SameNoCase(type.c_str(), ZT("Red"))) {
                ImportXMLRedTable(list, &table);
            } else if (SameNoCase(type.c_str(), ZT("Green"))) {
                ImportXMLGreenTable(list, &table);
            } else {
                if (SameNoCase(type.c_str(), ZT("Blue"))) ImportXMLBlueTable(list, &table);
                m_Tables.push_back(table);
            }
        }
    }
    CorrectValue();
    return 0;
}

int CZanXavenGammaTableCfg::ExportXMLNode(DOMNode* node)
{
    if (!node) return 1;
    try {
        DOMElement* element = qlcos::xml::CreateRecordElement(node, ZT("GammaTable"),
                                                              ZT("Vudodura Gamma Table Data"));
        if (!element) return 1;
        qlcos::xml::SetAttribute(element, ZT("SelectChannel"), m_SelectChannel);
        if (!qlcos::xml::Append(node, element)) return 1;

        for (const Table& table : m_Tables) {
            DOMElement* value = qlcos::xml::AppendElement(element, ZT("GammaValue"));
            if (!value) return 1;
            qlcos::xml::SetAttribute(value, ZT("Name"), table.szName);
            for (const Channel& c : kChannels) {
                const int32_t count = table.*c.Count;
                if (count <= 0 && !c.AlwaysWritten) continue;
                DOMElement* list = qlcos::xml::AppendElement(value, ZT("KeyValueList"));
                if (!list) return 1;
                qlcos::xml::SetAttribute(list, ZT("Type"), c.Type);
                for (int32_t i = 0; i < count; ++i) {
                    const KeyPoint& p = (table.*c.KeyPoints)[i];
                    DOMElement* key = qlcos::xml::AppendElement(list, ZT("KeyValue"));
                    if (!key) return 1;
                    qlcos::xml::SetAttribute(key, ZT("x"),
                                             qlcos::numbers::FormatInt(ToXmlLevel(p.x)));
                    qlcos::xml::SetAttribute(key, ZT("y"),
                                             qlcos::numbers::FormatInt(ToXmlLevel(p.y)));
                }
            }
        }
        return 0;
    } catch (const DOMException&) {
        return 1;
    }
}
