// The light-engine device: model probing, the busy guard around every operation, and the
// forwarding of each operation to the driver of the detected model.
#include "qlcos/exposure.h"

#include <new>
#include <type_traits>

namespace {

// The device type number under which each driver class is held.
template <typename Model> struct DeviceTypeOf;
template <> struct DeviceTypeOf<CQLampControl> {
    static const uint16_t value = 1;
};
template <> struct DeviceTypeOf<CQLEDControl> {
    static const uint16_t value = 2;
};
template <> struct DeviceTypeOf<CQLampControl2> {
    static const uint16_t value = 4;
};
template <> struct DeviceTypeOf<CQLCDControl> {
    static const uint16_t value = 5;
};
template <> struct DeviceTypeOf<CQLDDControl> {
    static const uint16_t value = 6;
};

// Overload sets from lambdas: per-model spellings of one operation.
template <typename... Fs> struct Overloaded : Fs... {
    using Fs::operator()...;
};
template <typename... Fs> Overloaded(Fs...) -> Overloaded<Fs...>;

// One row of the probing order.
struct ProbeEntry {
    uint16_t deviceType;
    const ZanWChar* description;
    CZanComDevice* (*make)();
    ZanResult (*create)(CZanComDevice* driver, int port, int second);
    // The LED driver's destructor leaves the port to its owner: release it first.
    bool destroyBeforeDelete;
};

template <typename Model> CZanComDevice* Make() { return new (std::nothrow) Model(); }

template <typename Model> ZanResult CreateAs(CZanComDevice* driver, int port, int second)
{
    return static_cast<Model*>(driver)->Create(port, second);
}

const ProbeEntry kProbeOrder[] = {
    {6, ZT("LCD LED Control"), Make<CQLDDControl>, CreateAs<CQLDDControl>, false},
    {5, ZT("LCD Lamp Control"), Make<CQLCDControl>, CreateAs<CQLCDControl>, false},
    {4, ZT("LCos Lamp Control2"), Make<CQLampControl2>, CreateAs<CQLampControl2>, false},
    {2, ZT("LCos LED Control"), Make<CQLEDControl>, CreateAs<CQLEDControl>, true},
    {1, ZT("LCos Lamp Control"), Make<CQLampControl>, CreateAs<CQLampControl>, false},
};

void Release(CZanComDevice* driver, bool destroyFirst)
{
    if (destroyFirst) driver->Destroy();
    delete driver;
}

// Busy-word bits of the public operations.
enum : uint32_t {
    kBusySetBrightness = 0x00000010,
    kBusyGetBrightness = 0x00000020,
    kBusySetShutterTime = 0x00000040,
    kBusyGetShutterTime = 0x00000080,
    kBusySetChannel = 0x00000100,
    kBusyGetChannel = 0x00000200, // also LightControl, ColorWheelControl, GetRefreshProgress,
                                  // Poll, GetImagePos and SetImagePos
    kBusySetFilterPos = 0x00000400,
    kBusyGetFilterPos = 0x00000800,
    kBusyExpose = 0x00001000,
    kBusyShutterOpen = 0x00002000,
    kBusyRefreshTable = 0x00004000,
    kBusyGetSerialCode = 0x00008000,
    kBusyMoveCarrier = 0x00010000,
    kBusyMoveFocus = 0x00020000,
    kBusyGetPosition = 0x00040000,
    kBusySetPosition = 0x00080000,
    kBusySetWobbleData = 0x00100000,
    kBusySetRepeatMode = 0x00200000,
    kBusySetIntervalTime = 0x00400000,
    kBusyGetIntervalTime = 0x00800000,
    kBusyGetWobbleData = 0x01000000,
    kBusyShared = kBusyGetChannel,
};

const unsigned short kGuardMask = 0x7FFF;

void CopyText(ZanWChar* to, size_t capacity, const ZanWChar* from)
{
    size_t i = 0;
    for (; i + 1 < capacity && from[i]; ++i) to[i] = from[i];
    for (; i < capacity; ++i) to[i] = 0;
}

} // namespace

CZanLCosCtrl::CZanLCosCtrl() = default;

CZanLCosCtrl::~CZanLCosCtrl() = default;

template <typename Body> ZanResult CZanLCosCtrl::Guarded(uint32_t bit, Body&& body)
{
    if (IsBusy(kGuardMask)) return ZAN_LCOS_BUSY;
    m_dwBusy |= bit;
    const ZanResult result = body();
    m_dwBusy &= ~bit;
    WorkFinish();
    return result;
}

template <typename... Models, typename Operation>
ZanResult CZanLCosCtrl::Forward(Operation&& operation)
{
    if (!m_pDriver) return ZAN_LCOS_NO_DRIVER;
    ZanResult result = ZAN_LCOS_UNSUPPORTED;
    // The first listed model whose number is the detected one takes the call.
    const bool handled = ((m_DeviceType == DeviceTypeOf<Models>::value
                               ? (result = operation(*static_cast<Models*>(m_pDriver)), true)
                               : false) ||
                          ...);
    return handled ? result : ZAN_LCOS_UNSUPPORTED;
}

// ---- Creation ---------------------------------------------------------------------------------

ZanResult CZanLCosCtrl::Create(HWND window, tagZanVirtualDeviceProperty* property)
{
    if (!property) return ZAN_LCOS_CREATE_FAILED;
    if (m_pDriver) return ZAN_LCOS_ALREADY_CREATED;
    if (property->Port.Second != -1) return ZAN_LCOS_CREATE_FAILED;
    if (CZanVirtualDevice::Create(window, property) != 0) return ZAN_LCOS_CREATE_FAILED;

    for (const ProbeEntry& model : kProbeOrder) {
        CZanComDevice* driver = model.make();
        if (!driver) return ZAN_LCOS_CREATE_FAILED;
        if (zanSucceeded(model.create(driver, property->Port.Port, property->Port.Second))) {
            CopyText(m_szDescription, sizeof m_szDescription / sizeof m_szDescription[0],
                     model.description);
            m_DeviceType = model.deviceType;
            m_pDriver = driver;
            return 0;
        }
        Release(driver, model.destroyBeforeDelete);
    }
    return ZAN_LCOS_CREATE_FAILED;
}

ZanResult CZanLCosCtrl::Destroy()
{
    if (m_pDriver) {
        m_pDriver->Destroy();
        delete m_pDriver;
        m_pDriver = nullptr;
    }
    return 0;
}

ZanResult CZanLCosCtrl::CheckLine(void*) { return 0; }
ZanResult CZanLCosCtrl::Resume() { return 0; }
int CZanLCosCtrl::CanService(void*) { return 0; }

void CZanLCosCtrl::SetConsole(CZanConsole* console)
{
    m_pConsole = console;
    if (m_pDriver) m_pDriver->SetConsole(console);
}

// ---- Public operations: busy guard, then the f twin ----------------------------------------

ZanResult CZanLCosCtrl::Expose(unsigned char ch)
{
    return Guarded(kBusyExpose, [&] { return fExpose(ch); });
}
ZanResult CZanLCosCtrl::ShutterOpen(unsigned char x, int open)
{
    return Guarded(kBusyShutterOpen, [&] { return fShutterOpen(x, open); });
}
ZanResult CZanLCosCtrl::MoveCarrier(unsigned char p)
{
    return Guarded(kBusyMoveCarrier, [&] { return fMoveCarrier(p); });
}
ZanResult CZanLCosCtrl::MoveFocus(int steps)
{
    return Guarded(kBusyMoveFocus, [&] { return fMoveFocus(steps); });
}
ZanResult CZanLCosCtrl::SetWobbleData(unsigned char i, unsigned short v)
{
    return Guarded(kBusySetWobbleData, [&] { return fSetWobbleData(i, v); });
}
ZanResult CZanLCosCtrl::GetWobbleData(unsigned char i, unsigned short& v)
{
    return Guarded(kBusyGetWobbleData, [&] { return fGetWobbleData(i, v); });
}
ZanResult CZanLCosCtrl::GetPosition(unsigned char i, unsigned short* v)
{
    return Guarded(kBusyGetPosition, [&] { return fGetPosition(i, v); });
}
ZanResult CZanLCosCtrl::SetPosition(unsigned char i, unsigned short v)
{
    return Guarded(kBusySetPosition, [&] { return fSetPosition(i, v); });
}
ZanResult CZanLCosCtrl::SetRepeatMode()
{
    return Guarded(kBusySetRepeatMode, [&] { return fSetRepeatMode(); });
}
ZanResult CZanLCosCtrl::RefreshTable()
{
    return Guarded(kBusyRefreshTable, [&] { return fRefreshTable(); });
}
ZanResult CZanLCosCtrl::SetBrightness(unsigned char ch, unsigned char v)
{
    return Guarded(kBusySetBrightness, [&] { return fSetBrightness(ch, v); });
}
ZanResult CZanLCosCtrl::GetBrightness(unsigned char ch, unsigned char* v)
{
    return Guarded(kBusyGetBrightness, [&] { return fGetBrightness(ch, v); });
}
ZanResult CZanLCosCtrl::SetShutterTime(unsigned char ch, unsigned short t)
{
    return Guarded(kBusySetShutterTime, [&] { return fSetShutterTime(ch, t); });
}
ZanResult CZanLCosCtrl::GetShutterTime(unsigned char ch, unsigned short* t)
{
    return Guarded(kBusyGetShutterTime, [&] { return fGetShutterTime(ch, t); });
}
ZanResult CZanLCosCtrl::SetIntervalTime(unsigned char i, unsigned short t)
{
    return Guarded(kBusySetIntervalTime, [&] { return fSetIntervalTime(i, t); });
}
ZanResult CZanLCosCtrl::GetIntervalTime(unsigned char i, unsigned short* t)
{
    return Guarded(kBusyGetIntervalTime, [&] { return fGetIntervalTime(i, t); });
}
ZanResult CZanLCosCtrl::SetChannel(unsigned char ch, unsigned char v)
{
    return Guarded(kBusySetChannel, [&] { return fSetChannel(ch, v); });
}
ZanResult CZanLCosCtrl::GetChannel(unsigned char ch, unsigned char* v)
{
    return Guarded(kBusyGetChannel, [&] { return fGetChannel(ch, v); });
}
ZanResult CZanLCosCtrl::SetFilterPos(unsigned char ch, unsigned short p)
{
    return Guarded(kBusySetFilterPos, [&] { return fSetFilterPos(ch, p); });
}
ZanResult CZanLCosCtrl::GetFilterPos(unsigned char ch, unsigned short* p)
{
    return Guarded(kBusyGetFilterPos, [&] { return fGetFilterPos(ch, p); });
}
ZanResult CZanLCosCtrl::GetSerialCode(unsigned char i, unsigned short* text)
{
    return Guarded(kBusyGetSerialCode, [&] { return fGetSerialCode(i, text); });
}
ZanResult CZanLCosCtrl::LightControl(unsigned char a, unsigned char b)
{
    return Guarded(kBusyShared, [&] { return fLightControl(a, b); });
}
ZanResult CZanLCosCtrl::ColorWheelControl(unsigned char a, unsigned char b)
{
    return Guarded(kBusyShared, [&] { return fColorWheelControl(a, b); });
}
ZanResult CZanLCosCtrl::GetRefreshProgress(unsigned char& a, unsigned char& b)
{
    return Guarded(kBusyShared, [&] { return fGetRefreshProgress(a, b); });
}
ZanResult CZanLCosCtrl::Poll(unsigned char& s, unsigned char& p)
{
    return Guarded(kBusyShared, [&] { return fPoll(s, p); });
}
ZanResult CZanLCosCtrl::GetImagePos(unsigned char i, unsigned short& v)
{
    return Guarded(kBusyShared, [&] { return fGetImagePos(i, v); });
}
ZanResult CZanLCosCtrl::SetImagePos(unsigned char i, unsigned short v)
{
    return Guarded(kBusyShared, [&] { return fSetImagePos(i, v); });
}

// ---- Forwarding: which models have each operation, and under which name ----------------------

ZanResult CZanLCosCtrl::fExpose(unsigned char ch)
{
    return Forward<CQLampControl, CQLEDControl, CQLampControl2, CQLCDControl, CQLDDControl>(
        Overloaded{[&](CQLampControl& d) { return d.Exposal(ch); },
                   [&](auto& d) { return d.Expose(ch); }});
}

ZanResult CZanLCosCtrl::fShutterOpen(unsigned char, int open)
{
    return Forward<CQLampControl, CQLampControl2, CQLCDControl, CQLDDControl>(
        Overloaded{[&](CQLampControl& d) { return d.ShutterOpen(open); },
                   [&](auto& d) { return d.ShutterControl(open); }});
}

ZanResult CZanLCosCtrl::fMoveCarrier(unsigned char p)
{
    return Forward<CQLDDControl>([&](auto& d) { return d.MoveCarrier(p); });
}

ZanResult CZanLCosCtrl::fMoveFocus(int steps)
{
    return Forward<CQLDDControl>([&](auto& d) { return d.MoveFocus(steps); });
}

ZanResult CZanLCosCtrl::fSetWobbleData(unsigned char i, unsigned short v)
{
    return Forward<CQLCDControl, CQLDDControl>([&](auto& d) { return d.SetWobbleData(i, v); });
}

ZanResult CZanLCosCtrl::fGetWobbleData(unsigned char i, unsigned short& v)
{
    return Forward<CQLCDControl, CQLDDControl>([&](auto& d) { return d.GetWobbleData(i, v); });
}

ZanResult CZanLCosCtrl::fGetPosition(unsigned char i, unsigned short* v)
{
    return Forward<CQLDDControl>(
        [&](auto& d) -> ZanResult { return v ? d.GetPosition(i, v) : ZAN_LCOS_BAD_INDEX; });
}

ZanResult CZanLCosCtrl::fSetPosition(unsigned char i, unsigned short v)
{
    return Forward<CQLDDControl>([&](auto& d) { return d.SetPosition(i, v); });
}

ZanResult CZanLCosCtrl::fSetRepeatMode()
{
    return Forward<CQLDDControl>([&](auto& d) { return d.SetRepeatMode(); });
}

ZanResult CZanLCosCtrl::fRefreshTable()
{
    return Forward<CQLampControl, CQLampControl2>(
        Overloaded{[&](CQLampControl& d) { return d.RefreshTable(); },
                   [&](CQLampControl2& d) { return d.RefreshLightTable(); }});
}

ZanResult CZanLCosCtrl::fSetBrightness(unsigned char ch, unsigned char v)
{
    return Forward<CQLampControl, CQLEDControl, CQLampControl2, CQLDDControl>(
        [&](auto& d) { return d.SetBrightness(ch, v); });
}

ZanResult CZanLCosCtrl::fGetBrightness(unsigned char ch, unsigned char* v)
{
    return Forward<CQLampControl, CQLEDControl, CQLampControl2, CQLDDControl>(Overloaded{
        [&](CQLampControl& d) -> ZanResult {
            return v ? d.GetBrightness(ch, v) : ZAN_LCOS_BAD_INDEX;
        },
        [&](auto& d) -> ZanResult { return v ? d.GetBrightness(ch, *v) : ZAN_LCOS_BAD_INDEX; }});
}

ZanResult CZanLCosCtrl::fSetShutterTime(unsigned char ch, unsigned short t)
{
    return Forward<CQLampControl, CQLEDControl, CQLampControl2, CQLCDControl, CQLDDControl>(
        [&](auto& d) { return d.SetShutterTime(ch, t); });
}

ZanResult CZanLCosCtrl::fGetShutterTime(unsigned char ch, unsigned short* t)
{
    return Forward<CQLampControl, CQLEDControl, CQLampControl2, CQLCDControl, CQLDDControl>(
        Overloaded{[&](CQLampControl& d) -> ZanResult {
                       return t ? d.GetShutterTime(ch, t) : ZAN_LCOS_BAD_INDEX;
                   },
                   [&](auto& d) -> ZanResult {
                       return t ? d.GetShutterTime(ch, *t) : ZAN_LCOS_BAD_INDEX;
                   }});
}

ZanResult CZanLCosCtrl::fSetIntervalTime(unsigned char i, unsigned short t)
{
    return Forward<CQLEDControl, CQLampControl2, CQLCDControl, CQLDDControl>(
        [&](auto& d) { return d.SetIntervalTime(i, t); });
}

ZanResult CZanLCosCtrl::fGetIntervalTime(unsigned char i, unsigned short* t)
{
    return Forward<CQLEDControl, CQLampControl2, CQLCDControl, CQLDDControl>(
        [&](auto& d) -> ZanResult { return t ? d.GetIntervalTime(i, *t) : ZAN_LCOS_BAD_INDEX; });
}

ZanResult CZanLCosCtrl::fSetChannel(unsigned char ch, unsigned char v)
{
    return Forward<CQLampControl, CQLEDControl, CQLampControl2>(
        [&](auto& d) { return d.SetChannel(ch, v); });
}

ZanResult CZanLCosCtrl::fGetChannel(unsigned char ch, unsigned char* v)
{
    return Forward<CQLampControl, CQLEDControl, CQLampControl2>(Overloaded{
        [&](CQLampControl& d) -> ZanResult { return v ? d.GetChannel(ch, v) : ZAN_LCOS_BAD_INDEX; },
        [&](auto& d) -> ZanResult { return v ? d.GetChannel(ch, *v) : ZAN_LCOS_BAD_INDEX; }});
}

ZanResult CZanLCosCtrl::fSetFilterPos(unsigned char ch, unsigned short p)
{
    return Forward<CQLampControl, CQLampControl2>(
        Overloaded{[&](CQLampControl& d) { return d.SetFilterPos(ch, p); },
                   [&](CQLampControl2& d) { return d.SetColorWheelPos(ch, p); }});
}

ZanResult CZanLCosCtrl::fGetFilterPos(unsigned char ch, unsigned short* p)
{
    return Forward<CQLampControl, CQLampControl2>(
        Overloaded{[&](CQLampControl& d) -> ZanResult {
                       return p ? d.GetFilterPos(ch, p) : ZAN_LCOS_BAD_INDEX;
                   },
                   [&](CQLampControl2& d) -> ZanResult {
                       return p ? d.GetColorWheelPos(ch, *p) : ZAN_LCOS_BAD_INDEX;
                   }});
}

ZanResult CZanLCosCtrl::fGetSerialCode(unsigned char i, unsigned short* text)
{
    return Forward<CQLampControl, CQLEDControl, CQLampControl2, CQLCDControl, CQLDDControl>(
        Overloaded{[&](CQLampControl&) -> ZanResult { return ZAN_LCOS_UNSUPPORTED; },
                   [&](auto& d) -> ZanResult {
                       if (i < 1 || i > 3 || !text) return ZAN_LCOS_BAD_INDEX;
                       return d.GetSerialCode(i, text);
                   }});
}

ZanResult CZanLCosCtrl::fLightControl(unsigned char a, unsigned char b)
{
    return Forward<CQLEDControl, CQLampControl2, CQLDDControl>(
        Overloaded{[&](CQLampControl2& d) { return d.LightControl(a, b); },
                   [&](auto& d) { return d.LEDControl(a, b); }});
}

ZanResult CZanLCosCtrl::fColorWheelControl(unsigned char a, unsigned char b)
{
    return Forward<CQLampControl2, CQLCDControl>(
        Overloaded{[&](CQLampControl2& d) { return d.ColorWheelControl(a, b); },
                   [&](CQLCDControl& d) -> ZanResult {
                       if (a < 1 || a > 3) return ZAN_LCOS_UNSUPPORTED;
                       return d.ColorWheelControl(a);
                   }});
}

ZanResult CZanLCosCtrl::fGetRefreshProgress(unsigned char& a, unsigned char& b)
{
    return Forward<CQLampControl2>([&](auto& d) { return d.GetRefreshProgress(a, b); });
}

ZanResult CZanLCosCtrl::fPoll(unsigned char& s, unsigned char& p)
{
    return Forward<CQLEDControl, CQLampControl2, CQLCDControl, CQLDDControl>(
        [&](auto& d) { return d.Poll(s, p); });
}

ZanResult CZanLCosCtrl::fGetImagePos(unsigned char i, unsigned short& v)
{
    return Forward<CQLampControl, CQLEDControl, CQLampControl2, CQLCDControl, CQLDDControl>(
        Overloaded{[&](CQLampControl&) -> ZanResult { return ZAN_LCOS_UNSUPPORTED; },
                   [&](auto& d) -> ZanResult {
                       if (i < 1 || i > 2) return ZAN_LCOS_BAD_INDEX;
                       return d.GetImageAdjust(i, v);
                   }});
}

ZanResult CZanLCosCtrl::fSetImagePos(unsigned char i, unsigned short v)
{
    return Forward<CQLampControl, CQLEDControl, CQLampControl2, CQLCDControl, CQLDDControl>(
        Overloaded{[&](CQLampControl&) -> ZanResult { return ZAN_LCOS_UNSUPPORTED; },
                   [&](auto& d) -> ZanResult {
                       if (i < 1 || i > 2) return ZAN_LCOS_BAD_INDEX;
                       return d.SetImageAdjust(i, v);
                   }});
}
