// An INI file held as one UTF-8 text and a table of its lines, each with its own line ending,
// classified once (section header, key or other) so that looking a name up scans the table.
#pragma once

#include "platform/profile_encoding.h"
#include "platform/text_utf.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qlcos::platform {

enum class LineKind : unsigned char { Other, Section, Key };
enum class LineEnd : unsigned char { None, Lf, CrLf, Cr };

// A line's meaning: the section's name, or the key's name and value, white space around
// them removed (the value's quotes still on).
struct LineParts {
    LineKind Kind = LineKind::Other;
    std::string_view Name;
    std::string_view Value;
};
LineParts ParseLine(std::string_view text);
bool IsBlankLine(std::string_view text);

class ProfileDocument {
public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    ProfileDocument() = default; // the empty file
    explicit ProfileDocument(ProfileText text);

    ProfileEncoding Encoding() const { return m_Text.Encoding; }
    std::string_view Tail() const { return m_Text.Tail; }
    // The file's bytes, encoded as it was read.
    std::string Encoded() const;
    // The text with lines [from, to) replaced by `with` (from == LineCount() appends). A
    // lone CR meeting an LF at either end of `with` gets a character so that the two stay
    // separate line endings.
    std::string Spliced(size_t from, size_t to, std::string_view with) const;
    // Bytes held, for the cache's bound.
    size_t Footprint() const { return m_Text.Text.size() + m_Lines.size() * sizeof(Line); }

    size_t LineCount() const { return m_Lines.size(); }
    std::string_view LineText(size_t i) const;
    LineEnd End(size_t i) const { return m_Lines[i].End; }
    std::string_view EndText(size_t i) const;
    // The line ending most lines have ("\n" when none has one); the first seen wins a tie.
    std::string_view PrevailingEnd() const;

    // Header line of the first section called `name` (letter case ignored), or npos.
    size_t FindSection(const ZanString& name) const;
    // End (exclusive) of the section whose header is at `header`.
    size_t SectionEnd(size_t header) const;
    // First line in [begin, end) with the key `name`, or end.
    size_t FindKey(size_t begin, size_t end, const ZanString& name) const;

private:
    struct Line {
        uint32_t Begin;
        uint32_t Length;
        uint32_t NameHash; // of the folded section or key name
        LineKind Kind;
        LineEnd End;
    };
    size_t FindNamed(size_t begin, size_t end, LineKind kind, const ZanString& name) const;

    ProfileText m_Text;
    std::vector<Line> m_Lines;
    std::vector<uint32_t> m_Sections; // header lines, in order
    LineEnd m_Prevailing = LineEnd::Lf;
};

} // namespace qlcos::platform
