// The Windows private-profile functions on POSIX.
//
// A file is kept as its lines, each with its own line ending, so that a write changes only
// the line it concerns (or adds one) and leaves comments, blank lines, unknown keys, the
// byte order mark and the encoding as they were. Parsed files are cached while unchanged.
#include "platform/profile_io.h"

#include "platform/profile_load.h"

#include <mutex>
#include <optional>

using qlcos::platform::FileStatus;
using qlcos::platform::LoadedProfile;
using qlcos::platform::ProfileDocument;

namespace {

// Serialises read-modify-write cycles of the threads of this process.
std::mutex g_profileMutex;

std::string Unquote(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// The file's new text after the write, or nothing when the file stays as it is.
std::optional<std::string> Edited(const ProfileDocument& d, const ZanString& section,
                                  const ZanWChar* key, const ZanWChar* value)
{
    const std::string nl(d.PrevailingEnd());
    const size_t lines = d.LineCount();
    const size_t header = d.FindSection(section);
    if (!key) { // remove the section
        if (header == ProfileDocument::npos) return std::nullopt;
        return d.Spliced(header, d.SectionEnd(header), "");
    }
    if (!value && header == ProfileDocument::npos) return std::nullopt;
    const std::string entry =
        value ? qlcos::unicode::ToUtf8(key) + "=" + qlcos::unicode::ToUtf8(value) : "";
    if (header == ProfileDocument::npos) {
        std::string add;
        if (lines > 0 && d.End(lines - 1) == qlcos::platform::LineEnd::None) add += nl;
        if (lines > 0 && !qlcos::platform::IsBlankLine(d.LineText(lines - 1))) add += nl;
        add += "[" + qlcos::unicode::ToUtf8(section.c_str()) + "]" + nl + entry + nl;
        return d.Spliced(lines, lines, add);
    }
    const size_t end = d.SectionEnd(header);
    const size_t at = d.FindKey(header + 1, end, key);
    if (at < end) {
        if (!value) return d.Spliced(at, at + 1, "");
        // The stored spelling of the key stays; only the value changes.
        const std::string line = std::string(qlcos::platform::ParseLine(d.LineText(at)).Name) +
                                 "=" + qlcos::unicode::ToUtf8(value);
        if (line == d.LineText(at)) return std::nullopt;
        return d.Spliced(at, at + 1, line + std::string(d.EndText(at)));
    }
    if (!value) return std::nullopt;
    // New key: after the section's last non-blank line, so blank separators stay in front of
    // the next section. A last line without an ending gets the file's usual one.
    size_t insert = end;
    while (insert > header + 1 && qlcos::platform::IsBlankLine(d.LineText(insert - 1))) --insert;
    if (d.End(insert - 1) == qlcos::platform::LineEnd::None)
        return d.Spliced(insert - 1, insert, std::string(d.LineText(insert - 1)) + nl + entry + nl);
    return d.Spliced(insert, insert, entry + nl);
}

} // namespace

namespace qlcos::platform {

bool ProfileRead(const ZanWChar* path, const ZanWChar* section, const ZanWChar* key,
                 ZanString& value)
{
    if (!path || !*path || !section || !key) return false;
    std::lock_guard<std::mutex> lock(g_profileMutex);
    LoadedProfile file;
    if (LoadProfile(unicode::ToUtf8(path), file) != FileStatus::Ok) return false;
    const ProfileDocument& d = *file.Document;
    const size_t header = d.FindSection(section);
    if (header == ProfileDocument::npos) return false;
    const size_t end = d.SectionEnd(header);
    const size_t at = d.FindKey(header + 1, end, key);
    if (at == end) return false;
    value = unicode::FromUtf8(Unquote(ParseLine(d.LineText(at)).Value));
    return true;
}

} // namespace qlcos::platform

UINT GetPrivateProfileIntW(const ZanWChar* section, const ZanWChar* key, int defaultValue,
                           const ZanWChar* path)
{
    ZanString text;
    if (!qlcos::platform::ProfileRead(path, section, key, text) || text.empty())
        return static_cast<UINT>(defaultValue);
    size_t i = 0;
    while (i < text.size() && qlcos::unicode::IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        ZanWChar p = qlcos::unicode::FoldCase(text[i + 1]);
        if (p == 'x')
            base = 16;
        else if (p == 'o')
            base = 8;
        else if (p == 'b')
            base = 2;
        if (base != 10) i += 2;
    }
    uint32_t value = 0; // wraps modulo 2^32 as the Windows conversion does
    for (; i < text.size(); ++i) {
        unsigned digit;
        ZanWChar c = qlcos::unicode::FoldCase(text[i]);
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else
            break;
        if (digit >= base) break;
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}

BOOL WritePrivateProfileStringW(const ZanWChar* section, const ZanWChar* key, const ZanWChar* value,
                                const ZanWChar* path)
{
    if (!path || !*path || !section) return 0;
    const ZanString sectionName(section);
    if (!qlcos::platform::ProfileLineStorable(section, key, value)) return 0;

    std::lock_guard<std::mutex> lock(g_profileMutex);
    const std::string file8 = qlcos::unicode::ToUtf8(path);
    // A file changed by another writer between reading and writing is read again and the
    // change made anew; a file that cannot be read is never written.
    for (int attempt = 0; attempt < 3; ++attempt) {
        LoadedProfile file;
        if (LoadProfile(file8, file) != FileStatus::Ok) return 0;
        std::optional<std::string> text = Edited(*file.Document, sectionName, key, value);
        if (!text) return 1;
        const FileStatus status = SaveProfile(file8, file, std::move(*text));
        if (status != FileStatus::Changed) return status == FileStatus::Ok ? 1 : 0;
    }
    return 0;
}

namespace qlcos::platform {

bool ProfileWrite(const ZanWChar* path, const ZanWChar* section, const ZanWChar* key,
                  const ZanWChar* value)
{
    return WritePrivateProfileStringW(section, key, value, path) != 0;
}

} // namespace qlcos::platform
