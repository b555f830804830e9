// A progress line that keeps moving while one long call runs: the elapsed seconds are
// redrawn every 200 ms beside the steps already done.
#pragma once

#include "output.h"

#include <functional>
#include <string>

namespace qlcos::tool {

// Runs `work` while `progress` shows `done` steps and the seconds since the call began
// (after `note`, when given). Without a shown progress line it just runs `work`.
void TickWhile(Progress& progress, int done, const std::string& note,
               const std::function<void()>& work);

} // namespace qlcos::tool
