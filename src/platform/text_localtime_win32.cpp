// Local time text on Windows: localtime_s is the thread-safe form.
#include "platform/text_localtime.h"

#include <ctime>

namespace qlcos::platform {

std::string LocalTimeText(const char* format)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!format || localtime_s(&local, &now) != 0) return std::string();
    char buffer[128];
    size_t n = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, n);
}

} // namespace qlcos::platform
