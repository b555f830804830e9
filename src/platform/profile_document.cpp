// Splitting an INI text into classified lines once, looking names up by a hash of their
// folded letters, and splicing lines into a new text.
#include "platform/profile_document.h"

#include "platform/profile_io.h"

#include <algorithm>
#include <atomic>

namespace qlcos::platform {

namespace {

std::atomic<size_t> g_parseCount{0};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

uint32_t Mix(uint32_t hash, uint32_t unit) { return (hash ^ unit) * 16777619u; }
const uint32_t kHashSeed = 2166136261u;

uint32_t FoldedHash(const ZanWChar* s, size_t n)
{
    uint32_t h = kHashSeed;
    for (size_t i = 0; i < n; ++i) h = Mix(h, static_cast<uint16_t>(unicode::FoldCase(s[i])));
    return h;
}

// The same hash as FoldedHash of the name's UTF-16 form; ASCII names without converting.
uint32_t FoldedHash(std::string_view name)
{
    uint32_t h = kHashSeed;
    for (char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            const ZanString wide = unicode::FromUtf8(name.data(), name.size());
            return FoldedHash(wide.data(), wide.size());
        }
        h = Mix(h, static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 0x20 : c));
    }
    return h;
}

const std::string_view kEndTexts[] = {"", "\n", "\r\n", "\r"};

} // namespace

size_t ProfileParseCount() { return g_parseCount.load(); }

bool IsBlankLine(std::string_view text) { return Trim(text).empty(); }

LineParts ParseLine(std::string_view text)
{
    LineParts p;
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size() || text[i] == ';') return p; // blank line or comment
    if (text[i] == '[') {
        const size_t close = text.rfind(']');
        if (close != std::string_view::npos && close > i) {
            p.Kind = LineKind::Section;
            p.Name = Trim(text.substr(i + 1, close - i - 1));
        }
        return p;
    }
    const size_t eq = text.find('=', i);
    if (eq == std::string_view::npos) return p;
    p.Kind = LineKind::Key;
    p.Name = Trim(text.substr(i, eq - i));
    p.Value = Trim(text.substr(eq + 1));
    return p;
}

ProfileDocument::ProfileDocument(ProfileText text) : m_Text(std::move(text))
{
    ++g_parseCount;
    const std::string& s = m_Text.Text;
    size_t counts[4] = {}, firstSeen[4] = {npos, npos, npos, npos};
    for (size_t pos = 0; pos < s.size();) {
        size_t end = pos;
        while (end < s.size() && s[end] != '\n' && s[end] != '\r') ++end;
        LineEnd eol = LineEnd::None;
        size_t next = end;
        if (end < s.size()) {
            eol = s[end] == '\n' ? LineEnd::Lf : LineEnd::Cr;
            ++next;
            if (eol == LineEnd::Cr && next < s.size() && s[next] == '\n') {
                eol = LineEnd::CrLf;
                ++next;
            }
        }
        const std::string_view lineText(s.data() + pos, end - pos);
        const LineParts parts = ParseLine(lineText);
        const uint32_t hash = parts.Kind == LineKind::Other ? 0 : FoldedHash(parts.Name);
        if (parts.Kind == LineKind::Section)
            m_Sections.push_back(static_cast<uint32_t>(m_Lines.size()));
        const auto e = static_cast<size_t>(eol);
        if (counts[e]++ == 0) firstSeen[e] = m_Lines.size();
        m_Lines.push_back(
            {static_cast<uint32_t>(pos), static_cast<uint32_t>(end - pos), hash, parts.Kind, eol});
        pos = next;
    }
    for (LineEnd e : {LineEnd::CrLf, LineEnd::Cr}) {
        const auto i = static_cast<size_t>(e), best = static_cast<size_t>(m_Prevailing);
        if (counts[i] > counts[best] ||
            (counts[i] == counts[best] && firstSeen[i] < firstSeen[best]))
            m_Prevailing = e;
    }
}

std::string ProfileDocument::Encoded() const
{
    return EncodeProfile(m_Text.Encoding, m_Text.Text, m_Text.Tail);
}

std::string_view ProfileDocument::LineText(size_t i) const
{
    return std::string_view(m_Text.Text).substr(m_Lines[i].Begin, m_Lines[i].Length);
}

std::string_view ProfileDocument::EndText(size_t i) const
{
    return kEndTexts[static_cast<size_t>(m_Lines[i].End)];
}

std::string_view ProfileDocument::PrevailingEnd() const
{
    return kEndTexts[static_cast<size_t>(m_Prevailing)];
}

std::string ProfileDocument::Spliced(size_t from, size_t to, std::string_view with) const
{
    const std::string& s = m_Text.Text;
    const size_t begin = from < m_Lines.size() ? m_Lines[from].Begin : s.size();
    const size_t end = to < m_Lines.size() ? m_Lines[to].Begin : s.size();
    const bool crBefore = begin > 0 && s[begin - 1] == '\r';
    const bool lfAfter = end < s.size() && s[end] == '\n';
    std::string out;
    out.reserve(s.size() - (end - begin) + with.size() + 2);
    out.append(s, 0, begin);
    if (crBefore && (with.empty() ? lfAfter : with.front() == '\n')) out += '\r';
    out.append(with);
    if (!with.empty() && with.back() == '\r' && lfAfter) out += '\n';
    out.append(s, end, std::string::npos);
    return out;
}

size_t ProfileDocument::FindNamed(size_t begin, size_t end, LineKind kind,
                                  const ZanString& name) const
{
    const uint32_t hash = FoldedHash(name.data(), name.size());
    for (size_t i = begin; i < end; ++i) {
        const Line& l = m_Lines[i];
        if (l.Kind != kind || l.NameHash != hash) continue;
        const std::string_view n = ParseLine(LineText(i)).Name;
        const ZanString stored = unicode::FromUtf8(n.data(), n.size());
        if (unicode::EqualNoCase(stored.data(), stored.size(), name.data(), name.size())) return i;
    }
    return end;
}

size_t ProfileDocument::FindSection(const ZanString& name) const
{
    const uint32_t hash = FoldedHash(name.data(), name.size());
    for (uint32_t header : m_Sections) {
        if (m_Lines[header].NameHash == hash &&
            FindNamed(header, header + 1, LineKind::Section, name) == header)
            return header;
    }
    return npos;
}

size_t ProfileDocument::SectionEnd(size_t header) const
{
    auto next = std::upper_bound(m_Sections.begin(), m_Sections.end(), header);
    return next == m_Sections.end() ? m_Lines.size() : *next;
}

size_t ProfileDocument::FindKey(size_t begin, size_t end, const ZanString& name) const
{
    return FindNamed(begin, end, LineKind::Key, name);
}

} // namespace qlcos::platform
