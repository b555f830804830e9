// Full paths on Windows: GetFullPathNameW.
#include "platform/full_path.h"

#include <vector>

namespace qlcos::platform {

ZanString FullPath(const ZanString& path)
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(),
                                   nullptr);
        if (n == 0) return ZanString();
        if (n < buffer.size()) return ZanString(buffer.data(), n);
        if (n > 32768) return ZanString();
        buffer.resize(n);
    }
}

} // namespace qlcos::platform
