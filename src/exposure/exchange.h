// The one exchange loop of every light-engine driver: send, wait for the answer's end
// character, take the answer out of what arrived, judge it, and try again within the
// framework's attempt count. A small framing description says how each protocol answers.
#pragma once

#include "qlcos/serial.h"

namespace qlcos::exposure {

// Where an answer lies in the bytes received.
struct Span {
    int Start;
    int Length;
};

struct Framing {
    unsigned char EndChar1; // ends the wait for the answer
    unsigned char EndChar2; // a second one that does; 0: none
    bool TrailingCheckByte; // a block-check byte follows the end character on the line
    bool NakRefuses;        // an attempt answered with NAK is a refusal, not a missing answer
    // Finds the answer in `count` bytes received; false when there is none.
    bool (*Take)(const unsigned char* bytes, int count, Span& answer);
};

// Framed controllers: the reply runs from STX to ETX and a block check follows.
extern const Framing kFramedReply;
// First generation, readings: STX to ETX, or an ACK alone where no STX came.
extern const Framing kLampReply;
// First generation, settings and actions: the last byte received is ACK.
extern const Framing kLampAck;

// The port a driver exchanges on, and its buffer for what arrives.
struct ExchangePort {
    CZanComDevice& Device;
    CZanProtocolEventChar& Protocol;
    unsigned char* Received; // takes the pool after each attempt
    uint32_t ReceivedCapacity;
};

// Moves the answer that `framing` finds in `*length` bytes to the front of `buffer` and sets
// *length to its length: 1. Otherwise 0 (also for null arguments).
int CutToFront(const Framing& framing, unsigned char* buffer, uint32_t* length);

// One request of a driver, for as long as it runs. The outermost one clears a Cancel left
// over from before it began (a Break between requests spoils nothing); requests it makes in
// turn (an exposure's status polls) leave a Cancel that arrived meanwhile in place.
class RequestScope {
public:
    RequestScope(CZanComCtrl& port, int& depth) : m_Depth(depth)
    {
        if (m_Depth++ == 0) port.ClearCancel();
    }
    ~RequestScope() { --m_Depth; }
    RequestScope(const RequestScope&) = delete;
    RequestScope& operator=(const RequestScope&) = delete;

private:
    int& m_Depth;
};

// Sends `frame` and waits up to `timeoutMs` for its answer, up to the port's attempt count.
// An answer is copied to `answer` (on entry *answerLength is its capacity, on return the
// answer's length); with a null `answer` only its arrival counts. An answer longer than the
// caller's buffer is refused with `badAnswer` without sending again: the controller has
// acted on the command already. When no attempt brought an answer, the last attempt's
// failure is returned: the framework's, REFUSED for a NAK where the framing says so, else
// `badAnswer`. A Cancel on the port ends the exchange at once with ZAN_COM_ERR_CANCELLED,
// before the next attempt is sent. When the framing has a block check, a block check that
// does not match the answer is shown in the trace (QLCOS_TRACE) but does not refuse it.
ZanResult Exchange(const ExchangePort& port, const Framing& framing, const unsigned char* frame,
                   int length, uint32_t timeoutMs, ZanResult badAnswer, unsigned char* answer,
                   uint32_t* answerLength);

} // namespace qlcos::exposure
