// The exposure side's whole configuration: the own record, the built-in records, their blob,
// INI and XML forms, the forwarding to the paper lists and the lock around them.
#include "qlcos/config.h"

#include "config/config_blob.h"
#include "config/lcos_ini_keys.h"
#include "config/xml_text.h"
#include "platform/win32.h"

#include <algorithm>
#include <cstring>

using namespace xercesc;

namespace {

const ZanWChar kSection[] = ZT("LCosCtrl");
const ZanWChar kTimeSection[] = ZT("stdTime");
const ZanWChar kPulseSection[] = ZT("stdPluse");
const ZanWChar kStandard[] = ZT("Standard");
const uint32_t kDataSize = sizeof(tagZanLCosCtrlCfgData);
const uint32_t kDataOffset = CZanConfig::kHeadSize;                                  // 12
const uint32_t kControllerOffset = kDataOffset + kDataSize;                          // 672
const uint32_t kPaperOffset = kControllerOffset + CZanXavenControllerCfg::kBlobSize; // 776

// Holds the object's recursive lock for a scope.
class Locked {
public:
    explicit Locked(HANDLE lock) : m_Lock(lock) { WaitForSingleObject(m_Lock, INFINITE); }
    ~Locked() { ReleaseMutex(m_Lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    HANDLE m_Lock;
};

void WriteData(qlcos::blob::Writer& w, const tagZanLCosCtrlCfgData& d)
{
    w.Port(d.DeviceProperty.Port).U16(d.DeviceProperty.DeviceType).U16(d.DeviceProperty.FuserType);
    w.I32(d.R_Channel).I32(d.G_Channel).I32(d.B_Channel);
    w.I32(d.R_FilterPos).I32(d.G_FilterPos).I32(d.B_FilterPos);
    w.F32(d.DensityStep).F32(d.ColorStep);
    w.F32(d.R_stdTime).F32(d.G_stdTime).F32(d.B_stdTime);
    w.F32(d.R_stdPluse).F32(d.G_stdPluse).F32(d.B_stdPluse);
    w.I32(d.Negative).I32(d.HorzMirror).I32(d.VertMirror);
    w.I32(d.UseGamma).I32(d.UseUniform).I32(d.UseBalanceAdjust);
    w.F32(d.ALPHAR[0]).F32(d.ALPHAR[1]).F32(d.ALPHAG[0]).F32(d.ALPHAG[1]).F32(d.ALPHAB);
    w.Bytes(d.Reserved1, sizeof d.Reserved1);
    w.I32(d.SyncExposal).I32(d.SyncExposalTime).I32(d.GammaBeeline);
    w.Bytes(d.Reserved2, sizeof d.Reserved2);
}

void ReadData(qlcos::blob::Reader& r, tagZanLCosCtrlCfgData& d)
{
    d.DeviceProperty.Port = r.Port();
    d.DeviceProperty.DeviceType = r.U16();
    d.DeviceProperty.FuserType = r.U16();
    for (int32_t* field :
         {&d.R_Channel, &d.G_Channel, &d.B_Channel, &d.R_FilterPos, &d.G_FilterPos, &d.B_FilterPos})
        *field = r.I32();
    for (float* field : {&d.DensityStep, &d.ColorStep, &d.R_stdTime, &d.G_stdTime, &d.B_stdTime,
                         &d.R_stdPluse, &d.G_stdPluse, &d.B_stdPluse})
        *field = r.F32();
    for (int32_t* field : {&d.Negative, &d.HorzMirror, &d.VertMirror, &d.UseGamma, &d.UseUniform,
                           &d.UseBalanceAdjust})
        *field = r.I32();
    for (float* field : {&d.ALPHAR[0], &d.ALPHAR[1], &d.ALPHAG[0], &d.ALPHAG[1], &d.ALPHAB})
        *field = r.F32();
    r.Bytes(d.Reserved1, sizeof d.Reserved1);
    d.SyncExposal = r.I32();
    d.SyncExposalTime = r.I32();
    d.GammaBeeline = r.I32();
    r.Bytes(d.Reserved2, sizeof d.Reserved2);
}

// One channel of a gamma table into its hand-out table. The hand-out holds 255 points: of a
// channel with 256 the last but one is left out, so that both ends of the curve stay.
void HandOut(int32_t count, const tagZanXavenGammaKeyPoint* points, tagQGFKPValueTab* tab)
{
    if (!tab) return;
    count = std::clamp<int32_t>(count, 0, CZanXavenGammaTableCfg::kMaxKeyPoints);
    const int32_t kept = std::min<int32_t>(count, tagQGFKPValueTab::kPoints);
    tab->nCount = kept;
    for (int32_t i = 0; i < kept; ++i) {
        const tagZanXavenGammaKeyPoint& p = points[i == kept - 1 ? count - 1 : i];
        tab->nInput[i] = p.x;
        tab->nOutput[i] = p.y;
    }
}

} // namespace

CZanLCosCtrlCfg::CZanLCosCtrlCfg()
    : CZanConfig(), m_Head{}, m_Data{}, m_hLock(CreateMutexW(nullptr, FALSE, nullptr))
{}

CZanLCosCtrlCfg::CZanLCosCtrlCfg(const CZanLCosCtrlCfg& other)
    : CZanConfig(other),
      m_ControllerCfg(other.m_ControllerCfg),
      m_PaperSizeCfg(other.m_PaperSizeCfg),
      m_PaperStyleCfg(other.m_PaperStyleCfg),
      m_ColorBalanceCfg(other.m_ColorBalanceCfg),
      m_Head(other.m_Head),
      m_Data(other.m_Data),
      m_hLock(CreateMutexW(nullptr, FALSE, nullptr))
{}

CZanLCosCtrlCfg& CZanLCosCtrlCfg::operator=(const CZanLCosCtrlCfg& other)
{
    if (this == &other) return *this;
    CZanConfig::operator=(other);
    m_ControllerCfg = other.m_ControllerCfg;
    m_PaperSizeCfg = other.m_PaperSizeCfg;
    m_PaperStyleCfg = other.m_PaperStyleCfg;
    m_ColorBalanceCfg = other.m_ColorBalanceCfg;
    m_Head = other.m_Head;
    m_Data = other.m_Data;
    return *this;
}

CZanLCosCtrlCfg::~CZanLCosCtrlCfg()
{
    Destroy();
    if (m_hLock) CloseHandle(m_hLock);
}

int CZanLCosCtrlCfg::Create() { return 1; }

int CZanLCosCtrlCfg::Destroy() { return 1; }

void CZanLCosCtrlCfg::InitData()
{
    Locked lock(m_hLock);
    std::memset(&m_Data, 0, sizeof m_Data);
    m_Data.DeviceProperty.Port.Port = 2;
    m_Data.DeviceProperty.Port.Second = -1;
    m_Data.R_Channel = 1;
    m_Data.G_Channel = 2;
    m_Data.B_Channel = 3;
    m_Data.R_FilterPos = 18;
    m_Data.G_FilterPos = 2;
    m_Data.B_FilterPos = 34;
    m_Data.DensityStep = 15.0f;
    m_Data.ColorStep = 10.0f;
    m_ControllerCfg.InitData();
    m_PaperSizeCfg.InitData();
    m_PaperStyleCfg.InitData();
}

uint32_t CZanLCosCtrlCfg::GetSize() const
{
    Locked lock(m_hLock);
    return kControllerOffset + m_ControllerCfg.GetSize() + m_PaperSizeCfg.GetSize() +
           m_PaperStyleCfg.GetSize();
}

uint32_t CZanLCosCtrlCfg::GetHeadSize() const
{
    Locked lock(m_hLock);
    return kHeadSize;
}

void CZanLCosCtrlCfg::FillHead()
{
    Locked lock(m_hLock);
    FillHeadOf(m_Head);
}

int CZanLCosCtrlCfg::IsValidData(const unsigned char* data) const
{
    Locked lock(m_hLock);
    return CZanConfig::IsValidData(data);
}

// ---- Blob ---------------------------------------------------------------------------------

uint32_t CZanLCosCtrlCfg::SaveConfig(unsigned char* data)
{
    if (!data) return 0;
    Locked lock(m_hLock);
    FillHead();
    qlcos::blob::Writer w(data);
    w.Head(m_Head);
    WriteData(w, m_Data);
    unsigned char* at = w.Position();
    at += m_ControllerCfg.SaveConfig(at);
    at += m_PaperSizeCfg.SaveConfig(at);
    at += m_PaperStyleCfg.SaveConfig(at);
    return static_cast<uint32_t>(at - data);
}

uint32_t CZanLCosCtrlCfg::SaveBlob(unsigned char* data, uint32_t capacity)
{
    Locked lock(m_hLock);
    return GetSize() <= capacity ? SaveConfig(data) : 0;
}

uint32_t CZanLCosCtrlCfg::LoadConfig(const unsigned char* data)
{
    return data ? LoadBlob(data, qlcos::blob::StatedSize(data)) : 0;
}

uint32_t CZanLCosCtrlCfg::LoadBlob(const unsigned char* data, uint32_t available)
{
    if (!data || available < kPaperOffset) return 0;
    const uint32_t stated = qlcos::blob::StatedSize(data);
    if (stated < kPaperOffset || stated > available) return 0;
    Locked lock(m_hLock);
    // Into copies first: a refused blob leaves every record as it was.
    qlcos::blob::Reader r(data);
    const tagZanConfigHead head = r.Head();
    tagZanLCosCtrlCfgData record;
    ReadData(r, record);
    CZanXavenControllerCfg controller;
    controller.LoadConfig(data + kControllerOffset);
    CZanXavenPaperSizeCfg sizes;
    const uint32_t sizesUsed = sizes.LoadBlob(data + kPaperOffset, stated - kPaperOffset);
    if (!sizesUsed) return 0;
    const uint32_t stylesAt = kPaperOffset + sizesUsed;
    CZanXavenPaperStyleCfg styles;
    if (!styles.LoadBlob(data + stylesAt, stated - stylesAt)) return 0;
    m_Head = head;
    m_Data = record;
    m_ControllerCfg = controller;
    m_PaperSizeCfg = sizes;
    m_PaperStyleCfg = styles;
    return GetSize();
}

int CZanLCosCtrlCfg::GetData(void* data) const
{
    if (data) std::memcpy(data, &m_Data, sizeof m_Data);
    return 0;
}

void CZanLCosCtrlCfg::SetData(const tagZanLCosCtrlCfgData* data)
{
    if (data) m_Data = *data;
}

int CZanLCosCtrlCfg::GetGammaBeeLine() const { return m_Data.GammaBeeline; }

void CZanLCosCtrlCfg::SetGammaBeeLine(int on) { m_Data.GammaBeeline = on; }

// ---- Controller -----------------------------------------------------------------------------

void CZanLCosCtrlCfg::GetControllerData(tagZanXavenControllerCfgData* data) const
{
    m_ControllerCfg.GetControllerData(data);
}

void CZanLCosCtrlCfg::SetControllerData(const tagZanXavenControllerCfgData* data)
{
    m_ControllerCfg.SetControllerData(data);
}

void CZanLCosCtrlCfg::GetZanVirtualDeviceProperty(tagZanVirtualDeviceProperty* property) const
{
    m_ControllerCfg.GetZanVirtualDeviceProperty(property);
}

void CZanLCosCtrlCfg::SetZanVirtualDeviceProperty(const tagZanVirtualDeviceProperty* property)
{
    m_ControllerCfg.SetZanVirtualDeviceProperty(property);
}

void CZanLCosCtrlCfg::SetZanVirtualDeviceProperty(uint16_t deviceType, int port, int baudRate,
                                                  int dataBits, int reserved2, int reserved1)
{
    m_ControllerCfg.SetZanVirtualDeviceProperty(deviceType, port, baudRate, dataBits, reserved2,
                                                reserved1);
}

// ---- Paper sizes and styles -----------------------------------------------------------------

int CZanLCosCtrlCfg::GetPaperSizeList(tagZanExpPaperSizeInfo* list, int max)
{
    Locked lock(m_hLock);
    return m_PaperSizeCfg.GetItemList(list, max);
}

int CZanLCosCtrlCfg::AddPaperSize(const tagZanExpPaperSizeInfo* info)
{
    if (!info) return 0;
    Locked lock(m_hLock);
    return m_PaperSizeCfg.AddPaperSizeItem(CZanXavenPaperSizeItem(*info));
}

void CZanLCosCtrlCfg::ModifyPaperSize(const ZanWChar* name, const tagZanExpPaperSizeInfo* info)
{
    SetPaperSizeDetail(name, info);
}

int CZanLCosCtrlCfg::SetPaperSizeDetail(const ZanWChar* name, const tagZanExpPaperSizeInfo* info)
{
    if (!info) return 0;
    Locked lock(m_hLock);
    return m_PaperSizeCfg.SetPaperSizeItem(name, CZanXavenPaperSizeItem(*info));
}

int CZanLCosCtrlCfg::GetPaperSizeDetail(const ZanWChar* name, tagZanExpPaperSizeInfo* info)
{
    if (!info) return 0;
    Locked lock(m_hLock);
    CZanXavenPaperSizeItem item;
    const int found = m_PaperSizeCfg.GetPaperSizeItem(name, item);
    item.Get(info);
    return found;
}

void CZanLCosCtrlCfg::RemovePaperSize(const ZanWChar* name)
{
    Locked lock(m_hLock);
    m_PaperSizeCfg.RemovePaperSizeItem(name);
}

void CZanLCosCtrlCfg::RemovePaperSizeItem(const ZanWChar* name) { RemovePaperSize(name); }

int CZanLCosCtrlCfg::AddPaperSizeItem(CZanXavenPaperSizeItem item)
{
    Locked lock(m_hLock);
    return m_PaperSizeCfg.AddPaperSizeItem(item);
}

int CZanLCosCtrlCfg::SetPaperSizeItem(const ZanWChar* name, CZanXavenPaperSizeItem item)
{
    Locked lock(m_hLock);
    return m_PaperSizeCfg.SetPaperSizeItem(name, item);
}

int CZanLCosCtrlCfg::GetPaperSizeItem(const ZanWChar* name, CZanXavenPaperSizeItem& item)
{
    Locked lock(m_hLock);
    return m_PaperSizeCfg.GetPaperSizeItem(name, item);
}

int CZanLCosCtrlCfg::GetPaperStyleList(tagZanExpPaperStyleInfo* list, int max)
{
    Locked lock(m_hLock);
    return m_PaperStyleCfg.GetItemList(list, max);
}

int CZanLCosCtrlCfg::AddPaperStyle(const tagZanExpPaperStyleInfo* info)
{
    if (!info) return 0;
    Locked lock(m_hLock);
    return m_PaperStyleCfg.AddPaperStyleItem(CZanXavenPaperStyleItem(*info));
}

void CZanLCosCtrlCfg::ModifyPaperStyle(const ZanWChar* name, const tagZanExpPaperStyleInfo* info)
{
    SetPaperStyleDetail(name, info);
}

int CZanLCosCtrlCfg::SetPaperStyleDetail(const ZanWChar* name, const tagZanExpPaperStyleInfo* info)
{
    if (!info) return 0;
    Locked lock(m_hLock);
    return m_PaperStyleCfg.SetPaperStyleItem(name, CZanXavenPaperStyleItem(*info));
}

int CZanLCosCtrlCfg::GetPaperStyleDetail(const ZanWChar* name, tagZanExpPaperStyleInfo* info)
{
    if (!info) return 0;
    Locked lock(m_hLock);
    CZanXavenPaperStyleItem item;
    const int found = m_PaperStyleCfg.GetPaperStyleItem(name, item);
    item.Get(info);
    return found;
}

void CZanLCosCtrlCfg::RemovePaperStyle(const ZanWChar* name)
{
    Locked lock(m_hLock);
    m_PaperStyleCfg.RemovePaperStyleItem(name);
}

void CZanLCosCtrlCfg::RemovePaperStyleItem(const ZanWChar* name) { RemovePaperStyle(name); }

int CZanLCosCtrlCfg::AddPaperStyleItem(CZanXavenPaperStyleItem item)
{
    Locked lock(m_hLock);
    return m_PaperStyleCfg.AddPaperStyleItem(item);
}

int CZanLCosCtrlCfg::SetPaperStyleItem(const ZanWChar* name, CZanXavenPaperStyleItem item)
{
    Locked lock(m_hLock);
    return m_PaperStyleCfg.SetPaperStyleItem(name, item);
}

int CZanLCosCtrlCfg::GetPaperStyleItem(const ZanWChar* name, CZanXavenPaperStyleItem& item)
{
    Locked lock(m_hLock);
    return m_PaperStyleCfg.GetPaperStyleItem(name, item);
}

// ---- Gamma tables and colour balance --------------------------------------------------------

int CZanLCosCtrlCfg::GetGammaTableData(const ZanWChar* style, const ZanWChar* table,
                                       tagZanXavenGammaTableCfgData* data)
{
    return m_PaperStyleCfg.GetGammaTableData(style, table, data);
}

int CZanLCosCtrlCfg::SetGammaTableData(const ZanWChar* style, const ZanWChar* table,
                                       tagZanXavenGammaTableCfgData* data)
{
    return m_PaperStyleCfg.SetGammaTableData(style, table, data);
}

int CZanLCosCtrlCfg::GetGammaKPValue(const ZanWChar* style, const ZanWChar* table,
                                     tagQGFKPValueTab* red, tagQGFKPValueTab* green,
                                     tagQGFKPValueTab* blue)
{
    tagZanXavenGammaTableCfgData data{};
    if (!m_PaperStyleCfg.GetGammaTableData(style, table, &data) &&
        !m_PaperStyleCfg.GetGammaTableData(style, kStandard, &data)) {
        // The identity, as a new gamma record holds it.
        CZanXavenGammaTableCfg().GetGammaTableData(kStandard, &data);
    }
    HandOut(data.nRedCount, data.RedKP, red);
    HandOut(data.nGreenCount, data.GreenKP, green);
    HandOut(data.nBlueCount, data.BlueKP, blue);
    return 0;
}

int CZanLCosCtrlCfg::GetColorBalance(const ZanWChar* name, tagZanXavenColorBalanceItem* item)
{
    CZanXavenColorBalanceItem found;
    if (!item || !m_ColorBalanceCfg.GetColorBalanceItem(name, found)) return 0;
    found.Get(item);
    return 1;
}

void CZanLCosCtrlCfg::SetColorBalance(const ZanWChar* name, const tagZanXavenColorBalanceItem* item)
{
    if (!item) return;
    const CZanXavenColorBalanceItem given(*item);
    if (!m_ColorBalanceCfg.SetColorBalanceItem(name, given))
        m_ColorBalanceCfg.AddColorBalanceItem(given);
}

// ---- INI ----------------------------------------------------------------------------------

int CZanLCosCtrlCfg::ImportINIFile(const ZanWChar* path)
{
    if (!path) return 1;
    Locked lock(m_hLock);
    // The device property lands in the controller record, and only when the file has one.
    tagZanVirtualDeviceProperty device;
    if (qlcos::config::ReadDeviceProperty(kSection, path, device))
        m_ControllerCfg.SetZanVirtualDeviceProperty(&device);
    tagZanLCosCtrlCfgData& d = m_Data;
    qlcos::config::ReadWiring(kSection, path, d);
    zanGetProfileFloat(kSection, ZT("DensityStep"), path, &d.DensityStep);
    zanGetProfileFloat(kSection, ZT("ColorStep"), path, &d.ColorStep);
    d.HorzMirror = zanGetProfileBool(kSection, ZT("HorzMirror"), 0, path);
    d.VertMirror = zanGetProfileBool(kSection, ZT("VertMirror"), 0, path);
    d.Negative = zanGetProfileBool(kSection, ZT("Negative"), 0, path);
    d.UseGamma = zanGetProfileBool(kSection, ZT("UseGamma"), 1, path);
    d.UseUniform = zanGetProfileBool(kSection, ZT("UseUniform"), 1, path);
    d.UseBalanceAdjust = zanGetProfileBool(kSection, ZT("UseBalanceAdjust"), 1, path);
    d.GammaBeeline = zanGetProfileBool(kSection, ZT("GammaBeeline"), 1, path);
    d.SyncExposal = zanGetProfileBool(kSection, ZT("SyncExposal"), 0, path);
    zanGetProfileInt(kSection, ZT("SyncExposalTime"), path, &d.SyncExposalTime);
    // One value per alpha pair in the file: it goes into both.
    if (zanGetProfileFloat(kSection, ZT("ALPHAR"), path, &d.ALPHAR[0])) d.ALPHAR[1] = d.ALPHAR[0];
    if (zanGetProfileFloat(kSection, ZT("ALPHAG"), path, &d.ALPHAG[0])) d.ALPHAG[1] = d.ALPHAG[0];
    zanGetProfileFloat(kSection, ZT("ALPHAB"), path, &d.ALPHAB);
    m_PaperSizeCfg.ImportINIFile(path);
    m_PaperStyleCfg.ImportINIFile(path);
    zanGetProfileFloat(kTimeSection, ZT("R_stdTime"), path, &d.R_stdTime);
    zanGetProfileFloat(kTimeSection, ZT("G_stdTime"), path, &d.G_stdTime);
    zanGetProfileFloat(kTimeSection, ZT("B_stdTime"), path, &d.B_stdTime);
    zanGetProfileFloat(kPulseSection, ZT("R_stdPluse"), path, &d.R_stdPluse);
    zanGetProfileFloat(kPulseSection, ZT("G_stdPluse"), path, &d.G_stdPluse);
    zanGetProfileFloat(kPulseSection, ZT("B_stdPluse"), path, &d.B_stdPluse);
    return 0;
}

int CZanLCosCtrlCfg::ExportINIFile(const ZanWChar* path)
{
    if (!path) return 1;
    Locked lock(m_hLock);
    const tagZanLCosCtrlCfgData& d = m_Data;
    tagZanVirtualDeviceProperty device;
    m_ControllerCfg.GetZanVirtualDeviceProperty(&device);
    bool ok = qlcos::config::WriteDeviceProperty(kSection, path, device);
    ok &= qlcos::config::WriteWiring(kSection, path, d);
    auto integer = [&](const ZanWChar* section, const ZanWChar* key, int32_t value) {
        ok &= zanSetProfileInt(section, key, path, value) != 0;
    };
    auto real = [&](const ZanWChar* section, const ZanWChar* key, float value) {
        ok &= zanSetProfileFloat(section, key, path, value) != 0;
    };
    auto flag = [&](const ZanWChar* key, int32_t value) {
        ok &= zanSetProfileBool(kSection, key, value, path) != 0;
    };
    real(kSection, ZT("DensityStep"), d.DensityStep);
    real(kSection, ZT("ColorStep"), d.ColorStep);
    flag(ZT("HorzMirror"), d.HorzMirror);
    flag(ZT("VertMirror"), d.VertMirror);
    flag(ZT("Negative"), d.Negative);
    flag(ZT("UseGamma"), d.UseGamma);
    flag(ZT("GammaBeeline"), d.GammaBeeline);
    flag(ZT("USEUniform"), d.UseUniform);
    flag(ZT("UseBalanceAdjust"), d.UseBalanceAdjust);
    // Both values of a pair go under one key: the second one stays in the file.
    real(kSection, ZT("ALPHAR"), d.ALPHAR[0]);
    real(kSection, ZT("ALPHAG"), d.ALPHAG[0]);
    real(kSection, ZT("ALPHAR"), d.ALPHAR[1]);
    real(kSection, ZT("ALPHAG"), d.ALPHAG[1]);
    real(kSection, ZT("ALPHAB"), d.ALPHAB);
    flag(ZT("SyncExposal"), d.SyncExposal);
    integer(kSection, ZT("SyncExposalTime"), d.SyncExposalTime);
    ok &= m_PaperSizeCfg.ExportINIFile(path) == 0;
    ok &= m_PaperStyleCfg.ExportINIFile(path) == 0;
    real(kTimeSection, ZT("R_stdTime"), d.R_stdTime);
    real(kTimeSection, ZT("G_stdTime"), d.G_stdTime);
    real(kTimeSection, ZT("B_stdTime"), d.B_stdTime);
    real(kPulseSection, ZT("R_stdPluse"), d.R_stdPluse);
    real(kPulseSection, ZT("G_stdPluse"), d.G_stdPluse);
    real(kPulseSection, ZT("B_stdPluse"), d.B_stdPluse);
    return ok ? 0 : 1;
}

int CZanLCosCtrlCfg::ImportINIFile2(const ZanWChar* path)
{
    Locked lock(m_hLock);
    return m_ControllerCfg.ImportINIFile(path) | m_PaperSizeCfg.ImportINIFile(path) |
           m_PaperStyleCfg.ImportINIFile(path);
}

int CZanLCosCtrlCfg::ExportINIFile2(const ZanWChar* path)
{
    Locked lock(m_hLock);
    const int controller = m_ControllerCfg.ExportINIFile(path);
    const int sizes = m_PaperSizeCfg.ExportINIFile(path);
    const int styles = m_PaperStyleCfg.ExportINIFile(path);
    return controller | sizes << 8 | styles << 12;
}

// ---- XML ----------------------------------------------------------------------------------

int CZanLCosCtrlCfg::ImportXMLNode(DOMNode* node)
{
    DOMElement* element = qlcos::xml::ElementNamed(node, ZT("QLCosCtrl"));
    if (!element) return 1;
    int result = 0;
    for (DOMNode* child = element->getFirstChild(); child; child = child->getNextSibling()) {
        if (qlcos::xml::NameIs(child, ZT("XavenController")))
            result |= m_ControllerCfg.ImportXMLNode(child);
        else if (qlcos::xml::NameIs(child, ZT("PrintingPaperSizeChannel")))
            result |= m_PaperSizeCfg.ImportXMLNode(child);
        else if (qlcos::xml::NameIs(child, ZT("PrintingPaperStyleChannel")))
            result |= m_PaperStyleCfg.ImportXMLNode(child);
        else if (qlcos::xml::NameIs(child, ZT("ColorBalanceChannel")))
            result |= m_ColorBalanceCfg.ImportXMLNode(child);
    }
    return result;
}

int CZanLCosCtrlCfg::ExportXMLNode(DOMNode* node)
{
    if (!qlcos::xml::ElementNamed(node, ZT("XavenServer"))) return 1;
    DOMElement* element = qlcos::xml::AppendElement(node, ZT("QLCosCtrl"));
    if (!element) return 1;
    return m_ControllerCfg.ExportXMLNode(element) | m_PaperSizeCfg.ExportXMLNode(element) |
           m_PaperStyleCfg.ExportXMLNode(element);
}
