// Win32 transport: \\.\COM<n> with overlapped I/O, WaitCommEvent for arriving bytes.
#include "platform/os_error.h"
#include "serial/com_trace.h"
#include "serial/serial_backend.h"

#include <algorithm>
#include <climits>
#include <string>

namespace qlcos::serial {

namespace {

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
        m_Port = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
        if (m_Port == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
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
        // Reads return at once with what has arrived; WaitCommEvent does the waiting.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        SetCommTimeouts(m_Port, &timeouts);
        SetCommMask(m_Port, EV_RXCHAR | EV_ERR | EV_BREAK);
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
        for (;;) {
            if (Queued() > 0) return 1;
            m_Event.Reset();
            DWORD mask = 0;
            if (!WaitCommEvent(m_Port, &mask, &m_Event.Ov)) {
                if (GetLastError() != ERROR_IO_PENDING) return -1;
                HANDLE waits[2] = {m_Event.Ov.hEvent, m_Wake};
                const DWORD which = WaitForMultipleObjects(
                    2, waits, FALSE, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
                if (which != WAIT_OBJECT_0) {
                    // Interrupted or timed out: cancel the pending wait and let it finish
                    // before returning.
                    CancelIoEx(m_Port, &m_Event.Ov);
                    DWORD ignored = 0;
                    GetOverlappedResult(m_Port, &m_Event.Ov, &ignored, TRUE);
                    return which == WAIT_TIMEOUT ? 2 : 0;
                }
                DWORD ignored = 0;
                if (!GetOverlappedResult(m_Port, &m_Event.Ov, &ignored, FALSE)) return -1;
            }
            if (mask & EV_ERR) {
                DWORD errors = 0;
                ClearCommError(m_Port, &errors, nullptr);
            }
        }
    }

    int ReadAvailable(unsigned char* buffer, int capacity) override
    {
        if (m_Port == INVALID_HANDLE_VALUE) return -1;
        const int queued = Queued();
        if (queued < 0) return -1;
        if (queued == 0) return 0;
        Overlapped read;
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(queued < capacity ? queued : capacity);
        if (!ReadFile(m_Port, buffer, want, nullptr, &read.Ov) &&
            GetLastError() != ERROR_IO_PENDING)
            return -1;
        if (!GetOverlappedResult(m_Port, &read.Ov, &got, TRUE)) return -1;
        if (got > 0) TraceBytes(m_Name, "rx", buffer, static_cast<int>(got));
        return static_cast<int>(got);
    }

    void Interrupt() override { SetEvent(m_Wake); }

    void FlushInput() override
    {
        if (m_Port != INVALID_HANDLE_VALUE) PurgeComm(m_Port, PURGE_RXCLEAR);
    }

    const std::string& Name() const override { return m_Name; }
    OpenFailure LastOpenFailure() const override { return m_Failure; }

private:
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
    HANDLE m_Wake = nullptr;
    Overlapped m_Event;
    std::string m_Name;
    OpenFailure m_Failure;
};

} // namespace

std::unique_ptr<SerialBackend> CreateSystemSerialBackend()
{
    return std::make_unique<Win32SerialBackend>();
}

} // namespace qlcos::serial
