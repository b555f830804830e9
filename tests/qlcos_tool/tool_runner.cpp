#include "tool_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qlcos::test {

namespace {

std::vector<char*> Argv(std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    static std::string program = QLCOS_TOOL_PATH;
    argv.push_back(program.data());
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

// Reads the descriptors into the strings until both close or the time is up, then reaps
// the child (killing it when it overran).
int Collect(pid_t child, std::vector<std::pair<int, std::string*>> streams, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!streams.empty()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) break;
        std::vector<pollfd> fds;
        for (auto& s : streams) fds.push_back({s.first, POLLIN, 0});
        if (poll(fds.data(), fds.size(), static_cast<int>(left)) < 0) break;
        for (size_t i = fds.size(); i-- > 0;) {
            if (!fds[i].revents) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                streams[i].second->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                streams.erase(streams.begin() + static_cast<long>(i));
            }
        }
    }
    for (auto& s : streams) close(s.first);
    int status = 0;
    if (!streams.empty()) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return -1;
    }
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

nlohmann::json ToolRun::Json() const
{
    nlohmann::json parsed = nlohmann::json::parse(Out, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << "not JSON: " << Out;
    return parsed;
}

ToolRun RunTool(const std::vector<std::string>& arguments, int timeoutMs)
{
    std::vector<std::string> copy = arguments;
    std::vector<char*> argv = Argv(copy);
    int out[2], err[2];
    ToolRun run;
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return run;
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    run.Status = Collect(child, {{out[0], &run.Out}, {err[0], &run.Err}}, timeoutMs);
    return run;
}

ToolRun RunToolOnTerminal(const std::vector<std::string>& arguments, int timeoutMs)
{
    std::vector<std::string> copy = arguments;
    std::vector<char*> argv = Argv(copy);
    ToolRun run;
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    if (child < 0) return run;
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    run.Status = Collect(child, {{master, &run.Err}}, timeoutMs);
    return run;
}

} // namespace qlcos::test
