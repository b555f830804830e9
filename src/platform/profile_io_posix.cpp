// The Windows private-profile functions on POSIX, on UTF-8 INI files.
//
// A file is kept as its lines, each with its own line ending, so that a write changes only
// the line it concerns (or adds one) and leaves comments, blank lines, unknown keys and the
// byte order mark as they were. A write goes to a temporary file beside the target that is
// then renamed over it, so that readers never see half a file.
#include "platform/profile_io.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Serialises read-modify-write cycles of the threads of this process.
std::mutex g_profileMutex;

struct Line {
    std::string Text; // without line ending
    std::string Eol;  // "\n", "\r\n" or "" for a last line without one
};

struct IniFile {
    std::string Bom;
    std::vector<Line> Lines;
    std::string Newline = "\n";
    bool Existed = false;
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind Kind = LineKind::Other;
    std::string Name;  // section or key name, trimmed
    std::string Value; // key value, trimmed (quotes still on)
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& s, size_t begin, size_t end)
{
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

ParsedLine Parse(const std::string& text)
{
    ParsedLine p;
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size() || text[i] == ';') return p; // blank line or comment
    if (text[i] == '[') {
        size_t close = text.rfind(']');
        if (close != std::string::npos && close > i) {
            p.Kind = LineKind::Section;
            p.Name = Trim(text, i + 1, close);
        }
        return p;
    }
    size_t eq = text.find('=', i);
    if (eq == std::string::npos) return p;
    p.Kind = LineKind::Key;
    p.Name = Trim(text, i, eq);
    p.Value = Trim(text, eq + 1, text.size());
    return p;
}

bool SameName(const std::string& stored, const ZanString& wanted)
{
    ZanString s = qlcos::unicode::FromUtf8(stored);
    return qlcos::unicode::EqualNoCase(s.data(), s.size(), wanted.data(), wanted.size());
}

std::string Unquote(const std::string& v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Reads the file; a missing file is an empty one. False when it exists but cannot be read.
bool Load(const std::string& path, IniFile& file)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return errno == ENOENT;
    std::string data;
    char chunk[8192];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.append(chunk, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) return false;
    file.Existed = true;
    size_t pos = 0;
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        file.Bom = data.substr(0, 3);
        pos = 3;
    }
    bool newlineKnown = false;
    while (pos < data.size()) {
        size_t lf = data.find('\n', pos);
        Line line;
        if (lf == std::string::npos) {
            line.Text = data.substr(pos);
            pos = data.size();
        } else {
            size_t end = lf;
            line.Eol = "\n";
            if (end > pos && data[end - 1] == '\r') {
                --end;
                line.Eol = "\r\n";
            }
            line.Text = data.substr(pos, end - pos);
            pos = lf + 1;
            if (!newlineKnown) {
                file.Newline = line.Eol;
                newlineKnown = true;
            }
        }
        file.Lines.push_back(std::move(line));
    }
    return true;
}

bool WriteAll(int fd, const std::string& content)
{
    size_t done = 0;
    while (done < content.size()) {
        ssize_t w = ::write(fd, content.data() + done, content.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(w);
    }
    return true;
}

bool Store(const std::string& path, const IniFile& file)
{
    std::string content = file.Bom;
    for (const Line& l : file.Lines) content += l.Text + l.Eol;

    if (!file.Existed) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            bool ok = WriteAll(fd, content);
            ok = (::close(fd) == 0) && ok;
            if (!ok) ::unlink(path.c_str());
            return ok;
        }
        if (errno != EEXIST) return false;
        // Another writer created it meanwhile: replace it like an existing file.
    }
    // Follow a symbolic link so that the link stays and its target is replaced.
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) return false;
    std::string temp = target + ".XXXXXX";
    int fd = ::mkstemp(&temp[0]);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, content) && ::fchmod(fd, st.st_mode & 07777) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

// Index of the first section called `section`, or lines.size().
size_t FindSection(const IniFile& file, const ZanString& section)
{
    for (size_t i = 0; i < file.Lines.size(); ++i) {
        ParsedLine p = Parse(file.Lines[i].Text);
        if (p.Kind == LineKind::Section && SameName(p.Name, section)) return i;
    }
    return file.Lines.size();
}

// End (exclusive) of the section whose header is at `header`.
size_t SectionEnd(const IniFile& file, size_t header)
{
    size_t i = header + 1;
    while (i < file.Lines.size() && Parse(file.Lines[i].Text).Kind != LineKind::Section) ++i;
    return i;
}

// Index of the first key called `key` in [begin, end), or end.
size_t FindKey(const IniFile& file, size_t begin, size_t end, const ZanString& key,
               ParsedLine* parsed)
{
    for (size_t i = begin; i < end; ++i) {
        ParsedLine p = Parse(file.Lines[i].Text);
        if (p.Kind == LineKind::Key && SameName(p.Name, key)) {
            if (parsed) *parsed = p;
            return i;
        }
    }
    return end;
}

bool HasLineBreak(const ZanString& s)
{
    return s.find(ZanWChar('\n')) != ZanString::npos || s.find(ZanWChar('\r')) != ZanString::npos;
}

bool ValidSection(const ZanString& s)
{
    return !HasLineBreak(s) && s.find(ZanWChar(']')) == ZanString::npos;
}

bool ValidKey(const ZanString& s)
{
    std::string k = qlcos::unicode::ToUtf8(s.c_str());
    std::string trimmed = Trim(k, 0, k.size());
    return !trimmed.empty() && !HasLineBreak(s) && s.find(ZanWChar('=')) == ZanString::npos &&
           trimmed[0] != '[' && trimmed[0] != ';';
}

// Appends a line, giving the previous last line a line ending when it has none.
void AppendLine(IniFile& file, const std::string& text)
{
    if (!file.Lines.empty() && file.Lines.back().Eol.empty()) file.Lines.back().Eol = file.Newline;
    file.Lines.push_back({text, file.Newline});
}

} // namespace

namespace qlcos::platform {

bool ProfileRead(const ZanWChar* path, const ZanWChar* section, const ZanWChar* key,
                 ZanString& value)
{
    if (!path || !*path || !section || !key) return false;
    std::lock_guard<std::mutex> lock(g_profileMutex);
    IniFile file;
    if (!Load(qlcos::unicode::ToUtf8(path), file)) return false;
    size_t header = FindSection(file, section);
    if (header == file.Lines.size()) return false;
    ParsedLine p;
    size_t end = SectionEnd(file, header);
    if (FindKey(file, header + 1, end, key, &p) == end) return false;
    value = qlcos::unicode::FromUtf8(Unquote(p.Value));
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
    if (!ValidSection(sectionName) || (key && !ValidKey(key)) || (value && HasLineBreak(value)))
        return 0;

    std::lock_guard<std::mutex> lock(g_profileMutex);
    const std::string file8 = qlcos::unicode::ToUtf8(path);
    IniFile file;
    if (!Load(file8, file)) return 0; // never overwrite a file that could not be read

    size_t header = FindSection(file, sectionName);
    const bool hasSection = header < file.Lines.size();
    if (!key) { // remove the section
        if (!hasSection) return 1;
        size_t end = SectionEnd(file, header);
        file.Lines.erase(file.Lines.begin() + static_cast<std::ptrdiff_t>(header),
                         file.Lines.begin() + static_cast<std::ptrdiff_t>(end));
        return Store(file8, file) ? 1 : 0;
    }
    const ZanString keyName(key);
    const std::string key8 = qlcos::unicode::ToUtf8(key);
    if (!hasSection) {
        if (!value) return 1;
        if (!file.Lines.empty() &&
            !Trim(file.Lines.back().Text, 0, file.Lines.back().Text.size()).empty())
            AppendLine(file, "");
        AppendLine(file, "[" + qlcos::unicode::ToUtf8(section) + "]");
        AppendLine(file, key8 + "=" + qlcos::unicode::ToUtf8(value));
        return Store(file8, file) ? 1 : 0;
    }
    size_t end = SectionEnd(file, header);
    ParsedLine existing;
    size_t at = FindKey(file, header + 1, end, keyName, &existing);
    if (at < end) {
        if (!value) {
            file.Lines.erase(file.Lines.begin() + static_cast<std::ptrdiff_t>(at));
        } else {
            // The stored spelling of the key stays; only the value changes.
            std::string line = existing.Name + "=" + qlcos::unicode::ToUtf8(value);
            if (line == file.Lines[at].Text) return 1;
            file.Lines[at].Text = line;
        }
        return Store(file8, file) ? 1 : 0;
    }
    if (!value) return 1;
    // New key: after the section's last non-blank line, so blank separators stay in front of
    // the next section.
    size_t insert = end;
    while (insert > header + 1 &&
           Trim(file.Lines[insert - 1].Text, 0, file.Lines[insert - 1].Text.size()).empty())
        --insert;
    if (file.Lines[insert - 1].Eol.empty()) file.Lines[insert - 1].Eol = file.Newline;
    file.Lines.insert(file.Lines.begin() + static_cast<std::ptrdiff_t>(insert),
                      Line{key8 + "=" + qlcos::unicode::ToUtf8(value), file.Newline});
    return Store(file8, file) ? 1 : 0;
}
