// The machine control configuration: machine record, paper channel list and their XML form
// under "MachineCtrl".
#include "qlcos/machine_cfg.h"

#include "qlcos/config/port_property.h"
#include "config/number_text.h"
#include "config/record_text.h"
#include "config/xml_text.h"

#include <cstring>
#include <typeinfo>

using namespace xercesc;

namespace {

const ZanWChar kDefaultDeviceName[] = ZT("NX3306");
const int kDeviceNameChars = 1023; // the attribute is read into a buffer of 1024 characters

// Device names and their machine types, in lookup order.
struct MachineType {
    const ZanWChar* Name;
    int32_t Type;
};
// clang-format off
const MachineType kMachineTypes[] = {
    {ZT("NX3306"),     CZanXavenMachineCtrlCfg::kMCTypeNX3306},
    {ZT("NXMiniType"), CZanXavenMachineCtrlCfg::kMCTypeNXMiniType},
};
// clang-format on

// The integer attributes of a paper channel element.
struct ChannelInt {
    const ZanWChar* Name;
    int32_t tagZanMCPaperChannelData::*Member;
};
// clang-format off
const ChannelInt kChannelInts[] = {
    {ZT("Focus"),  &tagZanMCPaperChannelData::Focus},
    {ZT("Width"),  &tagZanMCPaperChannelData::Width},
    {ZT("Camera"), &tagZanMCPaperChannelData::Camera},
    {ZT("Length"), &tagZanMCPaperChannelData::Length},
    {ZT("Offset"), &tagZanMCPaperChannelData::Offset},
};
// clang-format on

} // namespace

CZanXavenMachineCtrlCfg::CZanXavenMachineCtrlCfg() : m_Data{}, m_MCType(-1) { InitData(); }

CZanXavenMachineCtrlCfg::CZanXavenMachineCtrlCfg(const CZanXavenMachineCtrlCfg& other) = default;

CZanXavenMachineCtrlCfg&
CZanXavenMachineCtrlCfg::operator=(const CZanXavenMachineCtrlCfg& other) = default;

CZanXavenMachineCtrlCfg::~CZanXavenMachineCtrlCfg() = default;

uint32_t CZanXavenMachineCtrlCfg::GetSize() const { return 0; }

void CZanXavenMachineCtrlCfg::InitData()
{
    std::memset(&m_Data, 0, sizeof m_Data);
    m_PaperChannelList.clear();
    m_MCType = -1;
}

uint32_t CZanXavenMachineCtrlCfg::LoadConfig(const unsigned char* /*data*/) { return 0; }

uint32_t CZanXavenMachineCtrlCfg::SaveConfig(unsigned char* /*data*/) { return 0; }

int CZanXavenMachineCtrlCfg::Copy(CZanConfig* other)
{
    // The base copies through the blob, which this record does not have.
    if (!other) return 0;
    if (other == this) return 1;
    if (typeid(*other) != typeid(*this)) return 0;
    *this = static_cast<const CZanXavenMachineCtrlCfg&>(*other);
    return 1;
}

void CZanXavenMachineCtrlCfg::FillHead() {}

int32_t CZanXavenMachineCtrlCfg::GetMCType() const { return m_MCType; }

int32_t CZanXavenMachineCtrlCfg::GetMCType(const ZanWChar* deviceName) const
{
    for (const MachineType& entry : kMachineTypes) {
        if (qlcos::unicode::EqualNoCase(deviceName, entry.Name)) return entry.Type;
    }
    return kMCTypeUnknown;
}

const tagZanXavenMCCfgData* CZanXavenMachineCtrlCfg::GetData() const { return &m_Data; }

void CZanXavenMachineCtrlCfg::GetMCCfgData(tagZanXavenMCCfgData* data) const
{
    if (data) *data = m_Data;
}

void CZanXavenMachineCtrlCfg::SetMCCfgData(const tagZanXavenMCCfgData* data)
{
    if (data) m_Data = *data;
}

const std::vector<tagZanMCPaperChannelData>& CZanXavenMachineCtrlCfg::GetPaperChannelList() const
{
    return m_PaperChannelList;
}

void CZanXavenMachineCtrlCfg::AddPaperChannel(const tagZanMCPaperChannelData* channel)
{
    if (channel) m_PaperChannelList.push_back(*channel);
}

int CZanXavenMachineCtrlCfg::GetPaperChannelDetail(const ZanWChar* name,
                                                   tagZanMCPaperChannelData* channel) const
{
    if (!channel) return 1;
    const size_t nameLength = qlcos::unicode::Length(name);
    const tagZanMCPaperChannelData* found = nullptr;
    for (const tagZanMCPaperChannelData& item : m_PaperChannelList) {
        if (qlcos::unicode::EqualNoCase(name, nameLength, item.Name,
                                        qlcos::config::FieldLength(item.Name)))
            found = &item;
    }
    if (found) *channel = *found;
    return 1;
}

// ---- XML import ---------------------------------------------------------------------------

int CZanXavenMachineCtrlCfg::ImportXMLNode(DOMNode* node)
{
    m_PaperChannelList.clear();
    DOMElement* element = qlcos::xml::ElementNamed(node, ZT("MachineCtrl"));
    if (!element) return 1;

    const ZanString name =
        qlcos::xml::ReadText(*element, ZT("DeviceName"), kDeviceNameChars, kDefaultDeviceName);
    if (name.empty()) return 1;
    qlcos::config::CopyText(m_Data.DeviceName, name.c_str());
    m_Data.MCType = GetMCType(m_Data.DeviceName);
    m_MCType = m_Data.MCType;

    int result = 0;
    for (DOMElement* child : qlcos::xml::ChildElements(element, ZT("DORozeZud")))
        result = ImportXMLNodeThis(child);
    return result;
}

int CZanXavenMachineCtrlCfg::ImportXMLNodeThis(DOMNode* node)
{
    DOMElement* element = qlcos::xml::ElementNamed(node, ZT("DORozeZud"));
    if (!element) return 1;
    int result = 0;
    for (DOMNode* child = element->getFirstChild(); child; child = child->getNextSibling()) {
        if (!qlcos::xml::AsElement(child)) continue;
        if (qlcos::xml::NameIs(child, ZT("PortProperty"))) {
            tagZANSerialPortProperty port = m_Data.PortProperty;
            if (zanXMLGetSerialPortProperty(child, &port))
                m_Data.PortProperty = port;
            else
                result |= 0x1;
        } else if (qlcos::xml::NameIs(child, ZT("DORozezudPaperInfo"))) {
            result = ImportXMLPaperInfo(child);
        }
    }
    return result;
}

int CZanXavenMachineCtrlCfg::ImportXMLPaperInfo(DOMNode* node)
{
    DOMElement* element = qlcos::xml::ElementNamed(node, ZT("DORozezudPaperInfo"));
    if (!element) return 1;
    int result = 0;
    for (DOMElement* child : qlcos::xml::ChildElements(element, ZT("DORozeZudPaperChannel")))
        result = ImportXMLPaperChannel(child);
    return result;
}

int CZanXavenMachineCtrlCfg::ImportXMLPaperChannel(DOMNode* node)
{
    DOMElement* element = qlcos::xml::ElementNamed(node, ZT("DORozeZudPaperChannel"));
    if (!element) return 1;
    // A document cannot make the list grow without bound.
    if (m_PaperChannelList.size() >= kMaxPaperChannels) return 1;

    tagZanMCPaperChannelData channel{};
    const DOMNamedNodeMap* attributes = element->getAttributes();
    const XMLSize_t count = attributes ? attributes->getLength() : 0;
    for (XMLSize_t i = 0; i < count; ++i) {
        const DOMNode* attribute = attributes->item(i);
        if (qlcos::xml::NameIs(attribute, ZT("Name"))) {
            GetAttrValueAsString(channel.Name, sizeof channel.Name / sizeof(ZanWChar), attribute);
        } else if (qlcos::xml::NameIs(attribute, ZT("Carrier"))) {
            // The field holds one character: the first of the text.
            GetAttrValueAsString(channel.Carrier, sizeof channel.Carrier / sizeof(ZanWChar),
                                 attribute);
        } else {
            for (const ChannelInt& field : kChannelInts) {
                if (qlcos::xml::NameIs(attribute, field.Name))
                    channel.*field.Member = GetAttrValueAsInt(attribute);
            }
        }
    }
    m_PaperChannelList.push_back(channel);
    return 0;
}

int CZanXavenMachineCtrlCfg::GetAttrValueAsString(ZanWChar* target, size_t chars,
                                                  const DOMNode* attribute) const
{
    if (!attribute || !target) return 1;
    qlcos::config::CopyText(target, chars, qlcos::xml::FromXml(attribute->getNodeValue()).c_str());
    return 0;
}

int CZanXavenMachineCtrlCfg::GetAttrValueAsInt(const DOMNode* attribute) const
{
    if (!attribute) return 1;
    return qlcos::numbers::ParseInt(qlcos::xml::FromXml(attribute->getNodeValue())).Value;
}

// ---- XML export ---------------------------------------------------------------------------

int CZanXavenMachineCtrlCfg::ExportXMLNode(DOMNode* node)
{
    if (!node) return 1;
    try {
        DOMElement* element = qlcos::xml::CreateElement(node, ZT("MachineCtrl"));
        if (!element) return 1;
        qlcos::xml::SetAttribute(element, ZT("DeviceName"),
                                 qlcos::config::FieldText(m_Data.DeviceName).c_str());
        if (!qlcos::xml::Append(node, element)) return 1;
        return ExportXMLNodeThis(element);
    } catch (const DOMException&) {
        return 1;
    }
}

int CZanXavenMachineCtrlCfg::ExportXMLNodeThis(DOMNode* node)
{
    DOMElement* element = qlcos::xml::AppendElement(node, ZT("DORozeZud"));
    if (!element) return 1;
    bool failed = !zanXMLSetSerialPortProperty(element, &m_Data.PortProperty);
    failed |= ExportXMLPaperInfo(element) != 0;
    failed |= ExportXMLSupplyInfo(element) != 0;
    return failed ? 1 : 0;
}

int CZanXavenMachineCtrlCfg::ExportXMLPaperInfo(DOMNode* node)
{
    try {
        DOMElement* info = qlcos::xml::AppendElement(node, ZT("DORozezudPaperInfo"));
        if (!info) return 1;
        // The camera belongs to the NX3306 only; other machines keep it without writing it.
        const bool withCamera = m_Data.MCType == kMCTypeNX3306;
        for (const tagZanMCPaperChannelData& c : m_PaperChannelList) {
            DOMElement* e = qlcos::xml::CreateElement(info, ZT("DORozeZudPaperChannel"));
            if (!e) return 1;
            qlcos::xml::SetAttribute(e, ZT("Name"), qlcos::config::FieldText(c.Name).c_str());
            qlcos::xml::SetAttribute(e, ZT("Focus"), qlcos::numbers::FormatInt(c.Focus));
            qlcos::xml::SetAttribute(e, ZT("Width"), qlcos::numbers::FormatInt(c.Width));
            if (withCamera)
                qlcos::xml::SetAttribute(e, ZT("Camera"), qlcos::numbers::FormatInt(c.Camera));
            qlcos::xml::SetAttribute(e, ZT("Length"), qlcos::numbers::FormatInt(c.Length));
            qlcos::xml::SetAttribute(e, ZT("Offset"), qlcos::numbers::FormatInt(c.Offset));
            qlcos::xml::SetAttribute(e, ZT("Carrier"), qlcos::config::FieldText(c.Carrier).c_str());
            if (!qlcos::xml::Append(info, e)) return 1;
        }
        return 0;
    } catch (const DOMException&) {
        return 1;
    }
}

int CZanXavenMachineCtrlCfg::ExportXMLSupplyInfo(DOMNode* node) { return node ? 0 : 1; }
