// QLCOS_TRACE=1 in the environment hex-dumps every frame sent and every chunk received,
// with time stamps, to standard error.
#pragma once

#include <string>

namespace qlcos::serial {

bool TraceEnabled();
// One line: "[qlcos  12.345678] COM1 /dev/pts/3 tx   7: 02 59 30 33 31 03 68".
void TraceBytes(const std::string& port, const char* direction, const unsigned char* bytes,
                int length);
void TraceNote(const std::string& port, const char* text);

} // namespace qlcos::serial
