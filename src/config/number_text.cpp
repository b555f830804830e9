// Numbers in configuration texts, read and written the same way whatever the C locale.
#include "config/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace qlcos::numbers {

namespace {

bool IsDigit(ZanWChar c) { return c >= '0' && c <= '9'; }

} // namespace

IntText ParseInt(const ZanString& text) { return ParseInt(text.data(), text.size()); }

IntText ParseInt(const ZanWChar* text, size_t length)
{
    IntText r;
    if (!text) return r;
    size_t i = 0;
    while (i < length && unicode::IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulate the magnitude, saturating one past the 32-bit limit.
    const int64_t limit = negative ? int64_t(1) << 31 : (int64_t(1) << 31) - 1;
    int64_t magnitude = 0;
    size_t start = i;
    while (i < length && IsDigit(text[i])) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) magnitude = limit;
        ++i;
    }
    if (i == start) return r; // no digits: value 0, nothing consumed
    r.Digits = true;
    r.End = i;
    r.Value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return r;
}

bool ParseWholeInt(const ZanString& text, int32_t& value)
{
    size_t i = 0, n = text.size();
    while (i < n && unicode::IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t magnitude = 0;
    size_t start = i;
    while (i < n && IsDigit(text[i])) {
        magnitude = magnitude * 10 + (text[i++] - '0');
        if (magnitude > (int64_t(1) << 31)) return false; // beyond the 32-bit range
    }
    if (i == start) return false;
    while (i < n && unicode::IsSpace(text[i])) ++i;
    if (i != n) return false;
    const int64_t exact = negative ? -magnitude : magnitude;
    if (exact > (std::numeric_limits<int32_t>::max)()) return false;
    value = static_cast<int32_t>(exact);
    return true;
}

namespace {

bool IsWordChar(ZanWChar c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

template <typename T> RealText<T> ParseReal(const ZanWChar* text, size_t length)
{
    RealText<T> r;
    if (!text) return r;
    size_t i = 0;
    while (i < length && unicode::IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    // What FormatFloat and FormatFixed write for values that are no finite number, so that
    // such a value reads back as it was stored rather than as 0.
    for (const char* word : {"infinity", "inf", "nan"}) {
        size_t n = 0;
        while (word[n] && i + n < length && unicode::FoldCase(text[i + n]) == ZanWChar(word[n]))
            ++n;
        const size_t end = i + n;
        // A whole word only: "information" is no number.
        if (word[n] || (end < length && IsWordChar(text[end]))) continue;
        const T value = word[0] == 'n' ? std::numeric_limits<T>::quiet_NaN()
                                       : std::numeric_limits<T>::infinity();
        r.Value = negative ? -value : value;
        r.Digits = true;
        r.End = end;
        return r;
    }

    // Scan the number ourselves so that only plain decimal text is accepted, and note the
    // decimal magnitude in case the conversion reports a value out of range.
    std::string ascii;
    long intDigits = 0;       // significant digits before the point
    long fractionZeros = 0;   // zeros after the point before the first significant digit
    bool significant = false; // a non-zero digit was seen
    bool anyDigit = false;
    while (i < length && IsDigit(text[i])) {
        if (text[i] != '0') significant = true;
        if (significant) ++intDigits;
        ascii += static_cast<char>(text[i++]);
        anyDigit = true;
    }
    if (i < length && text[i] == '.') {
        size_t j = i + 1;
        std::string fraction;
        bool fractionDigit = false;
        while (j < length && IsDigit(text[j])) {
            if (!significant) {
                if (text[j] == '0')
                    ++fractionZeros;
                else
                    significant = true;
            }
            fraction += static_cast<char>(text[j++]);
            fractionDigit = true;
        }
        if (anyDigit || fractionDigit) {
            ascii += '.';
            ascii += fraction;
            anyDigit = true;
            i = j;
        }
    }
    if (!anyDigit) return r;
    long exponent = 0;
    if (i < length && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        bool expNegative = false;
        if (j < length && (text[j] == '+' || text[j] == '-')) expNegative = text[j++] == '-';
        if (j < length && IsDigit(text[j])) {
            std::string exp;
            while (j < length && IsDigit(text[j])) {
                if (exponent < 100000) exponent = exponent * 10 + (text[j] - '0');
                exp += static_cast<char>(text[j++]);
            }
            if (expNegative) exponent = -exponent;
            ascii += expNegative ? "e-" : "e";
            ascii += exp;
            i = j;
        }
    }
    T value = 0;
    auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value,
                               std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        long magnitude = intDigits > 0 ? intDigits - 1 + exponent : -(fractionZeros + 1) + exponent;
        value = magnitude > 0 ? std::numeric_limits<T>::infinity() : T(0);
    } else if (res.ec != std::errc()) {
        value = 0;
    }
    r.Value = negative ? -value : value;
    r.Digits = true;
    r.End = i;
    return r;
}

} // namespace

RealText<double> ParseDouble(const ZanWChar* text, size_t length)
{
    return ParseReal<double>(text, length);
}

RealText<double> ParseDouble(const ZanString& text)
{
    return ParseReal<double>(text.data(), text.size());
}

RealText<float> ParseFloat(const ZanString& text)
{
    return ParseReal<float>(text.data(), text.size());
}

std::string FormatFloat(float value)
{
    char buffer[64];
    auto res = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, res.ptr);
}

std::string FormatFixed(double value, int decimals)
{
    char buffer[400]; // the widest double in fixed notation has 309 integer digits
    auto res =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (res.ec != std::errc()) return std::string();
    return std::string(buffer, res.ptr);
}

std::string FormatInt(int32_t value, int width)
{
    std::string digits = std::to_string(value < 0 ? -static_cast<int64_t>(value) : value);
    while (static_cast<int>(digits.size()) + (value < 0 ? 1 : 0) < width) digits.insert(0, 1, '0');
    return value < 0 ? "-" + digits : digits;
}

float ToFloat(double value)
{
    const double largest = (std::numeric_limits<float>::max)();
    if (value > largest) {
        // Values that round to FLT_MAX stay finite, as the hardware conversion gives.
        return value < largest + std::ldexp(1.0, 103) ? (std::numeric_limits<float>::max)()
                                                      : std::numeric_limits<float>::infinity();
    }
    if (value < -largest) {
        return value > -largest - std::ldexp(1.0, 103) ? -(std::numeric_limits<float>::max)()
                                                       : -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

int32_t TruncToInt(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return (std::numeric_limits<int32_t>::max)();
    if (value <= -2147483648.0) return (std::numeric_limits<int32_t>::min)();
    return static_cast<int32_t>(value);
}

} // namespace qlcos::numbers
