// The port control's line: opening, closing, reopening after a hang-up, the receive thread,
// and sending, with the wait for a late reply to pass first.
#include "qlcos/serial.h"
#include "platform/win32.h"
#include "serial/com_port.h"
#include "serial/com_trace.h"
#include "serial/time_scale.h"

#include <algorithm>
#include <cstring>

using Clock = ZanComPort::Clock;
using qlcos::serial::LineTimeMs;

namespace {

// Writing may take the line time and a second's margin.
uint32_t WriteTimeoutMs(int bytes, int baud) { return LineTimeMs(bytes, baud) + 1000u; }

// After a command whose reply did not come in time, the next command waits until the line
// has been silent this long, plus two character times: a reply on its way shows itself
// within it (a USB adapter holds received bytes up to 16 ms), and a command sent on time is
// not delayed by it. Bytes that arrive meanwhile are dropped and the quiet starts again,
// for at most kLateReplyBoundMs in all, so a line that never falls silent costs no more.
constexpr uint32_t kQuietMs = 50;
constexpr uint32_t kLateReplyBoundMs = 250;

// True when a protocol sees a frame end in `bytes`.
bool IsFrameEnd(const ZanComPort& port, const unsigned char* bytes, uint32_t count)
{
    for (CZanProtocol* protocol : port.Protocols)
        if (protocol->IsFrame(bytes, static_cast<int>(count))) return true;
    return false;
}

// Under the port's mutex, at the first frame end since the command: when fewer than the
// trailing bytes followed it in `chunk`, the response wait goes on for the rest.
void AwaitTrailing(ZanComPort& port, const unsigned char* chunk, uint32_t taken)
{
    // The bytes of this chunk after its first frame end are the check, or part of it.
    uint32_t end = 0;
    while (end < taken && !IsFrameEnd(port, chunk + end, 1)) ++end;
    if (end == taken) return; // a protocol that ends frames on more than one byte
    const uint32_t after = taken - end - 1;
    if (after >= port.TrailingBytes) return;
    port.TrailingPending = true;
    port.TrailingUntilCount = port.Count + (port.TrailingBytes - after);
    port.TrailingDeadline =
        Clock::now() + std::chrono::milliseconds(qlcos::serial::ScaledWait(port.TrailingWaitMs));
}

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

bool CZanComCtrl::IsOpen() const
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    return m_Port->Open;
}

ZanResult CZanComCtrl::OpenPort(const tagZANSerialPortProperty& property)
{
    if (IsOpen()) return ZAN_COM_ERR_ALREADY_OPEN;
    if (!qlcos::serial::IsValidPortNumber(property.Port)) {
        const std::string name = "COM" + std::to_string(property.Port);
        NoteOpenFailure(ZAN_COM_ERR_OPEN, 0, name.c_str(), "port number outside 1..4096");
        return ZAN_COM_ERR_OPEN;
    }
    std::unique_ptr<qlcos::serial::SerialBackend> backend = qlcos::serial::CreateSerialBackend();
    const ZanResult opened = backend->Open(property);
    NoteOpen(*backend, opened);
    if (opened != ZAN_COM_OK) return opened;
    const std::string name = backend->Name();
    std::lock_guard<std::mutex> line(m_Port->LineMutex);
    m_Port->Backend = std::move(backend);
    const ZanResult started = StartReceiving();
    if (started != ZAN_COM_OK) {
        NoteOpenFailure(started, 0, name.c_str(), "no receive thread");
        return started;
    }
    m_Property = property;
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    m_Port->Open = true;
    m_Port->ReplyMayFollow = false;
    return ZAN_COM_OK;
}

void CZanComCtrl::ClosePort()
{
    {
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        if (!m_Port->Open) return;
        // A GetPoolData, WaitForPoolData or late-reply wait on another thread ends now.
        m_Port->Open = false;
        m_Port->WakeEveryWait();
    }
    // Taken out under the line mutex, which waits for a Send in progress to end; stopped
    // without it, so that a receive thread busy in OnRxChar never waits for this one.
    std::unique_ptr<qlcos::serial::SerialBackend> backend;
    std::thread receiver;
    {
        std::lock_guard<std::mutex> line(m_Port->LineMutex);
        backend = std::move(m_Port->Backend);
        receiver = std::move(m_Port->Receiver);
    }
    if (backend) backend->Interrupt();
    if (receiver.joinable()) receiver.join();
    if (backend) backend->Close();
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    m_Port->Count = 0;
    m_Port->WaitPending = false;
    m_Port->LineFailed = false;
    m_Port->ReplyMayFollow = false;
}

ZanResult CZanComCtrl::StartReceiving()
{
    {
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        m_Port->EmptyPool();
        m_Port->WaitPending = false;
        m_Port->LineFailed = false;
    }
    try {
        qlcos::serial::SerialBackend* backend = m_Port->Backend.get();
        m_Port->Receiver = std::thread([this, backend] { ReceiveLoop(*backend); });
    } catch (...) {
        m_Port->Backend->Close();
        m_Port->Backend.reset();
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        m_Port->LineFailed = true;
        return ZAN_COM_ERR_RESOURCE;
    }
    return ZAN_COM_OK;
}

void CZanComCtrl::StopReceiving()
{
    if (!m_Port->Backend) return;
    m_Port->Backend->Interrupt();
    if (m_Port->Receiver.joinable()) m_Port->Receiver.join();
    m_Port->Backend->Close();
    m_Port->Backend.reset();
}

ZanResult CZanComCtrl::RestoreLine()
{
    std::lock_guard<std::mutex> line(m_Port->LineMutex);
    return ReopenFailedLine();
}

ZanResult CZanComCtrl::ReopenFailedLine()
{
    {
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        if (!m_Port->Open) return ZAN_COM_ERR_NOT_OPEN;
        if (!m_Port->LineFailed) return ZAN_COM_OK;
    }
    // The receive thread stopped at the failure (or stops now); the port number is looked
    // up again, so a device that came back under another path is found.
    StopReceiving();
    std::unique_ptr<qlcos::serial::SerialBackend> backend = qlcos::serial::CreateSerialBackend();
    const ZanResult opened = backend->Open(m_Property);
    NoteOpen(*backend, opened);
    if (opened != ZAN_COM_OK) return ZAN_COM_ERR_LINE_CLOSED;
    qlcos::serial::TraceNote(backend->Name(), "reopened");
    m_Port->Backend = std::move(backend);
    return StartReceiving() == ZAN_COM_OK ? ZAN_COM_OK : ZAN_COM_ERR_LINE_CLOSED;
}

void CZanComCtrl::MarkLineFailed()
{
    {
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        m_Port->LineFailed = true;
        m_Port->WakeEveryWait();
    }
    SetEvent(m_Port->FrameEvent);
}

void CZanComCtrl::ReceiveLoop(qlcos::serial::SerialBackend& backend)
{
    ZanComPort& port = *m_Port;
    unsigned char chunk[4096];
    for (;;) {
        // While a block check is due, the wait for input ends at its deadline, so that the
        // caller is woken once: with the check, or when it does not come.
        int timeoutMs = -1;
        {
            std::lock_guard<std::mutex> lock(port.Mutex);
            if (port.TrailingPending) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                    port.TrailingDeadline - Clock::now());
                timeoutMs = static_cast<int>(std::max<int64_t>(0, left.count()));
            }
        }
        port.ReaderWaiting.store(true);
        const int ready = backend.WaitForInput(timeoutMs);
        port.ReaderWaiting.store(false);
        if (ready == 0) return; // interrupted: the port closes or reopens
        if (ready == 2) {
            uint32_t sleepers = 0;
            {
                std::lock_guard<std::mutex> lock(port.Mutex);
                if (port.TrailingPending && Clock::now() >= port.TrailingDeadline) {
                    port.TrailingPending = false; // the check did not come: the wait ends
                    if (port.FrameEnded && !port.ResponseEnded) {
                        port.ResponseEnded = true;
                        sleepers = port.ClaimResponseSleepers();
                    }
                }
            }
            port.PostResponse(sleepers);
            continue;
        }
        uint64_t generation;
        int n;
        {
            std::lock_guard<std::mutex> read(port.ReadMutex);
            {
                std::lock_guard<std::mutex> lock(port.Mutex);
                generation = port.Generation;
            }
            n = ready > 0 ? backend.ReadAvailable(chunk, sizeof chunk) : -1;
        }
        if (n < 0) {
            // Hung up or failed: tell the device, then end any wait and stop reading (a
            // hung-up descriptor stays readable, so reading on would spin). A caller whose
            // wait ends this way finds OnErr already done.
            qlcos::serial::TraceNote(backend.Name(), "line failed");
            DeliverLineError();
            MarkLineFailed();
            return;
        }
        if (n == 0) continue;
        uint32_t sleepers = 0;
        {
            std::lock_guard<std::mutex> lock(port.Mutex);
            port.LastArrival = Clock::now(); // a late-reply wait reads it when its time is up
            if (generation == port.Generation) {
                const uint32_t room = port.PoolSize - port.Count;
                const uint32_t taken = std::min<uint32_t>(room, static_cast<uint32_t>(n));
                if (taken > 0) {
                    std::memcpy(port.Pool.get() + port.Count, chunk, taken);
                    port.Count += taken;
                    // Only bytes that made it into the pool may end a wait: a frame end
                    // that fell off a full pool could never be cut from it.
                    if (IsFrameEnd(port, chunk, taken)) {
                        if (!port.FrameEnded && port.TrailingBytes > 0)
                            AwaitTrailing(port, chunk, taken);
                        port.FrameEnded = true;
                    }
                    if (port.TrailingPending && port.Count >= port.TrailingUntilCount)
                        port.TrailingPending = false;
                    // A full pool can take no frame end any more: waiting on is useless.
                    const bool ended =
                        (port.FrameEnded && !port.TrailingPending) || port.Count == port.PoolSize;
                    if ((ended && !port.ResponseEnded) || port.CountWaiters > 0)
                        sleepers = port.ClaimResponseSleepers();
                    if (ended) port.ResponseEnded = true;
                    // Signalled under the lock, so that a ClearPool or Send that follows
                    // the woken caller resets it after this, never before.
                    if (port.FrameEnded) SetEvent(port.FrameEvent);
                }
            }
        }
        // The caller is woken only when its wait can end, and after the lock is released,
        // so that it does not wake only to wait for the lock.
        port.PostResponse(sleepers);
        DeliverChunk(chunk, n);
    }
}

void CZanComCtrl::DistrustLine()
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    m_Port->ReplyMayFollow = true;
    m_Port->WaitEndedAt = Clock::now();
}

void CZanComCtrl::LetLateReplyPass()
{
    ZanComPort& port = *m_Port;
    {
        std::unique_lock<std::mutex> lock(port.Mutex);
        if (!port.ReplyMayFollow) return;
        const auto quiet = std::chrono::milliseconds(
            qlcos::serial::ScaledWait(kQuietMs + LineTimeMs(2, m_Property.BaudRate)));
        const auto giveUpAt =
            Clock::now() + std::chrono::milliseconds(qlcos::serial::ScaledWait(kLateReplyBoundMs));
        for (;;) {
            // Cancelled: the command goes out at once and the wait stays owed to the next.
            if (port.Cancelled || port.LineFailed || !port.Open) return;
            const auto until =
                std::min(std::max(port.WaitEndedAt, port.LastArrival) + quiet, giveUpAt);
            if (Clock::now() >= until) break;
            port.Changed.wait_until(lock, until);
        }
        if (port.LastArrival > port.WaitEndedAt)
            qlcos::serial::TraceNote(port.Backend->Name(), "late reply dropped");
        port.ReplyMayFollow = false;
    }
    DropInput(true);
}

ZanResult CZanComCtrl::Transmit(const unsigned char* bytes, int length)
{
    if (!IsOpen()) return ZAN_COM_ERR_NOT_OPEN;
    if (!bytes || length <= 0) return ZAN_COM_ERR_ARGUMENT;
    std::lock_guard<std::mutex> line(m_Port->LineMutex);
    const ZanResult restored = ReopenFailedLine();
    if (restored != ZAN_COM_OK) return restored;
    LetLateReplyPass();
    {
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        if (!m_Port->Open) return ZAN_COM_ERR_NOT_OPEN;
        if (m_Port->LineFailed || !m_Port->Backend) return ZAN_COM_ERR_LINE_CLOSED;
        // A frame end seen before this command went out belongs to an earlier one.
        m_Port->ForgetResponse();
        m_Port->WaitPending = m_Port->WaitResponse;
        // The reply cannot begin before the frame is out: the time-out counts from then.
        m_Port->Deadline =
            Clock::now() +
            std::chrono::milliseconds(qlcos::serial::ScaledWait(m_Port->WaitTimeoutMs)) +
            std::chrono::milliseconds(LineTimeMs(length, m_Property.BaudRate));
    }
    ResetEvent(m_Port->FrameEvent);
    const ZanResult written =
        m_Port->Backend->Write(bytes, length, WriteTimeoutMs(length, m_Property.BaudRate));
    if (written != ZAN_COM_OK) {
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        m_Port->WaitPending = false;
        // The line is gone for writing too: the next Send reopens it.
        if (written == ZAN_COM_ERR_LINE_CLOSED) m_Port->LineFailed = true;
        m_Port->WakeEveryWait();
    }
    return written;
}

ZanResult CZanComCtrl::ChangeComProperty(const tagZANSerialPortProperty* property)
{
    if (!property) return ZAN_COM_ERR_ARGUMENT;
    std::lock_guard<std::mutex> line(m_Port->LineMutex);
    {
        std::lock_guard<std::mutex> lock(m_Port->Mutex);
        if (!m_Port->Open) return ZAN_COM_ERR_NOT_OPEN;
        if (m_Port->LineFailed) return ZAN_COM_ERR_LINE_CLOSED;
    }
    if (!m_Port->Backend) return ZAN_COM_ERR_LINE_CLOSED;
    const ZanResult configured = m_Port->Backend->Configure(*property);
    if (configured == ZAN_COM_OK && property != &m_Property) {
        // The settings change; the port stays the one that is open.
        const int port = m_Property.Port;
        m_Property = *property;
        m_Property.Port = port;
    }
    return configured;
}

ZanResult CZanComCtrl::LineState() const
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    if (!m_Port->Open) return ZAN_COM_ERR_NOT_OPEN;
    return m_Port->LineFailed ? ZAN_COM_ERR_LINE_CLOSED : ZAN_COM_OK;
}

void CZanComCtrl::DeliverChunk(const unsigned char*, int) {}

void CZanComCtrl::DeliverLineError() {}
