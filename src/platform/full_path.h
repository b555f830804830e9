// Full paths of file names, as the platform's full-path function makes them.
#pragma once

#include "platform/text_utf.h"

namespace qlcos::platform {

// `path` made absolute: a relative path is joined to the current working folder, and the
// "." and ".." steps and repeated separators are folded, without touching the file system.
// "" when the working folder cannot be had.
ZanString FullPath(const ZanString& path);

// The POSIX rule of FullPath with the working folder given: only '/' separates, ".." at the
// root stays at the root.
ZanString FullPathIn(const ZanString& folder, const ZanString& path);

} // namespace qlcos::platform
