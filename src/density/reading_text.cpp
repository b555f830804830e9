// The reading text of the X-Rite densitometers.
#include "density/reading_text.h"

#include <charconv>
#include <cmath>

namespace qlcos::density {

namespace {

bool IsSeparator(char c) { return c == ' ' || c == ','; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Hands out the tokens of a text one after the other.
class Tokens {
public:
    Tokens(const char* begin, const char* end) : m_At(begin), m_End(end) {}

    // The next token as [begin, end); false when none is left.
    bool Next(const char*& begin, const char*& end)
    {
        while (m_At != m_End && IsSeparator(*m_At)) ++m_At;
        if (m_At == m_End) return false;
        begin = m_At;
        while (m_At != m_End && !IsSeparator(*m_At)) ++m_At;
        end = m_At;
        return true;
    }

private:
    const char* m_At;
    const char* m_End;
};

// The number [begin, end) begins with; false when it begins with none.
bool ReadValue(const char* begin, const char* end, float& value)
{
    // from_chars takes no plus sign.
    if (end - begin >= 2 && *begin == '+' && (IsDigit(begin[1]) || begin[1] == '.')) ++begin;
    if (begin == end || !(IsDigit(*begin) || *begin == '.' || *begin == '-')) return false;
    float read = 0.0f;
    const std::from_chars_result result =
        std::from_chars(begin, end, read, std::chars_format::general);
    // "inf" and "nan" are no densities.
    if (result.ec != std::errc() || !std::isfinite(read)) return false;
    value = read;
    return true;
}

} // namespace

int ParseReading(const unsigned char* text, int length, const ReadingLetters& letters,
                 tagDensityInfo& reading)
{
    if (!text || length <= 0) return 0;
    const char* begin = reinterpret_cast<const char*>(text);
    const char* end = begin;
    const char* const limit = begin + (length < kMaxReadingText ? length : kMaxReadingText);
    while (end != limit && *end != '\0') ++end;

    float* const fields[4] = {&reading.Visual, &reading.Cyan, &reading.Magenta, &reading.Yellow};
    Tokens tokens(begin, end);
    const char* tokenBegin = nullptr;
    const char* tokenEnd = nullptr;
    int values = 0;
    while (tokens.Next(tokenBegin, tokenEnd)) {
        for (int field = 0; field < 4; ++field) {
            if (*tokenBegin != letters.Letter[field]) continue;
            if (!tokens.Next(tokenBegin, tokenEnd)) return values;
            if (ReadValue(tokenBegin, tokenEnd, *fields[field])) ++values;
        }
    }
    return values;
}

} // namespace qlcos::density
