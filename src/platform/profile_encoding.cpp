// Decoding and encoding INI file bytes: UTF-8 as it stands, UTF-16 (either byte order, with
// its byte order mark) through UTF-8 and back without loss.
#include "platform/profile_encoding.h"

#include <cstdint>

namespace qlcos::platform {

namespace {

const char kUtf8Bom[] = "\xEF\xBB\xBF";

bool BigEndian(ProfileEncoding e) { return e == ProfileEncoding::Utf16Be; }

uint32_t UnitAt(std::string_view bytes, size_t i, bool bigEndian)
{
    const auto lo = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
    const auto hi = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
    return static_cast<uint32_t>(hi << 8 | lo);
}

// UTF-8 of any code point below 0x110000, surrogates included.
void AppendCodePoint(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUnit(std::string& out, uint32_t unit, bool bigEndian)
{
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
}

// Next code point of `text` from `i` (advanced); a malformed byte gives U+FFFD.
uint32_t NextCodePoint(std::string_view text, size_t& i)
{
    const auto b = static_cast<unsigned char>(text[i++]);
    if (b < 0x80) return b;
    const int extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : 0;
    if (extra == 0 || i + static_cast<size_t>(extra) > text.size()) return 0xFFFD;
    uint32_t cp = b & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        const auto c = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
        if ((c & 0xC0) != 0x80) return 0xFFFD;
        cp = cp << 6 | (c & 0x3F);
    }
    i += static_cast<size_t>(extra);
    return cp < 0x110000 ? cp : 0xFFFD;
}

} // namespace

ProfileText DecodeProfile(std::string bytes)
{
    ProfileText out;
    const bool le = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    const bool be = bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF';
    if (!le && !be) {
        const bool bom = bytes.compare(0, 3, kUtf8Bom) == 0;
        out.Encoding = bom ? ProfileEncoding::Utf8Bom : ProfileEncoding::Utf8;
        out.Text = std::move(bytes); // a UTF-8 file's bytes are its text
        if (bom) out.Text.erase(0, 3);
        return out;
    }
    out.Encoding = le ? ProfileEncoding::Utf16Le : ProfileEncoding::Utf16Be;
    const size_t end = bytes.size() - (bytes.size() % 2);
    out.Text.reserve(end);
    for (size_t i = 2; i < end; i += 2) {
        uint32_t cp = UnitAt(bytes, i, be);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 4 <= end) {
            const uint32_t low = UnitAt(bytes, i + 2, be);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendCodePoint(out.Text, cp);
    }
    out.Tail.assign(bytes, end, std::string::npos);
    return out;
}

std::string EncodeProfile(ProfileEncoding encoding, std::string_view text, std::string_view tail)
{
    std::string out;
    if (encoding == ProfileEncoding::Utf8 || encoding == ProfileEncoding::Utf8Bom) {
        if (encoding == ProfileEncoding::Utf8Bom) out = kUtf8Bom;
        out.append(text);
        return out;
    }
    const bool be = BigEndian(encoding);
    out.reserve(2 + text.size() * 2 + tail.size());
    AppendUnit(out, 0xFEFF, be);
    for (size_t i = 0; i < text.size();) {
        const uint32_t cp = NextCodePoint(text, i);
        if (cp >= 0x10000) {
            AppendUnit(out, 0xD800 + ((cp - 0x10000) >> 10), be);
            AppendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF), be);
        } else {
            AppendUnit(out, cp, be);
        }
    }
    out.append(tail);
    return out;
}

} // namespace qlcos::platform
