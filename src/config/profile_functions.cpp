// The INI profile functions of the configuration records, on the platform's private-profile
// access, and the text widening helpers.
#include "qlcos/config.h"

#include "config/number_text.h"
#include "platform/profile_io.h"
#include "platform/text_utf.h"

#include <limits>

namespace {

bool Read(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path, ZanString& text)
{
    return qlcos::platform::ProfileRead(path, section, key, text);
}

int Write(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path, const ZanString& text)
{
    if (!section || !key || !path) return 0;
    return qlcos::platform::ProfileWrite(path, section, key, text.c_str()) ? 1 : 0;
}

// Values the profile functions would change on reading (white space at the ends, enclosing
// quotes) go inside double quotes, which reading removes again.
ZanString Quoted(const ZanString& value)
{
    if (value.empty()) return value;
    const ZanWChar first = value.front(), last = value.back();
    bool needs = qlcos::unicode::IsSpace(first) || qlcos::unicode::IsSpace(last) ||
                 (value.size() >= 2 && (first == '"' || first == '\'') && last == first);
    return needs ? ZT("\"") + value + ZT("\"") : value;
}

} // namespace

int zanGetProfileInt(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path, int* value)
{
    ZanString text;
    if (!value || !Read(section, key, path, text)) return 0;
    qlcos::numbers::IntText n = qlcos::numbers::ParseInt(text);
    if (!n.Digits) return 0;
    *value = n.Value;
    return 1;
}

int zanGetProfileFloat(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path,
                       float* value)
{
    ZanString text;
    if (!value || !Read(section, key, path, text)) return 0;
    qlcos::numbers::RealText<float> n = qlcos::numbers::ParseFloat(text);
    // The non-finite values zanSetProfileFloat writes ("inf", "nan") read back as themselves.
    if (!n.Digits) return 0;
    *value = n.Value;
    return 1;
}

int zanGetProfileString(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path,
                        ZanWChar* buffer, int length)
{
    ZanString text;
    if (!buffer || length <= 0 || !Read(section, key, path, text)) return 0;
    size_t n = text.size() < static_cast<size_t>(length - 1) ? text.size()
                                                             : static_cast<size_t>(length - 1);
    text.copy(buffer, n);
    buffer[n] = 0;
    return 1;
}

int zanGetProfileBool(const ZanWChar* section, const ZanWChar* key, int defaultValue,
                      const ZanWChar* path)
{
    const int fallback = defaultValue ? 1 : 0;
    ZanString text;
    if (!Read(section, key, path, text)) return fallback;
    qlcos::numbers::IntText n = qlcos::numbers::ParseInt(text);
    if (n.Digits) return n.Value != 0 ? 1 : 0;
    for (const ZanWChar* word : {ZT("true"), ZT("yes"), ZT("on")})
        if (qlcos::unicode::EqualNoCase(text.c_str(), word)) return 1;
    for (const ZanWChar* word : {ZT("false"), ZT("no"), ZT("off")})
        if (qlcos::unicode::EqualNoCase(text.c_str(), word)) return 0;
    return fallback;
}

int zanSetProfileInt(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path, int value)
{
    return Write(section, key, path,
                 qlcos::unicode::FromAscii(qlcos::numbers::FormatInt(value).c_str()));
}

int zanSetProfileFloat(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path,
                       float value)
{
    return Write(section, key, path,
                 qlcos::unicode::FromAscii(qlcos::numbers::FormatFloat(value).c_str()));
}

int zanSetProfileString(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path,
                        const ZanWChar* value)
{
    if (!value) return 0;
    ZanString text(value);
    if (text.find(ZanWChar('\n')) != ZanString::npos ||
        text.find(ZanWChar('\r')) != ZanString::npos)
        return 0; // a line break would split the line and could forge keys
    return Write(section, key, path, Quoted(text));
}

int zanSetProfileBool(const ZanWChar* section, const ZanWChar* key, int value, const ZanWChar* path)
{
    return Write(section, key, path, value ? ZT("1") : ZT("0"));
}

ZanWChar* StringToWChar(ZanWChar* target, const char* source, int count)
{
    if (!target || !source) return target;
    for (int i = 0; i < count; ++i) {
        target[i] = static_cast<ZanWChar>(static_cast<unsigned char>(source[i]));
        if (!source[i]) break; // never read past the source's terminator
    }
    return target;
}

ZanWChar* StringToWChar(ZanWChar* target, const ZanWChar* source, int count)
{
    if (!target || !source || count <= 0) return target;
    int i = 0;
    for (; i < count - 1 && source[i]; ++i) target[i] = source[i];
    target[i] = 0;
    return target;
}
