// The Windows kernel calls the library uses. On Windows they are the system's own; on POSIX
// the platform layer implements them with the same contracts.
#pragma once

#include "qlcos/types.h"

#if !defined(_WIN32)

#ifndef TRUE
#define TRUE  1
#define FALSE 0
#endif
#define INFINITE      0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT  0x00000102u
#define WAIT_FAILED   0xFFFFFFFFu
#define STILL_ACTIVE  0x00000103u

typedef DWORD (*LPTHREAD_START_ROUTINE)(void* parameter);

// Sleeps the calling thread.
void Sleep(DWORD milliseconds);
// Monotonic milliseconds in 32 bits. Compare differences (now - start), never absolute
// values, so that the wrap after 49.7 days does no harm.
DWORD GetTickCount();

// Threads: the handle is signalled when the routine has returned.
HANDLE CreateThread(void* attributes, size_t stackSize, LPTHREAD_START_ROUTINE routine,
                    void* parameter, DWORD flags, DWORD* threadId);
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);

// Events, manual- or auto-reset.
HANDLE CreateEventW(void* attributes, BOOL manualReset, BOOL initialState, const ZanWChar* name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Mutexes: owned by the thread whose wait took them; recursive, as on Windows.
HANDLE CreateMutexW(void* attributes, BOOL initialOwner, const ZanWChar* name);
BOOL ReleaseMutex(HANDLE mutex);

// Waits for a thread, event or mutex: WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Frees the handle. Closing a running thread's handle leaves the thread running.
BOOL CloseHandle(HANDLE handle);

// Shared libraries. "Name.dll" loads the file named by the environment variable QLCOS_NAME
// (the name in capitals) when it is set, else "libName.so" from the library search path.
typedef void* HMODULE;
typedef void (*FARPROC)();
HMODULE LoadLibraryW(const ZanWChar* name);
FARPROC GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);

// Queues a message on a window of zanCreateMessageWindow: zanPostMessage under the name the
// library's code uses on every platform. Not exported.
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The standard beep. A POSIX host has no system sound: it does nothing and answers TRUE.
BOOL MessageBeep(UINT type);

#endif
