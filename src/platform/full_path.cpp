// Folding a path lexically into its full form (the POSIX rule; Windows asks the system).
#include "platform/full_path.h"

#include <vector>

namespace qlcos::platform {

ZanString FullPathIn(const ZanString& folder, const ZanString& path)
{
    ZanString joined = !path.empty() && path[0] == '/' ? path : folder + ZT("/") + path;
    std::vector<ZanString> steps;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t end = joined.find('/', start);
        if (end == ZanString::npos) end = joined.size();
        ZanString step = joined.substr(start, end - start);
        if (step == ZT("..")) {
            if (!steps.empty()) steps.pop_back();
        } else if (!step.empty() && step != ZT(".")) {
            steps.push_back(step);
        }
        start = end + 1;
    }
    ZanString full;
    for (const ZanString& step : steps) full += ZT("/") + step;
    // A path that names a folder keeps its closing separator, as the platform function does.
    bool folderForm = !joined.empty() && joined.back() == '/' && !steps.empty();
    if (full.empty() || folderForm) full += ZT("/");
    return full;
}

} // namespace qlcos::platform
