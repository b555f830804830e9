// Files the fuzzers write their inputs to: one folder per process below the system's
// temporary folder, removed when the process ends.
#pragma once

#include "qlcos/types.h"

#include <string>

namespace qlcos::fuzz {

// The path of `name` in this process's folder (created on first use).
std::string TempPath(const std::string& name);
// The same path as the wide text the library takes.
std::basic_string<ZanWChar> WidePath(const std::string& path);
// Replaces the file's content with `size` bytes; false when it cannot be written.
bool WriteFile(const std::string& path, const void* data, size_t size);
// The file's content; empty when it cannot be read.
std::string ReadFile(const std::string& path);

} // namespace qlcos::fuzz
