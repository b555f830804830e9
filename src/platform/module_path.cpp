// The folder of the running executable: splitting its path with either naming rule, and
// the exported GetModuleFullPath.
#include "qlcos/module_path.h"
#include "platform/module_path_exe.h"

namespace qlcos::platform {

ZanString ExecutableFolderOf(const ZanString& path, bool windowsNames)
{
    auto isSeparator = [windowsNames](ZanWChar c) {
        return c == '/' || (windowsNames && c == '\\');
    };
    size_t last = ZanString::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (isSeparator(path[i])) last = i;
    }
    // Length of the root that must stay: "/" ; "C:\" ; "\\" of a network path; "\".
    size_t root = 0;
    if (windowsNames && path.size() >= 2 && path[1] == ':') {
        root = 2;
        if (path.size() > 2 && isSeparator(path[2])) root = 3;
    } else if (windowsNames && path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        root = 2;
    } else if (!path.empty() && isSeparator(path[0])) {
        root = 1;
    }
    if (last == ZanString::npos) {
        // "C:host.exe": the drive alone is the folder.
        return root == 2 && windowsNames && path[1] == ':' ? path.substr(0, 2) : ZanString();
    }
    size_t end = last + 1;
    while (end > root && isSeparator(path[end - 1])) --end;
    return path.substr(0, end);
}

} // namespace qlcos::platform

namespace {

const size_t kModulePathChars = 260; // the caller's buffer holds at least this many

} // namespace

void GetModuleFullPath(ZanWChar* buffer)
{
    if (!buffer) return;
    ZanString folder = qlcos::platform::ExecutableFolder();
    if (folder.size() >= kModulePathChars) folder.clear(); // a cut path would name another folder
    folder.copy(buffer, folder.size());
    buffer[folder.size()] = 0;
}
