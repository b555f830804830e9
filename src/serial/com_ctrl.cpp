// The port control: opening, the receive thread, the receive pool and the response wait.
#include "qlcos/serial.h"
#include "platform/win32.h"
#include "serial/com_trace.h"
#include "serial/serial_backend.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

// Everything the receive thread shares with the caller's thread, under one mutex.
struct ZanComPort {
    std::unique_ptr<qlcos::serial::SerialBackend> Backend;
    std::thread Receiver;

    mutable std::mutex Mutex;
    std::condition_variable Changed; // pool grew, a frame ended, or the line failed
    std::unique_ptr<unsigned char[]> Pool;
    uint32_t PoolSize = 0;
    uint32_t Count = 0;
    // Bumped by ClearPool: bytes read under an older generation are stale and dropped.
    uint64_t Generation = 0;
    bool ResponseEnded = false; // a frame end arrived, or the pool filled up
    bool WaitPending = false;
    bool LineFailed = false;
    bool Cancelled = false; // Cancel: every wait ends at once until ClearCancel
    Clock::time_point Deadline;
    std::vector<CZanProtocol*> Protocols;

    bool WaitResponse = false;
    uint32_t WaitTimeoutMs = 500;
    HANDLE FrameEvent = nullptr;
};

namespace {

// Time the line needs for `bytes` bytes at `baud`, 10 bits a byte, rounded up.
uint32_t LineTimeMs(int bytes, int baud)
{
    const int64_t rate = baud > 0 ? baud : 9600;
    return static_cast<uint32_t>((static_cast<int64_t>(bytes) * 10 * 1000 + rate - 1) / rate);
}

// Writing may take the line time and a second's margin.
uint32_t WriteTimeoutMs(int bytes, int baud) { return LineTimeMs(bytes, baud) + 1000u; }

} // namespace

CZanComCtrl::CZanComCtrl() : m_Property{1, -1, 9600, 8, 0, 0}, m_Port(new ZanComPort)
{
    m_Port->FrameEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

CZanComCtrl::~CZanComCtrl()
{
    ClosePort();
    if (m_Port->FrameEvent) CloseHandle(m_Port->FrameEvent);
}

bool CZanComCtrl::IsOpen() const { return m_Port->Backend != nullptr; }

ZanResult CZanComCtrl::OpenPort(const tagZANSerialPortProperty& property)
{
    if (IsOpen()) return ZAN_COM_ERR_ALREADY_OPEN;
    std::unique_ptr<qlcos::serial::SerialBackend> backend = qlcos::serial::CreateSerialBackend();
    const ZanResult opened = backend->Open(property);
    if (opened != ZAN_COM_OK) return opened;
    m_Property = property;
    {
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        m_Port->Count = 0;
        ++m_Port->Generation;
        m_Port->ResponseEnded = false;
        m_Port->WaitPending = false;
        m_Port->LineFailed = false;
    }
    m_Port->Backend = std::move(backend);
    try {
        m_Port->Receiver = std::thread([this] { ReceiveLoop(); });
    } catch (...) {
        m_Port->Backend->Close();
        m_Port->Backend.reset();
        return ZAN_COM_ERR_RESOURCE;
    }
    return ZAN_COM_OK;
}

void CZanComCtrl::ClosePort()
{
    if (!m_Port->Backend) return;
    m_Port->Backend->Interrupt();
    if (m_Port->Receiver.joinable()) m_Port->Receiver.join();
    m_Port->Backend->Close();
    m_Port->Backend.reset();
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    m_Port->Count = 0;
    m_Port->WaitPending = false;
    m_Port->Changed.notify_all();
}

void CZanComCtrl::ReceiveLoop()
{
    ZanComPort& port = *m_Port;
    unsigned char chunk[4096];
    for (;;) {
        const int ready = port.Backend->WaitForInput();
        if (ready == 0) return; // ClosePort interrupted the wait
        uint64_t generation;
        {
            std::lock_guard<std::mutex> lock(port.Mutex);
            generation = port.Generation;
        }
        const int n = ready > 0 ? port.Backend->ReadAvailable(chunk, sizeof chunk) : -1;
        if (n < 0) {
            // Hung up or failed: tell the device, then end any wait and stop reading (a
            // hung-up descriptor stays readable, so reading on would spin). A caller whose
            // wait ends this way finds OnErr already done.
            qlcos::serial::TraceNote(port.Backend->Name(), "line failed");
            DeliverLineError();
            {
                std::lock_guard<std::mutex> lock(port.Mutex);
                port.LineFailed = true;
                port.Changed.notify_all();
            }
            SetEvent(port.FrameEvent);
            return;
        }
        if (n == 0) continue;
        {
            std::lock_guard<std::mutex> lock(port.Mutex);
            if (generation == port.Generation) {
                const uint32_t room = port.PoolSize - port.Count;
                const uint32_t taken = std::min<uint32_t>(room, static_cast<uint32_t>(n));
                if (taken > 0) {
                    std::memcpy(port.Pool.get() + port.Count, chunk, taken);
                    port.Count += taken;
                    // Only bytes that made it into the pool may end a wait: a frame end
                    // that fell off a full pool could never be cut from it.
                    bool frameEnded = false;
                    for (CZanProtocol* protocol : port.Protocols) {
                        if (protocol->IsFrame(chunk, static_cast<int>(taken))) {
                            frameEnded = true;
                            break;
                        }
                    }
                    // A full pool can take no frame end any more: waiting on is useless.
                    if (frameEnded || port.Count == port.PoolSize) port.ResponseEnded = true;
                    // Signalled under the lock, so that a ClearPool or Send that follows
                    // the woken caller resets it after this, never before.
                    if (frameEnded) SetEvent(port.FrameEvent);
                    port.Changed.notify_all();
                }
            }
        }
        DeliverChunk(chunk, n);
    }
}

ZanResult CZanComCtrl::AllocPool(uint32_t bytes)
{
    std::unique_ptr<unsigned char[]> pool(new (std::nothrow) unsigned char[bytes ? bytes : 1]);
    if (!pool) return ZAN_COM_ERR_RESOURCE;
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    m_Port->Pool = std::move(pool);
    m_Port->PoolSize = bytes;
    m_Port->Count = 0;
    ++m_Port->Generation;
    return ZAN_COM_OK;
}

uint32_t CZanComCtrl::GetPoolSize() const
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    return m_Port->PoolSize;
}

ZanResult CZanComCtrl::AppendProtocol(CZanProtocol* protocol)
{
    if (!protocol) return ZAN_COM_ERR_ARGUMENT;
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    auto& list = m_Port->Protocols;
    if (std::find(list.begin(), list.end(), protocol) == list.end()) list.push_back(protocol);
    return ZAN_COM_OK;
}

ZanResult CZanComCtrl::RemoveProtocol(uint32_t identifier)
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    auto& list = m_Port->Protocols;
    const auto before = list.size();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](CZanProtocol* p) { return p->GetIdentifier() == identifier; }),
               list.end());
    return list.size() != before ? ZAN_COM_OK : ZAN_COM_ERR_ARGUMENT;
}

void CZanComCtrl::SetWaitResponse(int on)
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    m_Port->WaitResponse = on != 0;
    if (!m_Port->WaitResponse) m_Port->WaitPending = false;
}

void CZanComCtrl::SetWaitTimeOut(uint32_t milliseconds)
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    m_Port->WaitTimeoutMs = milliseconds;
}

int CZanComCtrl::IsWaitResponse() const
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    return m_Port->WaitResponse ? 1 : 0;
}

HANDLE CZanComCtrl::GetWaitResponseEventHandle() const { return m_Port->FrameEvent; }

void CZanComCtrl::ClearPool()
{
    // First what the system holds, then what the receive thread holds: any chunk it read
    // before the generation changes is dropped when it comes to append it.
    if (m_Port->Backend) m_Port->Backend->FlushInput();
    {
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        m_Port->Count = 0;
        ++m_Port->Generation;
        m_Port->ResponseEnded = false;
    }
    ResetEvent(m_Port->FrameEvent);
}

ZanResult CZanComCtrl::Transmit(const unsigned char* bytes, int length)
{
    if (!m_Port->Backend) return ZAN_COM_ERR_NOT_OPEN;
    if (!bytes || length <= 0) return ZAN_COM_ERR_ARGUMENT;
    {
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        if (m_Port->LineFailed) return ZAN_COM_ERR_LINE_CLOSED;
        // A frame end seen before this command went out belongs to an earlier one.
        m_Port->ResponseEnded = false;
        m_Port->WaitPending = m_Port->WaitResponse;
        // The reply cannot begin before the frame is out: the time-out counts from then.
        m_Port->Deadline = Clock::now() + std::chrono::milliseconds(m_Port->WaitTimeoutMs) +
                           std::chrono::milliseconds(LineTimeMs(length, m_Property.BaudRate));
    }
    ResetEvent(m_Port->FrameEvent);
    const ZanResult written =
        m_Port->Backend->Write(bytes, length, WriteTimeoutMs(length, m_Property.BaudRate));
    if (written != ZAN_COM_OK) {
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        m_Port->WaitPending = false;
    }
    return written;
}

int CZanComCtrl::GetPoolData(unsigned char* buffer, int max)
{
    std::unique_lock<std::mutex> lock(m_Port->Mutex);
    ZanComPort& port = *m_Port;
    if (port.WaitPending) {
        port.Changed.wait_until(lock, port.Deadline, [&] {
            return port.ResponseEnded || port.LineFailed || port.Cancelled;
        });
        port.WaitPending = false;
    }
    if (!buffer) return 0;
    uint32_t n = port.Count;
    if (max > 0) n = std::min<uint32_t>(n, static_cast<uint32_t>(max));
    std::memcpy(buffer, port.Pool.get(), n);
    return static_cast<int>(n);
}

int CZanComCtrl::WaitForPoolData(int count, uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_Port->Mutex);
    ZanComPort& port = *m_Port;
    const uint32_t wanted = count > 0 ? static_cast<uint32_t>(count) : 0u;
    port.Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return port.Count >= wanted || port.Count >= port.PoolSize || port.LineFailed ||
               port.Cancelled || !port.Backend;
    });
    return static_cast<int>(port.Count);
}

void CZanComCtrl::Cancel()
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    m_Port->Cancelled = true;
    m_Port->Changed.notify_all();
}

void CZanComCtrl::ClearCancel()
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    m_Port->Cancelled = false;
}

bool CZanComCtrl::IsCancelled() const
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    return m_Port->Cancelled;
}

bool CZanComCtrl::Pause(uint32_t milliseconds)
{
    std::unique_lock<std::mutex> lock(m_Port->Mutex);
    ZanComPort& port = *m_Port;
    return !port.Changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                  [&] { return port.Cancelled; });
}

int CZanComCtrl::TakeFrame(unsigned char* buffer, int max)
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    ZanComPort& port = *m_Port;
    unsigned char* pool = port.Pool.get();
    for (uint32_t i = 0; i < port.Count; ++i) {
        bool frameEnd = false;
        for (CZanProtocol* protocol : port.Protocols) {
            if (protocol->IsFrame(pool + i, 1)) {
                frameEnd = true;
                break;
            }
        }
        if (!frameEnd) continue;
        const uint32_t length = i + 1;
        const uint32_t copied =
            buffer && max > 0 ? std::min<uint32_t>(length, static_cast<uint32_t>(max)) : 0u;
        if (copied > 0) std::memcpy(buffer, pool, copied);
        std::memmove(pool, pool + length, port.Count - length);
        port.Count -= length;
        return static_cast<int>(copied);
    }
    if (port.Count == port.PoolSize) port.Count = 0;
    return 0;
}

ZanResult CZanComCtrl::ChangeComProperty(const tagZANSerialPortProperty* property)
{
    if (!property) return ZAN_COM_ERR_ARGUMENT;
    if (!m_Port->Backend) return ZAN_COM_ERR_NOT_OPEN;
    const ZanResult configured = m_Port->Backend->Configure(*property);
    if (configured == ZAN_COM_OK && property != &m_Property) m_Property = *property;
    return configured;
}

ZanResult CZanComCtrl::LineState() const
{
    if (!m_Port->Backend) return ZAN_COM_ERR_NOT_OPEN;
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    return m_Port->LineFailed ? ZAN_COM_ERR_LINE_CLOSED : ZAN_COM_OK;
}

void CZanComCtrl::DeliverChunk(const unsigned char*, int) {}

void CZanComCtrl::DeliverLineError() {}
