// The exchange loop and the framings of the two controller protocols.
#include "exposure/exchange.h"

#include "exposure/command_frame.h"
#include "serial/com_trace.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace qlcos::exposure {

namespace {

bool Holds(const unsigned char* bytes, int count, unsigned char c)
{
    int position = 0;
    return zanIsIn(bytes, c, &position, count, 0) != 0;
}

bool TakeStxToEtx(const unsigned char* bytes, int count, Span& answer)
{
    int start = 0;
    int end = 0;
    if (!zanIsIn(bytes, STX, &start, count, 0)) return false;
    if (!zanIsIn(bytes, ETX, &end, count, start)) return false;
    answer = {start, end - start + 1};
    return true;
}

bool TakeReplyOrAck(const unsigned char* bytes, int count, Span& answer)
{
    if (TakeStxToEtx(bytes, count, answer)) return true;
    // Without an STX, bytes that hold an ACK are an answer as they are.
    if (Holds(bytes, count, STX) || !Holds(bytes, count, ACK)) return false;
    answer = {0, count};
    return true;
}

bool TakeAck(const unsigned char* bytes, int count, Span& answer)
{
    if (count <= 0 || bytes[count - 1] != ACK) return false;
    answer = {0, count};
    return true;
}

// Two character times at the line's rate, and a millisecond for the system.
uint32_t TrailingByteWaitMs(int baud)
{
    const int rate = baud > 0 ? baud : 9600;
    return static_cast<uint32_t>((2 * 10 * 1000 + rate - 1) / rate) + 1;
}

// Shows in the trace an answer whose block check (XOR of the bytes after STX up to and
// including ETX) is missing or does not match. Controllers in the field are not known to
// send it right every time, so it never refuses an answer.
void TraceBlockCheck(CZanComDevice& device, const unsigned char* received, const Span& answer,
                     int count)
{
    if (!qlcos::serial::TraceEnabled()) return;
    const int checkAt = answer.Start + answer.Length;
    const unsigned char expected = zanCheckXOR(received + answer.Start + 1, answer.Length - 1);
    if (checkAt < count && received[checkAt] == expected) return;
    char note[96];
    if (checkAt < count)
        std::snprintf(note, sizeof note, "block check 0x%02X, expected 0x%02X (answer kept)",
                      received[checkAt], expected);
    else
        std::snprintf(note, sizeof note, "no block check, expected 0x%02X (answer kept)", expected);
    qlcos::serial::TraceNote("COM" + std::to_string(device.GetComProperty().Port), note);
}

} // namespace

const Framing kFramedReply = {ETX, 0, true, false, TakeStxToEtx};
const Framing kLampReply = {ETX, 0, false, true, TakeReplyOrAck};
const Framing kLampAck = {ACK, NAK, false, true, TakeAck};

int CutToFront(const Framing& framing, unsigned char* buffer, uint32_t* length)
{
    Span span{};
    if (!buffer || !length || !framing.Take(buffer, static_cast<int>(*length), span)) return 0;
    std::memmove(buffer, buffer + span.Start, static_cast<size_t>(span.Length));
    *length = static_cast<uint32_t>(span.Length);
    return 1;
}

ZanResult Exchange(const ExchangePort& port, const Framing& framing, const unsigned char* frame,
                   int length, uint32_t timeoutMs, ZanResult badAnswer, unsigned char* answer,
                   uint32_t* answerLength)
{
    CZanComDevice& device = port.Device;
    device.SetWaitResponse(1);
    device.SetWaitTimeOut(timeoutMs);
    port.Protocol.m_EventChar1 = framing.EndChar1;
    port.Protocol.m_EventChar2 = framing.EndChar2;
    port.Protocol.SetEventChar1Mode(1);
    port.Protocol.SetEventChar2Mode(framing.EndChar2 != 0 ? 1 : 0);
    // A block check that follows the answer is taken in with it, while it is due, so that it
    // cannot arrive during the next command and pass for part of its answer.
    device.SetWaitTrailingBytes(framing.TrailingCheckByte ? 1 : 0,
                                TrailingByteWaitMs(device.GetComProperty().BaudRate));

    ZanResult verdict = badAnswer;
    for (int attempt = 0; attempt < device.GetAttemptCount(); ++attempt) {
        if (device.IsCancelled()) return ZAN_COM_ERR_CANCELLED;
        device.ClearPool();
        verdict = device.Send(frame, length, &device);
        if (zanFailed(verdict)) continue;
        const int received = device.GetPoolData(port.Received, static_cast<int>(port.ReceivedCapacity));
        // A Cancel ends the wait with whatever had arrived: not an answer to judge.
        if (device.IsCancelled()) return ZAN_COM_ERR_CANCELLED;
        Span span{};
        if (!framing.Take(port.Received, received, span)) {
            const bool refused = framing.NakRefuses && Holds(port.Received, received, NAK);
            verdict = refused ? ZAN_COM_ERR_REFUSED : badAnswer;
            // Bytes without an answer in them: the rest of them may still be coming.
            if (received > 0 && !refused) device.DistrustLine();
            continue;
        }
        if (framing.TrailingCheckByte) TraceBlockCheck(device, port.Received, span, received);
        if (!answer) return 0;
        if (static_cast<uint32_t>(span.Length) > *answerLength) return badAnswer;
        std::memcpy(answer, port.Received + span.Start, static_cast<size_t>(span.Length));
        *answerLength = static_cast<uint32_t>(span.Length);
        return 0;
    }
    return verdict;
}

} // namespace qlcos::exposure
