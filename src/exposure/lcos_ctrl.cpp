// The light-engine device: probing the models in the model table's order, the busy guard
// around every operation, and the forwarding of each operation to the driver of the detected
// model as the capability table says.
#include "qlcos/exposure.h"
#include "device/result_text.h"
#include "exposure/model_table.h"
#include "serial/com_trace.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <new>
#include <string>
#include <type_traits>

using qlcos::exposure::ControllerModel;
using qlcos::exposure::Op;

namespace {

// A model the device holds: its DeviceType and its driver class.
template <uint16_t DeviceType, typename DriverClass> struct Model {
    static constexpr uint16_t Type = DeviceType;
    using Driver = DriverClass;
};

// Calls `call` with the Model of `deviceType`; `otherwise` for a number the device never
// holds. The one place that joins the models to their driver classes.
template <typename Result, typename Call>
Result ForModel(uint16_t deviceType, Result otherwise, Call&& call)
{
    // clang-format off
    switch (deviceType) {
    case ZAN_DEVTYPE_LAMP_CONTROLLER:  return call(Model<ZAN_DEVTYPE_LAMP_CONTROLLER, CQLampControl>{});
    case ZAN_DEVTYPE_LED_CONTROLLER:   return call(Model<ZAN_DEVTYPE_LED_CONTROLLER, CQLEDControl>{});
    case ZAN_DEVTYPE_LAMP_CONTROLLER2: return call(Model<ZAN_DEVTYPE_LAMP_CONTROLLER2, CQLampControl2>{});
    case ZAN_DEVTYPE_LCD_CONTROLLER:   return call(Model<ZAN_DEVTYPE_LCD_CONTROLLER, CQLCDControl>{});
    case ZAN_DEVTYPE_LDD_CONTROLLER:   return call(Model<ZAN_DEVTYPE_LDD_CONTROLLER, CQLDDControl>{});
    default:                           return otherwise;
    }
    // clang-format on
}

// Overload sets from lambdas: per-model spellings of one operation.
template <typename... Fs> struct Overloaded : Fs... {
    using Fs::operator()...;
};
template <typename... Fs> Overloaded(Fs...) -> Overloaded<Fs...>;

const ZanResult kBadIndex = ZAN_LCOS_BAD_INDEX;
const ZanResult kUnsupported = ZAN_LCOS_UNSUPPORTED;
// What an operation with a null output pointer answers, on a model that has the operation.
const auto kNullOutput = [](auto&) { return kBadIndex; };

const unsigned short kGuardMask = 0x7FFF;

} // namespace

// Who is using the driver: requests in progress, and whether a Create or Destroy is changing
// it. Requests never wait here; Create and Destroy wait for each other and Destroy for the
// requests.
struct ZanLCosDriverLock {
    std::mutex Mutex;
    std::condition_variable Changed;
    int Requests = 0;      // requests between their entry and their very last step
    bool Changing = false; // a Create or Destroy is in progress
};

namespace {

// How often Destroy repeats its Cancel while a request is still on its way out: a request that
// had not begun when the first Cancel came clears it as it begins.
const auto kCancelRepeat = std::chrono::milliseconds(20);

} // namespace

CZanLCosCtrl::CZanLCosCtrl() : m_Lock(new ZanLCosDriverLock) {}

CZanLCosCtrl::~CZanLCosCtrl()
{
    // Releases the driver (waiting for a Create in progress) and lets every request leave
    // before the members go.
    Destroy();
    std::unique_lock<std::mutex> lock(m_Lock->Mutex);
    m_Lock->Changed.wait(lock, [&] { return m_Lock->Requests == 0 && !m_Lock->Changing; });
}

template <auto Operation, typename Body> ZanResult CZanLCosCtrl::Guarded(Body&& body)
{
    // Counted from before the busy guard to after WorkFinish, so that Destroy and the
    // destructor wait until the request touches nothing of this device any more.
    {
        std::lock_guard<std::mutex> lock(m_Lock->Mutex);
        ++m_Lock->Requests;
    }
    ZanResult result = ZAN_LCOS_BUSY;
    if (!IsBusy(kGuardMask)) {
        const uint32_t bit = qlcos::exposure::OperationOf(Operation).BusyBit;
        m_dwBusy |= bit;
        result = body();
        m_dwBusy &= ~bit;
        NoteRequest(result, m_pDriver.load());
        WorkFinish();
    }
    std::lock_guard<std::mutex> lock(m_Lock->Mutex);
    --m_Lock->Requests;
    m_Lock->Changed.notify_all();
    return result;
}

// `call(driver)` when the capability table gives the detected model the operation (the
// compiler checks that its driver offers it), else ZAN_LCOS_UNSUPPORTED without touching
// the line. The driver stays whole while the request runs: Destroy takes it away from new
// requests at once but deletes it only after the running ones have left.
template <auto Operation, typename Call> ZanResult CZanLCosCtrl::Forward(Call&& call)
{
    CZanComDevice* driver = m_pDriver.load();
    if (!driver) return ZAN_LCOS_NO_DRIVER;
    return ForModel<ZanResult>(m_DeviceType, ZAN_LCOS_UNSUPPORTED, [&](auto model) -> ZanResult {
        using M = decltype(model);
        if constexpr (qlcos::exposure::Has(M::Type, Operation))
            return call(static_cast<typename M::Driver&>(*driver));
        else
            return ZAN_LCOS_UNSUPPORTED;
    });
}

// ---- Creation ---------------------------------------------------------------------------------

ZanResult CZanLCosCtrl::Create(HWND window, tagZanVirtualDeviceProperty* property)
{
    if (!property) {
        NoteFailure(ZAN_LCOS_CREATE_FAILED, "Create failed: no property record");
        return ZAN_LCOS_CREATE_FAILED;
    }
    // One Create or Destroy at a time: a second Create waits for the first and then finds its
    // driver.
    {
        std::unique_lock<std::mutex> lock(m_Lock->Mutex);
        m_Lock->Changed.wait(lock, [&] { return !m_Lock->Changing; });
        if (m_pDriver.load()) {
            NoteFailure(ZAN_LCOS_ALREADY_CREATED);
            return ZAN_LCOS_ALREADY_CREATED;
        }
        m_Lock->Changing = true;
    }
    CZanComDevice* driver = nullptr;
    const ZanResult result = Probe(window, property, driver);
    if (result == 0) NoteResult(0);
    std::lock_guard<std::mutex> lock(m_Lock->Mutex);
    if (driver) m_pDriver.store(driver);
    m_Lock->Changing = false;
    m_Lock->Changed.notify_all();
    return result;
}

ZanResult CZanLCosCtrl::Probe(HWND window, tagZanVirtualDeviceProperty* property,
                              CZanComDevice*& found)
{
    if (property->Port.Second != -1) {
        NoteFailure(ZAN_LCOS_CREATE_FAILED,
                    "Create failed: the property's second word is not 0xFFFFFFFF");
        return ZAN_LCOS_CREATE_FAILED;
    }
    if (CZanVirtualDevice::Create(window, property) != 0) {
        NoteFailure(ZAN_LCOS_CREATE_FAILED, "Create failed: the property was refused");
        return ZAN_LCOS_CREATE_FAILED;
    }

    const int port = property->Port.Port;
    const int second = property->Port.Second;
    // Why no model answered: the open's failure while no model got the port open, else
    // the models tried on the port.
    tagZanOpenFailure openFailure{};
    std::string portName = "COM" + std::to_string(port);
    std::string tried;
    bool opened = false;
    for (uint8_t rank = 1; const ControllerModel* model = qlcos::exposure::ProbedModel(rank);
         ++rank) {
        CZanComDevice* driver = nullptr;
        const ZanResult created = ForModel<ZanResult>(
            model->DeviceType, ZAN_LCOS_CREATE_FAILED, [&](auto m) -> ZanResult {
                auto* typed = new (std::nothrow) typename decltype(m)::Driver();
                driver = typed;
                return typed ? typed->Create(port, second) : ZAN_LCOS_CREATE_FAILED;
            });
        if (!driver) {
            NoteFailure(ZAN_LCOS_CREATE_FAILED, "Create failed: out of memory");
            return ZAN_LCOS_CREATE_FAILED;
        }
        if (zanSucceeded(created)) {
            SetDescription(model->Description);
            m_DeviceType = model->DeviceType;
            found = driver;
            return 0;
        }
        const char* name = qlcos::device::ControllerModelName(model->DeviceType);
        const tagZanOpenFailure open = driver->GetLastOpenFailure();
        if (open.Port[0]) portName = open.Port;
        if (open.Result == 0)
            opened = true;
        else if (openFailure.Result == 0)
            openFailure = open;
        if (qlcos::serial::TraceEnabled()) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(created));
            qlcos::serial::TraceNote(portName, std::string(name) + " not found: " + code + " " +
                                                   zanResultText(created));
        }
        tried += (tried.empty() ? "" : ", ") + std::string(name);
        // A driver that did not find its controller has closed its port already.
        delete driver;
    }
    const std::string why =
        !opened && openFailure.Result != 0
            ? std::string("Create failed: ") + openFailure.Text
            : "Create failed: no model answered on " + portName + " (tried " + tried + ")";
    qlcos::serial::TraceNote(portName, why);
    NoteFailure(ZAN_LCOS_CREATE_FAILED, why.c_str());
    return ZAN_LCOS_CREATE_FAILED;
}

// The end of a request: its failure (with the reopen's reason when the line is down) or its
// success, for GetStatusDescription. A request refused as busy is not this device's failure.
void CZanLCosCtrl::NoteRequest(ZanResult result, CZanComDevice* driver)
{
    if (result == ZAN_LCOS_BUSY) return;
    if (result == ZAN_COM_ERR_LINE_CLOSED) {
        if (driver) {
            const tagZanOpenFailure open = driver->GetLastOpenFailure();
            if (open.Result != 0) {
                const std::string text =
                    std::string(zanResultText(result)) + "; opening it again: " + open.Text;
                NoteFailure(result, text.c_str());
                return;
            }
        }
    }
    NoteResult(result);
}

ZanResult CZanLCosCtrl::Destroy()
{
    CZanComDevice* driver = nullptr;
    {
        std::unique_lock<std::mutex> lock(m_Lock->Mutex);
        m_Lock->Changed.wait(lock, [&] { return !m_Lock->Changing; });
        // New requests find no driver from here on.
        driver = m_pDriver.exchange(nullptr);
        if (!driver) return 0;
        m_Lock->Changing = true;
        // Running requests are cancelled and waited for.
        do driver->Cancel();
        while (
            !m_Lock->Changed.wait_for(lock, kCancelRepeat, [&] { return m_Lock->Requests == 0; }));
    }
    driver->Destroy();
    delete driver;
    std::lock_guard<std::mutex> lock(m_Lock->Mutex);
    m_Lock->Changing = false;
    m_Lock->Changed.notify_all();
    return 0;
}

ZanResult CZanLCosCtrl::Break(int)
{
    std::lock_guard<std::mutex> lock(m_Lock->Mutex);
    // Destroy takes the driver out under this lock before it deletes it.
    if (CZanComDevice* driver = m_pDriver.load()) driver->Cancel();
    return 0;
}

template <typename Call> ZanResult CZanLCosCtrl::OnLine(Call&& call)
{
    {
        std::lock_guard<std::mutex> lock(m_Lock->Mutex);
        ++m_Lock->Requests;
    }
    CZanComDevice* driver = m_pDriver.load();
    const ZanResult result = driver ? call(*driver) : 0;
    std::lock_guard<std::mutex> lock(m_Lock->Mutex);
    --m_Lock->Requests;
    m_Lock->Changed.notify_all();
    return result;
}

// A failed line is reported, not passed off as in order.
// The outcome is noted while the driver is still counted as in use.
ZanResult CZanLCosCtrl::CheckLine(void*)
{
    return OnLine([this](CZanComDevice& driver) {
        const ZanResult result = driver.CheckLine();
        if (zanFailed(result)) NoteRequest(result, &driver);
        return result;
    });
}

ZanResult CZanLCosCtrl::Resume()
{
    return OnLine([this](CZanComDevice& driver) {
        const ZanResult result = driver.Resume();
        NoteRequest(result, &driver);
        return result;
    });
}

int CZanLCosCtrl::CanService(void* request) { return static_cast<int>(CheckLine(request)); }

void CZanLCosCtrl::SetConsole(CZanConsole* console)
{
    std::lock_guard<std::mutex> lock(m_Lock->Mutex);
    m_pConsole = console;
    if (CZanComDevice* driver = m_pDriver.load()) driver->SetConsole(console);
}

// ---- Public operations: busy guard, then the f twin --------------------------------------------

// clang-format off
ZanResult CZanLCosCtrl::Expose(unsigned char ch) { return Guarded<Op::Expose>([&] { return fExpose(ch); }); }
ZanResult CZanLCosCtrl::ShutterOpen(unsigned char x, int open) { return Guarded<Op::ShutterOpen>([&] { return fShutterOpen(x, open); }); }
ZanResult CZanLCosCtrl::MoveCarrier(unsigned char p) { return Guarded<Op::MoveCarrier>([&] { return fMoveCarrier(p); }); }
ZanResult CZanLCosCtrl::MoveFocus(int steps) { return Guarded<Op::MoveFocus>([&] { return fMoveFocus(steps); }); }
ZanResult CZanLCosCtrl::SetWobbleData(unsigned char i, unsigned short v) { return Guarded<Op::SetWobbleData>([&] { return fSetWobbleData(i, v); }); }
ZanResult CZanLCosCtrl::GetWobbleData(unsigned char i, unsigned short& v) { return Guarded<Op::GetWobbleData>([&] { return fGetWobbleData(i, v); }); }
ZanResult CZanLCosCtrl::GetPosition(unsigned char i, unsigned short* v) { return Guarded<Op::GetPosition>([&] { return fGetPosition(i, v); }); }
ZanResult CZanLCosCtrl::SetPosition(unsigned char i, unsigned short v) { return Guarded<Op::SetPosition>([&] { return fSetPosition(i, v); }); }
ZanResult CZanLCosCtrl::SetRepeatMode() { return Guarded<Op::SetRepeatMode>([&] { return fSetRepeatMode(); }); }
ZanResult CZanLCosCtrl::RefreshTable() { return Guarded<Op::RefreshTable>([&] { return fRefreshTable(); }); }
ZanResult CZanLCosCtrl::SetBrightness(unsigned char ch, unsigned char v) { return Guarded<Op::SetBrightness>([&] { return fSetBrightness(ch, v); }); }
ZanResult CZanLCosCtrl::GetBrightness(unsigned char ch, unsigned char* v) { return Guarded<Op::GetBrightness>([&] { return fGetBrightness(ch, v); }); }
ZanResult CZanLCosCtrl::SetShutterTime(unsigned char ch, unsigned short t) { return Guarded<Op::SetShutterTime>([&] { return fSetShutterTime(ch, t); }); }
ZanResult CZanLCosCtrl::GetShutterTime(unsigned char ch, unsigned short* t) { return Guarded<Op::GetShutterTime>([&] { return fGetShutterTime(ch, t); }); }
ZanResult CZanLCosCtrl::SetIntervalTime(unsigned char i, unsigned short t) { return Guarded<Op::SetIntervalTime>([&] { return fSetIntervalTime(i, t); }); }
ZanResult CZanLCosCtrl::GetIntervalTime(unsigned char i, unsigned short* t) { return Guarded<Op::GetIntervalTime>([&] { return fGetIntervalTime(i, t); }); }
ZanResult CZanLCosCtrl::SetChannel(unsigned char ch, unsigned char v) { return Guarded<Op::SetChannel>([&] { return fSetChannel(ch, v); }); }
ZanResult CZanLCosCtrl::GetChannel(unsigned char ch, unsigned char* v) { return Guarded<Op::GetChannel>([&] { return fGetChannel(ch, v); }); }
ZanResult CZanLCosCtrl::SetFilterPos(unsigned char ch, unsigned short p) { return Guarded<Op::SetFilterPos>([&] { return fSetFilterPos(ch, p); }); }
ZanResult CZanLCosCtrl::GetFilterPos(unsigned char ch, unsigned short* p) { return Guarded<Op::GetFilterPos>([&] { return fGetFilterPos(ch, p); }); }
ZanResult CZanLCosCtrl::GetSerialCode(unsigned char i, unsigned short* text) { return Guarded<Op::GetSerialCode>([&] { return fGetSerialCode(i, text); }); }
ZanResult CZanLCosCtrl::LightControl(unsigned char a, unsigned char b) { return Guarded<Op::LightControl>([&] { return fLightControl(a, b); }); }
ZanResult CZanLCosCtrl::ColorWheelControl(unsigned char a, unsigned char b) { return Guarded<Op::ColorWheelControl>([&] { return fColorWheelControl(a, b); }); }
ZanResult CZanLCosCtrl::GetRefreshProgress(unsigned char& a, unsigned char& b) { return Guarded<Op::GetRefreshProgress>([&] { return fGetRefreshProgress(a, b); }); }
ZanResult CZanLCosCtrl::Poll(unsigned char& s, unsigned char& p) { return Guarded<Op::Poll>([&] { return fPoll(s, p); }); }
ZanResult CZanLCosCtrl::GetImagePos(unsigned char i, unsigned short& v) { return Guarded<Op::GetImagePos>([&] { return fGetImagePos(i, v); }); }
ZanResult CZanLCosCtrl::SetImagePos(unsigned char i, unsigned short v) { return Guarded<Op::SetImagePos>([&] { return fSetImagePos(i, v); }); }
// clang-format on

// ---- Forwarding: the capability table decides; per-model spellings where names differ --------

// clang-format off
ZanResult CZanLCosCtrl::fExpose(unsigned char ch) { return Forward<Op::Expose>(Overloaded{[&](CQLampControl& d) { return d.Exposal(ch); }, [&](CQFrameControl& d) { return d.Expose(ch); }}); }
ZanResult CZanLCosCtrl::fShutterOpen(unsigned char, int open) { return Forward<Op::ShutterOpen>(Overloaded{[&](CQLampControl& d) { return d.ShutterOpen(open); }, [&](auto& d) { return d.ShutterControl(open); }}); }
ZanResult CZanLCosCtrl::fMoveCarrier(unsigned char p) { return Forward<Op::MoveCarrier>([&](auto& d) { return d.MoveCarrier(p); }); }
ZanResult CZanLCosCtrl::fMoveFocus(int steps) { return Forward<Op::MoveFocus>([&](auto& d) { return d.MoveFocus(steps); }); }
ZanResult CZanLCosCtrl::fSetWobbleData(unsigned char i, unsigned short v) { return Forward<Op::SetWobbleData>([&](CQPanelControl& d) { return d.SetWobbleData(i, v); }); }
ZanResult CZanLCosCtrl::fGetWobbleData(unsigned char i, unsigned short& v) { return Forward<Op::GetWobbleData>([&](CQPanelControl& d) { return d.GetWobbleData(i, v); }); }
ZanResult CZanLCosCtrl::fGetPosition(unsigned char i, unsigned short* v) { return v ? Forward<Op::GetPosition>([&](auto& d) { return d.GetPosition(i, v); }) : Forward<Op::GetPosition>(kNullOutput); }
ZanResult CZanLCosCtrl::fSetPosition(unsigned char i, unsigned short v) { return Forward<Op::SetPosition>([&](auto& d) { return d.SetPosition(i, v); }); }
ZanResult CZanLCosCtrl::fSetRepeatMode() { return Forward<Op::SetRepeatMode>([&](auto& d) { return d.SetRepeatMode(); }); }
ZanResult CZanLCosCtrl::fRefreshTable() { return Forward<Op::RefreshTable>(Overloaded{[&](CQLampControl& d) { return d.RefreshTable(); }, [&](CQLampControl2& d) { return d.RefreshLightTable(); }}); }
ZanResult CZanLCosCtrl::fSetBrightness(unsigned char ch, unsigned char v) { return Forward<Op::SetBrightness>([&](auto& d) { return d.SetBrightness(ch, v); }); }
ZanResult CZanLCosCtrl::fGetBrightness(unsigned char ch, unsigned char* v) { return v ? Forward<Op::GetBrightness>(Overloaded{[&](CQLampControl& d) { return d.GetBrightness(ch, v); }, [&](auto& d) { return d.GetBrightness(ch, *v); }}) : Forward<Op::GetBrightness>(kNullOutput); }
ZanResult CZanLCosCtrl::fSetShutterTime(unsigned char ch, unsigned short t) { return Forward<Op::SetShutterTime>([&](auto& d) { return d.SetShutterTime(ch, t); }); }
ZanResult CZanLCosCtrl::fGetShutterTime(unsigned char ch, unsigned short* t) { return t ? Forward<Op::GetShutterTime>(Overloaded{[&](CQLampControl& d) { return d.GetShutterTime(ch, t); }, [&](CQFrameControl& d) { return d.GetShutterTime(ch, *t); }}) : Forward<Op::GetShutterTime>(kNullOutput); }
ZanResult CZanLCosCtrl::fSetIntervalTime(unsigned char i, unsigned short t) { return Forward<Op::SetIntervalTime>([&](CQFrameControl& d) { return d.SetIntervalTime(i, t); }); }
ZanResult CZanLCosCtrl::fGetIntervalTime(unsigned char i, unsigned short* t) { return t ? Forward<Op::GetIntervalTime>([&](CQFrameControl& d) { return d.GetIntervalTime(i, *t); }) : Forward<Op::GetIntervalTime>(kNullOutput); }
ZanResult CZanLCosCtrl::fSetChannel(unsigned char ch, unsigned char v) { return Forward<Op::SetChannel>([&](auto& d) { return d.SetChannel(ch, v); }); }
ZanResult CZanLCosCtrl::fGetChannel(unsigned char ch, unsigned char* v) { return v ? Forward<Op::GetChannel>(Overloaded{[&](CQLampControl& d) { return d.GetChannel(ch, v); }, [&](auto& d) { return d.GetChannel(ch, *v); }}) : Forward<Op::GetChannel>(kNullOutput); }
ZanResult CZanLCosCtrl::fSetFilterPos(unsigned char ch, unsigned short p) { return Forward<Op::SetFilterPos>(Overloaded{[&](CQLampControl& d) { return d.SetFilterPos(ch, p); }, [&](CQLampControl2& d) { return d.SetColorWheelPos(ch, p); }}); }
ZanResult CZanLCosCtrl::fGetFilterPos(unsigned char ch, unsigned short* p) { return p ? Forward<Op::GetFilterPos>(Overloaded{[&](CQLampControl& d) { return d.GetFilterPos(ch, p); }, [&](CQLampControl2& d) { return d.GetColorWheelPos(ch, *p); }}) : Forward<Op::GetFilterPos>(kNullOutput); }
ZanResult CZanLCosCtrl::fLightControl(unsigned char a, unsigned char b) { return Forward<Op::LightControl>(Overloaded{[&](CQLampControl2& d) { return d.LightControl(a, b); }, [&](auto& d) { return d.LEDControl(a, b); }}); }
ZanResult CZanLCosCtrl::fGetRefreshProgress(unsigned char& a, unsigned char& b) { return Forward<Op::GetRefreshProgress>([&](auto& d) { return d.GetRefreshProgress(a, b); }); }
ZanResult CZanLCosCtrl::fPoll(unsigned char& s, unsigned char& p) { return Forward<Op::Poll>([&](CQFrameControl& d) { return d.Poll(s, p); }); }
// The index checks come after the capability table's: a model without the operation answers
// ZAN_LCOS_UNSUPPORTED whatever the index. The LCD's colour wheel has actions 1..3 only.
ZanResult CZanLCosCtrl::fGetSerialCode(unsigned char i, unsigned short* text) { return Forward<Op::GetSerialCode>([&](CQFrameControl& d) { return i < 1 || i > 3 || !text ? kBadIndex : d.GetSerialCode(i, text); }); }
ZanResult CZanLCosCtrl::fGetImagePos(unsigned char i, unsigned short& v) { return Forward<Op::GetImagePos>([&](auto& d) { return i < 1 || i > 2 ? kBadIndex : d.GetImageAdjust(i, v); }); }
ZanResult CZanLCosCtrl::fSetImagePos(unsigned char i, unsigned short v) { return Forward<Op::SetImagePos>([&](auto& d) { return i < 1 || i > 2 ? kBadIndex : d.SetImageAdjust(i, v); }); }
ZanResult CZanLCosCtrl::fColorWheelControl(unsigned char a, unsigned char b) { return Forward<Op::ColorWheelControl>(Overloaded{[&](CQLampControl2& d) { return d.ColorWheelControl(a, b); }, [&](CQLCDControl& d) { return a < 1 || a > 3 ? kUnsupported : d.ColorWheelControl(a); }}); }
// clang-format on
