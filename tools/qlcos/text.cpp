#include "text.h"

#include "failure.h"

#include "qlcos/host.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace qlcos::tool {

std::string Utf8(const ZanWChar* text)
{
    if (!text) return "";
    const int needed = zanWideToUtf8(text, nullptr, 0);
    if (needed <= 0) return "";
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    zanWideToUtf8(text, out.data(), needed + 1); // U+FFFD stands in for invalid text
    out.resize(std::strlen(out.c_str()));
    return out;
}

std::basic_string<ZanWChar> WidePath(const std::string& path)
{
    const int needed = zanUtf8ToWide(path.c_str(), nullptr, 0);
    std::basic_string<ZanWChar> wide(static_cast<size_t>(needed > 0 ? needed : 0) + 1, 0);
    if (needed < 0 || zanUtf8ToWide(path.c_str(), wide.data(), needed + 1) != needed)
        throw Failure(ExitCode::File, path + ": the name is not valid UTF-8");
    wide.resize(static_cast<size_t>(needed));
    return wide;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Joined(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

} // namespace qlcos::tool
