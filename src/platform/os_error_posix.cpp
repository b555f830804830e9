// errno and strerror_r.
#include "platform/os_error.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>

namespace qlcos::platform {

uint32_t LastOsError() { return static_cast<uint32_t>(errno); }

namespace {
// strerror_r comes in two forms; each overload takes the result of one of them.
[[maybe_unused]] const char* Chosen(int status, const char* buffer)
{
    return status == 0 ? buffer : "";
}
[[maybe_unused]] const char* Chosen(const char* text, const char*) { return text ? text : ""; }
} // namespace

std::string OsErrorText(uint32_t code)
{
    char buffer[256] = {};
    std::string text = Chosen(strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
    if (text.empty()) text = "error " + std::to_string(code);
    return text;
}

std::string LastLoadError()
{
    const char* text = dlerror();
    return text ? text : "not found";
}

} // namespace qlcos::platform
