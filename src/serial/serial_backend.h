// The transport under a port control: one small interface, one implementation per system
// (termios on POSIX, overlapped I/O on Windows). Nothing above it sees a descriptor or a
// HANDLE.
#pragma once

#include "qlcos/types.h"

#include <memory>
#include <string>

namespace qlcos::serial {

// Port numbers a port control opens: 1 to kMaxPortNumber. Anything else (a number read from
// a stored configuration may be anything) is refused before it reaches a path or a name.
constexpr int kMaxPortNumber = 4096;
constexpr bool IsValidPortNumber(int port) { return port >= 1 && port <= kMaxPortNumber; }

// Why an open failed: the result Open returned, the system's error (errno, GetLastError; 0
// when the system reported none) and a short reason ("no such port", "permission denied").
struct OpenFailure {
    ZanResult Result = 0;
    uint32_t OsError = 0;
    std::string Reason;
};

class SerialBackend {
public:
    virtual ~SerialBackend() = default;

    // Opens the port of `property.Port` with its baud rate and data bits: raw 8-bit
    // transfer, no flow control, and no one else's: ZAN_COM_ERR_IN_USE while the port is
    // open elsewhere, ZAN_COM_ERR_OPEN for a port number outside 1..kMaxPortNumber.
    virtual ZanResult Open(const tagZANSerialPortProperty& property) = 0;
    // Re-applies baud rate and data bits to the open port.
    virtual ZanResult Configure(const tagZANSerialPortProperty& property) = 0;
    virtual void Close() = 0;

    // Writes every byte or fails within `timeoutMs`.
    virtual ZanResult Write(const unsigned char* bytes, int length, uint32_t timeoutMs) = 0;
    // Blocks without spinning until input is ready (1), Interrupt() was called (0), the
    // line failed or hung up (-1), or `timeoutMs` passed (2; negative: no time-out).
    virtual int WaitForInput(int timeoutMs) = 0;
    // Reads what is there without blocking: count, 0 when nothing, -1 when the line failed.
    virtual int ReadAvailable(unsigned char* buffer, int capacity) = 0;
    // Wakes WaitForInput from another thread.
    virtual void Interrupt() = 0;
    // Drops input the system holds but has not handed over yet.
    virtual void FlushInput() = 0;

    // What the port is called in traces ("COM3 /dev/pts/4").
    virtual const std::string& Name() const = 0;
    // Why the last Open failed; Result 0 after a successful one (and for backends that do not
    // tell).
    virtual OpenFailure LastOpenFailure() const { return {}; }
};

// The backend a port opens with: the system's, unless a test installed a factory.
std::unique_ptr<SerialBackend> CreateSerialBackend();
// The system's backend (termios, Win32).
std::unique_ptr<SerialBackend> CreateSystemSerialBackend();

// Test and fuzzing hook: ports opened from now on use what `factory` makes (for example an
// in-memory line); null restores the system's backend. Process-wide.
using SerialBackendFactory = std::unique_ptr<SerialBackend> (*)();
void SetSerialBackendFactoryForTests(SerialBackendFactory factory);

// The device path registered for a port number, or empty.
std::string RegisteredSerialPortPath(int port);

} // namespace qlcos::serial
