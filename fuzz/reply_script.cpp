// Replies from the fuzz input for the light-engine drivers.
#include "fuzz/reply_script.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qlcos::fuzz {

namespace {

constexpr unsigned char STX = 0x02;
constexpr unsigned char ETX = 0x03;
constexpr unsigned char ACK = 0x06;
constexpr unsigned char NAK = 0x15;
// The longest frame a driver builds: a uniformity table.
constexpr int kLongestFrame = 1657;

bool Holds(const std::vector<unsigned char>& bytes, unsigned char c)
{
    return std::find(bytes.begin(), bytes.end(), c) != bytes.end();
}

unsigned char XorOf(const unsigned char* bytes, size_t count)
{
    unsigned char x = 0;
    for (size_t i = 0; i < count; ++i) x ^= bytes[i];
    return x;
}

[[noreturn]] void Malformed(const char* what, const unsigned char* frame, int length)
{
    std::fprintf(stderr, "driver wrote a malformed frame (%s):", what);
    for (int i = 0; i < length && i < 64; ++i) std::fprintf(stderr, " %02X", frame[i]);
    std::fprintf(stderr, "\n");
    std::abort();
}

// First-generation readings ('A'..'D') are answered STX..ETX, the rest with ACK or NAK.
bool IsLampReading(unsigned char command) { return command >= 'A' && command <= 'D'; }

} // namespace

bool Verbose()
{
    static const bool verbose = std::getenv("QLCOS_FUZZ_VERBOSE") != nullptr;
    return verbose;
}

void PrintBytes(const char* what, const unsigned char* bytes, size_t count)
{
    std::fprintf(stderr, "%s", what);
    for (size_t i = 0; i < count; ++i)
        std::fprintf(stderr, bytes[i] >= 0x20 && bytes[i] < 0x7F ? " %c" : " %02X", bytes[i]);
    std::fprintf(stderr, "\n");
}

ReplyScript::ReplyScript(ByteSource& input, char letter) : m_Input(input), m_Letter(letter) {}

void ReplyScript::SetPort(CZanComCtrl* port)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Port = port;
}

void ReplyScript::AnswerTaken()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_Port && m_SilentAnswer == m_Answers) m_Port->Cancel();
}

Answer ReplyScript::Respond(const unsigned char* frame, int length)
{
    CheckFrame(frame, length);
    if (Verbose()) PrintBytes("  host:", frame, static_cast<size_t>(length));
    std::lock_guard<std::mutex> lock(m_Mutex);
    // The wait for this answer has not begun: a Cancel for an earlier one must not end it.
    ++m_Answers;
    if (m_Port) m_Port->ClearCancel();
    Answer answer;
    if (m_Input.Empty()) {
        answer.Bytes = DoneReply(frame);
        if (Verbose())
            PrintBytes("  line (input used up):", answer.Bytes.data(), answer.Bytes.size());
        return answer;
    }
    const uint8_t flags = m_Input.Byte();
    size_t bodyLength = m_Input.Byte();
    if (bodyLength >= 0xF0) bodyLength = (bodyLength & 0x0F) << 8 | m_Input.Byte();
    const std::vector<unsigned char> body = m_Input.Bytes(bodyLength);

    std::vector<unsigned char>& bytes = answer.Bytes;
    switch (flags & 3) {
    case 0:
    case 1:
        bytes.push_back(STX);
        bytes.insert(bytes.end(), body.begin(), body.end());
        bytes.push_back(ETX);
        if ((flags & 3) == 0) bytes.push_back(XorOf(bytes.data() + 1, bytes.size() - 1));
        break;
    case 2:
        bytes = body;
        bytes.push_back(ACK);
        break;
    default: bytes = body; break;
    }
    answer.ChunkBytes = (flags >> 2) & 7;
    const int event = flags >> 5;
    answer.HangUp = event == 6;
    answer.FailWrite = event == 7;
    if (!answer.HangUp && !answer.FailWrite && !EndsWait(frame, bytes)) {
        answer.NotifyWhenTaken = true;
        m_SilentAnswer = m_Answers;
    }
    if (Verbose()) {
        std::fprintf(stderr, "  line (chunks of %d%s%s%s):", answer.ChunkBytes,
                     answer.HangUp ? ", then hangs up" : "",
                     answer.FailWrite ? ", write fails" : "",
                     answer.NotifyWhenTaken ? ", no end: the wait runs out" : "");
        PrintBytes("", bytes.data(), bytes.size());
    }
    return answer;
}

void ReplyScript::CheckFrame(const unsigned char* frame, int length) const
{
    if (length > kLongestFrame) Malformed("too long", frame, length);
    if (m_Letter) {
        if (length < 7) Malformed("too short", frame, length);
        if (frame[0] != STX || frame[1] != static_cast<unsigned char>(m_Letter) || frame[2] != '0')
            Malformed("head", frame, length);
        if (frame[length - 2] != ETX) Malformed("no ETX", frame, length);
        if (frame[length - 1] != XorOf(frame + 1, static_cast<size_t>(length - 2)))
            Malformed("block check", frame, length);
    } else {
        if (length < 3) Malformed("too short", frame, length);
        if (frame[0] != STX || frame[length - 1] != ETX) Malformed("STX..ETX", frame, length);
    }
}

bool ReplyScript::EndsWait(const unsigned char* frame,
                           const std::vector<unsigned char>& reply) const
{
    if (m_Letter || IsLampReading(frame[1])) return Holds(reply, ETX);
    return Holds(reply, ACK) || Holds(reply, NAK);
}

std::vector<unsigned char> ReplyScript::DoneReply(const unsigned char* frame) const
{
    if (!m_Letter) {
        if (!IsLampReading(frame[1])) return {ACK};
        return {STX, '0', '0', '0', '0', '0', ETX};
    }
    // No error, status '0' (done), progress 0.
    std::vector<unsigned char> reply = {
        STX, static_cast<unsigned char>(m_Letter), '0', frame[3], '0', '0', '0', '0', '0', ETX};
    reply.push_back(XorOf(reply.data() + 1, reply.size() - 1));
    return reply;
}

} // namespace qlcos::fuzz
