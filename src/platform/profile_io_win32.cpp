// Reading one INI value with the real Windows profile functions.
#include "platform/profile_io.h"

#include <vector>

namespace qlcos::platform {

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

} // namespace qlcos::platform
