// INI file access with the Windows private-profile rules. On Windows these are the real
// profile functions; on POSIX the same functions work on UTF-8 files (with or without a byte
// order mark) and UTF-16 files with a byte order mark, written back in their encoding:
// section and key names match without regard to letter case, the first match wins, a write
// replaces the value in place or appends the key to its section (creating section and file
// when missing) and keeps every other line with its own line ending (LF, CR LF or CR).
//
// On POSIX only regular files are read or written (symbolic links followed): anything else
// (a FIFO, a folder, a device) is refused at once without being opened for reading or
// writing. An existing file is rewritten in place, so that it keeps its owner, mode and hard
// links; a new one appears whole. Parsed files are cached and read again when the file
// changed.
#pragma once

#include "platform/text_utf.h"

#if !defined(_WIN32)
// Integer value of the key: leading white space, one sign, decimal digits or a 0x, 0o or 0b
// prefix, up to the first character that is not a digit; the default when the file, section
// or key is missing or the value is empty.
UINT GetPrivateProfileIntW(const ZanWChar* section, const ZanWChar* key, int defaultValue,
                           const ZanWChar* path);
// Writes key=value into the section. A null value removes the key, a null key the whole
// section. FALSE when the file cannot be read or written (not a regular file, or read-only:
// no write permission for anyone, or none for this process), or a name or value cannot be
// stored in a line (line breaks, a key with '=' or a section name with ']').
BOOL WritePrivateProfileStringW(const ZanWChar* section, const ZanWChar* key, const ZanWChar* value,
                                const ZanWChar* path);
#endif

namespace qlcos::platform {

// Value of `key` in `section` as the Windows profile functions give it: white space around it
// removed, one pair of enclosing quotes (" or ') removed. False when the file, the section
// or the key is missing.
bool ProfileRead(const ZanWChar* path, const ZanWChar* section, const ZanWChar* key,
                 ZanString& value);

// Writes key=value into the section (a null value removes the key, a null key the section)
// with the platform's profile functions. False when the file cannot be written or a name or
// value cannot be stored in a line (line breaks, a key with '=' or beginning with '[' or ';',
// a section name with ']'). On Windows a new file is made UTF-16 with a byte order mark
// first, so that the system's functions keep every character instead of the ANSI code
// page's.
bool ProfileWrite(const ZanWChar* path, const ZanWChar* section, const ZanWChar* key,
                  const ZanWChar* value);
// Whether section, key and value (key and value may be null) can be stored in an INI line.
bool ProfileLineStorable(const ZanWChar* section, const ZanWChar* key, const ZanWChar* value);

#if !defined(_WIN32)
// Test support: how many times an INI text was parsed in this process.
size_t ProfileParseCount();
#endif

} // namespace qlcos::platform
