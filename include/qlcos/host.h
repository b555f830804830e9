// What a host on POSIX needs beside the device classes: message windows that stand in for
// Windows windows, and the mapping of serial port numbers to device paths.
#pragma once

#include "qlcos/types.h"

#if !defined(_WIN32)
// A message window: PostMessageW queues a message on it from any thread, the host takes
// messages with zanGetMessage.
extern "C" QLCOS_API HWND zanCreateMessageWindow();
extern "C" QLCOS_API void zanDestroyMessageWindow(HWND window);
// Queues a message; FALSE when the window does not exist.
extern "C" QLCOS_API BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Takes the oldest message; waits up to timeoutMs (0xFFFFFFFF: without limit).
// TRUE with *msg filled, FALSE when the time ran out or the window does not exist.
extern "C" QLCOS_API BOOL zanGetMessage(HWND window, MSG* msg, DWORD timeoutMs);
#endif

// Registers the device path that port number `port` opens (for example a pseudo-terminal).
// A null or empty path removes the registration. The environment variable QLCOS_COM<port>
// takes precedence; without either, port n opens /dev/ttyS<n-1>. Windows opens \\.\COM<n>.
extern "C" QLCOS_API void zanSetSerialPortPath(int port, const char* path);
