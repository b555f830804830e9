// A bare pseudo-terminal for tests that play the far end of a line by hand, and a count
// of the process's threads.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace qlcos::test {

inline double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

class PtyPeer {
public:
    PtyPeer()
    {
        m_Master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_Master < 0 || grantpt(m_Master) != 0 || unlockpt(m_Master) != 0) return;
        char name[128];
        if (ptsname_r(m_Master, name, sizeof name) != 0) return;
        m_Path = name;
        // Hold the slave open ourselves, raw, so the line is up before and after the host.
        m_Slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        tcgetattr(m_Slave, &t);
        cfmakeraw(&t);
        tcsetattr(m_Slave, TCSANOW, &t);
    }
    ~PtyPeer() { Close(); }

    const std::string& Path() const { return m_Path; }
    bool Ok() const { return m_Master >= 0 && m_Slave >= 0; }
    // The terminal's settings are the line's, whoever set them: read and changed through
    // the descriptor the peer keeps of the slave.
    termios LineSettings() const
    {
        termios t{};
        tcgetattr(m_Slave, &t);
        return t;
    }
    void SetLineSettings(const termios& t) const { tcsetattr(m_Slave, TCSANOW, &t); }

    void Write(const std::vector<unsigned char>& bytes) const
    {
        if (!bytes.empty()) (void)!::write(m_Master, bytes.data(), bytes.size());
    }

    // Reads until `count` bytes came or `timeoutMs` passed.
    std::vector<unsigned char> Read(size_t count, int timeoutMs) const
    {
        std::vector<unsigned char> got;
        const auto start = std::chrono::steady_clock::now();
        for (int left = timeoutMs; got.size() < count && left > 0;
             left = timeoutMs - static_cast<int>(MillisecondsSince(start))) {
            pollfd p{m_Master, POLLIN, 0};
            if (poll(&p, 1, left) <= 0) continue;
            unsigned char buf[256];
            const ssize_t n = ::read(m_Master, buf, sizeof buf);
            if (n <= 0) break;
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }

    // Hangs the line up: the host side sees POLLHUP / EIO.
    void Close()
    {
        if (m_Slave >= 0) close(m_Slave);
        if (m_Master >= 0) close(m_Master);
        m_Slave = m_Master = -1;
    }

private:
    int m_Master = -1;
    int m_Slave = -1;
    std::string m_Path;
};

// Threads of this process. The first call starts and joins one thread, so that helper
// threads a sanitizer starts with the first thread are already counted.
inline int ThreadCount()
{
    static const bool warmed = [] {
        std::thread([] {}).join();
        usleep(20000); // a joined thread leaves the task list a moment after the join
        return true;
    }();
    (void)warmed;
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') ++count;
        closedir(dir);
    }
    return count;
}

// The thread count once it has settled at `expected`, or what it is after `timeoutMs`.
inline int ThreadCountSettled(int expected, int timeoutMs = 1000)
{
    int count = ThreadCount();
    for (int waited = 0; count != expected && waited < timeoutMs; waited += 5) {
        usleep(5000);
        count = ThreadCount();
    }
    return count;
}

} // namespace qlcos::test
