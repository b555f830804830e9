// The serial trace: its switch, the line format, and where the lines go.
#include "serial/com_trace.h"
#include "qlcos/diagnostics.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace qlcos::serial {

namespace {

const auto g_traceStart = std::chrono::steady_clock::now();

double SecondsSinceStart()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - g_traceStart).count();
}

bool ReadSwitch()
{
    const char* value = std::getenv("QLCOS_TRACE");
    const int on = ParseTraceSwitch(value);
    if (on < 0)
        std::fprintf(stderr,
                     "qlcos: QLCOS_TRACE=\"%s\" is not understood (use 1/yes/on or 0/no/off); "
                     "trace off\n",
                     value);
    return on > 0;
}

std::atomic<bool>& Switch()
{
    static std::atomic<bool> on{ReadSwitch()};
    return on;
}

// Where the lines go. Held while a line is written, so lines never interleave and a handler
// that was replaced is not called any more once zanSetTraceHandler returns. Recursive, so
// that a handler may set the handler. Never destroyed: ports may trace while statics go.
struct Sink {
    std::recursive_mutex Mutex;
    ZanTraceHandler Handler = nullptr;
    void* Context = nullptr;
};

Sink& TheSink()
{
    static Sink* sink = new Sink;
    return *sink;
}

void Emit(std::string& line)
{
    Sink& sink = TheSink();
    std::lock_guard<std::recursive_mutex> lock(sink.Mutex);
    if (sink.Handler) {
        sink.Handler(line.c_str(), sink.Context);
        return;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

std::string Head(const std::string& port)
{
    char head[48];
    std::snprintf(head, sizeof head, "[qlcos %11.6f] ", SecondsSinceStart());
    return head + port;
}

const char* const kControlNames[32] = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US",
};

bool Is(const char* value, const char* word)
{
    for (; *value && *word; ++value, ++word)
        if (std::tolower(static_cast<unsigned char>(*value)) != *word) return false;
    return *value == *word;
}

} // namespace

bool TraceEnabled() { return Switch().load(std::memory_order_relaxed); }

int ParseTraceSwitch(const char* value)
{
    if (!value || !*value) return 0;
    for (const char* word : {"1", "yes", "on", "true"})
        if (Is(value, word)) return 1;
    for (const char* word : {"0", "no", "off", "false"})
        if (Is(value, word)) return 0;
    return -1;
}

void SetTraceEnabledForTests(bool on) { Switch().store(on); }

std::string DecodeBytes(const unsigned char* bytes, int length)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(static_cast<size_t>(length > 0 ? length : 0) * 2);
    for (int i = 0; i < length; ++i) {
        const unsigned char b = bytes[i];
        if (b >= 0x20 && b < 0x7F) {
            text += static_cast<char>(b);
        } else if (b < 0x20) {
            text += '<';
            text += kControlNames[b];
            text += '>';
        } else if (b == 0x7F) {
            text += "<DEL>";
        } else {
            text += '<';
            text += hex[b >> 4];
            text += hex[b & 0xF];
            text += '>';
        }
    }
    return text;
}

void TraceBytes(const std::string& port, const char* direction, const unsigned char* bytes,
                int length)
{
    if (!TraceEnabled()) return;
    std::string line = Head(port);
    line.reserve(line.size() + 16 + static_cast<size_t>(length) * 5);
    line += ' ';
    line += direction;
    line += ' ';
    line += std::to_string(length);
    line += ": ";
    line += DecodeBytes(bytes, length);
    line += " |";
    static const char hex[] = "0123456789ABCDEF";
    for (int i = 0; i < length; ++i) {
        line += ' ';
        line += hex[bytes[i] >> 4];
        line += hex[bytes[i] & 0xF];
    }
    Emit(line);
}

void TraceNote(const std::string& port, const char* text)
{
    if (!TraceEnabled()) return;
    std::string line = Head(port);
    line += ' ';
    line += text;
    Emit(line);
}

void TraceNote(const std::string& port, const std::string& text) { TraceNote(port, text.c_str()); }

} // namespace qlcos::serial

void zanSetTraceHandler(ZanTraceHandler handler, void* context)
{
    auto& sink = qlcos::serial::TheSink();
    std::lock_guard<std::recursive_mutex> lock(sink.Mutex);
    sink.Handler = handler;
    sink.Context = handler ? context : nullptr;
}
