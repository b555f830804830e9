// Wide text helpers: UTF conversion and letter-case folding.
#include "platform/text_utf.h"
#include "qlcos/host.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace qlcos::unicode {

size_t Length(const ZanWChar* text)
{
    size_t n = 0;
    if (text) {
        while (text[n]) ++n;
    }
    return n;
}

namespace {

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(ZanString& out, uint32_t cp)
{
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<ZanWChar>(0xD800 + (cp >> 10));
        out += static_cast<ZanWChar>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<ZanWChar>(cp);
    }
}

const uint32_t kReplacement = 0xFFFD;

} // namespace

std::string ToUtf8(const ZanWChar* text) { return ToUtf8(text, Length(text)); }

std::string ToUtf8(const ZanWChar* text, size_t length)
{
    std::string out;
    if (!text) return out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        uint32_t c = static_cast<uint16_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length) {
            uint32_t low = static_cast<uint16_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (c >= 0xD800 && c <= 0xDFFF) c = kReplacement;
        AppendUtf8(out, c);
    }
    return out;
}

ZanString FromUtf8(const std::string& text) { return FromUtf8(text.data(), text.size()); }

ZanString FromUtf8(const char* text, size_t length)
{
    ZanString out;
    if (!text) return out;
    out.reserve(length);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < length) {
        unsigned char b = s[i];
        if (b < 0x80) {
            out += static_cast<ZanWChar>(b);
            ++i;
            continue;
        }
        int extra = 0;
        uint32_t cp = 0, min = 0;
        if ((b & 0xE0) == 0xC0) {
            extra = 1;
            cp = b & 0x1F;
            min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            cp = b & 0x0F;
            min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            cp = b & 0x07;
            min = 0x10000;
        } else {
            out += static_cast<ZanWChar>(kReplacement);
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < extra; ++k, ++j) {
            if (j >= length || (s[j] & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (s[j] & 0x3F);
        }
        if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += static_cast<ZanWChar>(kReplacement);
            i = ok ? j : (j > i + 1 ? j : i + 1);
            continue;
        }
        AppendUtf16(out, cp);
        i = j;
    }
    return out;
}

ZanString FromAscii(const char* text)
{
    ZanString out;
    if (!text) return out;
    for (; *text; ++text) out += static_cast<ZanWChar>(static_cast<unsigned char>(*text));
    return out;
}

ZanWChar FoldCase(ZanWChar c)
{
    const uint32_t u = static_cast<uint16_t>(c);
    if (u >= 'A' && u <= 'Z') return static_cast<ZanWChar>(u + 0x20);
    if (u < 0xC0) return c;
    if (u <= 0xDE && u != 0xD7) return static_cast<ZanWChar>(u + 0x20);                 // Latin-1
    if (u >= 0x391 && u <= 0x3A9 && u != 0x3A2) return static_cast<ZanWChar>(u + 0x20); // Greek
    if (u >= 0x410 && u <= 0x42F) return static_cast<ZanWChar>(u + 0x20);               // Cyrillic
    if (u >= 0x400 && u <= 0x40F) return static_cast<ZanWChar>(u + 0x50); // Cyrillic Ѐ..Џ
    return c;
}

bool EqualNoCase(const ZanWChar* a, const ZanWChar* b)
{
    return EqualNoCase(a, Length(a), b, Length(b));
}

bool EqualNoCase(const ZanWChar* a, size_t aLength, const ZanWChar* b, size_t bLength)
{
    if (aLength != bLength) return false;
    for (size_t i = 0; i < aLength; ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

} // namespace qlcos::unicode

// The host's conversion helpers (qlcos/host.h).
namespace {

// Copies the longest run of whole characters of `text` that fits into `buffer` with the
// terminator; `continues(text, n)` tells whether text[n] carries on the character before it.
// Returns the size of the whole text, or -1 for arguments out of order or a text too long
// to count in an int.
template <typename Char, typename String, typename Continues>
int CopyWhole(const String& text, bool valid, Char* buffer, int length, Continues continues)
{
    if (length < 0 || (!buffer && length != 0)) return -1;
    if (length > 0) {
        size_t n = text.size();
        if (n >= static_cast<size_t>(length)) {
            n = static_cast<size_t>(length) - 1;
            while (n > 0 && continues(text, n)) --n;
        }
        std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), buffer);
        buffer[n] = 0;
    }
    if (!valid || text.size() > static_cast<size_t>(INT_MAX)) return -1;
    return static_cast<int>(text.size());
}

void ClearBuffer(void* buffer, int length, size_t unit)
{
    if (buffer && length > 0) std::memset(buffer, 0, unit);
}

} // namespace

int zanUtf8ToWide(const char* text, ZanWChar* buffer, int length)
{
    if (!text) {
        ClearBuffer(buffer, length, sizeof(ZanWChar));
        return -1;
    }
    const std::string narrow(text);
    const ZanString wide = qlcos::unicode::FromUtf8(narrow);
    // Valid UTF-8 comes back byte for byte; a replaced sequence does not.
    const bool valid = qlcos::unicode::ToUtf8(wide.data(), wide.size()) == narrow;
    return CopyWhole(wide, valid, buffer, length, [](const ZanString& s, size_t n) {
        return (s[n] & 0xFC00) == 0xDC00 && (s[n - 1] & 0xFC00) == 0xD800;
    });
}

int zanWideToUtf8(const ZanWChar* text, char* buffer, int length)
{
    if (!text) {
        ClearBuffer(buffer, length, 1);
        return -1;
    }
    const ZanString wide(text);
    const std::string narrow = qlcos::unicode::ToUtf8(wide.data(), wide.size());
    // A lone surrogate comes back as U+FFFD, so only valid UTF-16 survives the round trip.
    const bool valid = qlcos::unicode::FromUtf8(narrow) == wide;
    return CopyWhole(narrow, valid, buffer, length, [](const std::string& s, size_t n) {
        return (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80;
    });
}
