#include "sim/pty_device.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace qlcos::sim {

namespace {

using Clock = std::chrono::steady_clock;

// How long a write waits for a host that does not read before the rest is dropped.
constexpr std::chrono::milliseconds kWriteBound{1000};
// How long the reader rests when the master reports a hang-up without data, so that a
// line without a host is not read in a tight loop.
constexpr int kHangupRestMs = 50;

// The reader thread of the device it serves; lets CloseLine tell whether it runs there.
thread_local const PtyDevice* tCurrentReader = nullptr;

void CloseFd(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

bool SetNonBlocking(int fd)
{
    int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool SetCloseOnExec(int fd)
{
    int flags = ::fcntl(fd, F_GETFD);
    return flags >= 0 && ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == 0;
}

int MillisecondsUntil(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count()) + 1;
}

} // namespace

std::string DescribeBytes(const uint8_t* data, size_t n)
{
    std::string text;
    text.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        uint8_t b = data[i];
        switch (b) {
        case 0x02: text += "<STX>"; break;
        case 0x03: text += "<ETX>"; break;
        case 0x06: text += "<ACK>"; break;
        case 0x15: text += "<NAK>"; break;
        default:
            if (b >= 0x20 && b < 0x7F) {
                text += static_cast<char>(b);
            } else {
                char hex[8];
                std::snprintf(hex, sizeof hex, "<0x%02X>", b);
                text += hex;
            }
        }
    }
    return text;
}

PtyDevice::PtyDevice() = default;

PtyDevice::~PtyDevice() { Stop(); }

bool PtyDevice::Start()
{
    if (m_Reader.joinable()) return true;
    CloseAll();

    m_Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (m_Master < 0 || ::grantpt(m_Master) != 0 || ::unlockpt(m_Master) != 0 ||
        ::ptsname_r(m_Master, name, sizeof name) != 0 || !SetNonBlocking(m_Master)) {
        CloseAll();
        return false;
    }
    m_OwnSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (m_OwnSlave < 0 || ::tcgetattr(m_OwnSlave, &raw) != 0) {
        CloseAll();
        return false;
    }
    ::cfmakeraw(&raw);
    int pipeFds[2];
    if (::tcsetattr(m_OwnSlave, TCSANOW, &raw) != 0 || ::pipe(pipeFds) != 0) {
        CloseAll();
        return false;
    }
    m_WakeRead = pipeFds[0];
    m_WakeWrite = pipeFds[1];
    if (!SetNonBlocking(m_WakeRead) || !SetNonBlocking(m_WakeWrite) ||
        !SetCloseOnExec(m_WakeRead) || !SetCloseOnExec(m_WakeWrite)) {
        CloseAll();
        return false;
    }

    m_Path = name;
    m_StopRequested = false;
    m_CloseRequested = false;
    m_LineFreeAt = {};
    {
        std::lock_guard<std::mutex> lock(m_LineMutex);
        m_LineClosed = false;
    }
    try {
        m_Reader = std::thread(&PtyDevice::ReaderLoop, this);
    } catch (const std::system_error&) {
        CloseAll();
        return false;
    }
    return true;
}

void PtyDevice::Stop()
{
    if (m_Reader.joinable()) {
        m_StopRequested = true;
        Wake();
        m_Reader.join();
    }
    CloseAll();
}

const std::string& PtyDevice::Path() const { return m_Path; }

void PtyDevice::SetPacing(int baud) { m_Baud = baud > 0 ? baud : 0; }

std::vector<std::vector<uint8_t>> PtyDevice::Frames() const
{
    std::lock_guard<std::mutex> lock(m_LogMutex);
    return m_Frames;
}

size_t PtyDevice::FrameCount() const
{
    std::lock_guard<std::mutex> lock(m_LogMutex);
    return m_Frames.size();
}

bool PtyDevice::WaitForFrames(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_LogMutex);
    return m_LogCv.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                            [&] { return m_Frames.size() >= count; });
}

void PtyDevice::ClearLog()
{
    std::lock_guard<std::mutex> lock(m_LogMutex);
    m_Frames.clear();
}

void PtyDevice::CloseLine()
{
    std::unique_lock<std::mutex> lock(m_LineMutex);
    if (m_LineClosed) return;
    if (tCurrentReader == this || !m_Reader.joinable()) {
        // The descriptors are ours here: either on the reader thread or with no reader.
        if (m_Master >= 0) Trace("line closed");
        CloseLineNow();
        return;
    }
    m_CloseRequested = true;
    Wake();
    m_LineCv.wait(lock, [&] { return m_LineClosed; });
}

void PtyDevice::SetTrace(std::function<void(const std::string&)> sink)
{
    std::lock_guard<std::mutex> lock(m_TraceMutex);
    m_Trace = std::move(sink);
    m_Tracing = static_cast<bool>(m_Trace);
}

void PtyDevice::LogFrame(std::vector<uint8_t> frame)
{
    {
        std::lock_guard<std::mutex> lock(m_LogMutex);
        m_Frames.push_back(std::move(frame));
    }
    m_LogCv.notify_all();
}

std::vector<uint8_t> PtyDevice::LastFrameWith(size_t position, uint8_t value) const
{
    std::lock_guard<std::mutex> lock(m_LogMutex);
    for (auto it = m_Frames.rbegin(); it != m_Frames.rend(); ++it) {
        if (it->size() > position && (*it)[position] == value) return *it;
    }
    return {};
}

void PtyDevice::Trace(const std::string& text) const
{
    std::lock_guard<std::mutex> lock(m_TraceMutex);
    if (m_Trace) m_Trace(text);
}

void PtyDevice::Write(const uint8_t* data, size_t n)
{
    if (n == 0 || m_Master < 0) return;
    if (Tracing()) Trace("tx  " + DescribeBytes(data, n));
    int baud = m_Baud;
    if (baud > 0) {
        WritePaced(data, n, baud);
    } else {
        WriteAll(data, n);
    }
}

void PtyDevice::ReaderLoop()
{
    tCurrentReader = this;
    uint8_t buffer[4096];
    while (!m_StopRequested) {
        if (m_CloseRequested) {
            std::lock_guard<std::mutex> lock(m_LineMutex);
            Trace("line closed");
            CloseLineNow();
            m_CloseRequested = false;
            m_LineCv.notify_all();
            continue;
        }
        pollfd fds[2] = {{m_WakeRead, POLLIN, 0}, {m_Master, POLLIN, 0}}; // -1 once closed
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            Trace("poll failed; device stops answering");
            break;
        }
        if (fds[0].revents != 0) {
            DrainWake();
            continue;
        }
        if (fds[1].revents == 0) continue;
        ssize_t got = ::read(m_Master, buffer, sizeof buffer);
        if (got > 0) {
            OnBytes(buffer, static_cast<size_t>(got));
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            // No slave open (cannot happen while our own is held, but costs nothing to
            // survive): rest, so that a hang-up is not read in a tight loop.
            pollfd wake{m_WakeRead, POLLIN, 0};
            ::poll(&wake, 1, kHangupRestMs);
        }
    }
    // Release a CloseLine caller that is still waiting: there is no line to serve any more.
    std::lock_guard<std::mutex> lock(m_LineMutex);
    CloseLineNow();
    m_LineCv.notify_all();
}

void PtyDevice::CloseLineNow()
{
    CloseFd(m_Master);
    CloseFd(m_OwnSlave);
    m_LineClosed = true;
}

void PtyDevice::CloseAll()
{
    CloseFd(m_Master);
    CloseFd(m_OwnSlave);
    CloseFd(m_WakeRead);
    CloseFd(m_WakeWrite);
}

void PtyDevice::Wake()
{
    if (m_WakeWrite < 0) return;
    const uint8_t one = 1;
    // A full pipe already wakes the reader; nothing is lost when this write fails.
    ssize_t ignored = ::write(m_WakeWrite, &one, 1);
    (void)ignored;
}

void PtyDevice::DrainWake()
{
    uint8_t sink[64];
    while (::read(m_WakeRead, sink, sizeof sink) > 0) {}
}

bool PtyDevice::Interrupted() const { return m_StopRequested || m_CloseRequested; }

bool PtyDevice::SleepUntil(Clock::time_point deadline)
{
    for (;;) {
        auto now = Clock::now();
        if (now >= deadline) return true;
        auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now).count();
        timespec wait{static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
        pollfd wake{m_WakeRead, POLLIN, 0};
        if (::ppoll(&wake, 1, &wait, nullptr) > 0) {
            if (Interrupted()) return false;
            DrainWake();
        }
    }
}

bool PtyDevice::WriteAll(const uint8_t* data, size_t n)
{
    const auto giveUpAt = Clock::now() + kWriteBound;
    size_t done = 0;
    while (done < n) {
        ssize_t wrote = ::write(m_Master, data + done, n - done);
        if (wrote > 0) {
            done += static_cast<size_t>(wrote);
            continue;
        }
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0 && errno != EAGAIN) return false; // EIO: no line to write to
        pollfd fds[2] = {{m_Master, POLLOUT, 0}, {m_WakeRead, POLLIN, 0}};
        int ready = ::poll(fds, 2, MillisecondsUntil(giveUpAt));
        if (ready == 0) {
            Trace("host does not read; dropped " + std::to_string(n - done) + " bytes");
            return false;
        }
        if (ready > 0 && fds[1].revents != 0) {
            if (Interrupted()) return false;
            DrainWake();
        }
    }
    return true;
}

void PtyDevice::WritePaced(const uint8_t* data, size_t n, int baud)
{
    // 10 bits per byte: start bit, 8 data bits, stop bit. Byte k has fully arrived at
    // start + (k + 1) byte times.
    const std::chrono::nanoseconds byteTime{10'000'000'000LL / baud};
    const auto now = Clock::now();
    const auto start = m_LineFreeAt > now ? m_LineFreeAt : now;
    m_LineFreeAt = start + byteTime * static_cast<int64_t>(n);
    size_t sent = 0;
    while (sent < n) {
        auto firstDue = start + byteTime * static_cast<int64_t>(sent + 1);
        if (!SleepUntil(firstDue)) return;
        // Everything that fell due while we slept goes out together.
        auto elapsed = Clock::now() - start;
        size_t due = static_cast<size_t>(elapsed / byteTime);
        if (due > n) due = n;
        if (!WriteAll(data + sent, due - sent)) return;
        sent = due;
    }
}

} // namespace qlcos::sim
