// What the simulated X-Rite densitometers share: commands cut at CR, a log of every byte
// received, the lines the instrument sends (answers and readings of its own accord) with
// the faults a test scripts for them.
#pragma once

#include "sim/pty_device.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qlcos::sim {

// A misbehaviour in place of the next line the instrument sends, an answer or a line of
// its own accord.
struct XRiteFault {
    using ByteList = std::vector<uint8_t>;

    enum class Kind {
        Silence,       // the line is not sent
        GarbageBefore, // `Bytes`, then the line: in one write, or `Pause` apart
        Split,         // the line in pieces of `PieceBytes`, written `Pause` apart
        Raw,           // exactly `Bytes` instead of the line
    };

    Kind Type = Kind::Silence;
    ByteList Bytes;
    size_t PieceBytes = 0;
    std::chrono::milliseconds Pause{0};

    static XRiteFault Silence() { return {Kind::Silence}; }
    static XRiteFault GarbageBefore(ByteList bytes,
                                    std::chrono::milliseconds pause = std::chrono::milliseconds(0))
    {
        return {Kind::GarbageBefore, bytes, 0, pause};
    }
    static XRiteFault Split(size_t pieceBytes,
                            std::chrono::milliseconds pause = std::chrono::milliseconds(20))
    {
        return {Kind::Split, {}, pieceBytes, pause};
    }
    static XRiteFault Raw(ByteList bytes) { return {Kind::Raw, bytes}; }
    static XRiteFault Raw(const std::string& text)
    {
        return Raw(ByteList(text.begin(), text.end()));
    }

private:
    XRiteFault(Kind k, ByteList b = {}, size_t piece = 0,
               std::chrono::milliseconds pause = std::chrono::milliseconds(0))
        : Type(k), Bytes(std::move(b)), PieceBytes(piece), Pause(pause)
    {}
};

// One reading the instrument reports, in density units.
struct SimReading {
    float Visual;
    float Cyan;
    float Magenta;
    float Yellow;
};

class XRiteSim : public PtyDevice {
public:
    // Commands longer than this without a CR are dropped.
    static constexpr size_t kMaxCommandBytes = 64;

    // Every byte the host wrote, in order, including those between commands.
    std::vector<uint8_t> Received() const;
    // True once at least `bytes` bytes were received; false when timeoutMs passes first.
    bool WaitForReceived(size_t bytes, int timeoutMs) const;
    // Empties the byte log and the command log (Frames(): each command's text, no CR).
    void ClearLogs();
    // How many lines the instrument has sent, counted once written (or suppressed).
    size_t LinesSent() const;
    bool WaitForLinesSent(size_t lines, int timeoutMs) const;

    // Queues a fault for the next line sent; faults apply to successive lines in order.
    void Script(XRiteFault fault);
    void ClearScript();
    // While set, no line is sent at all.
    void SetSilent(bool silent);

    // The reading the next reading line carries.
    void SetReading(const SimReading& reading);
    SimReading Reading() const;
    // Sends the reading as the instrument does when its button is pressed.
    void Trigger();
    void Trigger(float visual, float cyan, float magenta, float yellow);

    // Writes `bytes` as they stand, of the instrument's own accord; no fault applies.
    void SendRaw(const std::vector<uint8_t>& bytes);
    void SendRaw(const std::string& text);
    // `bytes` bytes of a text that carries no reading, its tokens eight bytes apart, the
    // last of them the line end when `withEnd`.
    std::vector<uint8_t> LongLine(size_t bytes, bool withEnd) const;

protected:
    // `lineEnd`: what ends each line the instrument sends.
    explicit XRiteSim(std::string lineEnd);
    // Derived classes call this first in their destructor: ends a pending answer's delay and
    // stops the reader thread before their members go.
    void Shutdown();

    // What a command leaves: the line to answer with (none when empty), sent after `Delay`.
    struct Answer {
        std::string Line;
        std::chrono::milliseconds Delay{0};
    };
    // One command (its text without CR, LF or NUL); called on the reader thread.
    virtual Answer OnCommand(const std::string& command) = 0;
    // Sends the lines of a reading; the reading's text comes from FormatReading.
    virtual void SendReading(const SimReading& reading) = 0;

    // Sends `text` and the line end, with the next scripted fault.
    void SendLine(const std::string& text);
    // "V 1.23 C 0.45 M 0.67 Y 0.89" with the letters given (two decimals, any locale).
    static std::string FormatReading(const SimReading& reading, const char (&letters)[5]);

private:
    void OnBytes(const uint8_t* data, size_t n) override;
    void HandleCommand(const std::string& command);
    // The line, or what the fault makes of it. Caller holds m_WriteMutex.
    void WriteLine(std::vector<uint8_t>& line, const std::optional<XRiteFault>& fault);
    void WriteLocked(const std::vector<uint8_t>& bytes);
    // Waits `duration` unless the device shuts down: true when the time ran out.
    bool Delay(std::chrono::milliseconds duration);

    const std::string m_LineEnd;
    std::string m_Command; // reader thread only
    bool m_Overlong = false;

    mutable std::mutex m_Mutex; // everything below
    mutable std::condition_variable m_Changed;
    std::vector<uint8_t> m_Received;
    size_t m_LinesSent = 0;
    std::deque<XRiteFault> m_Script;
    bool m_Silent = false;
    bool m_Ending = false;
    SimReading m_Reading{1.23f, 0.45f, 0.67f, 0.89f};

    std::mutex m_WriteMutex; // one line at a time on the wire, whichever thread sends it
};

} // namespace qlcos::sim
