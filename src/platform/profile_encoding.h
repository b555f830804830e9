// The byte forms of INI files: UTF-8 (with or without its byte order mark) and UTF-16 with a
// byte order mark, decoded to one UTF-8 text that encodes back to exactly the same bytes.
#pragma once

#include <string>
#include <string_view>

namespace qlcos::platform {

enum class ProfileEncoding : unsigned char { Utf8, Utf8Bom, Utf16Le, Utf16Be };

struct ProfileText {
    ProfileEncoding Encoding = ProfileEncoding::Utf8;
    // UTF-8 text after the byte order mark. A UTF-8 file's bytes are kept as they are; from
    // UTF-16, an unpaired surrogate becomes its own three-byte sequence so that it survives.
    std::string Text;
    std::string Tail; // the odd last byte of a UTF-16 file, written back as it was
};

// The encoding is told by the byte order mark; a file without one is UTF-8.
ProfileText DecodeProfile(std::string bytes);
// The file's bytes: byte order mark, text, tail.
std::string EncodeProfile(ProfileEncoding encoding, std::string_view text, std::string_view tail);

} // namespace qlcos::platform
