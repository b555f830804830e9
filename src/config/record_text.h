// Fixed-size name fields of the configuration records: copying into them and comparing them.
#pragma once

#include "platform/text_utf.h"

#include <cstddef>
#include <string>

namespace qlcos::config {

// Copies at most `chars - 1` characters of `source` (null counts as empty) into a field of
// `chars` characters and zero-fills the rest, so the field is always terminated and a longer
// text is cut.
inline void CopyText(ZanWChar* field, size_t chars, const ZanWChar* source)
{
    size_t i = 0;
    if (source) {
        for (; i + 1 < chars && source[i]; ++i) field[i] = source[i];
    }
    for (; i < chars; ++i) field[i] = 0;
}

template <size_t N> void CopyText(ZanWChar (&field)[N], const ZanWChar* source)
{
    CopyText(field, N, source);
}

// The letters A to Z folded to a to z; no other character folds.
inline ZanWChar FoldAscii(ZanWChar c) { return c >= 'A' && c <= 'Z' ? ZanWChar(c + 32) : c; }

// The texts agree in their first `limit` characters (or up to a terminator) with the letters
// A to Z matched without regard to case. Null counts as the empty text.
inline bool SameNoCase(const ZanWChar* a, const ZanWChar* b, size_t limit = size_t(-1))
{
    if (!a) a = ZT("");
    if (!b) b = ZT("");
    for (size_t i = 0; i < limit; ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
        if (!a[i]) return true;
    }
    return true;
}

// The texts agree in their first `limit` characters (or up to a terminator), letter case
// included. Null counts as the empty text.
inline bool Same(const ZanWChar* a, const ZanWChar* b, size_t limit = size_t(-1))
{
    if (!a) a = ZT("");
    if (!b) b = ZT("");
    for (size_t i = 0; i < limit; ++i) {
        if (a[i] != b[i]) return false;
        if (!a[i]) return true;
    }
    return true;
}

// Characters of a fixed text field before its terminator, at most N - 1: a record handed in
// by a caller need not be terminated and is never read past its field.
template <size_t N> size_t FieldLength(const ZanWChar (&field)[N])
{
    size_t length = 0;
    while (length + 1 < N && field[length]) ++length;
    return length;
}

template <size_t N> ZanString FieldText(const ZanWChar (&field)[N])
{
    return ZanString(field, FieldLength(field));
}

// An INI section of a list entry: `prefix` and the entry's 1-based position ("PaperSize3").
inline ZanString NumberedSection(const ZanWChar* prefix, size_t position)
{
    return ZanString(prefix) + unicode::FromAscii(std::to_string(position).c_str());
}

} // namespace qlcos::config
