// A virtual serial device on the master side of a pseudo-terminal. A host opens the slave
// path like any serial port; the device reads what the host writes on a thread of its own,
// hands the bytes to its model (OnBytes) and writes the model's answers back, optionally
// paced at a baud rate. Every frame the model recognises is kept in a log that tests can
// read and wait on.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qlcos::sim {

// Renders bytes for a trace: printable ASCII as it is, control bytes by name (<STX>,
// <ETX>, <ACK>, <NAK>) and every other byte as <0xNN>.
std::string DescribeBytes(const uint8_t* data, size_t n);

class PtyDevice {
public:
    PtyDevice();
    // Stops the device. A derived class whose OnBytes uses its own members must call Stop()
    // in its own destructor, before those members go away.
    virtual ~PtyDevice();

    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // Opens a pseudo-terminal, keeps a raw-mode slave descriptor of its own open (so that a
    // host may open and close the slave as often as it likes without the master reading
    // EIO) and starts the reader thread. True when running; a second call while running
    // does nothing. After Stop, Start opens a new pseudo-terminal.
    bool Start();
    // Wakes and joins the reader thread and closes every descriptor. Idempotent.
    void Stop();
    // The slave path a host opens, e.g. /dev/pts/7; empty before Start.
    const std::string& Path() const;

    // 0 (default): replies are written at once. Otherwise output is paced at 10 bits per
    // byte at that baud rate, each byte due at an absolute deadline so that waits do not
    // drift; consecutive writes follow each other as on a busy line.
    void SetPacing(int baud);

    std::vector<std::vector<uint8_t>> Frames() const; // every frame received, in order
    size_t FrameCount() const;
    // True once at least `count` frames are in the log; false when timeoutMs passes first.
    bool WaitForFrames(size_t count, int timeoutMs) const;
    void ClearLog();

    // Closes the master (and the device's own slave descriptor) now: the host sees a
    // hang-up. The device stays stopped on the line until Stop; Stop still works.
    void CloseLine();

    // Receives one line of text for everything that happens on the line: frames in and
    // out, ignored bytes, injected faults. Called on the reader thread; the sink must not
    // call SetTrace.
    void SetTrace(std::function<void(const std::string&)> sink);

protected:
    // Bytes from the host; called on the reader thread only.
    virtual void OnBytes(const uint8_t* data, size_t n) = 0;

    void LogFrame(std::vector<uint8_t> frame);
    // The last logged frame whose byte at `position` is `value`; empty when there is none.
    std::vector<uint8_t> LastFrameWith(size_t position, uint8_t value) const;
    // Writes to the host, paced when pacing is on. Gives up quietly when the line is gone
    // (EIO), when the host does not read for a second, or when the device is stopping.
    void Write(const uint8_t* data, size_t n);
    void Trace(const std::string& text) const;
    // True while a trace sink is set: lets callers skip formatting text nobody reads.
    bool Tracing() const { return m_Tracing; }

private:
    void ReaderLoop();
    void CloseLineNow(); // closes master and own slave; caller owns the descriptors
    void CloseAll();
    void Wake();
    void DrainWake();
    bool Interrupted() const; // stop or close requested
    // Waits until `deadline` or until interrupted; true when the deadline was reached.
    bool SleepUntil(std::chrono::steady_clock::time_point deadline);
    // Writes all of data at once, waiting for room up to a bound. False when it gave up.
    bool WriteAll(const uint8_t* data, size_t n);
    void WritePaced(const uint8_t* data, size_t n, int baud);

    std::string m_Path;
    int m_Master = -1;
    int m_OwnSlave = -1;
    int m_WakeRead = -1;
    int m_WakeWrite = -1;
    std::thread m_Reader;
    std::atomic<bool> m_StopRequested{false};
    std::atomic<bool> m_CloseRequested{false};
    std::atomic<int> m_Baud{0};
    // When the paced line is free again: the deadline of the last byte written.
    std::chrono::steady_clock::time_point m_LineFreeAt{};

    std::mutex m_LineMutex; // CloseLine hand-over to the reader thread
    std::condition_variable m_LineCv;
    bool m_LineClosed = false;

    mutable std::mutex m_LogMutex;
    mutable std::condition_variable m_LogCv;
    std::vector<std::vector<uint8_t>> m_Frames;

    mutable std::mutex m_TraceMutex;
    std::function<void(const std::string&)> m_Trace;
    std::atomic<bool> m_Tracing{false};
};

} // namespace qlcos::sim
