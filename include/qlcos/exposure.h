// Light-engine controller drivers and the command-frame machinery they share.
#pragma once

#include "qlcos/serial.h"

#include <memory>

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

// What distinguishes one framed controller model from another.
struct tagQFrameModel {
    char Letter;                  // model letter at frame byte 1
    uint8_t ModelByte;            // MM of the model's result codes
    const ZanWChar* PortName;     // the port device name
    const char* Identity;         // identity text the controller reports
    int IdentityChars;            // characters compared
    uint32_t DeviceTypeNumber;    // the number IsDeviceTypeOf claims
    uint32_t PoolBytes;           // receive pool: holds the longest reply with its block check
    uint32_t ReplyBytes;          // reply buffer
    uint32_t PollSleepMs;         // pause between status polls
    bool FinalStatusClearsErrors; // a final status '0' clears every error but digits 1 1
    bool RestartOnStatus6;        // status '6' restarts the wait window like '5'
    bool SetShutterTimeCaches;    // a successful SetShutterTime updates the cache
};

// The request/response machinery of the framed controllers: frames with a model letter and
// an XOR block check, sending with repeated attempts, cutting replies, mapping the
// controller's error digits, status polling, the data store and the creation sequence.
class QLCOS_API CQFrameControl : public CZanComDevice {
public:
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
    int IsDeviceTypeOf(uint32_t deviceType) override;

    // Status character and progress digit of the controller; both unchanged unless the reply
    // has the poll's length.
    ZanResult Poll(unsigned char& status, unsigned char& progress);
    // Polls until the controller reports done ('0'), gives up ('?'), or `timeoutMs` passes
    // (QCTRL_TIMEOUT). Status '5' starts the window again. Gives up after 7 line failures.
    ZanResult PollingStatus(uint32_t timeoutMs);
    ZanResult FormatData();
    // Data store: operation 2 reads `data` at `address`, operation 3 writes it.
    ZanResult DataOperator(unsigned char operation, unsigned char address, unsigned char& data);
    // Fills `text` (kVersionTextCapacity characters) with the identity text.
    ZanResult GetVersion(char* text);

    ZanResult GetShutterTime(unsigned char channel, unsigned short& time);
    ZanResult SetShutterTime(unsigned char channel, unsigned short time);
    ZanResult GetIntervalTime(unsigned char index, unsigned short& time);
    ZanResult SetIntervalTime(unsigned char index, unsigned short time);
    // Fills `text` (kSerialCodeCapacity UTF-16 units) with serial code `index`.
    ZanResult GetSerialCode(unsigned char index, unsigned short* text);
    // Sends the 16 characters of `code`; a shorter text leaves the rest of the field '0'.
    ZanResult SetSerialCode(unsigned char index, const char* code);

    const tagQFrameModel& Model() const { return m_Model; }

protected:
    explicit CQFrameControl(const tagQFrameModel& model);

    // Sends `frame` and cuts the reply into `reply`. On entry *replyLength is the capacity of
    // `reply`; on success it is the reply's length, STX to ETX.
    ZanResult SendCmd(unsigned char* frame, int length, unsigned char* reply, uint32_t* replyLength,
                      uint32_t timeoutMs);
    // Cuts STX..ETX to the front of `buffer`: 1 when found, else 0.
    int CheckResponse(unsigned char* const buffer, uint32_t* length);
    ZanResult GetErrorCode(const unsigned char* reply, uint32_t length);
    ZanResult Init();

    // Operations three of the four models share; each model makes public those it has.
    ZanResult GetBrightness(unsigned char channel, unsigned char& value);
    ZanResult SetBrightness(unsigned char channel, unsigned char value);
    ZanResult GetChannel(unsigned char channel, unsigned char& value);
    ZanResult SetChannel(unsigned char channel, unsigned char value);
    // Image adjustment with decimal values (lamp controller 2 and LED controller).
    ZanResult GetImageAdjust(unsigned char index, unsigned short& value);
    ZanResult SetImageAdjust(unsigned char index, unsigned short value);
    ZanResult InputSelect(unsigned char index);

    // The full result for low word `nn`.
    ZanResult ModelCode(uint16_t nn) const;
    // Sends a sealed frame and leaves the reply in m_Reply, its length in *length.
    ZanResult Exchange(unsigned char* frame, int length, uint32_t timeoutMs, uint32_t* replyLength);
    // Exchange, then the error digits.
    ZanResult Command(unsigned char* frame, int length, uint32_t timeoutMs = 500);
    // Exchange, then the reply must be exactly `expected` bytes, then the error digits.
    ZanResult Query(unsigned char* frame, int length, uint32_t expected, uint32_t timeoutMs = 500);
    // Exchange, then the error digits, then the reply must reach `lastDataIndex` before ETX.
    ZanResult QueryData(unsigned char* frame, int length, uint32_t lastDataIndex,
                        uint32_t timeoutMs = 500);
    // Frames whose only parameter is one selector character (a channel '0' + c, an index
    // '0' + i − 1, or a fixed character): the same three ways of checking the reply.
    ZanResult CommandSelector(unsigned char command, unsigned char selector,
                              uint32_t timeoutMs = 500);
    ZanResult QuerySelector(unsigned char command, unsigned char selector, uint32_t expected,
                            uint32_t timeoutMs = 500);
    ZanResult QuerySelectorData(unsigned char command, unsigned char selector,
                                uint32_t lastDataIndex, uint32_t timeoutMs = 500);
    static unsigned char ChannelChar(unsigned char channel)
    {
        return static_cast<unsigned char>('0' + channel);
    }
    static unsigned char IndexChar(unsigned char index)
    {
        return static_cast<unsigned char>('0' + index - 1);
    }
    // Digits of the last reply.
    int ReplyDec(int position, int digits) const;
    int ReplyHex(int position, int digits) const;

    // The exposure wait of channels 1..5 from the caches: (time + 20) × 100 ms. A cache that
    // holds no value read from the controller counts as the longest time it accepts; a
    // channel outside 1..5 waits the 2-second margin alone.
    uint32_t ExposeWindowMs(unsigned char channel) const;
    // The two ways the models wait for an exposure. Both send the exposure first (its reply
    // is not examined) and return a failure to send as it is.
    // Settle `settleMs`, then poll for at most ExposeWindowMs (lamp controller 2, LCD).
    ZanResult ExposeWithinCachedTime(unsigned char channel, uint32_t settleMs);
    // Sleep through the exposure, then give the controller 2 s to report done (channels 1..3:
    // sleep (time − 10) × 10 ms) or the interval plus 5 s (channels 4, 5: sleep
    // time × 10 − 100 ms, poll time × 100 + 5000 ms); other channels poll for 2 s (LED, LDD).
    ZanResult ExposeSleepingThrough(unsigned char channel);
    uint32_t& ShutterCache(unsigned char channel);
    uint32_t ShutterCache(unsigned char channel) const;

    const tagQFrameModel& m_Model;
    CZanProtocolEventChar m_Protocol;
    // Shutter times of channels 1, 3, 2 in that order; interval times 1 and 2.
    uint32_t m_ShutterCache[3];
    uint32_t m_IntervalCache[2];
    uint32_t m_ReplyLength = 0;
    std::unique_ptr<unsigned char[]> m_Received; // copy of the pool, PoolBytes
    std::unique_ptr<unsigned char[]> m_Reply;    // the last cut reply, ReplyBytes

private:
    int CutReply(unsigned char* buffer, uint32_t* length, int* etxPosition);
    uint32_t TrailingByteWaitMs() const;
};

// The second-generation lamp light engine: three colour channels with shutter times and
// brightness, two interval times, a colour wheel, light source control, an input selector,
// a light table, a photocell, serial codes and image adjustment.
class QLCOS_API CQLampControl2 : public CQFrameControl {
public:
    CQLampControl2();
    ~CQLampControl2() override;

    // Exposes channel 1..3 (shutter time) or 4..5 (interval time 1 or 2) and waits until the
    // controller reports done: (cached time + 20) × 100 ms at most. Any other channel is sent
    // all the same and waited for 2 seconds.
    ZanResult Expose(unsigned char channel);
    ZanResult ShutterControl(int open);
    ZanResult ColorWheelControl(unsigned char action, unsigned char value);
    ZanResult LightControl(unsigned char action, unsigned char value);
    ZanResult RefreshLightTable();
    ZanResult GetColorWheelPos(unsigned char channel, unsigned short& position);
    ZanResult SetColorWheelPos(unsigned char channel, unsigned short position);
    ZanResult GetRefreshProgress(unsigned char& stage, unsigned char& percent);
    ZanResult GetPhotronicCell(unsigned char& value);

    using CQFrameControl::GetBrightness;
    using CQFrameControl::GetChannel;
    using CQFrameControl::GetImageAdjust;
    using CQFrameControl::InputSelect;
    using CQFrameControl::SetBrightness;
    using CQFrameControl::SetChannel;
    using CQFrameControl::SetImageAdjust;
};

// The other controller models, each in its own header.
#include "qlcos/exposure/lamp_control.h"
#include "qlcos/exposure/lcd_control.h"
#include "qlcos/exposure/lcos_ctrl.h"
#include "qlcos/exposure/led_control.h"
