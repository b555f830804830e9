// Diagnostics a host can use without any device: the text of a result, and where the serial
// trace goes. Included by qlcos/types.h, so every header of the library offers them.
#pragma once

#include "qlcos/types.h"

#ifdef __cplusplus
extern "C" {
#endif

// A short English text for `result`: "success" for 0, the meaning of every code the library
// returns (framework, light-engine device, controller drivers by model and number, density
// device and instruments), and for a code it does not know a text that says so and names the
// part of the library the code belongs to where that can be told. Never null; the text is
// static and stays valid for the life of the process.
QLCOS_API const char* zanResultText(ZanResult result);

// Receives one trace line (UTF-8, no line end). `context` is the value given with the handler.
typedef void (*ZanTraceHandler)(const char* line, void* context);

// Sends the trace lines (QLCOS_TRACE) to `handler` instead of standard error; null restores
// standard error. Safe while ports run: once it returns, the previous handler is called no
// more. The handler is called from the threads that trace (the host's and the receive
// threads), one line at a time.
QLCOS_API void zanSetTraceHandler(ZanTraceHandler handler, void* context);

#ifdef __cplusplus
}
#endif
