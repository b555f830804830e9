// The controller side of the reply fuzzer: answers each frame a light-engine driver writes
// with a reply taken from the fuzz input, and checks every frame the driver writes.
//
// Each reply in the input is a record:
//   flags   bits 0-1 form: 0 STX, body, ETX, block check (XOR of body and ETX);
//                          1 STX, body, ETX; 2 body, ACK; 3 the body as it stands
//           bits 2-4 chunk size: 0 the whole reply in one read, else reads of that many bytes
//           bits 5-7 event: 6 the line hangs up after the reply, 7 the write fails, else none
//   length  one byte below 0xF0, else (byte & 0x0F) << 8 | next byte (up to 4095)
//   body    that many bytes
// Once the input is used up every frame gets a reply that ends the command at once (for a
// status poll: done). A reply that would leave the driver waiting out its time-out (no end
// character for the command) gets its end character appended, except once per input when
// the header allows it and the command's time-out is short.
#pragma once

#include "fuzz/byte_source.h"
#include "fuzz/memory_line.h"

namespace qlcos::fuzz {

// With QLCOS_FUZZ_VERBOSE set, the script and the fuzzer print every frame, answer and
// result to standard error (for reading what an input does).
bool Verbose();
void PrintBytes(const char* what, const unsigned char* bytes, size_t count);

class ReplyScript : public LineScript {
public:
    // `letter`: the model letter of a framed controller; 0 for the first-generation one.
    ReplyScript(ByteSource& input, char letter, bool oneSilenceAllowed);

    Answer Respond(const unsigned char* frame, int length) override;

private:
    // Aborts, so that the fuzzer reports it, when the driver wrote a malformed frame.
    void CheckFrame(const unsigned char* frame, int length) const;
    // The characters that end the driver's wait for the answer to `frame`.
    bool EndsWait(const unsigned char* frame, const std::vector<unsigned char>& reply) const;
    bool ShortTimeOut(const unsigned char* frame) const;
    std::vector<unsigned char> DoneReply(const unsigned char* frame) const;

    ByteSource& m_Input;
    const char m_Letter;
    bool m_SilenceLeft;
};

} // namespace qlcos::fuzz
