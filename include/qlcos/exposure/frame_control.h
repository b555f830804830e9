// The request/response machinery of the framed light-engine controllers (lamp controller 2,
// LED, LCD, LDD): frames with a model letter and an XOR block check, repeated attempts,
// reply cutting, the controller's error digits, status polling, the data store and the
// creation sequence.
#pragma once

#include "qlcos/serial.h"

#include <memory>

namespace qlcos::exposure {
struct ControllerModel;
class FrameLink;
} // namespace qlcos::exposure

// Low words of the controller drivers' results; the full result is 0x20MM00NN with MM the
// model byte (0x36 lamp controller 2, 0x32 LED, 0x38 LCD, 0x39 LDD).
enum : uint16_t {
    QCTRL_TIMEOUT = 0x06,        // the controller stayed busy for the whole wait
    QCTRL_BAD_LENGTH = 0x07,     // reply missing, or not the length the command expects
    QCTRL_WRONG_IDENTITY = 0x08, // the identity text is not this model's
    QCTRL_ERROR_01 = 0x11,       // controller error digits 01
    QCTRL_ERROR_02 = 0x12,       // controller error digits 02; also an argument out of range
    QCTRL_ERROR_03 = 0x13,
    QCTRL_ERROR_04 = 0x14,
    QCTRL_ERROR_11 = 0x15,
    QCTRL_ERROR_12 = 0x16,
    QCTRL_ERROR_13 = 0x17,
    QCTRL_ERROR_OTHER = 0x20, // any other controller error digits
    QCTRL_OUT_OF_RANGE = QCTRL_ERROR_02,
};

// Results: 0, a model code 0x20MM00NN above, or a serial framework result passed through.
//
// Replies: a number the command reads must consist of digits of its field's base (decimal or
// hexadecimal) and lie in the range the controller accepts for that field (the range of the
// command that sets it; image-adjust items their own limits; a refresh progress 0..100);
// the error digits must be decimal digits and a poll's progress a digit. A reply that breaks
// this is refused with QCTRL_BAD_LENGTH and nothing of it is kept (no output written, no
// time cached). The block check byte after a reply is not checked (controllers in the field
// may not send it right); with QLCOS_TRACE set a mismatch is shown in the trace.
//
// Arguments: besides the ranges of each command, an argument that would put a byte other
// than printable ASCII (0x20..0x7E) into the frame (a channel or index selector that would
// turn into STX, ETX or NUL, a control character in a serial code) is refused with
// QCTRL_OUT_OF_RANGE and nothing is sent.
//
// Cancelling: Cancel() (the port's, public) from any thread ends the request in progress
// within a few milliseconds: its wait for a reply, the pause after a command, the sleep
// through an exposure and the status polling all end, and the request returns
// ZAN_COM_ERR_CANCELLED (0x2000000C). Each request clears a Cancel left from before it began,
// so a Cancel between requests affects none of them; within one request (an exposure and its
// polls) a Cancel stays until the request returns.
class QLCOS_API CQFrameControl : public CZanComDevice {
public:
    // PollingStatus never waits longer than this many times its window in all, however often
    // the controller restarts the window.
    static const uint32_t kPollingCapFactor = 20;

    // Capacity, in characters with the terminating NUL, of the texts GetVersion and
    // GetSerialCode fill. A longer text in a reply is refused as a wrong reply length.
    static const int kVersionTextCapacity = 128;
    static const int kSerialCodeCapacity = 33;

    ~CQFrameControl() override;

    // Opens the port {port, second, 9600 baud, 8 data bits}, reads and compares the identity
    // text, and reads the shutter and interval times. On failure the port is closed again.
    ZanResult Create(int port, int second);
    using CZanComDevice::Create;

    ZanResult PostAttach() override;
    ZanResult PreDetach() override;
    // True for the model's own number; other numbers go to the framework.
    int IsDeviceTypeOf(uint32_t deviceType) override;

    // Exposes channel 1..3 (shutter time) or 4..5 (interval time 1 or 2) and waits until the
    // controller reports done, the model's way:
    // - lamp controller 2 and LCD settle (150 and 100 ms), then poll for at most
    //   (cached time + 20) × 100 ms;
    // - LED and LDD sleep through the exposure ((cached time − 10) × 10 ms for channels 1..3,
    //   time × 10 − 100 ms for 4, 5), then poll 2 s (channels 1..3) or time × 100 + 5000 ms.
    // A cache that holds no value read from the controller counts as the longest time the
    // controller accepts. Any other channel is sent all the same and polled for 2 s at most.
    // The polling is capped as PollingStatus says.
    ZanResult Expose(unsigned char channel);
    // Status character and progress digit of the controller; both unchanged unless the reply
    // has the poll's length.
    ZanResult Poll(unsigned char& status, unsigned char& progress);
    // Polls until the controller reports done ('0'), gives up ('?'), or `timeoutMs` passes
    // (QCTRL_TIMEOUT). Status '5' (and '6' on the LDD) starts the window again, but the whole
    // wait ends with QCTRL_TIMEOUT once kPollingCapFactor × `timeoutMs` has passed since the
    // call (a controller that answers '5' for ever cannot hold the caller for ever). Gives up
    // after 7 line failures; a Cancel ends it at once (ZAN_COM_ERR_CANCELLED).
    ZanResult PollingStatus(uint32_t timeoutMs);
    ZanResult FormatData();
    // Data store: operation 2 reads `data` at `address`, operation 3 writes it.
    ZanResult DataOperator(unsigned char operation, unsigned char address, unsigned char& data);
    // Fills `text` (kVersionTextCapacity characters) with the identity text.
    ZanResult GetVersion(char* text);

    // Shutter time of channel 1..3, 0..9999 (units of 10 ms). The lamp controller 2 and the
    // LCD leave the exposure's cached time to GetShutterTime; the LED and LDD update it on a
    // successful SetShutterTime as well.
    ZanResult GetShutterTime(unsigned char channel, unsigned short& time);
    ZanResult SetShutterTime(unsigned char channel, unsigned short time);
    // Interval time 1..4, 0..999; 1 and 2 time the exposures of channels 4 and 5.
    ZanResult GetIntervalTime(unsigned char index, unsigned short& time);
    ZanResult SetIntervalTime(unsigned char index, unsigned short time);
    // Fills `text` (kSerialCodeCapacity UTF-16 units) with serial code `index`.
    ZanResult GetSerialCode(unsigned char index, unsigned short* text);
    // Sends the 16 characters of `code`; a shorter text leaves the rest of the field '0'.
    ZanResult SetSerialCode(unsigned char index, const char* code);

protected:
    // The driver of the model whose DeviceType is `deviceType`.
    explicit CQFrameControl(uint16_t deviceType);

    // Sends `frame` and cuts the reply into `reply`. On entry *replyLength is the capacity of
    // `reply`; on success it is the reply's length, STX to ETX.
    ZanResult SendCmd(unsigned char* frame, int length, unsigned char* reply, uint32_t* replyLength,
                      uint32_t timeoutMs);
    // Moves STX..ETX to the front of `buffer`: 1 when found, else 0.
    int CheckResponse(unsigned char* const buffer, uint32_t* length);
    ZanResult GetErrorCode(const unsigned char* reply, uint32_t length);

    // Operations that three of the four models share; each model makes public those it has.
    // Brightness 0..99 and channel setting 1..3 of channels 1..3.
    ZanResult GetBrightness(unsigned char channel, unsigned char& value);
    ZanResult SetBrightness(unsigned char channel, unsigned char value);
    ZanResult GetChannel(unsigned char channel, unsigned char& value);
    ZanResult SetChannel(unsigned char channel, unsigned char value);
    // Image adjustment with decimal values: items 1 and 2 take 0..511, item 5 0..31, the
    // others 0..15.
    ZanResult GetImageAdjust(unsigned char index, unsigned short& value);
    ZanResult SetImageAdjust(unsigned char index, unsigned short value);
    ZanResult InputSelect(unsigned char index);

private:
    friend class qlcos::exposure::FrameLink; // runs the commands of the model's table

    const qlcos::exposure::ControllerModel& m_Model;
    CZanProtocolEventChar m_Protocol;
    // Shutter times of channels 1, 3, 2 in that order; interval times 1 and 2.
    uint32_t m_ShutterCache[3];
    uint32_t m_IntervalCache[2];
    uint32_t m_ReplyLength = 0;
    int m_RequestDepth = 0; // operations in progress on the calling thread, nested
    std::unique_ptr<unsigned char[]> m_Received; // the pool as taken after each attempt
    std::unique_ptr<unsigned char[]> m_Reply;    // the last cut reply
};
