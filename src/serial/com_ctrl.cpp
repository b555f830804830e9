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
    std::unique_ptr<qlcos::serial::SerialBackend> backend;
    std::thread receiver;

    mutable std::mutex mutex;
    std::condition_variable changed; // pool grew, a frame ended, or the line failed
    std::unique_ptr<unsigned char[]> pool;
    uint32_t poolSize = 0;
    uint32_t count = 0;
    // Bumped by ClearPool: bytes read under an older generation are stale and dropped.
    uint64_t generation = 0;
    bool responseEnded = false; // a frame end arrived, or the pool filled up
    bool waitPending = false;
    bool lineFailed = false;
    Clock::time_point deadline;
    std::vector<CZanProtocol*> protocols;

    bool waitResponse = false;
    uint32_t waitTimeoutMs = 500;
    HANDLE frameEvent = nullptr;
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
    m_Port->frameEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

CZanComCtrl::~CZanComCtrl()
{
    ClosePort();
    if (m_Port->frameEvent) CloseHandle(m_Port->frameEvent);
}

bool CZanComCtrl::IsOpen() const { return m_Port->backend != nullptr; }

ZanResult CZanComCtrl::OpenPort(const tagZANSerialPortProperty& property)
{
    if (IsOpen()) return ZAN_COM_ERR_ALREADY_OPEN;
    std::unique_ptr<qlcos::serial::SerialBackend> backend = qlcos::serial::CreateSerialBackend();
    const ZanResult opened = backend->Open(property);
    if (opened != ZAN_COM_OK) return opened;
    m_Property = property;
    {
        std::lock_guard<std::mutex> lock(m_Port->mutex);
        m_Port->count = 0;
        ++m_Port->generation;
        m_Port->responseEnded = false;
        m_Port->waitPending = false;
        m_Port->lineFailed = false;
    }
    m_Port->backend = std::move(backend);
    try {
        m_Port->receiver = std::thread([this] { ReceiveLoop(); });
    } catch (...) {
        m_Port->backend->Close();
        m_Port->backend.reset();
        return ZAN_COM_ERR_RESOURCE;
    }
    return ZAN_COM_OK;
}

void CZanComCtrl::ClosePort()
{
    if (!m_Port->backend) return;
    m_Port->backend->Interrupt();
    if (m_Port->receiver.joinable()) m_Port->receiver.join();
    m_Port->backend->Close();
    m_Port->backend.reset();
    std::lock_guard<std::mutex> lock(m_Port->mutex);
    m_Port->count = 0;
    m_Port->waitPending = false;
    m_Port->changed.notify_all();
}

void CZanComCtrl::ReceiveLoop()
{
    ZanComPort& port = *m_Port;
    unsigned char chunk[4096];
    for (;;) {
        const int ready = port.backend->WaitForInput();
        if (ready == 0) return; // ClosePort interrupted the wait
        uint64_t generation;
        {
            std::lock_guard<std::mutex> lock(port.mutex);
            generation = port.generation;
        }
        const int n = ready > 0 ? port.backend->ReadAvailable(chunk, sizeof chunk) : -1;
        if (n < 0) {
            // Hung up or failed: tell the device, then end any wait and stop reading (a
            // hung-up descriptor stays readable, so reading on would spin). A caller whose
            // wait ends this way finds OnErr already done.
            qlcos::serial::TraceNote(port.backend->Name(), "line failed");
            DeliverLineError();
            {
                std::lock_guard<std::mutex> lock(port.mutex);
                port.lineFailed = true;
                port.changed.notify_all();
            }
            SetEvent(port.frameEvent);
            return;
        }
        if (n == 0) continue;
        bool frameEnded = false;
        {
            std::lock_guard<std::mutex> lock(port.mutex);
            if (generation == port.generation) {
                const uint32_t room = port.poolSize - port.count;
                const uint32_t taken = std::min<uint32_t>(room, static_cast<uint32_t>(n));
                if (taken > 0) {
                    std::memcpy(port.pool.get() + port.count, chunk, taken);
                    port.count += taken;
                    // Only bytes that made it into the pool may end a wait: a frame end
                    // that fell off a full pool could never be cut from it.
                    for (CZanProtocol* protocol : port.protocols) {
                        if (protocol->IsFrame(chunk, static_cast<int>(taken))) {
                            frameEnded = true;
                            break;
                        }
                    }
                    // A full pool can take no frame end any more: waiting on is useless.
                    if (frameEnded || port.count == port.poolSize) port.responseEnded = true;
                    port.changed.notify_all();
                }
            }
        }
        if (frameEnded) SetEvent(port.frameEvent);
        DeliverChunk(chunk, n);
    }
}

ZanResult CZanComCtrl::AllocPool(uint32_t bytes)
{
    std::unique_ptr<unsigned char[]> pool(new (std::nothrow) unsigned char[bytes ? bytes : 1]);
    if (!pool) return ZAN_COM_ERR_RESOURCE;
    std::lock_guard<std::mutex> lock(m_Port->mutex);
    m_Port->pool = std::move(pool);
    m_Port->poolSize = bytes;
    m_Port->count = 0;
    ++m_Port->generation;
    return ZAN_COM_OK;
}

uint32_t CZanComCtrl::GetPoolSize() const
{
    std::lock_guard<std::mutex> lock(m_Port->mutex);
    return m_Port->poolSize;
}

ZanResult CZanComCtrl::AppendProtocol(CZanProtocol* protocol)
{
    if (!protocol) return ZAN_COM_ERR_ARGUMENT;
    std::lock_guard<std::mutex> lock(m_Port->mutex);
    auto& list = m_Port->protocols;
    if (std::find(list.begin(), list.end(), protocol) == list.end()) list.push_back(protocol);
    return ZAN_COM_OK;
}

ZanResult CZanComCtrl::RemoveProtocol(uint32_t identifier)
{
    std::lock_guard<std::mutex> lock(m_Port->mutex);
    auto& list = m_Port->protocols;
    const auto before = list.size();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](CZanProtocol* p) { return p->GetIdentifier() == identifier; }),
               list.end());
    return list.size() != before ? ZAN_COM_OK : ZAN_COM_ERR_ARGUMENT;
}

void CZanComCtrl::SetWaitResponse(int on)
{
    std::lock_guard<std::mutex> lock(m_Port->mutex);
    m_Port->waitResponse = on != 0;
    if (!m_Port->waitResponse) m_Port->waitPending = false;
}

void CZanComCtrl::SetWaitTimeOut(uint32_t milliseconds)
{
    std::lock_guard<std::mutex> lock(m_Port->mutex);
    m_Port->waitTimeoutMs = milliseconds;
}

int CZanComCtrl::IsWaitResponse() const
{
    std::lock_guard<std::mutex> lock(m_Port->mutex);
    return m_Port->waitResponse ? 1 : 0;
}

HANDLE CZanComCtrl::GetWaitResponseEventHandle() const { return m_Port->frameEvent; }

void CZanComCtrl::ClearPool()
{
    // First what the system holds, then what the receive thread holds: any chunk it read
    // before the generation changes is dropped when it comes to append it.
    if (m_Port->backend) m_Port->backend->FlushInput();
    {
        std::lock_guard<std::mutex> lock(m_Port->mutex);
        m_Port->count = 0;
        ++m_Port->generation;
        m_Port->responseEnded = false;
    }
    ResetEvent(m_Port->frameEvent);
}

ZanResult CZanComCtrl::Transmit(const unsigned char* bytes, int length)
{
    if (!m_Port->backend) return ZAN_COM_ERR_NOT_OPEN;
    if (!bytes || length <= 0) return ZAN_COM_ERR_ARGUMENT;
    {
        std::lock_guard<std::mutex> lock(m_Port->mutex);
        if (m_Port->lineFailed) return ZAN_COM_ERR_LINE_CLOSED;
        // A frame end seen before this command went out belongs to an earlier one.
        m_Port->responseEnded = false;
        m_Port->waitPending = m_Port->waitResponse;
        // The reply cannot begin before the frame is out: the time-out counts from then.
        m_Port->deadline = Clock::now() + std::chrono::milliseconds(m_Port->waitTimeoutMs) +
                           std::chrono::milliseconds(LineTimeMs(length, m_Property.BaudRate));
    }
    ResetEvent(m_Port->frameEvent);
    const ZanResult written =
        m_Port->backend->Write(bytes, length, WriteTimeoutMs(length, m_Property.BaudRate));
    if (written != ZAN_COM_OK) {
        std::lock_guard<std::mutex> lock(m_Port->mutex);
        m_Port->waitPending = false;
    }
    return written;
}

int CZanComCtrl::GetPoolData(unsigned char* buffer, int max)
{
    std::unique_lock<std::mutex> lock(m_Port->mutex);
    ZanComPort& port = *m_Port;
    if (port.waitPending) {
        port.changed.wait_until(lock, port.deadline,
                                [&] { return port.responseEnded || port.lineFailed; });
        port.waitPending = false;
    }
    if (!buffer) return 0;
    uint32_t n = port.count;
    if (max > 0) n = std::min<uint32_t>(n, static_cast<uint32_t>(max));
    std::memcpy(buffer, port.pool.get(), n);
    return static_cast<int>(n);
}

int CZanComCtrl::WaitForPoolData(int count, uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_Port->mutex);
    ZanComPort& port = *m_Port;
    const uint32_t wanted = count > 0 ? static_cast<uint32_t>(count) : 0u;
    port.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return port.count >= wanted || port.count >= port.poolSize || port.lineFailed ||
               !port.backend;
    });
    return static_cast<int>(port.count);
}

ZanResult CZanComCtrl::ChangeComProperty(const tagZANSerialPortProperty* property)
{
    if (!property) return ZAN_COM_ERR_ARGUMENT;
    if (!m_Port->backend) return ZAN_COM_ERR_NOT_OPEN;
    const ZanResult configured = m_Port->backend->Configure(*property);
    if (configured == ZAN_COM_OK && property != &m_Property) m_Property = *property;
    return configured;
}

ZanResult CZanComCtrl::LineState() const
{
    if (!m_Port->backend) return ZAN_COM_ERR_NOT_OPEN;
    std::lock_guard<std::mutex> lock(m_Port->mutex);
    return m_Port->lineFailed ? ZAN_COM_ERR_LINE_CLOSED : ZAN_COM_OK;
}

void CZanComCtrl::DeliverChunk(const unsigned char*, int) {}

void CZanComCtrl::DeliverLineError() {}
