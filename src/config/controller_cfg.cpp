// Configuration of the light-engine controller: blob, INI section "LCosCtrl" and XML element
// "XavenController".
#include "qlcos/config.h"

#include "config/config_blob.h"
#include "config/lcos_ini_keys.h"
#include "config/number_text.h"
#include "config/xml_text.h"
#include "exposure/model_table.h"
#include "platform/text_localtime.h"

#include <cstring>

using namespace xercesc;

namespace {

const ZanWChar kSection[] = ZT("LCosCtrl");
const uint32_t kDataSize = sizeof(tagZanXavenControllerCfgData);
static_assert(CZanXavenControllerCfg::kBlobSize == CZanConfig::kHeadSize + kDataSize,
              "controller blob is the header and the record");

using qlcos::exposure::ControllerModel;
using qlcos::exposure::kModels;

// The "Cyan", "Magenta", "Yellow" attributes of the child elements name the red, green and
// blue fields in turn.
const ZanWChar* const kColourAttributes[3] = {ZT("Cyan"), ZT("Magenta"), ZT("Yellow")};
const ZanWChar* const kChannelNames[3] = {ZT("Red"), ZT("Green"), ZT("Blue")};

const int kTextChars = 127; // attribute texts are compared in a buffer of 128 characters

ZanString AttributeText(const DOMElement& element, const ZanWChar* name, const ZanWChar* fallback)
{
    return qlcos::xml::ReadText(element, name, kTextChars, fallback);
}

} // namespace

CZanXavenControllerCfg::CZanXavenControllerCfg() : CZanConfig(kIdentifier), m_Head{}, m_Data{}
{
    InitData();
}

CZanXavenControllerCfg::CZanXavenControllerCfg(const CZanXavenControllerCfg& other) = default;

CZanXavenControllerCfg&
CZanXavenControllerCfg::operator=(const CZanXavenControllerCfg& other) = default;

CZanXavenControllerCfg::~CZanXavenControllerCfg() = default;

uint32_t CZanXavenControllerCfg::GetSize() const { return kBlobSize; }

uint32_t CZanXavenControllerCfg::GetHeadSize() const { return kHeadSize; }

void CZanXavenControllerCfg::FillHead() { FillHeadOf(m_Head); }

void CZanXavenControllerCfg::InitData()
{
    std::memset(&m_Data, 0, sizeof m_Data);
    m_Data.PortProperty = {1, -1, 9600, 8, 0, 0};
    m_Data.R_Channel = 1;
    m_Data.G_Channel = 2;
    m_Data.B_Channel = 3;
    m_Data.R_FilterPos = 18;
    m_Data.G_FilterPos = 2;
    m_Data.B_FilterPos = 34;
    m_Data.SyncExposalTime = 15;
}

uint32_t CZanXavenControllerCfg::SaveConfig(unsigned char* data)
{
    if (!data) return 0;
    FillHead();
    const tagZanXavenControllerCfgData& d = m_Data;
    qlcos::blob::Writer w(data);
    w.Head(m_Head).Port(d.PortProperty).U16(d.DeviceType).U16(d.FuserType);
    w.I32(d.R_Channel).I32(d.G_Channel).I32(d.B_Channel);
    w.I32(d.R_FilterPos).I32(d.G_FilterPos).I32(d.B_FilterPos);
    w.F32(d.C_ExposeTime).F32(d.M_ExposeTime).F32(d.Y_ExposeTime);
    w.F32(d.C_ExposeLevel).F32(d.M_ExposeLevel).F32(d.Y_ExposeLevel);
    w.I32(d.HorzMirror).I32(d.VertMirror).I32(d.SyncExposal).I32(d.SyncExposalTime);
    return GetSize();
}

uint32_t CZanXavenControllerCfg::LoadConfig(const unsigned char* data)
{
    if (!data) return 0;
    tagZanXavenControllerCfgData& d = m_Data;
    qlcos::blob::Reader r(data);
    m_Head = r.Head();
    d.PortProperty = r.Port();
    d.DeviceType = r.U16();
    d.FuserType = r.U16();
    d.R_Channel = r.I32();
    d.G_Channel = r.I32();
    d.B_Channel = r.I32();
    d.R_FilterPos = r.I32();
    d.G_FilterPos = r.I32();
    d.B_FilterPos = r.I32();
    d.C_ExposeTime = r.F32();
    d.M_ExposeTime = r.F32();
    d.Y_ExposeTime = r.F32();
    d.C_ExposeLevel = r.F32();
    d.M_ExposeLevel = r.F32();
    d.Y_ExposeLevel = r.F32();
    d.HorzMirror = r.I32();
    d.VertMirror = r.I32();
    d.SyncExposal = r.I32();
    d.SyncExposalTime = r.I32();
    return GetSize();
}

int CZanXavenControllerCfg::GetData(void* data) const
{
    if (data) std::memcpy(data, &m_Data, sizeof m_Data);
    return 0;
}

int CZanXavenControllerCfg::IsValidData(const unsigned char* data) const
{
    return CZanConfig::IsValidData(data) && qlcos::blob::Reader(data + 4).U32() == kBlobSize;
}

void CZanXavenControllerCfg::GetControllerData(tagZanXavenControllerCfgData* data) const
{
    if (data) *data = m_Data;
}

void CZanXavenControllerCfg::SetControllerData(const tagZanXavenControllerCfgData* data)
{
    if (data) m_Data = *data;
}

void CZanXavenControllerCfg::GetZanVirtualDeviceProperty(
    tagZanVirtualDeviceProperty* property) const
{
    if (!property) return;
    property->Port = m_Data.PortProperty;
    property->DeviceType = m_Data.DeviceType;
    property->FuserType = m_Data.FuserType;
}

void CZanXavenControllerCfg::SetZanVirtualDeviceProperty(
    const tagZanVirtualDeviceProperty* property)
{
    if (!property) return;
    m_Data.PortProperty = property->Port;
    m_Data.DeviceType = property->DeviceType;
    m_Data.FuserType = property->FuserType;
}

void CZanXavenControllerCfg::SetZanVirtualDeviceProperty(uint16_t deviceType, int port,
                                                         int baudRate, int dataBits, int reserved2,
                                                         int reserved1)
{
    m_Data.DeviceType = deviceType;
    m_Data.PortProperty.Port = port;
    m_Data.PortProperty.BaudRate = baudRate;
    m_Data.PortProperty.DataBits = dataBits;
    m_Data.PortProperty.Reserved2 = reserved2;
    m_Data.PortProperty.Reserved1 = reserved1;
}

// ---- INI ---------------------------------------------------------------------------------

int CZanXavenControllerCfg::ImportINIFile(const ZanWChar* path)
{
    if (!path) return 1;
    // A section without a readable port property zeroes the port, device and fuser type.
    tagZanVirtualDeviceProperty device{};
    qlcos::config::ReadDeviceProperty(kSection, path, device);
    SetZanVirtualDeviceProperty(&device);

    // Missing keys keep the current values.
    qlcos::config::ReadWiring(kSection, path, m_Data);
    // The flags fall back to 0 when their keys are missing.
    m_Data.HorzMirror = zanGetProfileBool(kSection, ZT("HorzMirror"), 0, path);
    m_Data.VertMirror = zanGetProfileBool(kSection, ZT("VertMirror"), 0, path);
    m_Data.SyncExposal = zanGetProfileBool(kSection, ZT("SyncExposal"), 0, path);
    zanGetProfileInt(kSection, ZT("SyncExposalTime"), path, &m_Data.SyncExposalTime);
    return 0;
}

int CZanXavenControllerCfg::ExportINIFile(const ZanWChar* path)
{
    if (!path) return 1;
    tagZanVirtualDeviceProperty device;
    GetZanVirtualDeviceProperty(&device);
    bool ok = qlcos::config::WriteDeviceProperty(kSection, path, device);
    ok &= qlcos::config::WriteWiring(kSection, path, m_Data);
    ok &= zanSetProfileBool(kSection, ZT("HorzMirror"), m_Data.HorzMirror, path) != 0;
    ok &= zanSetProfileBool(kSection, ZT("VertMirror"), m_Data.VertMirror, path) != 0;
    ok &= zanSetProfileBool(kSection, ZT("SyncExposal"), m_Data.SyncExposal, path) != 0;
    ok &= zanSetProfileInt(kSection, ZT("SyncExposalTime"), path, m_Data.SyncExposalTime) != 0;
    return ok ? 0 : 1;
}

// ---- XML ---------------------------------------------------------------------------------

int CZanXavenControllerCfg::ImportXMLNode(DOMNode* node)
{
    DOMElement* element = qlcos::xml::AsElement(node);
    if (!element || !qlcos::xml::NameIs(element, ZT("XavenController"))) return 1;
    InitData();

    // The model table's configuration words name the device types; the models found only by
    // probing have none. Without the attribute, the first-generation lamp controller.
    const ZanWChar* fallback = qlcos::exposure::ModelOf(ZAN_DEVTYPE_LAMP_CONTROLLER).ConfigWord;
    ZanString type = AttributeText(*element, ZT("DeviceType"), fallback);
    for (const ControllerModel& model : kModels) {
        if (model.ConfigWord && qlcos::unicode::EqualNoCase(type.c_str(), model.ConfigWord))
            m_Data.DeviceType = model.DeviceType;
    }
    ZanString fuser = AttributeText(*element, ZT("FuserType"), ZT(""));
    if (qlcos::unicode::EqualNoCase(fuser.c_str(), ZT("QCB4107"))) m_Data.FuserType = 1;

    m_Data.HorzMirror = xmlGetAttributeBool(*element, ZT("HorzMirror"), 0);
    m_Data.VertMirror = xmlGetAttributeBool(*element, ZT("VertMirror"), 0);
    m_Data.SyncExposal = xmlGetAttributeBool(*element, ZT("UseMinTime"), 0);
    m_Data.SyncExposalTime = xmlGetAttributeInt(*element, ZT("MinTime"), 0, nullptr);

    for (DOMNode* child = element->getFirstChild(); child; child = child->getNextSibling()) {
        const XMLCh* name = child->getNodeName();
        if (!name || !*name) continue;
        if (qlcos::xml::NameIs(child, ZT("PortProperty"))) {
            tagZANSerialPortProperty port = m_Data.PortProperty;
            if (zanXMLGetSerialPortProperty(child, &port)) m_Data.PortProperty = port;
        } else if (qlcos::xml::NameIs(child, ZT("FilterPosition"))) {
            ImportXMLFilterPosition(child);
        } else if (qlcos::xml::NameIs(child, ZT("ColorChannel"))) {
            ImportXMLColorChannel(child);
        } else if (qlcos::xml::NameIs(child, ZT("ExposeTime"))) {
            ImportXMLExposeTime(child);
        } else if (qlcos::xml::NameIs(child, ZT("ExposeLevel"))) {
            ImportXMLExposeLevel(child);
        }
    }
    return 0;
}

int CZanXavenControllerCfg::ExportXMLNode(DOMNode* node)
{
    if (!node) return 1;
    try {
        DOMElement* element = qlcos::xml::CreateElement(node, ZT("XavenController"));
        if (!element) return 1;
        const ControllerModel* model = qlcos::exposure::FindModel(m_Data.DeviceType);
        const ZanWChar* type = model && model->ConfigWord ? model->ConfigWord : ZT("UnKnow");
        qlcos::xml::SetAttribute(element, ZT("DeviceType"), type);
        qlcos::xml::SetAttribute(element, ZT("FuserType"),
                                 m_Data.FuserType == 1 ? ZT("QCB4107") : ZT("Unused"));
        qlcos::xml::SetAttribute(element, ZT("HorzMirror"),
                                 qlcos::xml::TrueFalse(m_Data.HorzMirror));
        qlcos::xml::SetAttribute(element, ZT("VertMirror"),
                                 qlcos::xml::TrueFalse(m_Data.VertMirror));
        qlcos::xml::SetAttribute(element, ZT("UseMinTime"),
                                 qlcos::xml::TrueFalse(m_Data.SyncExposal));
        qlcos::xml::SetAttribute(element, ZT("MinTime"),
                                 qlcos::numbers::FormatInt(m_Data.SyncExposalTime));
        qlcos::xml::SetAttribute(element, ZT("CreateTime"),
                                 qlcos::platform::LocalTimeText("%Y-%m-%d %H:%M"));
        qlcos::xml::SetAttribute(element, ZT("Comment"), ZT("Vudodura Controller Data"));
        if (!qlcos::xml::Append(node, element)) return 1;

        zanXMLSetSerialPortProperty(element, &m_Data.PortProperty);
        return ExportXMLColorChannel(element) | ExportXMLExposeLevel(element) |
               ExportXMLExposeTime(element) | ExportXMLFilterPosition(element);
    } catch (const DOMException&) {
        return 1;
    }
}

int CZanXavenControllerCfg::ImportXMLColorChannel(DOMNode* node)
{
    DOMElement* element = qlcos::xml::ElementNamed(node, ZT("ColorChannel"));
    if (!element) return 1;
    int32_t* fields[3] = {&m_Data.R_Channel, &m_Data.G_Channel, &m_Data.B_Channel};
    for (int i = 0; i < 3; ++i) {
        ZanString text = AttributeText(*element, kColourAttributes[i], kChannelNames[i]);
        for (int channel = 0; channel < 3; ++channel) {
            if (qlcos::unicode::EqualNoCase(text.c_str(), kChannelNames[channel]))
                *fields[i] = channel + 1;
        }
    }
    return 0;
}

int CZanXavenControllerCfg::ExportXMLColorChannel(DOMNode* node)
{
    DOMElement* element = qlcos::xml::AppendElement(node, ZT("ColorChannel"));
    if (!element) return 1;
    const int32_t channels[3] = {m_Data.R_Channel, m_Data.G_Channel, m_Data.B_Channel};
    for (int i = 0; i < 3; ++i) {
        if (channels[i] >= 1 && channels[i] <= 3)
            qlcos::xml::SetAttribute(element, kColourAttributes[i], kChannelNames[channels[i] - 1]);
    }
    return 0;
}

int CZanXavenControllerCfg::ImportXMLFilterPosition(DOMNode* node)
{
    DOMElement* element = qlcos::xml::ElementNamed(node, ZT("FilterPosition"));
    if (!element) return 1;
    m_Data.R_FilterPos = xmlGetAttributeInt(*element, kColourAttributes[0], 0, nullptr);
    m_Data.G_FilterPos = xmlGetAttributeInt(*element, kColourAttributes[1], 0, nullptr);
    m_Data.B_FilterPos = xmlGetAttributeInt(*element, kColourAttributes[2], 0, nullptr);
    return 0;
}

int CZanXavenControllerCfg::ExportXMLFilterPosition(DOMNode* node)
{
    DOMElement* element = qlcos::xml::AppendElement(node, ZT("FilterPosition"));
    if (!element) return 1;
    const int32_t positions[3] = {m_Data.R_FilterPos, m_Data.G_FilterPos, m_Data.B_FilterPos};
    for (int i = 0; i < 3; ++i)
        qlcos::xml::SetAttribute(element, kColourAttributes[i],
                                 qlcos::numbers::FormatInt(positions[i], 2));
    return 0;
}

int CZanXavenControllerCfg::ImportXMLExposeTime(DOMNode* node)
{
    DOMElement* element = qlcos::xml::ElementNamed(node, ZT("ExposeTime"));
    if (!element) return 1;
    m_Data.C_ExposeTime =
        qlcos::numbers::ToFloat(xmlGetAttributeDouble(*element, kColourAttributes[0], 0));
    m_Data.M_ExposeTime =
        qlcos::numbers::ToFloat(xmlGetAttributeDouble(*element, kColourAttributes[1], 0));
    m_Data.Y_ExposeTime =
        qlcos::numbers::ToFloat(xmlGetAttributeDouble(*element, kColourAttributes[2], 0));
    return 0;
}

int CZanXavenControllerCfg::ExportXMLExposeTime(DOMNode* node)
{
    DOMElement* element = qlcos::xml::AppendElement(node, ZT("ExposeTime"));
    if (!element) return 1;
    const float times[3] = {m_Data.C_ExposeTime, m_Data.M_ExposeTime, m_Data.Y_ExposeTime};
    for (int i = 0; i < 3; ++i)
        qlcos::xml::SetAttribute(element, kColourAttributes[i],
                                 qlcos::numbers::FormatFixed(times[i], 2));
    return 0;
}

int CZanXavenControllerCfg::ImportXMLExposeLevel(DOMNode* node)
{
    DOMElement* element = qlcos::xml::ElementNamed(node, ZT("ExposeLevel"));
    if (!element) return 1;
    m_Data.C_ExposeLevel =
        qlcos::numbers::ToFloat(xmlGetAttributeDouble(*element, kColourAttributes[0], 0));
    m_Data.M_ExposeLevel =
        qlcos::numbers::ToFloat(xmlGetAttributeDouble(*element, kColourAttributes[1], 0));
    m_Data.Y_ExposeLevel =
        qlcos::numbers::ToFloat(xmlGetAttributeDouble(*element, kColourAttributes[2], 0));
    return 0;
}

int CZanXavenControllerCfg::ExportXMLExposeLevel(DOMNode* node)
{
    DOMElement* element = qlcos::xml::AppendElement(node, ZT("ExposeLevel"));
    if (!element) return 1;
    const float levels[3] = {m_Data.C_ExposeLevel, m_Data.M_ExposeLevel, m_Data.Y_ExposeLevel};
    for (int i = 0; i < 3; ++i)
        qlcos::xml::SetAttribute(element, kColourAttributes[i],
                                 qlcos::numbers::FormatInt(qlcos::numbers::TruncToInt(levels[i])));
    return 0;
}
