#include "output.h"

#include <charconv>
#include <cstdio>
#include <unistd.h>

namespace qlcos::tool {

void Output::Result(const qlcos::tool::Json& data, const std::string& text) const
{
    if (m_Json)
        std::printf("%s\n", data.dump(2).c_str());
    else
        std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

void Output::StreamItem(const qlcos::tool::Json& data, const std::string& text) const
{
    if (m_Json)
        std::printf("%s\n", data.dump().c_str());
    else
        std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

Progress::Progress(const GlobalOptions& options, std::string label, int total)
    : m_Label(std::move(label)),
      m_Total(total > 0 ? total : 1),
      m_Shown(!options.Json && isatty(STDERR_FILENO))
{
    Update(0);
}

Progress::~Progress()
{
    if (!m_Shown) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(m_LastWidth), "");
    std::fflush(stderr);
}

void Progress::Update(int done, const std::string& note)
{
    if (!m_Shown) return;
    const int width = 24;
    const int clamped = done < 0 ? 0 : (done > m_Total ? m_Total : done);
    const int filled = clamped * width / m_Total;
    std::string line = m_Label + " [" + std::string(filled, '#') +
                       std::string(width - filled, '.') + "] " +
                       std::to_string(clamped * 100 / m_Total) + "%";
    if (!note.empty()) line += "  " + note;
    const size_t shown = line.size();
    if (line.size() < m_LastWidth) line += std::string(m_LastWidth - line.size(), ' ');
    m_LastWidth = shown;
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
}

std::string NumberText(double value, int decimals)
{
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (end.ec != std::errc()) return "?";
    std::string s(text, end.ptr);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

double Rounded(double value, int decimals)
{
    const std::string text = NumberText(value, decimals);
    double rounded = 0;
    std::from_chars(text.data(), text.data() + text.size(), rounded);
    return rounded;
}

} // namespace qlcos::tool
