// The folder of the host's executable.
#pragma once

#include "qlcos/types.h"

// Folder of the running executable, without a trailing separator, into `buffer` (at least
// 260 characters); an empty text when the folder is unknown or does not fit.
QLCOS_API void GetModuleFullPath(ZanWChar* buffer);
