// The executable's path on POSIX: the link /proc/self/exe names it.
#include "platform/module_path_exe.h"

#include <unistd.h>
#include <vector>

namespace qlcos::platform {

ZanString ExecutablePath()
{
    std::vector<char> buffer(512);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return ZanString();
        if (static_cast<size_t>(n) < buffer.size())
            return qlcos::unicode::FromUtf8(buffer.data(), static_cast<size_t>(n));
        if (buffer.size() >= 65536) return ZanString();
        buffer.resize(buffer.size() * 2);
    }
}

ZanString ExecutableFolder() { return ExecutableFolderOf(ExecutablePath(), false); }

} // namespace qlcos::platform
