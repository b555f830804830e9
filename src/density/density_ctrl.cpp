// The density device: creates the instrument of the configured type, hands out its
// readings, and runs the wait loop that collects them in the caller's thread or its own.
#include "qlcos/density/density_ctrl.h"
#include "qlcos/density/color_mouse.h"
#include "qlcos/density/xrite2xx.h"
#include "qlcos/density/xrite5xx.h"
#include "qlcos/host.h"
#include "platform/win32.h"
#include "serial/com_trace.h"
#include "serial/time_scale.h"

#include <chrono>
#include <cstdio>
#include <new>
#include <string>

namespace {

constexpr unsigned short kAnyWork = 0x7FFF;
constexpr unsigned short kAnyWorkOrLoop = 0xFFFF;
constexpr uint32_t kForegroundBit = 0x2;
constexpr uint32_t kWaitLoopBit = 0x4;

void SetStatus(tagZanVirtualDeviceStatus* status, uint32_t fault, ZanResult code)
{
    if (!status) return;
    status->Fault = fault;
    status->FaultCode = code;
}

} // namespace

// The thread routine CreateThread takes, in the calling convention it expects.
struct ZanDensityWaitThread {
#if defined(_WIN32)
    static DWORD WINAPI Run(void* startBlock)
    {
        return CZanDensityCtrl::tWaitDensityInfo(startBlock);
    }
#else
    static DWORD Run(void* startBlock) { return CZanDensityCtrl::tWaitDensityInfo(startBlock); }
#endif
};

CZanDensityCtrl::CZanDensityCtrl() = default;

CZanDensityCtrl::~CZanDensityCtrl()
{
    StopWaitThread();
    Destroy();
}

ZanResult CZanDensityCtrl::Create(HWND window, tagZanVirtualDeviceProperty* property)
{
    std::lock_guard<std::recursive_mutex> lock(m_InstrumentLock);
    if (!property) return CreateFailed("no property record");
    if (m_pInstrument) {
        NoteFailure(ZAN_DENSITY_ALREADY_CREATED);
        return ZAN_DENSITY_ALREADY_CREATED;
    }
    m_hWnd = window;
    if (property->Port.Second != -1)
        return CreateFailed("the property's second word is not 0xFFFFFFFF");
    if (CZanVirtualDevice::Create(window, property) != 0)
        return CreateFailed("the property was refused");

    const int port = property->Port.Port;
    const int second = property->Port.Second;
    CZanComDevice* instrument = nullptr;
    ZanResult created = ZAN_DENSITY_CREATE_FAILED;
    bool identified = false;
    const ZanWChar* description = nullptr;
    const char* name = nullptr;
    switch (property->DeviceType) {
    case ZAN_DEVTYPE_XRITE5XX: {
        auto* xrite = new (std::nothrow) CXRite5xx;
        instrument = xrite;
        if (xrite) created = xrite->Create(port, second);
        identified = xrite && zanSucceeded(created) && xrite->IsXRite5xx();
        description = ZT("XRite5XX");
        name = "X-Rite 5xx";
        break;
    }
    case ZAN_DEVTYPE_COLOR_MOUSE: {
        auto* mouse = new (std::nothrow) CColorMouse;
        instrument = mouse;
        if (mouse) created = mouse->Create(port, second);
        identified = mouse && zanSucceeded(created);
        description = ZT("ColorMouse");
        name = "colour mouse";
        break;
    }
    case ZAN_DEVTYPE_XRITE2XX: {
        auto* xrite = new (std::nothrow) CXRite2xx;
        instrument = xrite;
        if (xrite) created = xrite->Create(port, second);
        identified = xrite && zanSucceeded(created) && xrite->IsXRite2xx();
        if (identified) xrite->OnInitCtrl();
        description = ZT("XRite2XX");
        name = "X-Rite 2xx";
        break;
    }
    default: {
        char why[48];
        std::snprintf(why, sizeof why, "unknown device type 0x%X",
                      static_cast<unsigned>(property->DeviceType));
        return CreateFailed(why);
    }
    }
    if (!identified) {
        std::string why = "out of memory";
        if (instrument) {
            const tagZanOpenFailure open = instrument->GetLastOpenFailure();
            if (zanFailed(created))
                why = open.Result != 0 ? open.Text : zanResultText(created);
            else
                why = std::string("no ") + name + " answered on " + open.Port;
        }
        delete instrument;
        return CreateFailed(why.c_str());
    }
    {
        std::lock_guard<std::mutex> cancelLock(m_CancelLock);
        m_pInstrument = instrument;
    }
    m_DeviceType = property->DeviceType;
    SetDescription(description);
    NoteResult(0);
    return 0;
}

ZanResult CZanDensityCtrl::CreateFailed(const char* why)
{
    const std::string text = std::string("Create failed: ") + why;
    qlcos::serial::TraceNote("density", text);
    NoteFailure(ZAN_DENSITY_CREATE_FAILED, text.c_str());
    return ZAN_DENSITY_CREATE_FAILED;
}

ZanResult CZanDensityCtrl::Destroy()
{
    // An exchange in progress ends first, so that waiting for it is short.
    CancelInstrument();
    std::lock_guard<std::recursive_mutex> lock(m_InstrumentLock);
    CZanComDevice* instrument;
    {
        std::lock_guard<std::mutex> cancelLock(m_CancelLock);
        instrument = m_pInstrument;
        m_pInstrument = nullptr;
    }
    if (instrument) {
        instrument->Destroy();
        delete instrument;
    }
    return 0;
}

bool CZanDensityCtrl::HasInstrument()
{
    std::lock_guard<std::mutex> lock(m_CancelLock);
    return m_pInstrument != nullptr;
}

void CZanDensityCtrl::CancelInstrument()
{
    std::lock_guard<std::mutex> lock(m_CancelLock);
    if (m_pInstrument) m_pInstrument->Cancel();
}

ZanResult CZanDensityCtrl::Resume() { return 0; }

ZanResult CZanDensityCtrl::GetDensityInfo(tagDensityInfo* reading)
{
    if (!reading) return ZAN_COM_ERR_ARGUMENT;
    if (IsBusy(kAnyWork)) return ZAN_DENSITY_BUSY;
    m_dwBusy |= kForegroundBit;
    ZanResult result;
    bool cached = false;
    {
        std::lock_guard<std::mutex> lock(m_CacheLock);
        // A channel at exactly 0.0 marks the cache empty (Visual is not looked at).
        if (m_Cache.Cyan != 0.0f && m_Cache.Magenta != 0.0f && m_Cache.Yellow != 0.0f) {
            *reading = m_Cache;
            m_Cache = tagDensityInfo{};
            cached = true;
        }
    }
    result = cached ? 0 : fGetDensityInfo(reading, 0);
    // No new reading is an answer, not a failure of the device.
    if (result != ZAN_DENSITY_NO_READING) NoteResult(result);
    m_dwBusy &= ~kForegroundBit;
    WorkFinish();
    return result;
}

ZanResult CZanDensityCtrl::fGetDensityInfo(tagDensityInfo* reading, int fromLoop)
{
    std::lock_guard<std::recursive_mutex> lock(m_InstrumentLock);
    if (!m_pInstrument) return ZAN_DENSITY_NO_INSTRUMENT;
    if (!fromLoop) m_pInstrument->ClearCancel(); // the loop clears it before its stop check
    switch (m_DeviceType) {
    case ZAN_DEVTYPE_XRITE5XX: {
        auto* xrite = static_cast<CXRite5xx*>(m_pInstrument);
        if (xrite->GetState() & 0x2) return xrite->SendCmdGetDensity(reading);
        break;
    }
    case ZAN_DEVTYPE_XRITE2XX: {
        auto* xrite = static_cast<CXRite2xx*>(m_pInstrument);
        if (xrite->GetState() & 0x2) return xrite->SendCmdGetDensity(reading);
        break;
    }
    case ZAN_DEVTYPE_COLOR_MOUSE: {
        auto* mouse = static_cast<CColorMouse*>(m_pInstrument);
        if (mouse->IsGetNewDensity() != 0) return mouse->SendCmdGetDensity(reading);
        break;
    }
    default: break;
    }
    return ZAN_DENSITY_NO_READING;
}

ZanResult CZanDensityCtrl::WaitDensityInfo(int inThread, uint32_t value, tagDensityInfo* reading)
{
    if (!HasInstrument()) return ZAN_DENSITY_NO_INSTRUMENT;
    std::unique_lock<std::mutex> lock(m_WaitLock);
    // A loop already started in a thread: wait until a Break stops it, then reap it.
    while (m_hWaitThread) {
        if (!m_LoopRunning)
            ReapWaitThread();
        else
            m_WaitChanged.wait(lock);
    }
    if (!inThread) {
        lock.unlock();
        return eWaitDensityInfo(0, value, reading);
    }
    m_WaitStart = WaitStart{this, value};
    m_LoopRunning = true;
    ++m_LoopGeneration;
    m_hWaitThread = CreateThread(nullptr, 0, ZanDensityWaitThread::Run, &m_WaitStart, 0, nullptr);
    if (!m_hWaitThread) {
        m_LoopRunning = false;
        return ZAN_DENSITY_NO_THREAD;
    }
    return 0;
}

DWORD CZanDensityCtrl::tWaitDensityInfo(void* startBlock)
{
    const WaitStart start = *static_cast<WaitStart*>(startBlock);
    CZanDensityCtrl& device = *start.Device;
    const ZanResult result = device.eWaitDensityInfo(1, start.Value, nullptr);
    std::lock_guard<std::mutex> lock(device.m_WaitLock);
    device.m_LoopRunning = false;
    device.m_WaitChanged.notify_all();
    return result;
}

ZanResult CZanDensityCtrl::eWaitDensityInfo(int post, uint32_t, tagDensityInfo* reading)
{
    m_dwBusy |= kWaitLoopBit;
    tagDensityInfo local{};
    ZanResult last = 0;
    for (;;) {
        if (m_StopFlag.load()) break;
        HWND window;
        {
            std::lock_guard<std::recursive_mutex> lock(m_InstrumentLock);
            // A Break from now on either is seen here or cancels the exchange below.
            if (m_pInstrument) m_pInstrument->ClearCancel();
            if (m_StopFlag.load()) break;
            last = fGetDensityInfo(&local, 1);
            window = m_hWnd;
        }
        if (zanSucceeded(last)) {
            {
                std::lock_guard<std::mutex> lock(m_CacheLock);
                m_Cache = local;
            }
            if (reading) *reading = local;
            if (post) {
                PostMessageW(window, m_uNotifyMessage, ZAN_DENSITY_NOTIFY_READING,
                             static_cast<LPARAM>(last));
                if (m_StopFlag.load()) {
                    last = 0;
                    break;
                }
            }
        }
        PauseUnlessStopped(kWaitPassMs);
    }
    m_dwBusy &= ~kWaitLoopBit;
    return last;
}

void CZanDensityCtrl::PauseUnlessStopped(uint32_t ms)
{
    std::unique_lock<std::mutex> lock(m_WaitLock);
    m_WaitChanged.wait_for(lock, std::chrono::milliseconds(qlcos::serial::ScaledWait(ms)),
                           [this] { return m_StopFlag.load() != 0; });
}

ZanResult CZanDensityCtrl::Break(int)
{
    if (!HasInstrument()) return ZAN_DENSITY_NO_INSTRUMENT;
    std::unique_lock<std::mutex> lock(m_WaitLock);
    m_StopFlag = 1;
    m_WaitChanged.notify_all();
    CancelInstrument();
    if (!m_hWaitThread) return 0; // the flag stays set for a loop in the foreground
    // Wait for the loop running now; another caller may reap it first and start the next.
    const uint64_t generation = m_LoopGeneration;
    m_WaitChanged.wait(lock, [&] { return !m_LoopRunning || m_LoopGeneration != generation; });
    if (m_hWaitThread && m_LoopGeneration == generation) ReapWaitThread();
    return 0;
}

void CZanDensityCtrl::StopWaitThread()
{
    std::unique_lock<std::mutex> lock(m_WaitLock);
    while (m_hWaitThread) {
        m_StopFlag = 1;
        m_WaitChanged.notify_all();
        if (!m_LoopRunning)
            ReapWaitThread();
        else
            m_WaitChanged.wait(lock);
    }
}

void CZanDensityCtrl::ReapWaitThread()
{
    // The loop has ended; the thread only has to return.
    WaitForSingleObject(m_hWaitThread, INFINITE);
    CloseHandle(m_hWaitThread);
    m_hWaitThread = nullptr;
    m_StopFlag = 0;
    m_WaitChanged.notify_all();
}

ZanResult CZanDensityCtrl::GetStatus(tagZanVirtualDeviceStatus* status)
{
    if (IsBusy(kAnyWork)) return ZAN_DENSITY_BUSY;
    m_dwBusy |= kForegroundBit;
    fGetStatus(status);
    m_dwBusy &= ~kForegroundBit;
    WorkFinish();
    return 0;
}

ZanResult CZanDensityCtrl::CheckLine(void* status)
{
    if (!HasInstrument()) return ZAN_DENSITY_NO_INSTRUMENT;
    if (IsBusy(kAnyWorkOrLoop)) return ZAN_DENSITY_BUSY;
    const ZanResult result = fGetStatus(static_cast<tagZanVirtualDeviceStatus*>(status));
    if (zanFailed(result)) NoteFailure(result);
    WorkFinish();
    return result;
}

int CZanDensityCtrl::CanService(void* status)
{
    tagZanVirtualDeviceStatus own{};
    return static_cast<int>(CheckLine(status ? status : &own));
}

ZanResult CZanDensityCtrl::fGetStatus(tagZanVirtualDeviceStatus* status)
{
    std::lock_guard<std::recursive_mutex> lock(m_InstrumentLock);
    if (!m_pInstrument) return ZAN_DENSITY_NO_INSTRUMENT;
    m_pInstrument->ClearCancel();
    ZanResult result = 0;
    if (m_DeviceType == ZAN_DEVTYPE_XRITE5XX &&
        !static_cast<CXRite5xx*>(m_pInstrument)->IsXRite5xx())
        result = ZAN_DENSITY_NO_ANSWER;
    const uint32_t fault = result ? 0xFFFFFFFFu : 0u;
    SetStatus(status, fault, result);
    SetStatus(&m_Status, fault, result);
    return result;
}

ZanResult CZanDensityCtrl::AdjustDensityCtrl(int mode)
{
    std::lock_guard<std::recursive_mutex> lock(m_InstrumentLock);
    if (!m_pInstrument) return ZAN_DENSITY_NO_INSTRUMENT;
    m_pInstrument->ClearCancel();
    ZanResult result;
    switch (m_DeviceType) {
    case ZAN_DEVTYPE_XRITE5XX:
        result = static_cast<CXRite5xx*>(m_pInstrument)->SendCmdWhiteCalibrate();
        break;
    case ZAN_DEVTYPE_XRITE2XX:
        result = static_cast<CXRite2xx*>(m_pInstrument)->SendCmdWhiteCalibrate();
        break;
    default: result = static_cast<CColorMouse*>(m_pInstrument)->SendCmdAdjust(mode); break;
    }
    NoteResult(result);
    return result;
}
