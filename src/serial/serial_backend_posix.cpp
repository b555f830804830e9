// termios transport: real serial devices, USB adapters and pseudo-terminals alike.
#include "platform/os_error.h"
#include "serial/com_trace.h"
#include "serial/serial_backend.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/serial.h>
#endif

namespace qlcos::serial {

namespace {

struct BaudEntry {
    int Baud;
    speed_t Speed;
};

const BaudEntry kBaudRates[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},     {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
#if defined(B460800)
    {460800, B460800},
#endif
#if defined(B921600)
    {921600, B921600},
#endif
};

bool SpeedOf(int baud, speed_t& speed)
{
    for (const BaudEntry& entry : kBaudRates) {
        if (entry.Baud == baud) {
            speed = entry.Speed;
            return true;
        }
    }
    return false;
}

bool DataBitsFlag(int bits, tcflag_t& flag)
{
    switch (bits) {
    case 5: flag = CS5; return true;
    case 6: flag = CS6; return true;
    case 7: flag = CS7; return true;
    case 8: flag = CS8; return true;
    default: return false;
    }
}

// QLCOS_COM<port>, then the registered path, then /dev/ttyS<port-1>. `port` is valid.
std::string PathOf(int port)
{
    const std::string variable = "QLCOS_COM" + std::to_string(port);
    if (const char* value = std::getenv(variable.c_str()); value && *value) return value;
    std::string registered = RegisteredSerialPortPath(port);
    if (!registered.empty()) return registered;
    return "/dev/ttyS" + std::to_string(port - 1);
}

// FTDI-style adapters hold received bytes for up to 16 ms unless told otherwise. Where the
// device is not such a port (a pseudo-terminal) the request fails and is ignored.
void RequestLowLatency(int fd)
{
#if defined(__linux__) && defined(ASYNC_LOW_LATENCY)
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        (void)ioctl(fd, TIOCSSERIAL, &serial);
    }
#else
    (void)fd;
#endif
}

class PosixSerialBackend final : public SerialBackend {
public:
    ~PosixSerialBackend() override { Close(); }

    ZanResult Open(const tagZANSerialPortProperty& property) override
    {
        Close();
        m_Failure = OpenFailure{};
        if (!IsValidPortNumber(property.Port)) {
            m_Name = "COM" + std::to_string(property.Port);
            return Fail(ZAN_COM_ERR_OPEN, 0, "port number outside 1..4096");
        }
        const std::string path = PathOf(property.Port);
        m_Name = "COM" + std::to_string(property.Port) + " " + path;
        m_Fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_Fd < 0) {
            const int error = errno;
            switch (error) {
            // EBUSY: another descriptor holds the terminal in exclusive mode.
            case EBUSY: return Fail(ZAN_COM_ERR_IN_USE, error, "in use");
            case ENOENT:
            case ENOTDIR: return Fail(ZAN_COM_ERR_OPEN, error, "no such port");
            case EACCES:
            case EPERM: return Fail(ZAN_COM_ERR_OPEN, error, "permission denied");
            case EISDIR: return Fail(ZAN_COM_ERR_OPEN, error, "a directory, not a terminal");
            case ENXIO:
            case ENODEV: return Fail(ZAN_COM_ERR_OPEN, error, "no device behind the port");
            default: return Fail(ZAN_COM_ERR_OPEN, error, "open failed");
            }
        }
        // Only a terminal has a line to set up; anything else is named for what it is.
        if (!::isatty(m_Fd)) {
            const int error = errno;
            struct stat info {};
            const char* what = "not a terminal";
            if (::fstat(m_Fd, &info) == 0) {
                if (S_ISREG(info.st_mode)) what = "a regular file, not a terminal";
                if (S_ISDIR(info.st_mode)) what = "a directory, not a terminal";
                if (S_ISFIFO(info.st_mode)) what = "a FIFO, not a terminal";
                if (S_ISSOCK(info.st_mode)) what = "a socket, not a terminal";
                if (S_ISCHR(info.st_mode)) what = "a device, not a terminal";
            }
            ::close(m_Fd);
            m_Fd = -1;
            return Fail(ZAN_COM_ERR_OPEN, error, what);
        }
        // A port is ours alone, as on Windows: an advisory lock that every port control (in
        // this process or another) takes, and the terminal's exclusive mode, which turns
        // away other opens that take no lock. The lock belongs to this open file
        // description only, so a descriptor a simulator keeps of its own does not hold it.
        if (::flock(m_Fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) {
                const int error = errno;
                ::close(m_Fd);
                m_Fd = -1;
                return Fail(ZAN_COM_ERR_IN_USE, error, "in use (another port control holds it)");
            }
            TraceNote(m_Name, "no advisory lock on this device"); // usable all the same
        }
        m_Exclusive = ::ioctl(m_Fd, TIOCEXCL) == 0;
        if (::pipe2(m_Wake, O_NONBLOCK | O_CLOEXEC) != 0) {
            const int error = errno;
            Close();
            return Fail(ZAN_COM_ERR_RESOURCE, error, "no wake-up pipe");
        }
        const ZanResult configured = Configure(property);
        if (configured != ZAN_COM_OK) {
            const int error = configured == ZAN_COM_ERR_ARGUMENT ? 0 : errno;
            Close();
            if (error == 0)
                return Fail(configured, 0,
                            "baud rate " + std::to_string(property.BaudRate) + " or data bits " +
                                std::to_string(property.DataBits) + " not offered");
            return Fail(configured, error, "settings refused");
        }
        RequestLowLatency(m_Fd);
        tcflush(m_Fd, TCIOFLUSH);
        TraceNote(m_Name, "opened");
        return ZAN_COM_OK;
    }

    OpenFailure LastOpenFailure() const override { return m_Failure; }

    ZanResult Configure(const tagZANSerialPortProperty& property) override
    {
        if (m_Fd < 0) return ZAN_COM_ERR_NOT_OPEN;
        speed_t speed;
        tcflag_t bits;
        if (!SpeedOf(property.BaudRate, speed) || !DataBitsFlag(property.DataBits, bits))
            return ZAN_COM_ERR_ARGUMENT;
        termios settings{};
        if (tcgetattr(m_Fd, &settings) != 0) return ZAN_COM_ERR_OPEN;
        cfmakeraw(&settings);
        settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | CRTSCTS);
        settings.c_cflag |= bits | CLOCAL | CREAD;
        settings.c_cc[VMIN] = 0;
        settings.c_cc[VTIME] = 0;
        cfsetispeed(&settings, speed);
        cfsetospeed(&settings, speed);
        return tcsetattr(m_Fd, TCSANOW, &settings) == 0 ? ZAN_COM_OK : ZAN_COM_ERR_OPEN;
    }

    void Close() override
    {
        m_HungUp = false;
        if (m_Fd >= 0) {
            // The exclusive mode belongs to the terminal, not to this descriptor: it would
            // outlive the close while anyone else (a simulator's own descriptor) holds the
            // terminal open, and refuse every later open.
            if (m_Exclusive) (void)::ioctl(m_Fd, TIOCNXCL);
            m_Exclusive = false;
            ::close(m_Fd); // releases the advisory lock
            m_Fd = -1;
            TraceNote(m_Name, "closed");
        }
        for (int& end : m_Wake) {
            if (end >= 0) ::close(end);
            end = -1;
        }
    }

    ZanResult Write(const unsigned char* bytes, int length, uint32_t timeoutMs) override
    {
        if (m_Fd < 0) return ZAN_COM_ERR_NOT_OPEN;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int done = 0;
        while (done < length) {
            const ssize_t n = ::write(m_Fd, bytes + done, static_cast<size_t>(length - done));
            if (n > 0) {
                done += static_cast<int>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN) {
                const int error = errno;
                if (TraceEnabled())
                    TraceNote(m_Name, "write failed (" + qlcos::platform::OsErrorText(error) + ")");
                return error == EIO ? ZAN_COM_ERR_LINE_CLOSED : ZAN_COM_ERR_WRITE;
            }
            // The line is full: wait until it takes more, within the deadline.
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return ZAN_COM_ERR_WRITE_TIMEOUT;
            pollfd out{m_Fd, POLLOUT, 0};
            const int ready =
                ::poll(&out, 1, static_cast<int>(std::min<int64_t>(left.count(), INT_MAX)));
            if (ready < 0 && errno != EINTR) return ZAN_COM_ERR_WRITE;
            if (ready > 0 && (out.revents & (POLLHUP | POLLERR | POLLNVAL)) &&
                !(out.revents & POLLOUT))
                return ZAN_COM_ERR_LINE_CLOSED;
        }
        TraceBytes(m_Name, "tx", bytes, length);
        return ZAN_COM_OK;
    }

    int WaitForInput(int timeoutMs) override
    {
        if (m_Fd < 0) return -1;
        for (;;) {
            pollfd fds[2] = {{m_Fd, POLLIN, 0}, {m_Wake[0], POLLIN, 0}};
            const int ready = ::poll(fds, 2, timeoutMs < 0 ? -1 : timeoutMs);
            if (ready < 0) {
                if (errno == EINTR) continue; // restarted in full: a late wake-up at worst
                return -1;
            }
            if (ready == 0) return 2;
            if (fds[1].revents) {
                unsigned char drain[16];
                while (::read(m_Wake[0], drain, sizeof drain) > 0) {}
                return 0;
            }
            m_HungUp = (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
            if (fds[0].revents & POLLIN) return 1;
            if (m_HungUp) return -1;
        }
    }

    int ReadAvailable(unsigned char* buffer, int capacity) override
    {
        if (m_Fd < 0) return -1;
        for (;;) {
            const ssize_t n = ::read(m_Fd, buffer, static_cast<size_t>(capacity));
            if (n > 0) {
                TraceBytes(m_Name, "rx", buffer, static_cast<int>(n));
                return static_cast<int>(n);
            }
            if (n < 0 && errno == EINTR) continue;
            // Nothing there: with VMIN and VTIME 0 a terminal reads 0 rather than EAGAIN,
            // for instance when ClearPool flushed what poll announced. Only a hang-up that
            // poll reported makes it the end of the line.
            if (n == 0 || errno == EAGAIN) return m_HungUp ? -1 : 0;
            return -1; // EIO after a hang-up
        }
    }

    void Interrupt() override
    {
        if (m_Wake[1] < 0) return;
        const unsigned char one = 1;
        (void)!::write(m_Wake[1], &one, 1);
    }

    void FlushInput() override
    {
        if (m_Fd >= 0) tcflush(m_Fd, TCIFLUSH);
    }

    const std::string& Name() const override { return m_Name; }

private:
    // Keeps why the open failed and shows it in the trace.
    ZanResult Fail(ZanResult result, int osError, std::string reason)
    {
        m_Failure = OpenFailure{result, static_cast<uint32_t>(osError), std::move(reason)};
        std::string note = "open failed: " + m_Failure.Reason;
        if (osError != 0) note += " (" + qlcos::platform::OsErrorText(m_Failure.OsError) + ")";
        TraceNote(m_Name, note);
        return result;
    }

    int m_Fd = -1;
    int m_Wake[2] = {-1, -1};
    bool m_HungUp = false;    // the last poll reported a hang-up or an error
    bool m_Exclusive = false; // TIOCEXCL is set through this descriptor
    std::string m_Name;
    OpenFailure m_Failure;
};

} // namespace

std::unique_ptr<SerialBackend> CreateSystemSerialBackend()
{
    return std::make_unique<PosixSerialBackend>();
}

} // namespace qlcos::serial
