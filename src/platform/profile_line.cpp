// What an INI line can hold: the same rule for the POSIX profile functions and, on Windows,
// before the system's own are called (they would write a key with '=' that no read finds).
#include "platform/profile_io.h"

namespace qlcos::platform {

namespace {

bool HasLineBreak(const ZanString& s)
{
    return s.find(ZanWChar('\n')) != ZanString::npos || s.find(ZanWChar('\r')) != ZanString::npos;
}

bool ValidSection(const ZanString& s)
{
    return !HasLineBreak(s) && s.find(ZanWChar(']')) == ZanString::npos;
}

bool ValidKey(const ZanString& s)
{
    const std::string k = qlcos::unicode::ToUtf8(s.c_str());
    const size_t first = k.find_first_not_of(" \t\v\f");
    return first != std::string::npos && !HasLineBreak(s) &&
           s.find(ZanWChar('=')) == ZanString::npos && k[first] != '[' && k[first] != ';';
}

} // namespace

bool ProfileLineStorable(const ZanWChar* section, const ZanWChar* key, const ZanWChar* value)
{
    return section && ValidSection(section) && (!key || ValidKey(key)) &&
           (!value || !HasLineBreak(value));
}

} // namespace qlcos::platform
