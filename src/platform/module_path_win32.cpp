// The executable's path on Windows: GetModuleFileNameW of the process's own module.
#include "platform/module_path_exe.h"

#include <vector>

namespace qlcos::platform {

ZanString ExecutablePath()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return ZanString();
        if (n < buffer.size()) return ZanString(buffer.data(), n);
        if (buffer.size() >= 32768) return ZanString();
        buffer.resize(buffer.size() * 2);
    }
}

ZanString ExecutableFolder() { return ExecutableFolderOf(ExecutablePath(), true); }

} // namespace qlcos::platform
