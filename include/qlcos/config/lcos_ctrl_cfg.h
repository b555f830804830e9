// The exposure side's whole configuration: the controller record, the paper size and paper
// style lists with their gamma tables, the colour balance list and the exposure model's own
// parameters, behind one lock; and the exposure calculations.
#pragma once

#include "qlcos/config/color_balance_cfg.h"
#include "qlcos/config/config_base.h"
#include "qlcos/config/controller_cfg.h"
#include "qlcos/config/paper_size_cfg.h"
#include "qlcos/config/paper_style_cfg.h"

#include <xercesc/dom/DOMNode.hpp>

// The exposure model's parameters, 660 bytes. The INI keys are in section "LCosCtrl" unless
// a field names another.
struct tagZanLCosCtrlCfgData {
    // Stored, copied and initialised (port 2, second word -1) only: the live device property
    // is the controller record's.
    tagZanVirtualDeviceProperty DeviceProperty;
    int32_t R_Channel; // channel numbers, "R_Channel" ...
    int32_t G_Channel;
    int32_t B_Channel;
    int32_t R_FilterPos; // filter positions, "R_FilterPos" ...
    int32_t G_FilterPos;
    int32_t B_FilterPos;
    float DensityStep; // percent per density step
    float ColorStep;   // percent per colour step
    float R_stdTime;   // standard exposure times, section "stdTime"
    float G_stdTime;
    float B_stdTime;
    float R_stdPluse; // standard pulses, section "stdPluse"
    float G_stdPluse;
    float B_stdPluse;
    int32_t Negative; // flags, 0 or 1
    int32_t HorzMirror;
    int32_t VertMirror;
    int32_t UseGamma;
    int32_t UseUniform; // read as "UseUniform", written as "USEUniform"
    int32_t UseBalanceAdjust;
    float ALPHAR[2]; // the INI form holds one value of each pair (see ExportINIFile)
    float ALPHAG[2];
    float ALPHAB;
    uint8_t Reserved1[8];
    int32_t SyncExposal;
    int32_t SyncExposalTime;
    int32_t GammaBeeline; // gamma straight-line flag
    uint8_t Reserved2[512];
};
// clang-format off
static_assert(sizeof(tagZanLCosCtrlCfgData) == 660, "exposure model record is 660 bytes");
static_assert(offsetof(tagZanLCosCtrlCfgData, R_Channel)        ==  28, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, R_FilterPos)      ==  40, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, DensityStep)      ==  52, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, R_stdTime)        ==  60, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, R_stdPluse)       ==  72, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, Negative)         ==  84, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, UseGamma)         ==  96, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, UseBalanceAdjust) == 104, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, ALPHAR)           == 108, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, ALPHAG)           == 116, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, ALPHAB)           == 124, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, Reserved1)        == 128, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, SyncExposal)      == 136, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, SyncExposalTime)  == 140, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, GammaBeeline)     == 144, "layout");
static_assert(offsetof(tagZanLCosCtrlCfgData, Reserved2)        == 148, "layout");
// clang-format on

// One colour channel's gamma key points as handed out, 2044 bytes: point i is
// (nInput[i], nOutput[i]) for i below nCount.
struct tagQGFKPValueTab {
    static constexpr int kPoints = 255;
    int32_t nInput[kPoints];
    int32_t nOutput[kPoints];
    int32_t nCount;
};
static_assert(sizeof(tagQGFKPValueTab) == 2044, "key-point table is 2044 bytes");
static_assert(offsetof(tagQGFKPValueTab, nCount) == 2040, "layout");

// The one configuration object a host keeps for the exposure side.
//
// Blob: the header (the base's identifier), the 660-byte record, then the controller's,
// the paper sizes' and the paper styles' blobs one after another; the colour balance list is
// not part of it. INI: ImportINIFile/ExportINIFile carry the own record, the controller's
// device property and the paper lists; ImportINIFile2/ExportINIFile2 the controller record
// and the paper lists. XML: the "QLCosCtrl" element (the colour balance list is read from it
// but not written).
//
// Locking: one recursive lock per object, taken by the blob and size operations, InitData,
// the INI operations and every paper size and paper style operation; a thread may take it
// again from inside (LoadConfig calls GetSize). The own data, the controller forwarding, the
// gamma tables, the colour balance list, XML, copy and assignment are not locked: their
// caller keeps others from changing the object meanwhile.
class QLCOS_API CZanLCosCtrlCfg : public CZanConfig {
public:
    // The built-in records initialise themselves; the own record and the header are zero
    // until InitData, LoadConfig or SetData.
    CZanLCosCtrlCfg();
    // Copy the base words, the four records, header and record; each object keeps its lock.
    CZanLCosCtrlCfg(const CZanLCosCtrlCfg& other);
    CZanLCosCtrlCfg& operator=(const CZanLCosCtrlCfg& other);
    ~CZanLCosCtrlCfg() override;

    // Nothing to set up or release: 1.
    int Create() override;
    int Destroy() override;
    // The own record's defaults, then InitData of the controller, paper size and paper style
    // records; the colour balance list stays.
    void InitData() override;
    // 672 + the controller's, paper sizes' and paper styles' blob sizes.
    uint32_t GetSize() const override;
    uint32_t GetHeadSize() const override;
    void FillHead() override;
    // LoadBlob bounded by the size the blob's header states.
    uint32_t LoadConfig(const unsigned char* data) override;
    // Writes GetSize bytes; returns the byte count, 0 for a null buffer.
    uint32_t SaveConfig(unsigned char* data) override;
    // SaveConfig into a buffer of `capacity` bytes, with the size taken under the same lock:
    // 0 and nothing written when the blob does not fit. A host whose threads change the
    // paper lists while another saves uses this, since the size may change between a
    // GetSize and a SaveConfig of its own.
    uint32_t SaveBlob(unsigned char* data, uint32_t capacity);
    int IsValidData(const unsigned char* data) const override;
    // Copies the 660-byte record; returns 0.
    int GetData(void* data) const override;
    void SetData(const tagZanLCosCtrlCfgData* data);

    // Loads a blob that may span at most `available` bytes: the stated total size must lie
    // in 776..available and the nested paper blobs must fit in it (each loaded with its
    // record's LoadBlob). Returns GetSize of the loaded state, or 0 for a refused blob, which
    // leaves the object as it was.
    uint32_t LoadBlob(const unsigned char* data, uint32_t available);

    // Reads the device property and the own record's keys, then the paper lists; missing
    // keys keep the current values. "ALPHAR" and "ALPHAG" go into both values of their pair.
    // 0, or 1 for a null path.
    int ImportINIFile(const ZanWChar* path) override;
    // Writes the device property, the own record's keys and the paper lists. Of each alpha
    // pair the file keeps the second value (both are written under one key). 0, or 1 for a
    // null path or a value that could not be written.
    int ExportINIFile(const ZanWChar* path) override;
    // The controller, paper size and paper style records' INI forms; the OR of their results.
    int ImportINIFile2(const ZanWChar* path);
    // controller | paper sizes << 8 | paper styles << 12 of their export results.
    int ExportINIFile2(const ZanWChar* path);

    // Reads a "QLCosCtrl" element: its "XavenController", "PrintingPaperSizeChannel",
    // "PrintingPaperStyleChannel" and "ColorBalanceChannel" children into their records; the
    // OR of their results, 1 for a null node or another name. The own record stays.
    virtual int ImportXMLNode(xercesc::DOMNode* node);
    // Appends a "QLCosCtrl" element with the controller, paper size and paper style records
    // to a "XavenServer" element; the OR of their results, 1 for a null node or another name.
    virtual int ExportXMLNode(xercesc::DOMNode* node);

    int GetGammaBeeLine() const;
    void SetGammaBeeLine(int on);

    // Forwarded to the controller record; null does nothing.
    void GetControllerData(tagZanXavenControllerCfgData* data) const;
    void SetControllerData(const tagZanXavenControllerCfgData* data);
    void GetZanVirtualDeviceProperty(tagZanVirtualDeviceProperty* property) const;
    void SetZanVirtualDeviceProperty(const tagZanVirtualDeviceProperty* property);
    void SetZanVirtualDeviceProperty(uint16_t deviceType, int port, int baudRate, int dataBits,
                                     int reserved2, int reserved1);

    // Paper sizes: the list's operations (see CZanXavenPaperSizeCfg), an info standing for an
    // item built from it. The Detail getter fills `info` from a default item when the name is
    // not found; both Detail operations give 0 for a null info.
    int GetPaperSizeList(tagZanExpPaperSizeInfo* list, int max);
    int AddPaperSize(const tagZanExpPaperSizeInfo* info);
    void ModifyPaperSize(const ZanWChar* name, const tagZanExpPaperSizeInfo* info);
    int SetPaperSizeDetail(const ZanWChar* name, const tagZanExpPaperSizeInfo* info);
    int GetPaperSizeDetail(const ZanWChar* name, tagZanExpPaperSizeInfo* info);
    void RemovePaperSize(const ZanWChar* name);
    void RemovePaperSizeItem(const ZanWChar* name);
    int AddPaperSizeItem(CZanXavenPaperSizeItem item);
    int SetPaperSizeItem(const ZanWChar* name, CZanXavenPaperSizeItem item);
    int GetPaperSizeItem(const ZanWChar* name, CZanXavenPaperSizeItem& item);

    // Paper styles, alike.
    int GetPaperStyleList(tagZanExpPaperStyleInfo* list, int max);
    int AddPaperStyle(const tagZanExpPaperStyleInfo* info);
    void ModifyPaperStyle(const ZanWChar* name, const tagZanExpPaperStyleInfo* info);
    int SetPaperStyleDetail(const ZanWChar* name, const tagZanExpPaperStyleInfo* info);
    int GetPaperStyleDetail(const ZanWChar* name, tagZanExpPaperStyleInfo* info);
    void RemovePaperStyle(const ZanWChar* name);
    void RemovePaperStyleItem(const ZanWChar* name);
    int AddPaperStyleItem(CZanXavenPaperStyleItem item);
    int SetPaperStyleItem(const ZanWChar* name, CZanXavenPaperStyleItem item);
    int GetPaperStyleItem(const ZanWChar* name, CZanXavenPaperStyleItem& item);

    // A paper style's gamma tables (see CZanXavenPaperStyleCfg).
    int GetGammaTableData(const ZanWChar* style, const ZanWChar* table,
                          tagZanXavenGammaTableCfgData* data);
    int SetGammaTableData(const ZanWChar* style, const ZanWChar* table,
                          tagZanXavenGammaTableCfgData* data);
    // The key points of the style's table, else of its "Standard" table, else of the identity
    // (0, 0), (1023, 1023), one channel per table (a null table is skipped). A channel of 256
    // points hands out 255: the last but one is left out, so the curve keeps both ends.
    // Returns 0.
    int GetGammaKPValue(const ZanWChar* style, const ZanWChar* table, tagQGFKPValueTab* red,
                        tagQGFKPValueTab* green, tagQGFKPValueTab* blue);

    // Copies the named setting out: 1; 0 and `item` untouched when there is none.
    int GetColorBalance(const ZanWChar* name, tagZanXavenColorBalanceItem* item);
    // Overwrites the named setting, or adds `item` under its own name when there is none.
    void SetColorBalance(const ZanWChar* name, const tagZanXavenColorBalanceItem* item);

    // The exposure calculations of the percentage-step model: one step of size p percent
    // multiplies the exposure by (1 + p / 100). Intermediates are doubles; nothing is
    // checked and nothing traps (a step of 0 percent or a non-positive quotient gives an
    // infinite or NaN result).
    //
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

protected:
    CZanXavenControllerCfg m_ControllerCfg;
    CZanXavenPaperSizeCfg m_PaperSizeCfg;
    CZanXavenPaperStyleCfg m_PaperStyleCfg;
    CZanXavenColorBalanceCfg m_ColorBalanceCfg;
    tagZanConfigHead m_Head;
    tagZanLCosCtrlCfgData m_Data;
    HANDLE m_hLock; // recursive mutex of the platform layer
};
