// The machine control configuration: the minilab's device name and machine type, the serial
// port of its machine controller and its paper channels, kept as XML only.
#pragma once

#include "qlcos/config/config_base.h"

#include <xercesc/dom/DOMNode.hpp>

#include <vector>

// The machine record, 192 bytes.
struct tagZanXavenMCCfgData {
    tagZANSerialPortProperty PortProperty; // serial port of the machine controller
    int32_t Reserved;                      // meaning unsettled: zeroed, copied with the record
    int32_t MCType;                        // 1 "NX3306", 2 "NXMiniType", 0 any other name
    ZanWChar DeviceName[80];               // terminated, at most 79 characters
};
static_assert(sizeof(tagZanXavenMCCfgData) == 192, "machine record is 192 bytes");
static_assert(offsetof(tagZanXavenMCCfgData, Reserved) == 24, "layout");
static_assert(offsetof(tagZanXavenMCCfgData, MCType) == 28, "layout");
static_assert(offsetof(tagZanXavenMCCfgData, DeviceName) == 32, "layout");

// One paper channel of the machine, 152 bytes.
struct tagZanMCPaperChannelData {
    ZanWChar Name[64]; // terminated, at most 63 characters
    int32_t Focus;
    int32_t Width;
    int32_t Length;
    int32_t Offset;
    int32_t Camera;
    ZanWChar Carrier[2]; // one character, terminated
};
static_assert(sizeof(tagZanMCPaperChannelData) == 152, "paper channel is 152 bytes");
static_assert(offsetof(tagZanMCPaperChannelData, Focus) == 128, "layout");
static_assert(offsetof(tagZanMCPaperChannelData, Width) == 132, "layout");
static_assert(offsetof(tagZanMCPaperChannelData, Length) == 136, "layout");
static_assert(offsetof(tagZanMCPaperChannelData, Offset) == 140, "layout");
static_assert(offsetof(tagZanMCPaperChannelData, Camera) == 144, "layout");
static_assert(offsetof(tagZanMCPaperChannelData, Carrier) == 148, "layout");

// Configuration of the minilab machine around the exposure unit, XML element "MachineCtrl".
// It has no blob and no INI form: GetSize is 0, LoadConfig and SaveConfig do nothing, the INI
// operations are the base's.
class QLCOS_API CZanXavenMachineCtrlCfg : public CZanConfig {
public:
    // Machine types, looked up by device name without regard to letter case.
    static constexpr int32_t kMCTypeUnknown = 0;
    static constexpr int32_t kMCTypeNX3306 = 1;     // "NX3306"
    static constexpr int32_t kMCTypeNXMiniType = 2; // "NXMiniType"
    // An XML import takes at most this many paper channels into the list.
    static constexpr size_t kMaxPaperChannels = 1024;

    CZanXavenMachineCtrlCfg();
    CZanXavenMachineCtrlCfg(const CZanXavenMachineCtrlCfg& other);
    CZanXavenMachineCtrlCfg& operator=(const CZanXavenMachineCtrlCfg& other);
    ~CZanXavenMachineCtrlCfg() override;

    // 0: the record has no blob.
    uint32_t GetSize() const override;
    // Record all zero, channel list empty, machine type copy -1 (nothing imported yet).
    void InitData() override;
    // Both do nothing and return 0.
    uint32_t LoadConfig(const unsigned char* data) override;
    uint32_t SaveConfig(unsigned char* data) override;
    // Makes this a copy of `other` (record, channels, type copy) when it is a machine
    // configuration: 1; 0 when `other` is null or of another class.
    int Copy(CZanConfig* other) override;
    // Does nothing: there is no blob header.
    void FillHead() override;

    // The machine type that the last XML import found (the copy kept outside the record);
    // -1 when there was none. SetMCCfgData does not change it.
    int32_t GetMCType() const;
    using CZanConfig::GetData; // the base's blob form: copies nothing, returns 0
    // The machine record itself.
    const tagZanXavenMCCfgData* GetData() const;
    // Copy the whole record out or in, the reserved field included; null is ignored.
    void GetMCCfgData(tagZanXavenMCCfgData* data) const;
    void SetMCCfgData(const tagZanXavenMCCfgData* data);

    const std::vector<tagZanMCPaperChannelData>& GetPaperChannelList() const;
    // Appends a copy; names are not checked for doubles. Null is ignored.
    void AddPaperChannel(const tagZanMCPaperChannelData* channel);
    // Copies the last channel whose name equals `name` (letter case ignored) to `channel`;
    // without one `channel` is left as it was. Always 1.
    int GetPaperChannelDetail(const ZanWChar* name, tagZanMCPaperChannelData* channel) const;

    // Reads the "MachineCtrl" element itself; the channel list is emptied first, also when
    // the import fails. 0 on success; 1 for a null node, another name or an empty device
    // name; otherwise the result of the last "DORozeZud" child (bit 0x1: its serial settings
    // could not be read).
    int ImportXMLNode(xercesc::DOMNode* node);
    // Appends a "MachineCtrl" element to `node`; 0, or 1 on failure.
    int ExportXMLNode(xercesc::DOMNode* node);

protected:
    // The type of a device name: kMCTypeNX3306, kMCTypeNXMiniType or kMCTypeUnknown.
    int32_t GetMCType(const ZanWChar* deviceName) const;

    // Readers take the element itself: 1 for a null node or another name.
    int ImportXMLNodeThis(xercesc::DOMNode* node);     // "DORozeZud"
    int ImportXMLPaperInfo(xercesc::DOMNode* node);    // "DORozezudPaperInfo"
    int ImportXMLPaperChannel(xercesc::DOMNode* node); // "DORozeZudPaperChannel"
    // Writers take the element to append to: 0, or 1 when a part could not be written.
    int ExportXMLNodeThis(xercesc::DOMNode* node);   // "DORozeZud" with its children
    int ExportXMLPaperInfo(xercesc::DOMNode* node);  // "DORozezudPaperInfo" with the channels
    int ExportXMLSupplyInfo(xercesc::DOMNode* node); // writes nothing; 1 for a null node

    // Copies the attribute's text into `target` of `chars` characters (cut, terminated,
    // zero-filled); 1 when the attribute or the target is null, else 0.
    int GetAttrValueAsString(ZanWChar* target, size_t chars,
                             const xercesc::DOMNode* attribute) const;
    // The attribute's text read as a signed decimal integer; 1 when the attribute is null.
    int GetAttrValueAsInt(const xercesc::DOMNode* attribute) const;

    tagZanXavenMCCfgData m_Data;
    std::vector<tagZanMCPaperChannelData> m_PaperChannelList;
    int32_t m_MCType;
};
