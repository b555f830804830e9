// The local time as text, for the time stamps written into exported configuration.
#pragma once

#include <string>

namespace qlcos::platform {

// The current local time formatted with strftime-style `format` (at most 127 characters of
// result); "" when the time cannot be had.
std::string LocalTimeText(const char* format);

} // namespace qlcos::platform
