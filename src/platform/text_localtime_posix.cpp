// Local time text on POSIX: localtime_r is the thread-safe form.
#include "platform/text_localtime.h"

#include <ctime>

namespace qlcos::platform {

std::string LocalTimeText(const char* format)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!format || !localtime_r(&now, &local)) return std::string();
    char buffer[128];
    size_t n = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, n);
}

} // namespace qlcos::platform
