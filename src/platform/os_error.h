// The system's error of the last call that failed, and its text.
#pragma once

#include <cstdint>
#include <string>

namespace qlcos::platform {

// errno on POSIX, GetLastError() on Windows.
uint32_t LastOsError();
// The system's text for `code` ("No such file or directory"), without a line end.
std::string OsErrorText(uint32_t code);
// Why the last LoadLibraryW of the calling thread failed (dlerror, or GetLastError's text).
std::string LastLoadError();

} // namespace qlcos::platform
