// Configuration of the densitometer: the device's creation record as a blob, an INI section
// "DensityControl" and an XML element "DensityControl".
#include "qlcos/config.h"

#include "config/config_blob.h"
#include "config/xml_text.h"
#include "platform/profile_io.h"

#include <cstring>

using namespace xercesc;

namespace {

const ZanWChar kSection[] = ZT("DensityControl");
const ZanWChar kElement[] = ZT("DensityControl");
const ZanWChar kTypeAttribute[] = ZT("DeviceType");
const ZanWChar kPortElement[] = ZT("PortProperty");
const uint32_t kDataSize = sizeof(tagZanVirtualDeviceProperty);
static_assert(CZanDensityCtrlCfg::kBlobSize == CZanConfig::kHeadSize + kDataSize,
              "density blob is the header and the device property");

// Marks a record whose settings came from an INI or XML form.
const uint16_t kImportedFuser = 0xFFFF;

// The instruments' names in the XML form.
struct InstrumentName {
    uint16_t DeviceType;
    const ZanWChar* Name;
};
// clang-format off
const InstrumentName kInstruments[] = {
    {ZAN_DEVTYPE_XRITE5XX,    ZT("XRite5xx")},
    {ZAN_DEVTYPE_COLOR_MOUSE, ZT("ColorMouse")},
    {ZAN_DEVTYPE_XRITE2XX,    ZT("XRite2xx")},
};
// clang-format on

const ZanWChar* NameOf(uint16_t deviceType)
{
    for (const InstrumentName& instrument : kInstruments) {
        if (instrument.DeviceType == deviceType) return instrument.Name;
    }
    return nullptr;
}

// The device type a name stands for (letter case ignored); 0 for no instrument's name.
uint16_t TypeNamed(const ZanString& name)
{
    for (const InstrumentName& instrument : kInstruments) {
        if (qlcos::unicode::EqualNoCase(name.c_str(), instrument.Name))
            return instrument.DeviceType;
    }
    return 0;
}

} // namespace

CZanDensityCtrlCfg::CZanDensityCtrlCfg() : CZanConfig(kIdentifier), m_Head{}, m_Data{}
{
    InitData();
}

CZanDensityCtrlCfg::CZanDensityCtrlCfg(const CZanDensityCtrlCfg& other) = default;

CZanDensityCtrlCfg& CZanDensityCtrlCfg::operator=(const CZanDensityCtrlCfg& other) = default;

CZanDensityCtrlCfg::~CZanDensityCtrlCfg() = default;

uint32_t CZanDensityCtrlCfg::GetSize() const { return GetHeadSize() + kDataSize; }

uint32_t CZanDensityCtrlCfg::GetHeadSize() const { return kHeadSize; }

void CZanDensityCtrlCfg::FillHead() { FillHeadOf(m_Head); }

void CZanDensityCtrlCfg::InitData()
{
    std::memset(&m_Data, 0, sizeof m_Data);
    m_Data.Port.Port = 1;
    m_Data.Port.Second = -1;
}

// ---- Blob ---------------------------------------------------------------------------------

uint32_t CZanDensityCtrlCfg::SaveConfig(unsigned char* data)
{
    if (!data) return 0;
    FillHead();
    qlcos::blob::Writer(data)
        .Head(m_Head)
        .Port(m_Data.Port)
        .U16(m_Data.DeviceType)
        .U16(m_Data.FuserType);
    return GetSize();
}

uint32_t CZanDensityCtrlCfg::LoadConfig(const unsigned char* data)
{
    // Only a blob of this record, with all 40 bytes stated, is read.
    if (!IsValidData(data)) return 0;
    qlcos::blob::Reader r(data);
    m_Head = r.Head();
    m_Data.Port = r.Port();
    m_Data.DeviceType = r.U16();
    m_Data.FuserType = r.U16();
    return GetSize();
}

int CZanDensityCtrlCfg::GetData(void* data) const
{
    if (data) std::memcpy(data, &m_Data, kDataSize);
    return static_cast<int>(kDataSize);
}

int CZanDensityCtrlCfg::IsValidData(const unsigned char* data) const
{
    return CZanConfig::IsValidData(data) && qlcos::blob::StatedSize(data) == kBlobSize;
}

void CZanDensityCtrlCfg::SetZanVirtualDeviceProperty(const tagZanVirtualDeviceProperty* property)
{
    if (property) m_Data = *property;
}

void CZanDensityCtrlCfg::GetZanVirtualDeviceProperty(tagZanVirtualDeviceProperty* property) const
{
    if (property) *property = m_Data;
}

// ---- INI ----------------------------------------------------------------------------------

int CZanDensityCtrlCfg::ExportINIFile(const ZanWChar* path)
{
    // A write that failed is reported, as the other records do, not passed off as success.
    if (!path) return 1;
    bool ok = zanSetSerialPortPropertyToINI(path, kSection, &m_Data.Port) != 0;
    ok &= zanSetProfileInt(kSection, ZT("DeviceType"), path, m_Data.DeviceType) != 0;
    return ok ? 0 : 1;
}

int CZanDensityCtrlCfg::ImportINIFile(const ZanWChar* path)
{
    if (!path) return 0;
    tagZANSerialPortProperty port = m_Data.Port;
    if (!zanGetSerialPortPropertyFromINI(path, kSection, &port)) return 0;
    // A missing key gives 1, which no instrument accepts.
    m_Data.DeviceType =
        static_cast<uint16_t>(GetPrivateProfileIntW(kSection, ZT("DeviceType"), 1, path));
    m_Data.Port = port;
    m_Data.FuserType = kImportedFuser;
    return 0;
}

// ---- XML ----------------------------------------------------------------------------------

int CZanDensityCtrlCfg::ExportXMLNode(DOMNode* parent)
{
    if (!parent) return 1;
    try {
        DOMElement* element = qlcos::xml::CreateElement(parent, kElement);
        if (!element) return 1;
        if (const ZanWChar* name = NameOf(m_Data.DeviceType))
            qlcos::xml::SetAttribute(element, kTypeAttribute, name);
        if (!qlcos::xml::Append(parent, element)) return 1;
        return zanXMLSetSerialPortProperty(element, &m_Data.Port) ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

int CZanDensityCtrlCfg::ImportXMLNode(DOMNode* node)
{
    DOMElement* element = qlcos::xml::ElementNamed(node, kElement);
    if (!element) return 1;

    // An instrument's name sets the type at once, even when the port property below turns
    // out unreadable; any other value keeps the type.
    if (const DOMNamedNodeMap* attributes = element->getAttributes()) {
        for (XMLSize_t i = 0; i < attributes->getLength(); ++i) {
            const DOMNode* attribute = attributes->item(i);
            if (!qlcos::xml::NameIs(attribute, kTypeAttribute)) continue;
            const uint16_t type = TypeNamed(qlcos::xml::FromXml(attribute->getNodeValue()));
            if (type) m_Data.DeviceType = type;
        }
    }

    // The first "PortProperty" element decides.
    for (DOMNode* child = element->getFirstChild(); child; child = child->getNextSibling()) {
        if (!qlcos::xml::ElementNamed(child, kPortElement)) continue;
        tagZANSerialPortProperty port = m_Data.Port;
        if (!zanXMLGetSerialPortProperty(child, &port)) return 1;
        m_Data.Port = port;
        m_Data.FuserType = kImportedFuser;
        return 0;
    }
    return 1;
}
