// The INI profile functions of the configuration records and the text widening helpers.
#pragma once

#include "qlcos/types.h"

// Section and key names match without regard to letter case. A getter leaves its target
// unchanged when the file, section or key is missing or the value is not a number; the
// result is nonzero when a value was read. A setter returns nonzero when the value was
// written, 0 when it was not: among others for a file that is read-only or not a regular
// file (a folder, a FIFO, a device), which is then left as it is; getters treat such a path
// as a missing file. Texts are UTF-16; files on POSIX are UTF-8 (with or without a byte
// order mark) or UTF-16 with a byte order mark, and stay in their encoding when written.

// Decimal integer (leading white space, one sign, digits; clamped to 32 bits).
QLCOS_API int zanGetProfileInt(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path,
                               int* value);
// Decimal floating-point number, read directly as a 32-bit float.
QLCOS_API int zanGetProfileFloat(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path,
                                 float* value);
// Text into `buffer` of `length` characters, terminator included: at most length - 1
// characters are copied.
QLCOS_API int zanGetProfileString(const ZanWChar* section, const ZanWChar* key,
                                  const ZanWChar* path, ZanWChar* buffer, int length);
// 1 for "1" (any nonzero number), "true", "yes", "on"; 0 for "0", "false", "no", "off"
// (letter case ignored); otherwise the default, given as 0 or 1.
QLCOS_API int zanGetProfileBool(const ZanWChar* section, const ZanWChar* key, int defaultValue,
                                const ZanWChar* path);
QLCOS_API int zanSetProfileInt(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path,
                               int value);
// Written in the shortest form that reads back to exactly the same float.
QLCOS_API int zanSetProfileFloat(const ZanWChar* section, const ZanWChar* key, const ZanWChar* path,
                                 float value);
// A text with white space at either end, or enclosed in quotes, is written inside double
// quotes so that it reads back unchanged. A text with a line break is refused (0).
QLCOS_API int zanSetProfileString(const ZanWChar* section, const ZanWChar* key,
                                  const ZanWChar* path, const ZanWChar* value);
// Written as "1" or "0", which GetPrivateProfileInt reads as well.
QLCOS_API int zanSetProfileBool(const ZanWChar* section, const ZanWChar* key, int value,
                                const ZanWChar* path);

// Widens up to `count` bytes one to one, stopping after a terminating zero: the bytes are
// taken as Latin-1 (ASCII unchanged), the stored records' one-byte form. It does not add a
// terminator when `count` bytes come before one. UTF-8 text (a path on POSIX, say) needs
// zanUtf8ToWide (qlcos/host.h) instead: this would turn "café" into "cafÃ©".
QLCOS_API ZanWChar* StringToWChar(ZanWChar* target, const char* source, int count);
// Copies at most count - 1 characters and terminates the text within `count` characters.
QLCOS_API ZanWChar* StringToWChar(ZanWChar* target, const ZanWChar* source, int count);
