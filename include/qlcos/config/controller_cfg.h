// The light-engine controller's configuration record.
#pragma once

#include "qlcos/config/config_base.h"

#include <xercesc/dom/DOMNode.hpp>

// The light-engine controller's settings, 92 bytes. The first 28 bytes have the layout of
// tagZanVirtualDeviceProperty.
struct tagZanXavenControllerCfgData {
    tagZANSerialPortProperty PortProperty;
    uint16_t DeviceType; // 1 lamp, 2 LED, 3 emulated lamp, 4 lamp 2; 0 none
    uint16_t FuserType;  // 1 for the "QCB4107" exposure unit, else 0
    int32_t R_Channel;
    int32_t G_Channel;
    int32_t B_Channel;
    int32_t R_FilterPos;
    int32_t G_FilterPos;
    int32_t B_FilterPos;
    float C_ExposeTime;
    float M_ExposeTime;
    float Y_ExposeTime;
    float C_ExposeLevel;
    float M_ExposeLevel;
    float Y_ExposeLevel;
    int32_t HorzMirror;
    int32_t VertMirror;
    int32_t SyncExposal;     // synchronised exposure on
    int32_t SyncExposalTime; // synchronised (minimum) exposure time
};
static_assert(sizeof(tagZanXavenControllerCfgData) == 92, "controller record is 92 bytes");
static_assert(offsetof(tagZanXavenControllerCfgData, DeviceType) == 24, "layout");
static_assert(offsetof(tagZanXavenControllerCfgData, FuserType) == 26, "layout");
static_assert(offsetof(tagZanXavenControllerCfgData, R_Channel) == 28, "layout");
static_assert(offsetof(tagZanXavenControllerCfgData, R_FilterPos) == 40, "layout");
static_assert(offsetof(tagZanXavenControllerCfgData, C_ExposeTime) == 52, "layout");
static_assert(offsetof(tagZanXavenControllerCfgData, C_ExposeLevel) == 64, "layout");
static_assert(offsetof(tagZanXavenControllerCfgData, HorzMirror) == 76, "layout");
static_assert(offsetof(tagZanXavenControllerCfgData, SyncExposal) == 84, "layout");
static_assert(offsetof(tagZanXavenControllerCfgData, SyncExposalTime) == 88, "layout");

// Configuration of the light-engine controller: blob (104 bytes), INI section "LCosCtrl",
// XML element "XavenController".
class QLCOS_API CZanXavenControllerCfg : public CZanConfig {
public:
    static constexpr uint32_t kIdentifier = 0x58564343;
    static constexpr uint32_t kBlobSize = 104;

    CZanXavenControllerCfg();
    CZanXavenControllerCfg(const CZanXavenControllerCfg& other);
    CZanXavenControllerCfg& operator=(const CZanXavenControllerCfg& other);
    ~CZanXavenControllerCfg() override;

    uint32_t GetSize() const override;
    void InitData() override;
    uint32_t LoadConfig(const unsigned char* data) override;
    uint32_t SaveConfig(unsigned char* data) override;
    // Copies the 92-byte record; returns 0.
    int GetData(void* data) const override;
    // The base's test and a total size of 104.
    int IsValidData(const unsigned char* data) const override;
    // INI import keeps fields whose keys are missing (see the source for the port rules);
    // 0, or 1 for a null path.
    int ImportINIFile(const ZanWChar* path) override;
    // 0, or 1 when a value could not be written.
    int ExportINIFile(const ZanWChar* path) override;
    uint32_t GetHeadSize() const override;
    void FillHead() override;

    // Reads the "XavenController" element itself; 0, or 1 for a null node or another name.
    virtual int ImportXMLNode(xercesc::DOMNode* node);
    // Appends a "XavenController" element to `node`; 0, or 1 on failure.
    virtual int ExportXMLNode(xercesc::DOMNode* node);

    void GetControllerData(tagZanXavenControllerCfgData* data) const;
    void SetControllerData(const tagZanXavenControllerCfgData* data);
    void GetZanVirtualDeviceProperty(tagZanVirtualDeviceProperty* property) const;
    void SetZanVirtualDeviceProperty(const tagZanVirtualDeviceProperty* property);
    // Device type, then port, baud rate, data bits, and the sixth and fifth words of the
    // port property, in that (reversed) order. The second word and the fuser type stay.
    void SetZanVirtualDeviceProperty(uint16_t deviceType, int port, int baudRate, int dataBits,
                                     int reserved2, int reserved1);

protected:
    // Child readers take the child element, writers the "XavenController" element to append
    // to; 0, or 1 for a null node or (readers) a child of another name.
    int ImportXMLColorChannel(xercesc::DOMNode* node);
    int ExportXMLColorChannel(xercesc::DOMNode* node);
    int ImportXMLFilterPosition(xercesc::DOMNode* node);
    int ExportXMLFilterPosition(xercesc::DOMNode* node);
    int ImportXMLExposeTime(xercesc::DOMNode* node);
    int ExportXMLExposeTime(xercesc::DOMNode* node);
    int ImportXMLExposeLevel(xercesc::DOMNode* node);
    int ExportXMLExposeLevel(xercesc::DOMNode* node);

    tagZanConfigHead m_Head;
    tagZanXavenControllerCfgData m_Data;
};
