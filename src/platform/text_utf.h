// Wide text helpers shared by the configuration code: UTF-16 <-> UTF-8, length, letter-case
// folding, and locale-independent number parsing and formatting.
#pragma once

#include "qlcos/types.h"

#include <cstddef>
#include <cstdint>
#include <string>

typedef std::basic_string<ZanWChar> ZanString;

namespace zantext {

// Number of characters before the terminator; 0 for null.
size_t Length(const ZanWChar* text);

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD. Null gives "".
std::string ToUtf8(const ZanWChar* text);
std::string ToUtf8(const ZanWChar* text, size_t length);
// UTF-8 to UTF-16; malformed sequences become U+FFFD.
ZanString FromUtf8(const char* text, size_t length);
ZanString FromUtf8(const std::string& text);
// Widens 7-bit ASCII (or Latin-1) text one byte to one character.
ZanString FromAscii(const char* text);

// Upper-case letters of ASCII, Latin-1, Greek and Cyrillic folded to lower case; any other
// character is returned as it is.
ZanWChar FoldCase(ZanWChar c);
// Equality without regard to letter case. Null counts as the empty text.
bool EqualNoCase(const ZanWChar* a, const ZanWChar* b);
bool EqualNoCase(const ZanWChar* a, size_t aLength, const ZanWChar* b, size_t bLength);

// True for the C white-space characters (space, tab, LF, VT, FF, CR).
inline bool IsSpace(ZanWChar c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// strtol-like reading of a signed decimal integer: leading white space, one sign, digits up
// to the first non-digit. Values beyond the 32-bit range clamp to its limits. `digits` is
// false (and the value 0) when no digit was found; `end` is the index after the last digit.
struct IntText {
    int32_t value = 0;
    bool digits = false;
    size_t end = 0;
};
IntText ParseInt(const ZanWChar* text, size_t length);
IntText ParseInt(const ZanString& text);
// The whole text (white space around it allowed) is one signed 32-bit decimal integer.
bool ParseWholeInt(const ZanString& text, int32_t& value);

// strtod-like reading of a decimal floating-point number, independent of the locale:
// leading white space, one sign, digits with an optional fraction and exponent. No
// hexadecimal, infinity or NaN text. Overflow gives an infinity, underflow a zero.
template <typename T>
struct RealText {
    T value = 0;
    bool digits = false;
    size_t end = 0;
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

} // namespace zantext
