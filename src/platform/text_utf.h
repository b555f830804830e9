// Wide text helpers: UTF-16 <-> UTF-8, length, and letter-case folding.
#pragma once

#include "qlcos/types.h"

#include <cstddef>
#include <cstdint>
#include <string>

typedef std::basic_string<ZanWChar> ZanString;

namespace qlcos::unicode {

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
inline bool IsSpace(ZanWChar c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

} // namespace qlcos::unicode
