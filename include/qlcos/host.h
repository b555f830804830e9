// What a host on POSIX needs beside the device classes: message windows that stand in for
// Windows windows, and the mapping of serial port numbers to device paths.
#pragma once

#include "qlcos/types.h"

#if !defined(_WIN32)
// A message window: zanPostMessage queues a message on it from any thread, the host takes
// messages with zanGetMessage. The library's densitometers post their notifications here.
// Only zan-prefixed names are exported, so that a host's own Windows shim (a PostMessageW
// of its own, say) cannot collide with the library.
extern "C" QLCOS_API HWND zanCreateMessageWindow();
extern "C" QLCOS_API void zanDestroyMessageWindow(HWND window);
// Queues a message; FALSE when the window does not exist.
extern "C" QLCOS_API BOOL zanPostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Takes the oldest message; waits up to timeoutMs (0xFFFFFFFF: without limit).
// TRUE with *msg filled, FALSE when the time ran out or the window does not exist.
extern "C" QLCOS_API BOOL zanGetMessage(HWND window, MSG* msg, DWORD timeoutMs);
#endif

// Registers the device path that port number `port` opens (for example a pseudo-terminal).
// A null or empty path removes the registration. The environment variable QLCOS_COM<port>
// takes precedence; without either, port n opens /dev/ttyS<n-1>. Windows opens \\.\COM<n>.
extern "C" QLCOS_API void zanSetSerialPortPath(int port, const char* path);

// UTF-8 <-> UTF-16 for hosts that hold their texts (file paths among them) in UTF-8: the
// library's wide texts are UTF-16, and a wide path reaches the file system as its UTF-8
// bytes, so a valid UTF-8 path converted here names the same file.
//
// Both functions convert the terminated `text` into `buffer` of `length` units (bytes for
// UTF-8, ZanWChar for UTF-16), terminator included, and return the number of units the whole
// text needs without its terminator. When that is `length` or more, the buffer holds the
// longest run of whole characters that fits (a character is never cut in half), terminated;
// a caller tests `result >= length` and asks again with `result + 1` units. With a null
// buffer and a length of 0 they only count.
//
// Invalid input (a malformed or overlong UTF-8 sequence, an encoded surrogate, a value above
// U+10FFFF; in UTF-16 a surrogate without its partner) is replaced by U+FFFD in the buffer
// and makes the result -1, so that a path that cannot name the file it came from is never
// taken for a good one. -1 also for a null text, a negative length, or a null buffer with a
// nonzero length; the buffer then holds an empty text where there is room for it.
extern "C" QLCOS_API int zanUtf8ToWide(const char* text, ZanWChar* buffer, int length);
extern "C" QLCOS_API int zanWideToUtf8(const ZanWChar* text, char* buffer, int length);
