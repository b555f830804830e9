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
// status poll: done). A reply without the character that ends the driver's wait would leave
// it waiting out the command's time-out (up to a minute): once the line has delivered every
// byte of it, the script ends that wait through the port control's Cancel, as a Break would:
// the drivers then take the cancelled path with what had arrived. (Time-outs proper are
// reached too: the fuzzer runs the port's waits at a hundredth of their length.)
#pragma once

#include "qlcos/serial.h"
#include "fuzz/byte_source.h"
#include "fuzz/memory_line.h"

#include <mutex>

namespace qlcos::fuzz {

// With QLCOS_FUZZ_VERBOSE set, the script and the fuzzer print every frame, answer and
// result to standard error (for reading what an input does).
bool Verbose();
void PrintBytes(const char* what, const unsigned char* bytes, size_t count);

class ReplyScript : public LineScript {
public:
    // `letter`: the model letter of a framed controller; 0 for the first-generation one.
    ReplyScript(ByteSource& input, char letter);

    // The port whose waits the script ends; null: none.
    void SetPort(CZanComCtrl* port);
    Answer Respond(const unsigned char* frame, int length) override;
    void AnswerTaken() override;

private:
    // Aborts, so that the fuzzer reports it, when the driver wrote a malformed frame.
    void CheckFrame(const unsigned char* frame, int length) const;
    // The characters that end the driver's wait for the answer to `frame`.
    bool EndsWait(const unsigned char* frame, const std::vector<unsigned char>& reply) const;
    std::vector<unsigned char> DoneReply(const unsigned char* frame) const;

    ByteSource& m_Input;
    const char m_Letter;

    // Answers given, and the one that ends its wait once taken (0: none). The lock orders a
    // late AnswerTaken against the next Respond, so a Cancel never reaches a later wait.
    std::mutex m_Mutex;
    CZanComCtrl* m_Port = nullptr;
    uint64_t m_Answers = 0;
    uint64_t m_SilentAnswer = 0;
};

} // namespace qlcos::fuzz
