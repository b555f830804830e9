// Reading and writing INI values with the real Windows profile functions.
#include "platform/profile_io.h"

#include <vector>

namespace qlcos::platform {

namespace {

// A file that does not exist yet is made UTF-16 (little-endian, with its byte order mark):
// the system's functions then write every character, where a file they create themselves
// holds the ANSI code page's. An existing file keeps its encoding.
void CreateAsUtf16(const ZanWChar* path)
{
    HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return; // it exists, or the write below fails as well
    static const unsigned char kByteOrderMark[] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(file, kByteOrderMark, sizeof kByteOrderMark, &written, nullptr);
    CloseHandle(file);
}

} // namespace

bool ProfileRead(const ZanWChar* path, const ZanWChar* section, const ZanWChar* key,
                 ZanString& value)
{
    if (!path || !section || !key) return false;
    // A default of control characters that no written value holds tells a missing key from
    // an empty one (Windows strips trailing blanks from the default, so none are used).
    static const wchar_t kMissing[] = L"\x01\x02\x03";
    std::vector<wchar_t> buffer(256);
    for (;;) {
        DWORD n = GetPrivateProfileStringW(section, key, kMissing, buffer.data(),
                                           static_cast<DWORD>(buffer.size()), path);
        if (n + 1 < buffer.size() || buffer.size() >= 65536) {
            if (n == 3 && buffer[0] == 1 && buffer[1] == 2 && buffer[2] == 3) return false;
            value.assign(buffer.data(), n);
            return true;
        }
        buffer.resize(buffer.size() * 4);
    }
}

bool ProfileWrite(const ZanWChar* path, const ZanWChar* section, const ZanWChar* key,
                  const ZanWChar* value)
{
    if (!path || !*path || !ProfileLineStorable(section, key, value)) return false;
    if (key && value) CreateAsUtf16(path); // removing from a missing file makes none
    return WritePrivateProfileStringW(section, key, value, path) != FALSE;
}

} // namespace qlcos::platform
