// The serial device framework that every controller and densitometer driver is built on:
// a port control with a receive thread and a receive pool, event-character protocols that
// end a command's wait, and the number functions of the ASCII controller protocols.
#pragma once

#include "qlcos/types.h"

#include <atomic>
#include <memory>

class CZanConsole; // the host's console object; passed on, never used here
namespace qlcos::serial {
class SerialBackend; // the transport under a port (framework internal)
}

// ---- Number functions --------------------------------------------------------------------

// XOR of `count` bytes.
QLCOS_API unsigned char zanCheckXOR(const unsigned char* bytes, int count);
// Non-zero, with *position written, when `ch` occurs in bytes[start .. length-1].
QLCOS_API int zanIsIn(const unsigned char* bytes, unsigned char ch, int* position, int length,
                      int start);
// Decimal digit fields, most significant first; the value is taken modulo 10^digits.
QLCOS_API void zanSplitDec(uint32_t value, unsigned char& d1, unsigned char& d2);
QLCOS_API void zanSplitDec(uint32_t value, unsigned char& d1, unsigned char& d2, unsigned char& d3);
QLCOS_API void zanSplitDec(uint32_t value, unsigned char& d1, unsigned char& d2, unsigned char& d3,
                           unsigned char& d4);
// Reads decimal digit characters arithmetically (character − '0' per place).
QLCOS_API int zanCombineDec(unsigned char d1, unsigned char d2);
QLCOS_API int zanCombineDec(unsigned char d1, unsigned char d2, unsigned char d3);
QLCOS_API int zanCombineDec(unsigned char d1, unsigned char d2, unsigned char d3, unsigned char d4);
// Upper-case hexadecimal digit fields, most significant first.
QLCOS_API void zanSplitHex(uint32_t value, unsigned char& d1, unsigned char& d2);
QLCOS_API void zanSplitHex(uint32_t value, unsigned char& d1, unsigned char& d2, unsigned char& d3,
                           unsigned char& d4);
// Reads hexadecimal digits of either case; any other byte (such as a 0 handed in for a
// missing leading digit) reads as 0.
QLCOS_API int zanCombineHex(unsigned char d1, unsigned char d2);
QLCOS_API int zanCombineHex(unsigned char d1, unsigned char d2, unsigned char d3, unsigned char d4);

// ---- Protocols ---------------------------------------------------------------------------

// A protocol appended to a port decides when a received chunk completes a frame; the first
// protocol that says so ends the pending command's wait.
class QLCOS_API CZanProtocol {
public:
    CZanProtocol();
    virtual ~CZanProtocol();
    // Identifier used by RemoveProtocol; unique within the process.
    virtual uint32_t GetIdentifier() const;
    // Frame test: 1 when `data` (a chunk just received) completes a frame, else 0.
    // Runs on the port's receive thread.
    virtual int IsFrame(const unsigned char* data, int length) = 0;

    CZanProtocol(const CZanProtocol&) = delete;
    CZanProtocol& operator=(const CZanProtocol&) = delete;

protected:
    uint32_t m_dwIdentifier;
};

// Ends a wait when one of up to two event characters arrives. The characters are written
// directly by the driver before each command; the receive thread reads them.
class QLCOS_API CZanProtocolEventChar : public CZanProtocol {
public:
    CZanProtocolEventChar();
    ~CZanProtocolEventChar() override;

    void SetEventChar1Mode(int on);
    void SetEventChar2Mode(int on);
    int IsFrame(const unsigned char* data, int length) override;

    std::atomic<unsigned char> m_EventChar1{0};
    std::atomic<unsigned char> m_EventChar2{0};

private:
    std::atomic<int> m_EventChar1Mode{0};
    std::atomic<int> m_EventChar2Mode{0};
};

// ---- Port control ------------------------------------------------------------------------

struct ZanComPort; // the open port, its receive thread and its pool (framework internal)

// What the last open of a port control came to (its Create, or the reopen after a hang-up).
struct tagZanOpenFailure {
    ZanResult Result; // what the open returned; 0 when it succeeded or none was tried
    uint32_t OsError; // errno (POSIX) or GetLastError (Windows) of the call that failed; 0: none
    char Port[128];   // the port as the trace names it: "COM1 /dev/ttyUSB0"; "" before any open
    // Why it failed, UTF-8, "" after a success: "COM1 /dev/ttyS0: no such port (No such file
    // or directory)". The reasons: "no such port", "permission denied", "in use", "a regular
    // file, not a terminal" (a directory, a FIFO, ...), "no device behind the port", "settings
    // refused", "port number outside 1..4096", "open failed".
    char Text[256];
};

// One serial port: opening and closing, the receive pool, the wait for a response, the
// protocol list and the attempt count. A device derives from it through CZanComDevice.
//
// A port is open exclusively: while one port control has it, opening it again (from this
// process or another) fails with ZAN_COM_ERR_IN_USE. Port numbers run from 1 to 4096; any
// other number fails to open with ZAN_COM_ERR_OPEN.
//
// When the line hangs up or fails, every wait ends at once and LineState (CheckLine,
// LookupMe) reports ZAN_COM_ERR_LINE_CLOSED. The port stays open for its owner: the next
// Send (or Resume) opens the same port number again, looking its path up as at the first
// open, with the property's current settings, and carries on with a new receive thread and
// the pool, protocols and wait settings as they were. If that reopen fails, the command
// fails with ZAN_COM_ERR_LINE_CLOSED and the next one tries again.
//
// A reply that comes after its command's wait ended is never taken for the next command's:
// when a response wait ends without a frame end (time-out, cancel, full pool), the next Send
// first waits until the line has been silent for 50 ms plus two character times at the
// port's baud rate, dropping whatever arrives meanwhile (at most 250 ms in all), then clears
// the pool and sends. A command whose predecessor was answered in time goes out at once.
class QLCOS_API CZanComCtrl {
public:
    // Attempts a driver makes per command unless told otherwise.
    static const int kDefaultAttemptCount = 3;

    CZanComCtrl();
    virtual ~CZanComCtrl(); // closes the port and joins its receive thread

    CZanComCtrl(const CZanComCtrl&) = delete;
    CZanComCtrl& operator=(const CZanComCtrl&) = delete;

    // True from a successful open until the close, also while the line is down.
    bool IsOpen() const;
    // The property the port was opened or last re-configured with.
    const tagZANSerialPortProperty& GetComProperty() const { return m_Property; }

    // Receive pool of `bytes` bytes; bytes beyond it are dropped until ClearPool.
    ZanResult AllocPool(uint32_t bytes);
    uint32_t GetPoolSize() const;

    ZanResult AppendProtocol(CZanProtocol* protocol);
    ZanResult RemoveProtocol(uint32_t identifier);

    // With wait-response on, GetPoolData after a Send waits until a protocol sees a frame
    // end or the wait time-out (counted from the Send) passes.
    void SetWaitResponse(int on);
    void SetWaitTimeOut(uint32_t milliseconds);
    int IsWaitResponse() const;
    // A frame that ends in a block check: once a protocol saw the frame end, the response
    // wait goes on until `count` bytes followed the end character, for at most
    // `milliseconds`, so that the check is in the pool when the wait ends (and cannot arrive
    // during the next command). 0 (the default): the wait ends at the frame end. The frame
    // event is set at the frame end all the same.
    void SetWaitTrailingBytes(uint32_t count, uint32_t milliseconds);
    // Event set when a protocol sees a frame end; reset by ClearPool and Send.
    HANDLE GetWaitResponseEventHandle() const;

    // Drops everything received so far, including bytes the receive thread is delivering
    // at this moment and bytes the system still holds. While the receive thread waits for
    // input the system holds none but those arriving this instant, which count as new.
    void ClearPool();
    // Copies the pool to `buffer` (at most `max` bytes; 0 means the whole pool, so the
    // buffer must then hold GetPoolSize() bytes) and returns the count. A negative `max` (or
    // a null buffer) copies nothing and returns 0. A pending response wait ends at once when
    // the line fails, on Cancel, or when the port is closed from another thread.
    int GetPoolData(unsigned char* buffer, int max);
    // Waits until the pool holds at least `count` bytes or `timeoutMs` passes; returns the
    // count held. Used to take in a frame's trailing bytes so they cannot reach the next
    // command.
    int WaitForPoolData(int count, uint32_t timeoutMs);

    // Takes the oldest complete frame out of the pool: the bytes up to and including the
    // first at which an appended protocol sees a frame end. Copies at most `max` bytes of it
    // to `buffer` and returns the count copied (the rest of an over-long frame is dropped
    // with it); bytes after the frame stay for the next call. 0 when the pool holds no
    // complete frame. A full pool without a frame end is emptied, since no frame could ever
    // be cut from it. For devices that send of their own accord, with no command waiting.
    int TakeFrame(unsigned char* buffer, int max);

    // Tells the port that what came was not the answer the command waited for (a frame of
    // the wrong shape, bytes without a frame): more may be on its way, so the next Send
    // first lets the line fall quiet and drops what comes meanwhile, as after a time-out.
    void DistrustLine();

    // Cancelling, for a Break from another thread: Cancel ends a GetPoolData or
    // WaitForPoolData that waits at once (with what has arrived) and every Pause, and keeps
    // doing so for later ones until ClearCancel, so that the request in progress can see
    // IsCancelled and stop. A request clears it before it begins. A Send while cancelled
    // still transmits, without waiting for a late reply to pass (that wait is left to the
    // first Send after ClearCancel), and its response wait ends at once.
    void Cancel();
    void ClearCancel();
    bool IsCancelled() const;
    // Sleeps up to `milliseconds`, ending early on Cancel; false when cancelled.
    bool Pause(uint32_t milliseconds);

    // Re-applies port settings (baud rate, data bits) to the open port and keeps them for a
    // reopen; the port number stays the one opened. ZAN_COM_ERR_LINE_CLOSED while the line
    // is down (nothing is kept then).
    ZanResult ChangeComProperty(const tagZANSerialPortProperty* property);

    int GetAttemptCount() const { return m_AttemptCount; }
    void SetAttemptCount(int count) { m_AttemptCount = count < 1 ? 1 : count; }

    // Why the last open failed (above); cleared by an open that succeeds.
    tagZanOpenFailure GetLastOpenFailure() const;

protected:
    // Keeps an open's outcome for GetLastOpenFailure: `reason` null or empty with a result 0
    // clears it. For devices that open their line through other means (a maker's library).
    void NoteOpenFailure(ZanResult result, uint32_t osError, const char* port, const char* reason);

    // Opens the port named by the property and starts its receive thread. Fails with
    // ZAN_COM_ERR_OPEN (no such port, bad number, settings refused), ZAN_COM_ERR_IN_USE or
    // ZAN_COM_ERR_ARGUMENT (baud rate or data bits the system does not offer).
    ZanResult OpenPort(const tagZANSerialPortProperty& property);
    // Stops the receive thread and closes the port; harmless when closed. A wait in
    // progress on another thread ends at once.
    void ClosePort();
    // Writes the bytes; arms the response wait when wait-response is on. Reopens a failed
    // line first and lets a late reply pass (see the class comment).
    ZanResult Transmit(const unsigned char* bytes, int length);
    // After a hang-up, opens the port again as described above: 0 when the line is up
    // (again), ZAN_COM_ERR_LINE_CLOSED when the reopen failed, ZAN_COM_ERR_NOT_OPEN.
    ZanResult RestoreLine();
    // 0 while the line is open and has not hung up; ZAN_COM_ERR_LINE_CLOSED after a
    // hang-up until a reopen succeeds; ZAN_COM_ERR_NOT_OPEN when closed.
    ZanResult LineState() const;

    // Called on the receive thread for every chunk received, and once when the line fails.
    virtual void DeliverChunk(const unsigned char* data, int length);
    virtual void DeliverLineError();

    tagZANSerialPortProperty m_Property;

private:
    // The helpers below expect the port's line mutex to be held.
    ZanResult StartReceiving(); // starts the receive thread on the backend just installed
    void StopReceiving();       // interrupts and joins it, closes the backend
    ZanResult ReopenFailedLine();
    void LetLateReplyPass(); // the quiet wait after a command left without its reply
    // ClearPool's work; `always` flushes the system's input even while the receive thread
    // waits for some (the late-reply wait drops what the line brought meanwhile).
    void DropInput(bool always);

    void NoteOpen(const qlcos::serial::SerialBackend& backend, ZanResult opened);
    void ReceiveLoop(qlcos::serial::SerialBackend& backend); // body of the receive thread
    void MarkLineFailed();

    std::unique_ptr<ZanComPort> m_Port;
    int m_AttemptCount = kDefaultAttemptCount;
};

// ---- Device ------------------------------------------------------------------------------

// Base class of every serial driver. Virtual slots in the framework's order.
class QLCOS_API CZanComDevice : public CZanComCtrl {
public:
    CZanComDevice();
    explicit CZanComDevice(const ZanWChar* name);
    ~CZanComDevice() override;

    virtual ZanResult PreCreate();
    // Opens the port the property names; `handle` is reserved and must be null.
    virtual ZanResult Attach(void* handle, tagZANSerialPortProperty* property);
    // Sharing another control's port is not offered: returns ZAN_COM_ERR_UNSUPPORTED.
    virtual ZanResult Attach(CZanComCtrl* control);
    // Called once the port is open; overrides allocate their pool and append protocols,
    // then call this last.
    virtual ZanResult PostAttach();
    // Called before the port closes; overrides remove their protocols, then call this.
    virtual ZanResult PreDetach();
    virtual void SetConsole(CZanConsole* console);
    virtual int IsDeviceTypeOf(uint32_t deviceType);
    // Transmit: 0 when sent; ZAN_COM_ERR_NOT_OPEN, ZAN_COM_ERR_ARGUMENT,
    // ZAN_COM_ERR_LINE_CLOSED (line down and the reopen failed), or a write failure.
    virtual ZanResult Send(const unsigned char* bytes, int length, void* self);
    virtual void OnBreak();
    virtual void OnCTS();
    virtual void OnDSR();
    virtual void OnErr();
    virtual void OnRing();
    virtual void OnRLSD();
    virtual void OnRxChar(unsigned char* data, int length);
    virtual void OnRxChar();
    virtual void OnTxEmpty();
    // PreCreate, Attach, PostAttach; on failure the port is closed again.
    virtual ZanResult Create(tagZANSerialPortProperty* property);
    // PreDetach, then closes the port. Harmless when closed.
    virtual ZanResult Destroy();
    // 1 when the port is open and its line up; 0 after a hang-up until a reopen.
    virtual int LookupMe();
    // Writes the property the device is reached at to *properties (when max ≥ 1); returns
    // the number of properties known (1 when open, else 0).
    virtual int GetDeviceSPEs(tagZANSerialPortProperty* properties, int max);
    // Reopens a line that hung up (RestoreLine), then re-applies the port settings.
    virtual ZanResult Resume();
    // 0 while the line is open and up, else the framework's failure (LineState); does not
    // reopen.
    virtual ZanResult CheckLine();
    // The framework has no control window: returns 0.
    virtual int ShowControl(int show);

    const ZanWChar* GetName() const { return m_Name; }
    CZanConsole* GetConsole() const { return m_Console; }

protected:
    void DeliverChunk(const unsigned char* data, int length) override;
    void DeliverLineError() override;

    ZanWChar m_Name[64];
    CZanConsole* m_Console = nullptr;
};
