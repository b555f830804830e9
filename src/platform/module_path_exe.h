// The folder of the running executable (not of this library).
#pragma once

#include "platform/text_utf.h"

namespace qlcos::platform {

// Full path of the executable of the current process; "" when it cannot be had.
ZanString ExecutablePath();

// The folder part of an executable's full path, without separators at its end. The root of
// an absolute path stays whole ("/" on POSIX; "C:\" and the leading "\\" of a network path
// on Windows). With `windowsNames` both '\' and '/' separate and a drive letter counts as
// part of the root; otherwise only '/' separates. "" when the path has no folder part.
ZanString ExecutableFolderOf(const ZanString& path, bool windowsNames);

// ExecutableFolderOf(ExecutablePath()) with the platform's naming rules.
ZanString ExecutableFolder();

} // namespace qlcos::platform
