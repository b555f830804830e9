// The first-generation lamp light engine.
#pragma once

#include "qlcos/serial.h"

namespace qlcos::exposure {
class LampLink;
struct Framing;
} // namespace qlcos::exposure

// The first-generation lamp controller. Its protocol has no model letter, block check or
// error digits: a request is STX, command character, parameters, ETX; setting commands are
// answered with ACK (0x06) or NAK (0x15), reading commands with STX, two characters, the
// data from byte 3, ETX. Channels travel as '0' + channel, values as decimal digits.
//
// Results: 0 for success, or a serial framework result, this model having no codes of its
// own. Each command is sent up to GetAttemptCount() times; the last attempt decides:
//   ZAN_COM_ERR_REFUSED   the controller answered NAK;
//   ZAN_COM_ERR_NO_REPLY  the transfer worked but no usable answer came: no ACK to a
//                         setting, no STX..ETX reply to a reading, a reply too short to
//                         hold the data the command reads, or one whose data are not decimal
//                         digits (such a reply is not read and nothing of it is cached);
//   ZAN_COM_ERR_CANCELLED Cancel() ended the request (below);
//   ZAN_COM_ERR_ARGUMENT  nothing sent: a value that does not fit its digits, a channel
//                         that is not one digit (above 9), an argument that would put a byte
//                         other than printable ASCII into the frame, or a null output pointer;
//   other framework results when the transfer itself failed (port not open, line closed).
// A reading's wait ends only at ETX: a reading answered with NAK alone waits out the
// time-out of each attempt before it returns ZAN_COM_ERR_REFUSED.
//
// Cancelling: Cancel() (the port's, public) from any thread ends the request in progress at
// once with ZAN_COM_ERR_CANCELLED, whatever it waits for (an exposure's ACK, a table
// refresh). Each request clears a Cancel left from before it began.
//
// Late answers: bytes received between commands are dropped before each attempt. After a
// command that got no answer in time, or was cancelled, its answer may still arrive and pass
// for the next command's (an ACK for a setting that was never answered). The next command
// therefore first drops it: after a cancelled command it waits, interruptibly, up to the
// rest of that command's time-out for the answer to come (a cancelled exposure's ACK comes
// when the exposure ends, and the controller takes no command before), then for a quiet line
// (20 ms without a byte, 200 ms at most).
//
// Caches: the brightness and the shutter time of channels 1..3 are remembered, in the
// controller's own units (the value GetShutterTime reads is the value SetShutterTime sends,
// units of 10 ms). A setting equal to its cached value is not sent again. A setting that
// fails forgets the cached value (the controller may or may not have taken it), so that the
// same setting is sent again next time. Channels other than 1..3 are never cached.
class QLCOS_API CQLampControl : public CZanComDevice {
public:
    // The receive pool; it also bounds every reply.
    static constexpr int kPoolBytes = 32;

    CQLampControl();
    // Does not call Destroy(): that is the owner's call. It stops the receive thread all the
    // same (ClosePort), because that thread reaches the protocol member and this object's
    // virtual functions, which are gone before the base class destructor runs.
    ~CQLampControl() override;

    // Opens the port {port, second, 9600 baud, 8 data bits} and reads the shutter time of
    // channel 1, whose answer identifies the controller. On failure the port is closed again
    // and the failure returned.
    ZanResult Create(int port, int second);
    using CZanComDevice::Create;

    ZanResult PostAttach() override;
    ZanResult PreDetach() override;
    // True for 0x301; other numbers go to the framework.
    int IsDeviceTypeOf(uint32_t deviceType) override;

    // Brightness 0..99.
    ZanResult SetBrightness(unsigned char channel, unsigned char value);
    ZanResult GetBrightness(unsigned char channel, unsigned char* value);
    // Shutter time 0..999, units of 10 ms.
    ZanResult SetShutterTime(unsigned char channel, unsigned short time);
    ZanResult GetShutterTime(unsigned char channel, unsigned short* time);
    // Channel setting 0..9 (sent as '0' + value).
    ZanResult SetChannel(unsigned char channel, unsigned char value);
    ZanResult GetChannel(unsigned char channel, unsigned char* value);
    // Filter position 0..999.
    ZanResult SetFilterPos(unsigned char channel, unsigned short position);
    ZanResult GetFilterPos(unsigned char channel, unsigned short* position);
    // Exposes channel 1..3; the controller answers ACK when the exposure has ended, so each
    // attempt waits the cached shutter time plus 4 s. A channel whose shutter time is not
    // known waits for the longest time the controller takes (9.99 s) plus 4 s. Any other
    // channel returns 0 without sending.
    ZanResult Exposal(unsigned char channel);
    // Opens the shutter when `open` is non-zero, closes it otherwise.
    ZanResult ShutterOpen(int open);
    // Rebuilds the controller's table; the ACK may take up to 55 s.
    ZanResult RefreshTable();

protected:
    // Sends `frame` and cuts the reply into `reply`: STX..ETX, or, when no STX came, the
    // received bytes as they are if they hold an ACK. On entry *replyLength is the capacity
    // of `reply`; on success it is the reply's length.
    ZanResult SendCmd(unsigned char* frame, int length, unsigned char* reply, uint32_t* replyLength,
                      uint32_t timeoutMs);
    // Sends `frame` until an attempt ends with ACK. `reply` and `replyLength` are not
    // written and may be null.
    ZanResult SendCmdACK(unsigned char* frame, int length, unsigned char* reply,
                         uint32_t* replyLength, uint32_t timeoutMs);
    // Moves STX..ETX to the front of `buffer` and sets *length to it: 1. Without an STX,
    // bytes that hold an ACK are valid as they are: 1. Otherwise 0.
    int CheckResponse(unsigned char* const buffer, uint32_t* length);

private:
    friend class qlcos::exposure::LampLink; // runs the commands of the model's table

    // One exchange, after dropping an answer still owed to an earlier command.
    ZanResult Transact(const qlcos::exposure::Framing& framing, unsigned char* frame, int length,
                       uint32_t timeoutMs, unsigned char* reply, uint32_t* replyLength);
    void DropLateAnswer();

    int m_RequestDepth = 0;      // operations in progress on the calling thread, nested
    bool m_AnswerOwed = false;   // the last command ended without its answer
    int64_t m_LateAnswerDue = 0; // until when (steady clock, ms) that answer may come

    CZanProtocolEventChar m_Protocol;
    // Shutter times and brightness of channels 1, 3, 2 in that order; -1 when not known.
    int32_t m_ShutterCache[3];
    int32_t m_BrightnessCache[3];
    unsigned char m_Received[kPoolBytes]; // the pool as taken after each attempt
    unsigned char m_Reply[kPoolBytes];    // the last cut reply of a reading command
};
