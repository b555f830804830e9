// The virtual device base and its busy guard.
#include "qlcos/virtual_device.h"
#include "platform/text_utf.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

struct ZanWorkUnit {
    std::mutex Mutex;
    std::condition_variable Released;
    std::thread::id Holder;
    unsigned Depth = 0;

    // Takes the unit for the calling thread when it is free or already the caller's.
    bool TryTake()
    {
        const auto me = std::this_thread::get_id();
        if (Depth > 0 && Holder != me) return false;
        Holder = me;
        ++Depth;
        return true;
    }
};

struct ZanFailureNote {
    std::mutex Mutex;
    std::atomic<bool> Held{false}; // a failure is kept: lets a success skip the lock
    ZanResult Result = 0;
    std::string Text;
};

CZanVirtualDevice::CZanVirtualDevice()
    : m_szDescription{},
      m_Property{},
      m_Status{},
      m_Work(new ZanWorkUnit),
      m_Failure(new ZanFailureNote)
{}

CZanVirtualDevice::~CZanVirtualDevice() = default;

ZanResult CZanVirtualDevice::Create(HWND window, tagZanVirtualDeviceProperty* property)
{
    if (!property) return 1;
    m_hWnd = window;
    m_Property = *property;
    m_Status = tagZanVirtualDeviceStatus{};
    return 0;
}

void CZanVirtualDevice::SetDescription(const ZanWChar* text)
{
    const size_t capacity = sizeof m_szDescription / sizeof m_szDescription[0];
    size_t i = 0;
    for (; text && i + 1 < capacity && text[i]; ++i) m_szDescription[i] = text[i];
    for (; i < capacity; ++i) m_szDescription[i] = 0;
}

ZanResult CZanVirtualDevice::Initialize() { return 0; }
ZanResult CZanVirtualDevice::Destroy() { return 0; }
ZanResult CZanVirtualDevice::CheckLine(void*) { return 0; }
ZanResult CZanVirtualDevice::Resume() { return 0; }
ZanResult CZanVirtualDevice::Break(int) { return 0; }

ZanResult CZanVirtualDevice::GetStatus(tagZanVirtualDeviceStatus* status)
{
    if (!status) return 1;
    *status = m_Status;
    return 0;
}

void CZanVirtualDevice::NoteFailure(ZanResult result, const char* text)
{
    std::lock_guard<std::mutex> lock(m_Failure->Mutex);
    m_Failure->Result = result;
    m_Failure->Text = text ? text : zanResultText(result);
    m_Failure->Held = true;
}

void CZanVirtualDevice::NoteResult(ZanResult result)
{
    if (zanFailed(result)) {
        NoteFailure(result);
    } else if (m_Failure->Held.load(std::memory_order_relaxed)) {
        std::lock_guard<std::mutex> lock(m_Failure->Mutex);
        m_Failure->Held = false;
        m_Failure->Text.clear();
    }
}

ZanResult CZanVirtualDevice::GetStatusDescription(tagZanVirtualDeviceStatusDescription* description,
                                                  tagZanVirtualDeviceStatus* status)
{
    if (!description) return 1;
    std::string text;
    {
        std::lock_guard<std::mutex> lock(m_Failure->Mutex);
        const tagZanVirtualDeviceStatus& s = status ? *status : m_Status;
        if (m_Failure->Held && (!status || (s.Fault && s.FaultCode == m_Failure->Result)))
            text = m_Failure->Text;
        else if (!s.Fault)
            text = "in order";
        else
            text = std::string("fault: ") + zanResultText(s.FaultCode);
    }
    std::memset(description, 0, sizeof *description);
    const ZanString wide = qlcos::unicode::FromUtf8(text);
    const size_t capacity = sizeof description->Text / sizeof description->Text[0] - 1;
    size_t n = wide.size() < capacity ? wide.size() : capacity;
    // A surrogate pair is not cut in half.
    if (n < wide.size() && n > 0 && wide[n - 1] >= 0xD800 && wide[n - 1] <= 0xDBFF) --n;
    std::copy(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(n), description->Text);
    return 0;
}

ZanResult CZanVirtualDevice::ProcessMessage(HWND, unsigned int, unsigned int, long) { return 0; }
ZanResult CZanVirtualDevice::ProcessMessage(MSG*) { return 0; }
int CZanVirtualDevice::ShowControl(int) { return 0; }
int CZanVirtualDevice::IsShowControl() { return 0; }
int CZanVirtualDevice::CanService(void*) { return 0; }

ZanResult CZanVirtualDevice::SetConfig(CZanConfig* config)
{
    m_pConfig = config;
    return 0;
}

ZanResult CZanVirtualDevice::SetDbgLog(CZANDebugLog* log)
{
    m_pDbgLog = log;
    return 0;
}

void CZanVirtualDevice::SetConsole(CZanConsole* console) { m_pConsole = console; }

int CZanVirtualDevice::CanIWork()
{
    std::lock_guard<std::mutex> lock(m_Work->Mutex);
    return m_Work->Depth == 0 || m_Work->Holder == std::this_thread::get_id() ? 1 : 0;
}

int CZanVirtualDevice::WaitForWork(uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_Work->Mutex);
    const auto me = std::this_thread::get_id();
    if (!m_Work->Released.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return m_Work->Depth == 0 || m_Work->Holder == me; }))
        return 0;
    return m_Work->TryTake() ? 1 : 0;
}

void CZanVirtualDevice::WorkFinish()
{
    std::lock_guard<std::mutex> lock(m_Work->Mutex);
    if (m_Work->Depth == 0 || m_Work->Holder != std::this_thread::get_id()) return;
    if (--m_Work->Depth == 0) {
        m_Work->Holder = std::thread::id();
        m_Work->Released.notify_all();
    }
}

int CZanVirtualDevice::IsBusy(unsigned short)
{
    // Every request of a device goes over one line, so any request in progress makes the
    // device busy for all others, whatever bits they would set.
    std::lock_guard<std::mutex> lock(m_Work->Mutex);
    return m_Work->TryTake() ? 0 : 1;
}

int CZanVirtualDevice::CheckBusy(unsigned short mask)
{
    return (m_dwBusy.load() & mask) != 0 ? 1 : 0;
}

ZanResult CZanVirtualDevice::CheckErrorLevel(uint32_t result) { return zanFailed(result) ? 1 : 0; }
