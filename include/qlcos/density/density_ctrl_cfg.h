// The densitometer's configuration record: which instrument, on which port.
#pragma once

#include "qlcos/config/config_base.h"

#include <xercesc/dom/DOMNode.hpp>

// The creation record of the density device (tagZanVirtualDeviceProperty, 28 bytes): blob
// of 40 bytes, INI section "DensityControl", XML element "DensityControl" with a
// "DeviceType" attribute ("XRite5xx", "ColorMouse", "XRite2xx") and a "PortProperty" child.
class QLCOS_API CZanDensityCtrlCfg : public CZanConfig {
public:
    static constexpr uint32_t kIdentifier = 0x44454E53;
    static constexpr uint32_t kBlobSize = 40;

    CZanDensityCtrlCfg();
    CZanDensityCtrlCfg(const CZanDensityCtrlCfg& other);
    CZanDensityCtrlCfg& operator=(const CZanDensityCtrlCfg& other);
    ~CZanDensityCtrlCfg() override;

    uint32_t GetSize() const override;
    // Port 1, second word 0xFFFFFFFF, the rest 0; device type 0 (which Create refuses).
    void InitData() override;
    // Refuses (0, record unchanged) null and any blob IsValidData rejects; else 40.
    uint32_t LoadConfig(const unsigned char* data) override;
    uint32_t SaveConfig(unsigned char* data) override;
    // Copies the 28-byte record when `data` is not null; returns 28.
    int GetData(void* data) const override;
    // The base's test and a total size of 40, so that LoadConfig never reads past a blob.
    int IsValidData(const unsigned char* data) const override;
    // The port property and "DeviceType"; a section whose port property cannot be read
    // leaves the record unchanged. Always 0.
    int ImportINIFile(const ZanWChar* path) override;
    // 0, or 1 for a null path or when a value could not be written.
    int ExportINIFile(const ZanWChar* path) override;
    uint32_t GetHeadSize() const override;
    void FillHead() override;

    // Appends a "DensityControl" element to `parent`; 0, or 1 on failure.
    virtual int ExportXMLNode(xercesc::DOMNode* parent);
    // Reads the "DensityControl" element itself; 0, or 1 when it is not one or has no
    // readable "PortProperty" child (a device type read before that stays).
    virtual int ImportXMLNode(xercesc::DOMNode* element);

    // Null is ignored by both.
    void SetZanVirtualDeviceProperty(const tagZanVirtualDeviceProperty* property);
    void GetZanVirtualDeviceProperty(tagZanVirtualDeviceProperty* property) const;

protected:
    tagZanConfigHead m_Head;
    tagZanVirtualDeviceProperty m_Data;
};
