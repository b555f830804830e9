// GetLastError and FormatMessage.
#include "platform/os_error.h"

#include "qlcos/types.h"

namespace qlcos::platform {

uint32_t LastOsError() { return static_cast<uint32_t>(GetLastError()); }

std::string OsErrorText(uint32_t code)
{
    char buffer[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, buffer, sizeof buffer, nullptr);
    // The system's texts end with a full stop and CR LF.
    while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n' || buffer[n - 1] == '.')) --n;
    if (n == 0) return "error " + std::to_string(code);
    return std::string(buffer, n);
}

std::string LastLoadError() { return OsErrorText(LastOsError()); }

} // namespace qlcos::platform
