// Full paths on POSIX: joined to the working folder and folded lexically.
#include "platform/full_path.h"

#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace qlcos::platform {

ZanString FullPath(const ZanString& path)
{
    if (!path.empty() && path[0] == '/') return FullPathIn(ZanString(), path);
    std::vector<char> buffer(256);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() >= 65536) return ZanString();
        buffer.resize(buffer.size() * 2);
    }
    return FullPathIn(unicode::FromUtf8(std::string(buffer.data())), path);
}

} // namespace qlcos::platform
