// Win32 transport: \\.\COM<n> with overlapped I/O. The receive thread waits in an overlapped
// one-byte read that the port's time-outs end as soon as a byte arrives, so that it needs no
// modem-status events (WaitCommEvent), which some ports (Wine's on a pseudo-terminal, some
// virtual port drivers) cannot give.
#include "platform/os_error.h"
#include "serial/com_trace.h"
#include "serial/serial_backend.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <set>
#include <string>

namespace qlcos::serial {

namespace {

// The port numbers this process has open. A real port's driver refuses a second open by
// itself; some do not (virtual port drivers, Wine on a pseudo-terminal), and a port is the
// library's alone while open.
std::mutex g_OpenPortsMutex;
std::set<int> g_OpenPorts;

bool ClaimPort(int port)
{
    std::lock_guard<std::mutex> lock(g_OpenPortsMutex);
    return g_OpenPorts.insert(port).second;
}

void ReleasePort(int port)
{
    std::lock_guard<std::mutex> lock(g_OpenPortsMutex);
    g_OpenPorts.erase(port);
}

// An OVERLAPPED with its own manual-reset event.
struct Overlapped {
    OVERLAPPED Ov{};
    Overlapped() { Ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped()
    {
        if (Ov.hEvent) CloseHandle(Ov.hEvent);
    }
    void Reset()
    {
        HANDLE event = Ov.hEvent;
        Ov = OVERLAPPED{};
        Ov.hEvent = event;
        ResetEvent(event);
    }
};

class Win32SerialBackend final : public SerialBackend {
public:
    Win32SerialBackend() { m_Wake = CreateEventW(nullptr, FALSE, FALSE, nullptr); }
    ~Win32SerialBackend() override
    {
        Close();
        if (m_Wake) CloseHandle(m_Wake);
    }

    ZanResult Open(const tagZANSerialPortProperty& property) override
    {
        Close();
        m_Failure = OpenFailure{};
        m_Name = "COM" + std::to_string(property.Port);
        if (!IsValidPortNumber(property.Port))
            return Fail(ZAN_COM_ERR_OPEN, 0, "port number outside 1..4096");
        // Always the device namespace, so that ports above 9 open too. Share mode 0: the
        // port is ours alone, and an open while someone else has it is refused.
        const std::wstring path = L"\\\\.\\COM" + std::to_wstring(property.Port);
        if (!ClaimPort(property.Port))
            return Fail(ZAN_COM_ERR_IN_USE, ERROR_ACCESS_DENIED, "in use");
        m_PortNumber = property.Port;
        m_Port = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
        if (m_Port == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            ReleasePort(m_PortNumber);
            m_PortNumber = 0;
            switch (error) {
            case ERROR_ACCESS_DENIED:
            case ERROR_SHARING_VIOLATION: return Fail(ZAN_COM_ERR_IN_USE, error, "in use");
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND: return Fail(ZAN_COM_ERR_OPEN, error, "no such port");
            default: return Fail(ZAN_COM_ERR_OPEN, error, "open failed");
            }
        }
        SetupComm(m_Port, 4096, 4096);
        const ZanResult configured = Configure(property);
        if (configured != ZAN_COM_OK) {
            const DWORD error = GetLastError();
            Close();
            return Fail(configured, error, "settings refused");
        }
        // A read returns at once with what has arrived; with nothing there it returns when the
        // first byte arrives, or empty after kReadSliceMs.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
        timeouts.ReadTotalTimeoutConstant = kReadSliceMs;
        SetCommTimeouts(m_Port, &timeouts);
        PurgeComm(m_Port, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
        TraceNote(m_Name, "opened");
        return ZAN_COM_OK;
    }

    ZanResult Configure(const tagZANSerialPortProperty& property) override
    {
        if (m_Port == INVALID_HANDLE_VALUE) return ZAN_COM_ERR_NOT_OPEN;
        if (property.BaudRate <= 0 || property.DataBits < 5 || property.DataBits > 8)
            return ZAN_COM_ERR_ARGUMENT;
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(m_Port, &dcb)) return ZAN_COM_ERR_OPEN;
        dcb.BaudRate = static_cast<DWORD>(property.BaudRate);
        dcb.ByteSize = static_cast<BYTE>(property.DataBits);
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        return SetCommState(m_Port, &dcb) ? ZAN_COM_OK : ZAN_COM_ERR_ARGUMENT;
    }

    void Close() override
    {
        if (m_Port == INVALID_HANDLE_VALUE) return;
        CloseHandle(m_Port);
        m_Port = INVALID_HANDLE_VALUE;
        ReleasePort(m_PortNumber);
        m_PortNumber = 0;
        {
            std::lock_guard<std::mutex> lock(m_EarlyMutex);
            m_HasEarlyByte = false;
        }
        TraceNote(m_Name, "closed");
    }

    ZanResult Write(const unsigned char* bytes, int length, uint32_t timeoutMs) override
    {
        if (m_Port == INVALID_HANDLE_VALUE) return ZAN_COM_ERR_NOT_OPEN;
        Overlapped write;
        DWORD done = 0;
        if (!WriteFile(m_Port, bytes, static_cast<DWORD>(length), nullptr, &write.Ov) &&
            GetLastError() != ERROR_IO_PENDING)
            return ZAN_COM_ERR_WRITE;
        if (WaitForSingleObject(write.Ov.hEvent, timeoutMs) != WAIT_OBJECT_0) {
            CancelIoEx(m_Port, &write.Ov);
            GetOverlappedResult(m_Port, &write.Ov, &done, TRUE);
            return ZAN_COM_ERR_WRITE_TIMEOUT;
        }
        if (!GetOverlappedResult(m_Port, &write.Ov, &done, FALSE) ||
            done != static_cast<DWORD>(length))
            return ZAN_COM_ERR_WRITE;
        TraceBytes(m_Name, "tx", bytes, length);
        return ZAN_COM_OK;
    }

    int WaitForInput(int timeoutMs) override
    {
        if (m_Port == INVALID_HANDLE_VALUE) return -1;
        const DWORD start = GetTickCount();
        for (;;) {
            if (HasEarlyByte()) return 1;
            const int queued = Queued();
            if (queued < 0) return -1;
            if (queued > 0) return 1;
            DWORD wait = INFINITE;
            if (timeoutMs >= 0) {
                const DWORD spent = GetTickCount() - start;
                if (spent >= static_cast<DWORD>(timeoutMs)) return 2;
                wait = static_cast<DWORD>(timeoutMs) - spent;
            }
            m_Event.Reset();
            unsigned char byte = 0;
            if (!ReadFile(m_Port, &byte, 1, nullptr, &m_Event.Ov) &&
                GetLastError() != ERROR_IO_PENDING)
                return -1;
            HANDLE waits[2] = {m_Event.Ov.hEvent, m_Wake};
            const DWORD which = WaitForMultipleObjects(2, waits, FALSE, wait);
            // Interrupted or timed out: cancel the read and let it finish before going on; a
            // byte it took in the meantime is kept.
            if (which != WAIT_OBJECT_0) CancelIoEx(m_Port, &m_Event.Ov);
            DWORD got = 0;
            const bool done = GetOverlappedResult(m_Port, &m_Event.Ov, &got, TRUE) != FALSE;
            const DWORD error = done ? 0 : GetLastError();
            if (got == 1) {
                KeepEarlyByte(byte);
                return 1;
            }
            if (!done && error != ERROR_OPERATION_ABORTED) return -1; // the port failed
            if (which == WAIT_OBJECT_0 + 1) return 0;
            if (which == WAIT_TIMEOUT) return 2;
            if (which != WAIT_OBJECT_0) return -1;
            // The read's own slice ran out with nothing: wait again.
        }
    }

    int ReadAvailable(unsigned char* buffer, int capacity) override
    {
        if (m_Port == INVALID_HANDLE_VALUE) return -1;
        if (capacity <= 0) return 0;
        int taken = TakeEarlyByte(buffer);
        const int queued = Queued();
        if (queued < 0) return taken > 0 ? taken : -1;
        const int want = std::min(queued, capacity - taken);
        if (want > 0) {
            // Bytes are waiting, so the read returns at once.
            Overlapped read;
            DWORD got = 0;
            if (!ReadFile(m_Port, buffer + taken, static_cast<DWORD>(want), nullptr, &read.Ov) &&
                GetLastError() != ERROR_IO_PENDING)
                return taken > 0 ? taken : -1;
            if (!GetOverlappedResult(m_Port, &read.Ov, &got, TRUE)) return taken > 0 ? taken : -1;
            taken += static_cast<int>(got);
        }
        if (taken > 0) TraceBytes(m_Name, "rx", buffer, taken);
        return taken;
    }

    void Interrupt() override { SetEvent(m_Wake); }

    void FlushInput() override
    {
        if (m_Port == INVALID_HANDLE_VALUE) return;
        PurgeComm(m_Port, PURGE_RXCLEAR);
        std::lock_guard<std::mutex> lock(m_EarlyMutex);
        m_HasEarlyByte = false;
    }

    const std::string& Name() const override { return m_Name; }
    OpenFailure LastOpenFailure() const override { return m_Failure; }

private:
    // The longest single read while waiting for input; the wait reads again until its own
    // time-out, an interruption or a byte. The wait's own time-out and Cancel end a read at
    // once, so this only bounds how often an idle receive thread wakes.
    static constexpr DWORD kReadSliceMs = 10000;

    // The byte the wait read, handed out first by the next ReadAvailable. FlushInput (another
    // thread) drops it.
    void KeepEarlyByte(unsigned char byte)
    {
        std::lock_guard<std::mutex> lock(m_EarlyMutex);
        m_EarlyByte = byte;
        m_HasEarlyByte = true;
    }
    bool HasEarlyByte()
    {
        std::lock_guard<std::mutex> lock(m_EarlyMutex);
        return m_HasEarlyByte;
    }
    int TakeEarlyByte(unsigned char* buffer)
    {
        std::lock_guard<std::mutex> lock(m_EarlyMutex);
        if (!m_HasEarlyByte) return 0;
        buffer[0] = m_EarlyByte;
        m_HasEarlyByte = false;
        return 1;
    }

    // Bytes waiting in the driver, or -1 when the port failed (a USB adapter unplugged).
    int Queued()
    {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(m_Port, &errors, &status)) return -1;
        return static_cast<int>(std::min<DWORD>(status.cbInQue, INT_MAX));
    }

    // Keeps why the open failed and shows it in the trace.
    ZanResult Fail(ZanResult result, DWORD osError, const char* reason)
    {
        m_Failure = OpenFailure{result, static_cast<uint32_t>(osError), reason};
        std::string note = std::string("open failed: ") + reason;
        if (osError != 0) note += " (" + qlcos::platform::OsErrorText(osError) + ")";
        TraceNote(m_Name, note);
        return result;
    }

    HANDLE m_Port = INVALID_HANDLE_VALUE;
    int m_PortNumber = 0; // claimed while m_Port is open
    HANDLE m_Wake = nullptr;
    Overlapped m_Event;
    std::mutex m_EarlyMutex;
    unsigned char m_EarlyByte = 0;
    bool m_HasEarlyByte = false;
    std::string m_Name;
    OpenFailure m_Failure;
};

} // namespace

std::unique_ptr<SerialBackend> CreateSystemSerialBackend()
{
    return std::make_unique<Win32SerialBackend>();
}

} // namespace qlcos::serial
