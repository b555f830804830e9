// Numbers in configuration texts: locale-independent parsing and formatting of integers
// and floating-point numbers, and the conversions between them that never trap.
#pragma once

#include "platform/text_utf.h"

#include <cstdint>
#include <string>

namespace qlcos::numbers {

// strtol-like reading of a signed decimal integer: leading white space, one sign, digits up
// to the first non-digit. Values beyond the 32-bit range clamp to its limits. `digits` is
// false (and the value 0) when no digit was found; `end` is the index after the last digit.
struct IntText {
    int32_t Value = 0;
    bool Digits = false;
    size_t End = 0;
};
IntText ParseInt(const ZanWChar* text, size_t length);
IntText ParseInt(const ZanString& text);
// The whole text (white space around it allowed) is one signed 32-bit decimal integer.
bool ParseWholeInt(const ZanString& text, int32_t& value);

// strtod-like reading of a decimal floating-point number, independent of the locale:
// leading white space, one sign, digits with an optional fraction and exponent; or the
// words "inf", "infinity" and "nan" (any letter case), which the formatters below write for
// values that are no finite number. No hexadecimal text. Overflow gives an infinity,
// underflow a zero.
template <typename T> struct RealText {
    T Value = 0;
    bool Digits = false;
    size_t End = 0;
};
RealText<double> ParseDouble(const ZanWChar* text, size_t length);
RealText<double> ParseDouble(const ZanString& text);
// Read directly as a 32-bit float (no double rounding).
RealText<float> ParseFloat(const ZanString& text);

// Shortest text that reads back to exactly `value` ("2.5", "0.1", "1e+20").
std::string FormatFloat(float value);
// Fixed notation with `decimals` digits after the point, like "%0.2f" in the C locale.
std::string FormatFixed(double value, int decimals);
// Decimal integer, like "%d"; `width` zero-filled digits at least, like "%02d".
std::string FormatInt(int32_t value, int width = 0);

// A 64-bit float converted to a 32-bit float without undefined behaviour: values beyond the
// float range become infinities of their sign.
float ToFloat(double value);
// A float cut towards zero to a 32-bit integer; NaN gives 0, values beyond the range clamp.
int32_t TruncToInt(double value);

} // namespace qlcos::numbers
