#include "bench/sim_process.h"

#include "sim/simulators.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qlcos::bench {

namespace {

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The child: starts the simulators, announces their paths one per line ("-" for one that
// did not start) and serves until the parent closes the control pipe.
[[noreturn]] void ServeSimulators(const std::vector<SimRequest>& requests, int paths, int control)
{
    std::vector<std::unique_ptr<sim::PtyDevice>> running;
    std::string announcement;
    for (const SimRequest& request : requests) {
        std::unique_ptr<sim::PtyDevice> device = sim::MakeSimulator(request.Model);
        if (device) device->SetPacing(request.Baud);
        const bool started = device && device->Start();
        announcement += (started ? device->Path() : std::string("-")) + "\n";
        running.push_back(std::move(device));
    }
    WriteAll(paths, announcement);
    ::close(paths);
    char byte;
    for (;;) {
        const ssize_t n = ::read(control, &byte, 1);
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    for (auto& device : running)
        if (device) device->Stop();
    ::_exit(0);
}

} // namespace

bool SimProcess::Start(const std::vector<SimRequest>& requests, std::string& error)
{
    int paths[2];
    int control[2];
    if (::pipe(paths) != 0) return error = "pipe failed", false;
    if (::pipe(control) != 0) {
        ::close(paths[0]);
        ::close(paths[1]);
        return error = "pipe failed", false;
    }
    m_Child = ::fork();
    if (m_Child < 0) return error = "fork failed", false;
    if (m_Child == 0) {
        ::close(paths[0]);
        ::close(control[1]);
        ServeSimulators(requests, paths[1], control[0]);
    }
    ::close(paths[1]);
    ::close(control[0]);
    m_Control = control[1];

    std::string text;
    char buffer[512];
    for (;;) {
        pollfd p{paths[0], POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0) break;
        const ssize_t n = ::read(paths[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(paths[0]);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        m_Paths.push_back(text.substr(start, end - start));
    if (m_Paths.size() != requests.size()) return error = "the simulators did not start", false;
    for (size_t i = 0; i < requests.size(); ++i)
        if (m_Paths[i] == "-")
            return error = "simulator '" + requests[i].Model + "' did not start", false;
    return true;
}

SimProcess::~SimProcess()
{
    if (m_Control >= 0) ::close(m_Control);
    if (m_Child <= 0) return;
    // The simulators stop within a second; a child that hangs is killed after five.
    int status = 0;
    for (int i = 0; i < 500; ++i) {
        if (::waitpid(m_Child, &status, WNOHANG) != 0) return;
        ::usleep(10000);
    }
    ::kill(m_Child, SIGKILL);
    ::waitpid(m_Child, &status, 0);
}

} // namespace qlcos::bench
