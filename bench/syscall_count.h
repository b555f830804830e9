// System calls made by this process (every thread), counted by strace attached for the
// length of a piece of work. Optional: without strace, or where tracing is not permitted,
// the count is unavailable.
#pragma once

#include <functional>
#include <string>

namespace qlcos::bench {

// System calls per repetition of `work`: strace counts `work` run n and 2n times and the
// difference is divided by n, so that attaching and detaching cancel out. Negative, with
// the reason in `error`, when it cannot be counted.
double SyscallsPerRepetition(const std::function<bool()>& work, int n, std::string& error);

} // namespace qlcos::bench
