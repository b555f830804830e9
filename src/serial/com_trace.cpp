#include "serial/com_trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qlcos::serial {

namespace {

const auto g_traceStart = std::chrono::steady_clock::now();

double SecondsSinceStart()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - g_traceStart).count();
}

} // namespace

bool TraceEnabled()
{
    static const bool enabled = [] {
        const char* value = std::getenv("QLCOS_TRACE");
        return value && *value && std::strcmp(value, "0") != 0;
    }();
    return enabled;
}

void TraceBytes(const std::string& port, const char* direction, const unsigned char* bytes,
                int length)
{
    if (!TraceEnabled()) return;
    // Built whole, then written with one call, so lines of two ports do not interleave.
    std::string line;
    line.reserve(48 + static_cast<size_t>(length) * 3);
    char head[96];
    std::snprintf(head, sizeof head, "[qlcos %10.6f] %s %s %4d:", SecondsSinceStart(), port.c_str(),
                  direction, length);
    line += head;
    static const char hex[] = "0123456789ABCDEF";
    for (int i = 0; i < length; ++i) {
        line += ' ';
        line += hex[bytes[i] >> 4];
        line += hex[bytes[i] & 0xF];
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void TraceNote(const std::string& port, const char* text)
{
    if (!TraceEnabled()) return;
    std::fprintf(stderr, "[qlcos %10.6f] %s %s\n", SecondsSinceStart(), port.c_str(), text);
}

} // namespace qlcos::serial
