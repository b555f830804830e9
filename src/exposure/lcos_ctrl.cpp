// The light-engine device: probing the models in the model table's order, the busy guard
// around every operation, and the forwarding of each operation to the driver of the detected
// model as the capability table says.
#include "qlcos/exposure.h"
#include "exposure/model_table.h"

#include <new>
#include <type_traits>

using qlcos::exposure::ControllerModel;
using qlcos::exposure::Op;

namespace {

// The driver class of each model the device holds.
template <uint16_t DeviceType> struct DriverClass;
template <> struct DriverClass<ZAN_DEVTYPE_LAMP_CONTROLLER> {
    using Type = CQLampControl;
};
template <> struct DriverClass<ZAN_DEVTYPE_LED_CONTROLLER> {
    using Type = CQLEDControl;
};
template <> struct DriverClass<ZAN_DEVTYPE_LAMP_CONTROLLER2> {
    using Type = CQLampControl2;
};
template <> struct DriverClass<ZAN_DEVTYPE_LCD_CONTROLLER> {
    using Type = CQLCDControl;
};
template <> struct DriverClass<ZAN_DEVTYPE_LDD_CONTROLLER> {
    using Type = CQLDDControl;
};

template <uint16_t DeviceType> using ModelTag = std::integral_constant<uint16_t, DeviceType>;
template <typename Tag> using DriverOf = typename DriverClass<Tag::value>::Type;

// Calls `call` with a ModelTag of `deviceType`, so that it can name the model's driver class;
// `otherwise` for a number the device never holds.
template <typename Result, typename Call>
Result ForModel(uint16_t deviceType, Result otherwise, Call&& call)
{
    switch (deviceType) {
    case ZAN_DEVTYPE_LAMP_CONTROLLER: return call(ModelTag<ZAN_DEVTYPE_LAMP_CONTROLLER>{});
    case ZAN_DEVTYPE_LED_CONTROLLER: return call(ModelTag<ZAN_DEVTYPE_LED_CONTROLLER>{});
    case ZAN_DEVTYPE_LAMP_CONTROLLER2: return call(ModelTag<ZAN_DEVTYPE_LAMP_CONTROLLER2>{});
    case ZAN_DEVTYPE_LCD_CONTROLLER: return call(ModelTag<ZAN_DEVTYPE_LCD_CONTROLLER>{});
    case ZAN_DEVTYPE_LDD_CONTROLLER: return call(ModelTag<ZAN_DEVTYPE_LDD_CONTROLLER>{});
    default: return otherwise;
    }
}

// Forwards operation `op`: `call(driver)` when the capability table gives the model the
// operation (the compiler checks that its driver offers it), else ZAN_LCOS_UNSUPPORTED
// without touching the line.
template <Op op, typename Call>
ZanResult Forward(uint16_t deviceType, CZanComDevice* driver, Call&& call)
{
    if (!driver) return ZAN_LCOS_NO_DRIVER;
    return ForModel<ZanResult>(deviceType, ZAN_LCOS_UNSUPPORTED, [&](auto model) -> ZanResult {
        using Model = decltype(model);
        if constexpr (qlcos::exposure::Has(Model::value, op))
            return call(static_cast<DriverOf<Model>&>(*driver));
        else
            return ZAN_LCOS_UNSUPPORTED;
    });
}

// Overload sets from lambdas: per-model spellings of one operation.
template <typename... Fs> struct Overloaded : Fs... {
    using Fs::operator()...;
};
template <typename... Fs> Overloaded(Fs...) -> Overloaded<Fs...>;

// An output pointer that is null, on a model that has the operation.
struct NullOutput {
    template <typename Driver> ZanResult operator()(Driver&) const { return ZAN_LCOS_BAD_INDEX; }
};

constexpr uint32_t Bit(Op op) { return qlcos::exposure::OperationOf(op).BusyBit; }

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

template <typename Body> ZanResult CZanLCosCtrl::Guarded(uint32_t busyBit, Body&& body)
{
    if (IsBusy(kGuardMask)) return ZAN_LCOS_BUSY;
    m_dwBusy |= busyBit;
    const ZanResult result = body();
    m_dwBusy &= ~busyBit;
    WorkFinish();
    return result;
}

// ---- Creation ---------------------------------------------------------------------------------

ZanResult CZanLCosCtrl::Create(HWND window, tagZanVirtualDeviceProperty* property)
{
    if (!property) return ZAN_LCOS_CREATE_FAILED;
    if (m_pDriver) return ZAN_LCOS_ALREADY_CREATED;
    if (property->Port.Second != -1) return ZAN_LCOS_CREATE_FAILED;
    if (CZanVirtualDevice::Create(window, property) != 0) return ZAN_LCOS_CREATE_FAILED;

    const int port = property->Port.Port;
    const int second = property->Port.Second;
    for (uint8_t rank = 1; const ControllerModel* model = qlcos::exposure::ProbedModel(rank);
         ++rank) {
        CZanComDevice* driver =
            ForModel<CZanComDevice*>(model->DeviceType, nullptr, [](auto tag) -> CZanComDevice* {
                return new (std::nothrow) DriverOf<decltype(tag)>();
            });
        if (!driver) return ZAN_LCOS_CREATE_FAILED;
        const ZanResult created =
            ForModel<ZanResult>(model->DeviceType, ZAN_LCOS_CREATE_FAILED, [&](auto tag) {
                return static_cast<DriverOf<decltype(tag)>*>(driver)->Create(port, second);
            });
        if (zanSucceeded(created)) {
            CopyText(m_szDescription, sizeof m_szDescription / sizeof m_szDescription[0],
                     model->Description);
            m_DeviceType = model->DeviceType;
            m_pDriver = driver;
            return 0;
        }
        // A driver that did not find its controller has closed its port already.
        delete driver;
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

// ---- Public operations: busy guard, then the f twin --------------------------------------------

// clang-format off
ZanResult CZanLCosCtrl::Expose(unsigned char ch) { return Guarded(Bit(Op::Expose), [&] { return fExpose(ch); }); }
ZanResult CZanLCosCtrl::ShutterOpen(unsigned char x, int open) { return Guarded(Bit(Op::ShutterOpen), [&] { return fShutterOpen(x, open); }); }
ZanResult CZanLCosCtrl::MoveCarrier(unsigned char p) { return Guarded(Bit(Op::MoveCarrier), [&] { return fMoveCarrier(p); }); }
ZanResult CZanLCosCtrl::MoveFocus(int steps) { return Guarded(Bit(Op::MoveFocus), [&] { return fMoveFocus(steps); }); }
ZanResult CZanLCosCtrl::SetWobbleData(unsigned char i, unsigned short v) { return Guarded(Bit(Op::SetWobbleData), [&] { return fSetWobbleData(i, v); }); }
ZanResult CZanLCosCtrl::GetWobbleData(unsigned char i, unsigned short& v) { return Guarded(Bit(Op::GetWobbleData), [&] { return fGetWobbleData(i, v); }); }
ZanResult CZanLCosCtrl::GetPosition(unsigned char i, unsigned short* v) { return Guarded(Bit(Op::GetPosition), [&] { return fGetPosition(i, v); }); }
ZanResult CZanLCosCtrl::SetPosition(unsigned char i, unsigned short v) { return Guarded(Bit(Op::SetPosition), [&] { return fSetPosition(i, v); }); }
ZanResult CZanLCosCtrl::SetRepeatMode() { return Guarded(Bit(Op::SetRepeatMode), [&] { return fSetRepeatMode(); }); }
ZanResult CZanLCosCtrl::RefreshTable() { return Guarded(Bit(Op::RefreshTable), [&] { return fRefreshTable(); }); }
ZanResult CZanLCosCtrl::SetBrightness(unsigned char ch, unsigned char v) { return Guarded(Bit(Op::SetBrightness), [&] { return fSetBrightness(ch, v); }); }
ZanResult CZanLCosCtrl::GetBrightness(unsigned char ch, unsigned char* v) { return Guarded(Bit(Op::GetBrightness), [&] { return fGetBrightness(ch, v); }); }
ZanResult CZanLCosCtrl::SetShutterTime(unsigned char ch, unsigned short t) { return Guarded(Bit(Op::SetShutterTime), [&] { return fSetShutterTime(ch, t); }); }
ZanResult CZanLCosCtrl::GetShutterTime(unsigned char ch, unsigned short* t) { return Guarded(Bit(Op::GetShutterTime), [&] { return fGetShutterTime(ch, t); }); }
ZanResult CZanLCosCtrl::SetIntervalTime(unsigned char i, unsigned short t) { return Guarded(Bit(Op::SetIntervalTime), [&] { return fSetIntervalTime(i, t); }); }
ZanResult CZanLCosCtrl::GetIntervalTime(unsigned char i, unsigned short* t) { return Guarded(Bit(Op::GetIntervalTime), [&] { return fGetIntervalTime(i, t); }); }
ZanResult CZanLCosCtrl::SetChannel(unsigned char ch, unsigned char v) { return Guarded(Bit(Op::SetChannel), [&] { return fSetChannel(ch, v); }); }
ZanResult CZanLCosCtrl::GetChannel(unsigned char ch, unsigned char* v) { return Guarded(Bit(Op::GetChannel), [&] { return fGetChannel(ch, v); }); }
ZanResult CZanLCosCtrl::SetFilterPos(unsigned char ch, unsigned short p) { return Guarded(Bit(Op::SetFilterPos), [&] { return fSetFilterPos(ch, p); }); }
ZanResult CZanLCosCtrl::GetFilterPos(unsigned char ch, unsigned short* p) { return Guarded(Bit(Op::GetFilterPos), [&] { return fGetFilterPos(ch, p); }); }
ZanResult CZanLCosCtrl::GetSerialCode(unsigned char i, unsigned short* text) { return Guarded(Bit(Op::GetSerialCode), [&] { return fGetSerialCode(i, text); }); }
ZanResult CZanLCosCtrl::LightControl(unsigned char a, unsigned char b) { return Guarded(Bit(Op::LightControl), [&] { return fLightControl(a, b); }); }
ZanResult CZanLCosCtrl::ColorWheelControl(unsigned char a, unsigned char b) { return Guarded(Bit(Op::ColorWheelControl), [&] { return fColorWheelControl(a, b); }); }
ZanResult CZanLCosCtrl::GetRefreshProgress(unsigned char& a, unsigned char& b) { return Guarded(Bit(Op::GetRefreshProgress), [&] { return fGetRefreshProgress(a, b); }); }
ZanResult CZanLCosCtrl::Poll(unsigned char& s, unsigned char& p) { return Guarded(Bit(Op::Poll), [&] { return fPoll(s, p); }); }
ZanResult CZanLCosCtrl::GetImagePos(unsigned char i, unsigned short& v) { return Guarded(Bit(Op::GetImagePos), [&] { return fGetImagePos(i, v); }); }
ZanResult CZanLCosCtrl::SetImagePos(unsigned char i, unsigned short v) { return Guarded(Bit(Op::SetImagePos), [&] { return fSetImagePos(i, v); }); }
// clang-format on

// ---- Forwarding: the capability table decides; per-model spellings where names differ --------

ZanResult CZanLCosCtrl::fExpose(unsigned char ch)
{
    return Forward<Op::Expose>(m_DeviceType, m_pDriver,
                               Overloaded{[&](CQLampControl& d) { return d.Exposal(ch); },
                                          [&](CQFrameControl& d) { return d.Expose(ch); }});
}

ZanResult CZanLCosCtrl::fShutterOpen(unsigned char, int open)
{
    return Forward<Op::ShutterOpen>(
        m_DeviceType, m_pDriver,
        Overloaded{[&](CQLampControl& d) { return d.ShutterOpen(open); },
                   [&](auto& d) { return d.ShutterControl(open); }});
}

ZanResult CZanLCosCtrl::fMoveCarrier(unsigned char p)
{
    return Forward<Op::MoveCarrier>(m_DeviceType, m_pDriver,
                                    [&](auto& d) { return d.MoveCarrier(p); });
}

ZanResult CZanLCosCtrl::fMoveFocus(int steps)
{
    return Forward<Op::MoveFocus>(m_DeviceType, m_pDriver,
                                  [&](auto& d) { return d.MoveFocus(steps); });
}

ZanResult CZanLCosCtrl::fSetWobbleData(unsigned char i, unsigned short v)
{
    return Forward<Op::SetWobbleData>(m_DeviceType, m_pDriver,
                                      [&](CQPanelControl& d) { return d.SetWobbleData(i, v); });
}

ZanResult CZanLCosCtrl::fGetWobbleData(unsigned char i, unsigned short& v)
{
    return Forward<Op::GetWobbleData>(m_DeviceType, m_pDriver,
                                      [&](CQPanelControl& d) { return d.GetWobbleData(i, v); });
}

ZanResult CZanLCosCtrl::fGetPosition(unsigned char i, unsigned short* v)
{
    return Forward<Op::GetPosition>(m_DeviceType, m_pDriver, [&](auto& d) -> ZanResult {
        return v ? d.GetPosition(i, v) : ZAN_LCOS_BAD_INDEX;
    });
}

ZanResult CZanLCosCtrl::fSetPosition(unsigned char i, unsigned short v)
{
    return Forward<Op::SetPosition>(m_DeviceType, m_pDriver,
                                    [&](auto& d) { return d.SetPosition(i, v); });
}

ZanResult CZanLCosCtrl::fSetRepeatMode()
{
    return Forward<Op::SetRepeatMode>(m_DeviceType, m_pDriver,
                                      [&](auto& d) { return d.SetRepeatMode(); });
}

ZanResult CZanLCosCtrl::fRefreshTable()
{
    return Forward<Op::RefreshTable>(
        m_DeviceType, m_pDriver,
        Overloaded{[&](CQLampControl& d) { return d.RefreshTable(); },
                   [&](CQLampControl2& d) { return d.RefreshLightTable(); }});
}

ZanResult CZanLCosCtrl::fSetBrightness(unsigned char ch, unsigned char v)
{
    return Forward<Op::SetBrightness>(m_DeviceType, m_pDriver,
                                      [&](auto& d) { return d.SetBrightness(ch, v); });
}

ZanResult CZanLCosCtrl::fGetBrightness(unsigned char ch, unsigned char* v)
{
    if (!v) return Forward<Op::GetBrightness>(m_DeviceType, m_pDriver, NullOutput());
    return Forward<Op::GetBrightness>(
        m_DeviceType, m_pDriver,
        Overloaded{[&](CQLampControl& d) { return d.GetBrightness(ch, v); },
                   [&](auto& d) { return d.GetBrightness(ch, *v); }});
}

ZanResult CZanLCosCtrl::fSetShutterTime(unsigned char ch, unsigned short t)
{
    return Forward<Op::SetShutterTime>(m_DeviceType, m_pDriver,
                                       [&](auto& d) { return d.SetShutterTime(ch, t); });
}

ZanResult CZanLCosCtrl::fGetShutterTime(unsigned char ch, unsigned short* t)
{
    if (!t) return Forward<Op::GetShutterTime>(m_DeviceType, m_pDriver, NullOutput());
    return Forward<Op::GetShutterTime>(
        m_DeviceType, m_pDriver,
        Overloaded{[&](CQLampControl& d) { return d.GetShutterTime(ch, t); },
                   [&](CQFrameControl& d) { return d.GetShutterTime(ch, *t); }});
}

ZanResult CZanLCosCtrl::fSetIntervalTime(unsigned char i, unsigned short t)
{
    return Forward<Op::SetIntervalTime>(m_DeviceType, m_pDriver,
                                        [&](CQFrameControl& d) { return d.SetIntervalTime(i, t); });
}

ZanResult CZanLCosCtrl::fGetIntervalTime(unsigned char i, unsigned short* t)
{
    if (!t) return Forward<Op::GetIntervalTime>(m_DeviceType, m_pDriver, NullOutput());
    return Forward<Op::GetIntervalTime>(
        m_DeviceType, m_pDriver, [&](CQFrameControl& d) { return d.GetIntervalTime(i, *t); });
}

ZanResult CZanLCosCtrl::fSetChannel(unsigned char ch, unsigned char v)
{
    return Forward<Op::SetChannel>(m_DeviceType, m_pDriver,
                                   [&](auto& d) { return d.SetChannel(ch, v); });
}

ZanResult CZanLCosCtrl::fGetChannel(unsigned char ch, unsigned char* v)
{
    if (!v) return Forward<Op::GetChannel>(m_DeviceType, m_pDriver, NullOutput());
    return Forward<Op::GetChannel>(m_DeviceType, m_pDriver,
                                   Overloaded{[&](CQLampControl& d) { return d.GetChannel(ch, v); },
                                              [&](auto& d) { return d.GetChannel(ch, *v); }});
}

ZanResult CZanLCosCtrl::fSetFilterPos(unsigned char ch, unsigned short p)
{
    return Forward<Op::SetFilterPos>(
        m_DeviceType, m_pDriver,
        Overloaded{[&](CQLampControl& d) { return d.SetFilterPos(ch, p); },
                   [&](CQLampControl2& d) { return d.SetColorWheelPos(ch, p); }});
}

ZanResult CZanLCosCtrl::fGetFilterPos(unsigned char ch, unsigned short* p)
{
    if (!p) return Forward<Op::GetFilterPos>(m_DeviceType, m_pDriver, NullOutput());
    return Forward<Op::GetFilterPos>(
        m_DeviceType, m_pDriver,
        Overloaded{[&](CQLampControl& d) { return d.GetFilterPos(ch, p); },
                   [&](CQLampControl2& d) { return d.GetColorWheelPos(ch, *p); }});
}

ZanResult CZanLCosCtrl::fGetSerialCode(unsigned char i, unsigned short* text)
{
    return Forward<Op::GetSerialCode>(m_DeviceType, m_pDriver, [&](CQFrameControl& d) -> ZanResult {
        if (i < 1 || i > 3 || !text) return ZAN_LCOS_BAD_INDEX;
        return d.GetSerialCode(i, text);
    });
}

ZanResult CZanLCosCtrl::fLightControl(unsigned char a, unsigned char b)
{
    return Forward<Op::LightControl>(
        m_DeviceType, m_pDriver,
        Overloaded{[&](CQLampControl2& d) { return d.LightControl(a, b); },
                   [&](auto& d) { return d.LEDControl(a, b); }});
}

ZanResult CZanLCosCtrl::fColorWheelControl(unsigned char a, unsigned char b)
{
    return Forward<Op::ColorWheelControl>(
        m_DeviceType, m_pDriver,
        Overloaded{[&](CQLampControl2& d) { return d.ColorWheelControl(a, b); },
                   [&](CQLCDControl& d) -> ZanResult {
                       // The LCD's wheel has actions 1..3 only.
                       if (a < 1 || a > 3) return ZAN_LCOS_UNSUPPORTED;
                       return d.ColorWheelControl(a);
                   }});
}

ZanResult CZanLCosCtrl::fGetRefreshProgress(unsigned char& a, unsigned char& b)
{
    return Forward<Op::GetRefreshProgress>(m_DeviceType, m_pDriver,
                                           [&](auto& d) { return d.GetRefreshProgress(a, b); });
}

ZanResult CZanLCosCtrl::fPoll(unsigned char& s, unsigned char& p)
{
    return Forward<Op::Poll>(m_DeviceType, m_pDriver,
                             [&](CQFrameControl& d) { return d.Poll(s, p); });
}

ZanResult CZanLCosCtrl::fGetImagePos(unsigned char i, unsigned short& v)
{
    return Forward<Op::GetImagePos>(m_DeviceType, m_pDriver, [&](auto& d) -> ZanResult {
        if (i < 1 || i > 2) return ZAN_LCOS_BAD_INDEX;
        return d.GetImageAdjust(i, v);
    });
}

ZanResult CZanLCosCtrl::fSetImagePos(unsigned char i, unsigned short v)
{
    return Forward<Op::SetImagePos>(m_DeviceType, m_pDriver, [&](auto& d) -> ZanResult {
        if (i < 1 || i > 2) return ZAN_LCOS_BAD_INDEX;
        return d.SetImageAdjust(i, v);
    });
}
