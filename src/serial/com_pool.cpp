// The port control's receive pool: protocols and wait settings, the response wait, taking
// frames out of the pool, and cancelling a wait from another thread.
#include "qlcos/serial.h"
#include "platform/win32.h"
#include "serial/com_port.h"
#include "serial/time_scale.h"

#include <algorithm>
#include <cstring>

using Clock = ZanComPort::Clock;

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

void CZanComCtrl::SetWaitTrailingBytes(uint32_t count, uint32_t milliseconds)
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    m_Port->TrailingBytes = count;
    m_Port->TrailingWaitMs = milliseconds;
}

int CZanComCtrl::IsWaitResponse() const
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    return m_Port->WaitResponse ? 1 : 0;
}

HANDLE CZanComCtrl::GetWaitResponseEventHandle() const { return m_Port->FrameEvent; }

void CZanComCtrl::ClearPool()
{
    std::lock_guard<std::mutex> line(m_Port->LineMutex);
    DropInput(false);
}

void CZanComCtrl::DropInput(bool always)
{
    // First what the system holds, then what the receive thread holds: any chunk it read
    // before the generation changes is dropped when it comes to append it, and no read can
    // fall between the two. A receive thread waiting for input has left the system nothing
    // to flush: the flush (a system call before every command) is needed only while it
    // is busy with what came.
    std::lock_guard<std::mutex> read(m_Port->ReadMutex);
    if (m_Port->Backend && (always || !m_Port->ReaderWaiting.load())) m_Port->Backend->FlushInput();
    {
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        m_Port->EmptyPool();
    }
    ResetEvent(m_Port->FrameEvent);
}

int CZanComCtrl::GetPoolData(unsigned char* buffer, int max)
{
    std::unique_lock<std::mutex> lock(m_Port->Mutex);
    ZanComPort& port = *m_Port;
    if (port.WaitPending) {
        port.AwaitBytes(lock, port.Deadline, [&] {
            return port.ResponseEnded || port.LineFailed || port.Cancelled || !port.Open;
        });
        port.WaitPending = false;
        // Ended by the time-out, a cancel or a full pool: the reply may still be coming.
        if (!port.FrameEnded && !port.LineFailed && port.Open) {
            port.ReplyMayFollow = true;
            port.WaitEndedAt = Clock::now();
        }
    }
    if (!buffer || max < 0) return 0;
    uint32_t n = port.Count;
    if (max > 0) n = std::min<uint32_t>(n, static_cast<uint32_t>(max));
    if (n > 0) std::memcpy(buffer, port.Pool.get(), n);
    return static_cast<int>(n);
}

int CZanComCtrl::WaitForPoolData(int count, uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_Port->Mutex);
    ZanComPort& port = *m_Port;
    const uint32_t wanted = count > 0 ? static_cast<uint32_t>(count) : 0u;
    ++port.CountWaiters;
    port.AwaitBytes(
        lock, Clock::now() + std::chrono::milliseconds(qlcos::serial::ScaledWait(timeoutMs)), [&] {
            return port.Count >= wanted || port.Count >= port.PoolSize || port.LineFailed ||
                   port.Cancelled || !port.Open;
        });
    --port.CountWaiters;
    return static_cast<int>(port.Count);
}

void CZanComCtrl::Cancel()
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    m_Port->Cancelled = true;
    m_Port->WakeEveryWait();
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
    return !port.Changed.wait_for(
        lock, std::chrono::milliseconds(qlcos::serial::ScaledWait(milliseconds)),
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
