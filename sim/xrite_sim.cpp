// What the simulated X-Rite densitometers share.
#include "sim/xrite_sim.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <thread>

namespace qlcos::sim {

namespace {

constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kLf = 0x0A;

std::string DescribeFault(const XRiteFault& fault)
{
    switch (fault.Type) {
    case XRiteFault::Kind::Silence: return "no line";
    case XRiteFault::Kind::GarbageBefore:
        return "garbage before line: " + DescribeBytes(fault.Bytes.data(), fault.Bytes.size());
    case XRiteFault::Kind::Split: return "split into " + std::to_string(fault.PieceBytes) + "s";
    case XRiteFault::Kind::Raw: return "raw line";
    }
    return "unknown";
}

// `value` with two decimals and a point, whatever the process locale.
std::string TwoDecimals(float value)
{
    char text[32];
    const std::to_chars_result r =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    return std::string(text, r.ptr);
}

} // namespace

XRiteSim::XRiteSim(std::string lineEnd) : m_LineEnd(std::move(lineEnd)) {}

void XRiteSim::Shutdown()
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Ending = true;
    }
    m_Changed.notify_all();
    Stop();
}

std::vector<uint8_t> XRiteSim::Received() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Received;
}

bool XRiteSim::WaitForReceived(size_t bytes, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_Mutex);
    return m_Changed.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                              [&] { return m_Received.size() >= bytes; });
}

void XRiteSim::ClearLogs()
{
    ClearLog();
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Received.clear();
    m_LinesSent = 0;
}

size_t XRiteSim::LinesSent() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_LinesSent;
}

bool XRiteSim::WaitForLinesSent(size_t lines, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_Mutex);
    return m_Changed.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                              [&] { return m_LinesSent >= lines; });
}

void XRiteSim::Script(XRiteFault fault)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Script.push_back(std::move(fault));
}

void XRiteSim::ClearScript()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Script.clear();
}

void XRiteSim::SetSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Silent = silent;
}

void XRiteSim::SetReading(const SimReading& reading)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Reading = reading;
}

SimReading XRiteSim::Reading() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Reading;
}

void XRiteSim::Trigger() { SendReading(Reading()); }

void XRiteSim::Trigger(float visual, float cyan, float magenta, float yellow)
{
    const SimReading reading{visual, cyan, magenta, yellow};
    SetReading(reading);
    SendReading(reading);
}

void XRiteSim::SendRaw(const std::vector<uint8_t>& bytes)
{
    std::lock_guard<std::mutex> lock(m_WriteMutex);
    WriteLocked(bytes);
}

void XRiteSim::SendRaw(const std::string& text)
{
    SendRaw(std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> XRiteSim::LongLine(size_t bytes, bool withEnd) const
{
    std::vector<uint8_t> line(bytes);
    for (size_t i = 0; i < bytes; ++i) line[i] = i % 8 == 7 ? ' ' : 'x';
    if (withEnd && bytes >= m_LineEnd.size())
        std::copy(m_LineEnd.begin(), m_LineEnd.end(), line.end() - m_LineEnd.size());
    return line;
}

std::string XRiteSim::FormatReading(const SimReading& reading, const char (&letters)[5])
{
    const float values[4] = {reading.Visual, reading.Cyan, reading.Magenta, reading.Yellow};
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) text += ' ';
        text += letters[i];
        text += ' ';
        text += TwoDecimals(values[i]);
    }
    return text;
}

void XRiteSim::SendLine(const std::string& text)
{
    std::vector<uint8_t> line(text.begin(), text.end());
    line.insert(line.end(), m_LineEnd.begin(), m_LineEnd.end());
    std::optional<XRiteFault> fault;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (m_Silent) {
            fault = XRiteFault::Silence();
        } else if (!m_Script.empty()) {
            fault = std::move(m_Script.front());
            m_Script.pop_front();
        }
    }
    if (fault && Tracing()) Trace("fault: " + DescribeFault(*fault));
    {
        std::lock_guard<std::mutex> lock(m_WriteMutex);
        WriteLine(line, fault);
    }
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        ++m_LinesSent;
    }
    m_Changed.notify_all();
}

void XRiteSim::WriteLine(std::vector<uint8_t>& line, const std::optional<XRiteFault>& fault)
{
    if (!fault) return WriteLocked(line);
    switch (fault->Type) {
    case XRiteFault::Kind::Silence: return;
    case XRiteFault::Kind::Raw: return WriteLocked(fault->Bytes);
    case XRiteFault::Kind::GarbageBefore:
        if (fault->Pause.count() > 0) {
            WriteLocked(fault->Bytes);
            if (!Delay(fault->Pause)) return;
        } else {
            line.insert(line.begin(), fault->Bytes.begin(), fault->Bytes.end());
        }
        return WriteLocked(line);
    case XRiteFault::Kind::Split: {
        const size_t piece = std::max<size_t>(fault->PieceBytes, 1);
        for (size_t at = 0; at < line.size(); at += piece) {
            if (at > 0 && !Delay(fault->Pause)) return;
            const size_t end = std::min(line.size(), at + piece);
            WriteLocked(std::vector<uint8_t>(line.begin() + at, line.begin() + end));
        }
        return;
    }
    }
}

void XRiteSim::WriteLocked(const std::vector<uint8_t>& bytes) { Write(bytes.data(), bytes.size()); }

bool XRiteSim::Delay(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> lock(m_Mutex);
    return !m_Changed.wait_for(lock, duration, [&] { return m_Ending; });
}

void XRiteSim::OnBytes(const uint8_t* data, size_t n)
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Received.insert(m_Received.end(), data, data + n);
    }
    m_Changed.notify_all();
    for (size_t i = 0; i < n; ++i) {
        const uint8_t byte = data[i];
        if (byte == kCr) {
            if (!m_Overlong && !m_Command.empty()) HandleCommand(m_Command);
            if (m_Overlong) Trace("over-long command dropped");
            m_Command.clear();
            m_Overlong = false;
        } else if (byte == kLf || byte == 0) {
            // Between commands; only the byte log keeps them.
        } else if (m_Command.size() < kMaxCommandBytes) {
            m_Command += static_cast<char>(byte);
        } else {
            m_Overlong = true;
        }
    }
}

void XRiteSim::HandleCommand(const std::string& command)
{
    const Answer answer = OnCommand(command);
    // Logged once its effect is in the state.
    LogFrame(std::vector<uint8_t>(command.begin(), command.end()));
    if (Tracing()) Trace("rx  " + command);
    if (answer.Line.empty()) return;
    if (answer.Delay.count() > 0 && !Delay(answer.Delay)) return;
    SendLine(answer.Line);
}

} // namespace qlcos::sim
