// Runs the qlcos program as a process and collects what it printed and its exit status.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace qlcos::test {

struct ToolRun {
    int Status = -1;             // exit status; -1 when it did not exit in time or was killed
    std::string Out;             // standard output
    std::string Err;             // standard error (or, on a terminal, everything it printed)
    nlohmann::json Json() const; // standard output parsed; fails the test when it is not JSON
};

// qlcos with `arguments`, standard input empty, standard output and error on pipes; killed
// after `timeoutMs`.
ToolRun RunTool(const std::vector<std::string>& arguments, int timeoutMs = 20000);
// The same with standard output and standard error on a pseudo-terminal (as a technician
// runs it); everything printed lands in Err.
ToolRun RunToolOnTerminal(const std::vector<std::string>& arguments, int timeoutMs = 20000);

// Exit statuses of the tool.
constexpr int kDone = 0, kDeviceFailed = 1, kUsage = 2, kFileFailed = 3, kNoDevice = 4,
              kUnsupported = 5, kNoReading = 6;

} // namespace qlcos::test
