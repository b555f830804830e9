// The serial trace: with QLCOS_TRACE on (1, yes, on, true; any letter case) every frame sent,
// every chunk received and every open, close and failure of a port is written, with a time
// stamp, to standard error or to the handler the host set with zanSetTraceHandler.
#pragma once

#include <cstdint>
#include <string>

namespace qlcos::serial {

// The cached switch: one load, so that a trace call costs nothing while it is off.
bool TraceEnabled();
// A QLCOS_TRACE value: 1 on (1, yes, on, true), 0 off (unset, empty, 0, no, off, false), -1 not
// understood (the trace stays off and says so once on standard error).
int ParseTraceSwitch(const char* value);
// Test hook: turns the trace on or off whatever the environment said.
void SetTraceEnabledForTests(bool on);

// Control bytes by name in angle brackets, printable ASCII as it is, anything else as <xx>:
// "<STX>g0B1<ETX>J".
std::string DecodeBytes(const unsigned char* bytes, int length);

// One line: "[qlcos   12.345678] COM1 /dev/pts/3 tx 7: <STX>Y031<ETX>h | 02 59 30 33 31 03 68".
void TraceBytes(const std::string& port, const char* direction, const unsigned char* bytes,
                int length);
void TraceNote(const std::string& port, const char* text);
void TraceNote(const std::string& port, const std::string& text);

} // namespace qlcos::serial
