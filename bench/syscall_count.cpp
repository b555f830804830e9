#include "bench/syscall_count.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qlcos::bench {

namespace {

// True once every thread of this process reports a tracer.
bool EveryThreadTraced()
{
    DIR* tasks = ::opendir("/proc/self/task");
    if (!tasks) return false;
    bool all = true;
    while (dirent* entry = ::readdir(tasks)) {
        if (entry->d_name[0] == '.') continue;
        std::ifstream status(std::string("/proc/self/task/") + entry->d_name + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("TracerPid:", 0) == 0) all = all && std::atoi(line.c_str() + 10) != 0;
    }
    ::closedir(tasks);
    return all;
}

// The "calls" column of strace's summary line.
long TotalCalls(const std::string& path)
{
    std::ifstream summary(path);
    std::string line;
    while (std::getline(summary, line)) {
        std::istringstream fields(line);
        std::string percent, seconds, perCall, calls, last;
        if (!(fields >> percent >> seconds >> perCall >> calls)) continue;
        while (fields >> last) {}
        if (last == "total") return std::atol(calls.c_str());
    }
    return -1;
}

// Runs `work` `times` times with strace attached; the number of calls it saw, or -1.
long CountedRun(const std::function<bool()>& work, int times, std::string& error)
{
    char path[] = "/tmp/qlcos-bench-strace-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) return error = "no temporary file", -1;
    ::close(fd);
    const std::string pid = std::to_string(::getpid());
    const char* argv[] = {"strace", "-f", "-c", "-q", "-o", path, "-p", pid.c_str(), nullptr};
    pid_t tracer;
    if (::posix_spawnp(&tracer, "strace", nullptr, nullptr, const_cast<char* const*>(argv),
                       environ) != 0) {
        ::unlink(path);
        return error = "strace is not installed", -1;
    }
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool traced = false;
    while (!(traced = EveryThreadTraced()) && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    bool worked = traced;
    for (int i = 0; worked && i < times; ++i) worked = work();
    ::kill(tracer, SIGINT);
    int status = 0;
    while (::waitpid(tracer, &status, 0) < 0 && errno == EINTR) {}
    const long calls = worked ? TotalCalls(path) : -1;
    // QLCOS_BENCH_SYSCALLS=1 shows which calls they were.
    if (const char* show = std::getenv("QLCOS_BENCH_SYSCALLS"); show && *show == '1') {
        std::ifstream summary(path);
        std::printf("  strace summary of %d repetitions:\n%s\n", times,
                    std::string(std::istreambuf_iterator<char>(summary), {}).c_str());
    }
    ::unlink(path);
    if (!traced)
        error = "strace could not attach (ptrace not permitted?)";
    else if (!worked)
        error = "a command failed under strace";
    else if (calls < 0)
        error = "no strace summary";
    return calls;
}

} // namespace

double SyscallsPerRepetition(const std::function<bool()>& work, int n, std::string& error)
{
    const long once = CountedRun(work, n, error);
    if (once < 0) return -1;
    const long twice = CountedRun(work, 2 * n, error);
    if (twice < 0) return -1;
    return static_cast<double>(twice - once) / n;
}

} // namespace qlcos::bench
