// Configuration records: base, controller configuration, XML readers, exposure calculations.
#pragma once

#include "qlcos/types.h"

#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMNode.hpp>

// ---- Configuration record base -----------------------------------------------------------

// The 12-byte header at the start of every configuration blob (little-endian words).
struct tagZanConfigHead {
    uint32_t Magic;    // the record's identifier
    uint32_t Size;     // total size of the blob, header included
    uint32_t HeadSize; // 12
};
static_assert(sizeof(tagZanConfigHead) == 12, "configuration blob header is 12 bytes");
static_assert(offsetof(tagZanConfigHead, Size) == 4, "blob size at offset 4");
static_assert(offsetof(tagZanConfigHead, HeadSize) == 8, "header size at offset 8");

// Base of every configuration record: a record identifier (the blob's magic) and a second
// word, both copied with the record, and the operations a record offers in blob and INI
// form. The base itself is a record without data: its blob is the bare header.
class QLCOS_API CZanConfig {
public:
    // Identifier of records that do not name their own; bytes "CNFG" in a blob.
    static constexpr uint32_t kDefaultIdentifier = 0x47464E43;
    static constexpr uint32_t kHeadSize = 12;

    CZanConfig();
    explicit CZanConfig(uint32_t identifier);
    CZanConfig(const CZanConfig& other);
    CZanConfig& operator=(const CZanConfig& other);
    virtual ~CZanConfig();

    // Nothing to set up or release in the base; both return 1.
    virtual int Create();
    virtual int Destroy();
    // InitData; returns 1.
    virtual int Initialize();
    // Size of the record's blob, header included.
    virtual uint32_t GetSize() const;
    // Sets the record to its defaults.
    virtual void InitData();
    // Reads a blob written by SaveConfig; returns GetSize of the loaded record. The blob is
    // not validated: check it with IsValidData first. 0 for a null buffer.
    virtual uint32_t LoadConfig(const unsigned char* data);
    // Writes the blob (GetSize bytes); returns the byte count, 0 for a null buffer.
    virtual uint32_t SaveConfig(unsigned char* data);
    // Copies the record's data (without header) to `data`; the result is the record's own.
    virtual int GetData(void* data) const;
    // Makes this record a copy of `other`, which must be a record of the same class;
    // 1 on success, 0 when `other` is null or of another class.
    virtual int Copy(CZanConfig* other);
    // Nonzero when `data` starts with a header of this record: its identifier, the header
    // size GetHeadSize and a total size of at least the header.
    virtual int IsValidData(const unsigned char* data) const;
    // The base has no INI form: both do nothing and return 0.
    virtual int ImportINIFile(const ZanWChar* path);
    virtual int ExportINIFile(const ZanWChar* path);
    virtual uint32_t GetHeadSize() const;
    // Fills the record's own header (magic, GetSize, GetHeadSize); the base has none.
    virtual void FillHead();

    uint32_t GetIdentifier() const { return m_dwIdentifier; }

protected:
    // The shared header rule: magic = identifier, size = GetSize, header size = GetHeadSize.
    void FillHeadOf(tagZanConfigHead& head) const;

    uint32_t m_dwIdentifier;
    uint32_t m_dwReserved; // second word of the record, 0; kept and copied with the identifier
};

// ---- INI profile functions ---------------------------------------------------------------
// Section and key names match without regard to letter case. A getter leaves its target
// unchanged when the file, section or key is missing or the value is not a number; the
// result is nonzero when a value was read. A setter returns nonzero when the value was
// written. Texts are UTF-16; files are UTF-8 on POSIX.

// Decimal integer (leading white space, one sign, digits; clamped to 32 bits).
QLCOS_API int zanGetProfileInt(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path,
                               int* value);
// Decimal floating-point number, read directly as a 32-bit float.
QLCOS_API int zanGetProfileFloat(const ZanWChar* section, const ZanWChar* key,
                                 const ZanWChar* path, float* value);
// Text into `buffer` of `length` characters, terminator included: at most length - 1
// characters are copied.
QLCOS_API int zanGetProfileString(const ZanWChar* section, const ZanWChar* key,
                                  const ZanWChar* path, ZanWChar* buffer, int length);
// 1 for "1" (any nonzero number), "true", "yes", "on"; 0 for "0", "false", "no", "off"
// (letter case ignored); otherwise the default, given as 0 or 1.
QLCOS_API int zanGetProfileBool(const ZanWChar* section, const ZanWChar* key, int defaultValue,
                                const ZanWChar* path);
QLCOS_API int zanSetProfileInt(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path,
                               int value);
// Written in the shortest form that reads back to exactly the same float.
QLCOS_API int zanSetProfileFloat(const ZanWChar* section, const ZanWChar* key,
                                 const ZanWChar* path, float value);
// A text with white space at either end, or enclosed in quotes, is written inside double
// quotes so that it reads back unchanged. A text with a line break is refused (0).
QLCOS_API int zanSetProfileString(const ZanWChar* section, const ZanWChar* key,
                                  const ZanWChar* path, const ZanWChar* value);
// Written as "1" or "0", which GetPrivateProfileInt reads as well.
QLCOS_API int zanSetProfileBool(const ZanWChar* section, const ZanWChar* key, int value,
                                const ZanWChar* path);

// Widens up to `count` bytes one to one (Latin-1), stopping after a terminating zero.
QLCOS_API ZanWChar* StringToWChar(ZanWChar* target, const char* source, int count);
// Copies at most count - 1 characters and terminates the text within `count` characters.
QLCOS_API ZanWChar* StringToWChar(ZanWChar* target, const ZanWChar* source, int count);

// ---- Serial-port property forms ----------------------------------------------------------
// INI: six integer keys in the given section, "Port", "Second", "BaudRate", "DataBits",
// "Reserved1", "Reserved2", decimal (the second word is usually -1).
// XML: a "PortProperty" element with the same six attributes.
// A reader answers TRUE only when all six are present and each is a whole decimal number
// in the 32-bit signed range; otherwise FALSE and the property is left unchanged.

QLCOS_API BOOL zanGetSerialPortPropertyFromINI(const ZanWChar* path, const ZanWChar* section,
                                               tagZANSerialPortProperty* property);
QLCOS_API BOOL zanSetSerialPortPropertyToINI(const ZanWChar* path, const ZanWChar* section,
                                             const tagZANSerialPortProperty* property);
// Reads the "PortProperty" element itself.
QLCOS_API BOOL zanXMLGetSerialPortProperty(xercesc::DOMNode* element,
                                           tagZANSerialPortProperty* property);
// Creates a "PortProperty" element and appends it to `parent`.
QLCOS_API BOOL zanXMLSetSerialPortProperty(xercesc::DOMNode* parent,
                                           const tagZANSerialPortProperty* property);

// ---- XML attribute readers and module path -----------------------------------------------
// An attribute counts as present only when its text is not empty. The name is matched
// exactly first, then without regard to letter case.

// With default 1: 1 unless the attribute is "FALSE"; with any other default: 0 unless the
// attribute is "TRUE" (letter case ignored). Always 0 or 1.
QLCOS_API int xmlGetAttributeBool(const xercesc::DOMElement& element, const ZanWChar* name,
                                  int defaultValue);
// Signed decimal (strtol rules, clamped to 32 bits; no digits gives 0). *found, when given,
// is 1 when the attribute is present, else 0 and the default is returned.
QLCOS_API int xmlGetAttributeInt(const xercesc::DOMElement& element, const ZanWChar* name,
                                 int defaultValue, int* found);
// Decimal floating-point number (strtod rules in the C locale; no number gives 0.0).
QLCOS_API double xmlGetAttributeDouble(const xercesc::DOMElement& element, const ZanWChar* name,
                                       double defaultValue);
// Copies the text (or, when absent, the default text) into the first `length` characters of
// `buffer`, zero-filling the rest of them; without a default the buffer is left as it was.
// Pass a buffer one character longer than `length`, zeroed, for a terminated result.
QLCOS_API ZanWChar* xmlGetAttributeString(const xercesc::DOMElement& element,
                                          const ZanWChar* name, ZanWChar* buffer, int length,
                                          const ZanWChar* defaultText);
// Folder of the running executable, without a trailing separator, into `buffer` (at least
// 260 characters); an empty text when the folder is unknown or does not fit.
QLCOS_API void GetModuleFullPath(ZanWChar* buffer);

// ---- Controller configuration ------------------------------------------------------------

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

// ---- Exposure calculations ---------------------------------------------------------------

// The percentage-step exposure model: one step of size p percent multiplies the exposure by
// (1 + p / 100). Intermediates are doubles; nothing is checked and nothing traps (a step of
// 0 percent or a non-positive quotient gives an infinite or NaN result).
class QLCOS_API CZanLCosCtrlCfg {
public:
    // Steps of `stepPercent` that take `reference` to
    // value * (1 + correctionPercent / 100)^correctionSteps:
    // ln(value * f(correctionPercent)^correctionSteps / reference) / ln(f(stepPercent)).
    static float CalcExposalTime(float value, float correctionSteps, float reference,
                                 float stepPercent, float correctionPercent);
    // value * f(stepPercent)^(level - mean(levels[0..2])) * f(correctionPercent)^correctionSteps.
    // A null `levels` gives NaN.
    static float CalcExposalPluse(float value, float correctionSteps, float level,
                                  const float* levels, float stepPercent, float correctionPercent);
    // out[i] = x[i] * f(stepPercent)^(y[i] - mean(y)); `out` may be `x` or `y`.
    // Null pointers: nothing is written.
    static void CalcCol(const float* x, float stepPercent, const float* y, float* out);
    // out[i] = x[i] * f(stepPercent)^steps; `out` may be `x`. Null pointers: nothing written.
    static void CalcDen(const float* x, float stepPercent, float steps, float* out);
};
