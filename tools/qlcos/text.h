// Text conversions the commands share: the library's UTF-16 texts and paths, and names
// compared as the records compare them.
#pragma once

#include "qlcos/types.h"

#include <string>
#include <vector>

namespace qlcos::tool {

// UTF-16 text of the library as UTF-8; invalid text comes out with U+FFFD in it.
std::string Utf8(const ZanWChar* text);
// A path as the library's wide text; throws Failure(File) when it is not valid UTF-8.
std::basic_string<ZanWChar> WidePath(const std::string& path);
// Equal with the letters A to Z matched without regard to case.
bool EqualIgnoringCase(const std::string& a, const std::string& b);
// "a, b, c".
std::string Joined(const std::vector<std::string>& items);

} // namespace qlcos::tool
