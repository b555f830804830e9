// The FIFO reader of the stand-in colour mouse: poll on the FIFO and a wake-up pipe.
#include "sim/colormouse/fifo_reader.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qlcos::sim {

namespace {
// The longest single wait; the wake-up pipe ends it earlier.
const int kPollMs = 1000;
} // namespace

std::unique_ptr<FifoReader> FifoReader::Start(const std::string& path, LineHandler handler)
{
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISFIFO(info.st_mode)) return nullptr;
    // Non-blocking: opening the read end does not wait for a writer, reading never blocks.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    const int keeper = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    int wake[2];
    if (keeper < 0 || pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (keeper >= 0) close(keeper);
        close(fd);
        return nullptr;
    }
    std::unique_ptr<FifoReader> reader(
        new FifoReader(fd, keeper, wake[0], wake[1], std::move(handler)));
    reader->m_Thread = std::thread(&FifoReader::Run, reader.get());
    return reader;
}

FifoReader::FifoReader(int fd, int keeper, int wakeRead, int wakeWrite, LineHandler handler)
    : m_Fd(fd),
      m_Keeper(keeper),
      m_WakeRead(wakeRead),
      m_WakeWrite(wakeWrite),
      m_Handler(std::move(handler))
{}

FifoReader::~FifoReader()
{
    const char stop = 0;
    while (write(m_WakeWrite, &stop, 1) < 0 && errno == EINTR) {}
    if (m_Thread.joinable()) m_Thread.join();
    close(m_WakeRead);
    close(m_WakeWrite);
    close(m_Keeper);
    close(m_Fd);
}

void FifoReader::Run()
{
    for (;;) {
        pollfd fds[2] = {{m_Fd, POLLIN, 0}, {m_WakeRead, POLLIN, 0}};
        const int ready = poll(fds, 2, kPollMs);
        if (ready < 0 && errno != EINTR) return;
        if (ready <= 0) continue;
        if (fds[1].revents != 0) return;
        if (fds[0].revents & (POLLERR | POLLNVAL)) return;
        if (!(fds[0].revents & POLLIN)) continue;
        char chunk[512];
        const ssize_t n = read(m_Fd, chunk, sizeof chunk);
        if (n > 0) Take(chunk, static_cast<size_t>(n));
    }
}

void FifoReader::Take(const char* data, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const char c = data[i];
        if (c == '\n') {
            if (!m_Dropping) m_Handler(m_Pending);
            m_Pending.clear();
            m_Dropping = false;
        } else if (!m_Dropping) {
            if (m_Pending.size() < kMaxLineBytes) {
                m_Pending += c;
            } else {
                m_Pending.clear();
                m_Dropping = true;
            }
        }
    }
}

} // namespace qlcos::sim
