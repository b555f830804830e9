// The request/response machinery shared by the framed controller models.
#include "qlcos/exposure.h"
#include "exposure/command_frame.h"
#include "platform/win32.h"

#include <algorithm>
#include <cstring>

using qlcos::exposure::CommandFrame;
using qlcos::exposure::ETX;
using qlcos::exposure::STX;

namespace {

const uint32_t kCommandTimeoutMs = 500;
const uint32_t kNoCache = 0xFFFFFFFFu;
const uint32_t kLongestShutterTime = 9999; // units of 10 ms
const uint32_t kLongestIntervalTime = 999;
const int kPollFailuresAllowed = 7;
// A status character that decides nothing (none of '0', '5', '6', '?').
const unsigned char kNoStatus = 0;

bool IsChannel(unsigned char channel) { return channel >= 1 && channel <= 3; }

} // namespace

CQFrameControl::CQFrameControl(const tagQFrameModel& model)
    : CZanComDevice(model.PortName),
      m_Model(model),
      m_Received(new unsigned char[model.PoolBytes]),
      m_Reply(new unsigned char[model.ReplyBytes])
{
    std::memset(m_ShutterCache, 0xFF, sizeof m_ShutterCache);
    std::memset(m_IntervalCache, 0xFF, sizeof m_IntervalCache);
}

CQFrameControl::~CQFrameControl()
{
    // The protocol member dies with this object: take it off the port first, so the
    // receive thread can never reach it.
    RemoveProtocol(m_Protocol.GetIdentifier());
}

ZanResult CQFrameControl::ModelCode(uint16_t nn) const
{
    return 0x20000000u | (static_cast<uint32_t>(m_Model.ModelByte) << 16) | nn;
}

ZanResult CQFrameControl::Init() { return 0; }

ZanResult CQFrameControl::PostAttach()
{
    const ZanResult pool = AllocPool(m_Model.PoolBytes);
    if (zanFailed(pool)) return pool;
    AppendProtocol(&m_Protocol);
    return CZanComDevice::PostAttach();
}

ZanResult CQFrameControl::PreDetach()
{
    RemoveProtocol(m_Protocol.GetIdentifier());
    return CZanComDevice::PreDetach();
}

int CQFrameControl::IsDeviceTypeOf(uint32_t deviceType)
{
    if (deviceType == m_Model.DeviceTypeNumber) return 1;
    return CZanComDevice::IsDeviceTypeOf(deviceType);
}

// ---- Sending and cutting -------------------------------------------------------------------

int CQFrameControl::CutReply(unsigned char* buffer, uint32_t* length, int* etxPosition)
{
    const int count = static_cast<int>(*length);
    int start = 0;
    int end = 0;
    if (!zanIsIn(buffer, STX, &start, count, 0)) return 0;
    if (!zanIsIn(buffer, ETX, &end, count, start)) return 0;
    std::memmove(buffer, buffer + start, static_cast<size_t>(end - start + 1));
    *length = static_cast<uint32_t>(end - start + 1);
    if (etxPosition) *etxPosition = end;
    return 1;
}

int CQFrameControl::CheckResponse(unsigned char* const buffer, uint32_t* length)
{
    if (!buffer || !length) return 0;
    return CutReply(buffer, length, nullptr);
}

uint32_t CQFrameControl::TrailingByteWaitMs() const
{
    // Two character times at the line's rate, and a millisecond for the system.
    const int baud = m_Property.BaudRate > 0 ? m_Property.BaudRate : 9600;
    return static_cast<uint32_t>((2 * 10 * 1000 + baud - 1) / baud) + 1;
}

ZanResult CQFrameControl::SendCmd(unsigned char* frame, int length, unsigned char* reply,
                                  uint32_t* replyLength, uint32_t timeoutMs)
{
    if (!frame || length <= 0 || !reply || !replyLength) return ModelCode(QCTRL_OUT_OF_RANGE);
    const uint32_t capacity = *replyLength;

    SetWaitResponse(1);
    SetWaitTimeOut(timeoutMs);
    m_Protocol.m_EventChar1 = ETX;
    m_Protocol.SetEventChar1Mode(1);
    m_Protocol.SetEventChar2Mode(0);
    ChangeComProperty(&m_Property);

    ZanResult sent = 0;
    for (int attempt = 0; attempt < GetAttemptCount(); ++attempt) {
        ClearPool();
        sent = Send(frame, length, this);
        if (zanFailed(sent)) continue;
        const int received = GetPoolData(m_Received.get(), static_cast<int>(m_Model.PoolBytes));
        uint32_t count = static_cast<uint32_t>(received);
        int etx = 0;
        if (!CutReply(m_Received.get(), &count, &etx)) continue;
        // The block check follows ETX on the line: take it in now, while it is due, so that
        // it cannot arrive during the next command and pass for part of its reply.
        if (etx == received - 1) WaitForPoolData(received + 1, TrailingByteWaitMs());
        // Longer than any reply the command takes: refused, not sent again (the controller
        // has acted on the command already).
        if (count > capacity) return ModelCode(QCTRL_BAD_LENGTH);
        std::memcpy(reply, m_Received.get(), count);
        *replyLength = count;
        return 0;
    }
    return zanFailed(sent) ? sent : ModelCode(QCTRL_BAD_LENGTH);
}

ZanResult CQFrameControl::GetErrorCode(const unsigned char* reply, uint32_t length)
{
    // Both error digits must lie inside the reply.
    if (!reply || length < 7) return ModelCode(QCTRL_BAD_LENGTH);
    const unsigned e = ((reply[5] * 16u) % 256u) | (reply[6] & 0x0Fu);
    switch (e) {
    case 0x00: return 0;
    case 0x01: return ModelCode(QCTRL_ERROR_01);
    case 0x02: return ModelCode(QCTRL_ERROR_02);
    case 0x03: return ModelCode(QCTRL_ERROR_03);
    case 0x04: return ModelCode(QCTRL_ERROR_04);
    case 0x11: return ModelCode(QCTRL_ERROR_11);
    case 0x12: return ModelCode(QCTRL_ERROR_12);
    case 0x13: return ModelCode(QCTRL_ERROR_13);
    default: return ModelCode(QCTRL_ERROR_OTHER);
    }
}

ZanResult CQFrameControl::Exchange(unsigned char* frame, int length, uint32_t timeoutMs,
                                   uint32_t* replyLength)
{
    uint32_t count = m_Model.ReplyBytes;
    const ZanResult result = SendCmd(frame, length, m_Reply.get(), &count, timeoutMs);
    m_ReplyLength = zanFailed(result) ? 0 : count;
    if (replyLength) *replyLength = m_ReplyLength;
    return result;
}

ZanResult CQFrameControl::Command(unsigned char* frame, int length, uint32_t timeoutMs)
{
    uint32_t count = 0;
    const ZanResult result = Exchange(frame, length, timeoutMs, &count);
    if (zanFailed(result)) return result;
    return GetErrorCode(m_Reply.get(), count);
}

ZanResult CQFrameControl::Query(unsigned char* frame, int length, uint32_t expected,
                                uint32_t timeoutMs)
{
    uint32_t count = 0;
    const ZanResult result = Exchange(frame, length, timeoutMs, &count);
    if (zanFailed(result)) return result;
    if (count != expected) return ModelCode(QCTRL_BAD_LENGTH);
    return GetErrorCode(m_Reply.get(), count);
}

ZanResult CQFrameControl::QueryData(unsigned char* frame, int length, uint32_t lastDataIndex,
                                    uint32_t timeoutMs)
{
    const ZanResult result = Command(frame, length, timeoutMs);
    if (zanFailed(result)) return result;
    // The data must end before ETX: a shorter reply would leave the digits to a stale one.
    if (m_ReplyLength < lastDataIndex + 2) return ModelCode(QCTRL_BAD_LENGTH);
    return 0;
}

ZanResult CQFrameControl::CommandSelector(unsigned char command, unsigned char selector,
                                          uint32_t timeoutMs)
{
    CommandFrame f(m_Model.Letter, command, 1);
    f.Char(0, selector);
    return Command(f.Seal(), f.Length(), timeoutMs);
}

ZanResult CQFrameControl::QuerySelector(unsigned char command, unsigned char selector,
                                        uint32_t expected, uint32_t timeoutMs)
{
    CommandFrame f(m_Model.Letter, command, 1);
    f.Char(0, selector);
    return Query(f.Seal(), f.Length(), expected, timeoutMs);
}

ZanResult CQFrameControl::QuerySelectorData(unsigned char command, unsigned char selector,
                                            uint32_t lastDataIndex, uint32_t timeoutMs)
{
    CommandFrame f(m_Model.Letter, command, 1);
    f.Char(0, selector);
    return QueryData(f.Seal(), f.Length(), lastDataIndex, timeoutMs);
}

int CQFrameControl::ReplyDec(int position, int digits) const
{
    const unsigned char* r = m_Reply.get() + position;
    switch (digits) {
    case 2: return zanCombineDec(r[0], r[1]);
    case 3: return zanCombineDec(r[0], r[1], r[2]);
    default: return zanCombineDec(r[0], r[1], r[2], r[3]);
    }
}

int CQFrameControl::ReplyHex(int position, int digits) const
{
    const unsigned char* r = m_Reply.get() + position;
    switch (digits) {
    case 2: return zanCombineHex(r[0], r[1]);
    case 3: return zanCombineHex(0, r[0], r[1], r[2]);
    default: return zanCombineHex(r[0], r[1], r[2], r[3]);
    }
}

// ---- Status ---------------------------------------------------------------------------------

ZanResult CQFrameControl::Poll(unsigned char& status, unsigned char& progress)
{
    CommandFrame f(m_Model.Letter, '1', 1);
    uint32_t count = 0;
    const ZanResult result = Exchange(f.Seal(), f.Length(), kCommandTimeoutMs, &count);
    if (zanFailed(result)) return result;
    if (count == 10) {
        status = m_Reply[7];
        progress = static_cast<unsigned char>(m_Reply[8] - '0');
    }
    return GetErrorCode(m_Reply.get(), count);
}

ZanResult CQFrameControl::PollingStatus(uint32_t timeoutMs)
{
    DWORD start = GetTickCount();
    ZanResult result = 0;
    bool polling = true;
    int failuresLeft = kPollFailuresAllowed;
    const uint16_t ownCodes = static_cast<uint16_t>(0x2000u | m_Model.ModelByte);

    if (GetTickCount() - start >= timeoutMs) return ModelCode(QCTRL_TIMEOUT);
    while (GetTickCount() - start < timeoutMs) {
        if (!polling) return result;
        // Each poll decides on its own status: a reply without one must not repeat an
        // earlier '5', which would restart the window for as long as the line is bad.
        unsigned char status = kNoStatus;
        unsigned char progress = 0;
        result = Poll(status, progress);
        if (zanSucceeded(result) || (result >> 16) == ownCodes) {
            if (status == '5' || (status == '6' && m_Model.RestartOnStatus6)) {
                start = GetTickCount();
                continue;
            }
            if (status == '0') {
                polling = false;
                if (m_Model.FinalStatusClearsErrors && result != ModelCode(QCTRL_ERROR_11))
                    result = 0;
            } else if (status == '?') {
                polling = false;
            }
        } else if (--failuresLeft == 0) {
            polling = false;
        }
        Sleep(m_Model.PollSleepMs);
    }
    return polling ? ModelCode(QCTRL_TIMEOUT) : result;
}

// ---- Data store and identity ------------------------------------------------------------------

ZanResult CQFrameControl::FormatData() { return CommandSelector('r', '0'); }

ZanResult CQFrameControl::DataOperator(unsigned char operation, unsigned char address,
                                       unsigned char& data)
{
    CommandFrame f(m_Model.Letter, 's', 5);
    f.Char(0, static_cast<unsigned char>('0' + operation));
    f.Hex2(1, address);
    if (operation == 3) f.Hex2(3, data);
    uint32_t count = 0;
    const ZanResult result = Exchange(f.Seal(), f.Length(), kCommandTimeoutMs, &count);
    if (zanFailed(result)) return result;
    if (count != 12) return ModelCode(QCTRL_BAD_LENGTH);
    if (operation == 2) data = static_cast<unsigned char>(ReplyHex(7, 2));
    return result;
}

ZanResult CQFrameControl::GetVersion(char* text)
{
    if (!text) return ModelCode(QCTRL_OUT_OF_RANGE);
    const ZanResult result = CommandSelector(0x7F, '0');
    if (zanFailed(result)) return result;
    // The text runs from byte 7 to the byte before ETX.
    if (m_ReplyLength < 8 || m_ReplyLength - 8 >= static_cast<uint32_t>(kVersionTextCapacity))
        return ModelCode(QCTRL_BAD_LENGTH);
    const uint32_t chars = m_ReplyLength - 8;
    std::memcpy(text, m_Reply.get() + 7, chars);
    text[chars] = '\0';
    return 0;
}

ZanResult CQFrameControl::Create(int port, int second)
{
    tagZANSerialPortProperty property{port, second, 9600, 8, 0, 0};
    ZanResult result = CZanComDevice::Create(&property);
    if (zanFailed(result)) return result;

    char text[kVersionTextCapacity];
    result = GetVersion(text);
    if (zanSucceeded(result)) {
        text[std::min<int>(m_Model.IdentityChars, kVersionTextCapacity - 1)] = '\0';
        if (std::strcmp(text, m_Model.Identity) != 0) result = ModelCode(QCTRL_WRONG_IDENTITY);
    }
    if (zanSucceeded(result)) {
        unsigned short t = 0;
        result = GetShutterTime(1, t);
        if (zanSucceeded(result)) {
            GetShutterTime(2, t);
            GetShutterTime(3, t);
            GetIntervalTime(1, t);
            GetIntervalTime(2, t);
        }
    }
    // A controller that did not identify itself leaves no open port and no thread behind.
    if (zanFailed(result)) Destroy();
    return result;
}

// ---- Times --------------------------------------------------------------------------------

uint32_t& CQFrameControl::ShutterCache(unsigned char channel)
{
    static const int kSlot[4] = {0, 0, 2, 1}; // channels 1, 3, 2 are stored in that order
    return m_ShutterCache[kSlot[channel <= 3 ? channel : 0]];
}

uint32_t CQFrameControl::ShutterCache(unsigned char channel) const
{
    return const_cast<CQFrameControl*>(this)->ShutterCache(channel);
}

uint32_t CQFrameControl::ExposeWindowMs(unsigned char channel) const
{
    uint32_t time = 0;
    if (IsChannel(channel)) {
        time = ShutterCache(channel);
        if (time == kNoCache) time = kLongestShutterTime;
    } else if (channel == 4 || channel == 5) {
        time = m_IntervalCache[channel - 4];
        if (time == kNoCache) time = kLongestIntervalTime;
    }
    return (std::min<uint32_t>(time, 0xFFFFu) + 20) * 100;
}

ZanResult CQFrameControl::ExposeWithinCachedTime(unsigned char channel, uint32_t settleMs)
{
    uint32_t count = 0;
    CommandFrame f(m_Model.Letter, '3', 1);
    f.Channel(0, channel);
    const ZanResult sent = Exchange(f.Seal(), f.Length(), kCommandTimeoutMs, &count);
    if (zanFailed(sent)) return sent;
    const uint32_t window = ExposeWindowMs(channel);
    Sleep(settleMs);
    return PollingStatus(window);
}

ZanResult CQFrameControl::ExposeSleepingThrough(unsigned char channel)
{
    uint32_t count = 0;
    CommandFrame f(m_Model.Letter, '3', 1);
    f.Channel(0, channel);
    const ZanResult sent = Exchange(f.Seal(), f.Length(), kCommandTimeoutMs, &count);
    if (zanFailed(sent)) return sent;
    int64_t sleepMs = 0;
    uint32_t window = 2000;
    if (IsChannel(channel)) {
        const uint32_t time = ShutterCache(channel);
        sleepMs = (static_cast<int64_t>(time == kNoCache ? kLongestShutterTime : time) - 10) * 10;
    } else if (channel == 4 || channel == 5) {
        uint32_t time = m_IntervalCache[channel - 4];
        if (time == kNoCache) time = kLongestIntervalTime;
        sleepMs = static_cast<int64_t>(time) * 10 - 100;
        window = time * 100 + 5000;
    }
    if (sleepMs > 0) Sleep(static_cast<DWORD>(sleepMs));
    return PollingStatus(window);
}

ZanResult CQFrameControl::GetShutterTime(unsigned char channel, unsigned short& time)
{
    if (!IsChannel(channel)) return ModelCode(QCTRL_OUT_OF_RANGE);
    const ZanResult result = QuerySelector('B', ChannelChar(channel), 12);
    if (zanFailed(result)) return result;
    time = static_cast<unsigned short>(ReplyDec(7, 4));
    ShutterCache(channel) = time;
    return 0;
}

ZanResult CQFrameControl::SetShutterTime(unsigned char channel, unsigned short time)
{
    if (!IsChannel(channel) || time > 9999) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 'R', 5);
    f.Channel(0, channel);
    f.Dec4(1, time);
    const ZanResult result = Command(f.Seal(), f.Length());
    if (zanSucceeded(result) && m_Model.SetShutterTimeCaches) ShutterCache(channel) = time;
    return result;
}

ZanResult CQFrameControl::GetIntervalTime(unsigned char index, unsigned short& time)
{
    if (index < 1 || index > 4) return ModelCode(QCTRL_OUT_OF_RANGE);
    const ZanResult result = QuerySelectorData('H', IndexChar(index), 9);
    if (zanFailed(result)) return result;
    time = static_cast<unsigned short>(ReplyDec(7, 3));
    if (index <= 2) m_IntervalCache[index - 1] = time;
    return 0;
}

ZanResult CQFrameControl::SetIntervalTime(unsigned char index, unsigned short time)
{
    if (index < 1 || index > 4 || time > 999) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 'U', 4);
    f.Index(0, index);
    f.Dec3(1, time);
    const ZanResult result = Command(f.Seal(), f.Length());
    if (zanSucceeded(result) && index <= 2) m_IntervalCache[index - 1] = time;
    return result;
}

// ---- Serial codes ---------------------------------------------------------------------------

ZanResult CQFrameControl::GetSerialCode(unsigned char index, unsigned short* text)
{
    if (!text) return ModelCode(QCTRL_OUT_OF_RANGE);
    const ZanResult result = CommandSelector('F', IndexChar(index));
    if (zanFailed(result)) return result;
    // length − 11 characters from byte 7.
    if (m_ReplyLength < 11 || m_ReplyLength - 11 >= static_cast<uint32_t>(kSerialCodeCapacity))
        return ModelCode(QCTRL_BAD_LENGTH);
    const uint32_t chars = m_ReplyLength - 11;
    for (uint32_t i = 0; i < chars; ++i) text[i] = m_Reply[7 + i];
    text[chars] = 0;
    return 0;
}

ZanResult CQFrameControl::SetSerialCode(unsigned char index, const char* code)
{
    if (index < 1 || index > 3 || !code) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 'q', 17);
    f.Index(0, index);
    for (int i = 0; i < 16 && code[i]; ++i) f.Char(1 + i, static_cast<unsigned char>(code[i]));
    return Command(f.Seal(), f.Length());
}

// ---- Operations three models share ----------------------------------------------------------

ZanResult CQFrameControl::GetBrightness(unsigned char channel, unsigned char& value)
{
    const ZanResult result = QuerySelector('A', ChannelChar(channel), 10);
    if (zanSucceeded(result)) value = static_cast<unsigned char>(ReplyDec(7, 2));
    return result;
}

ZanResult CQFrameControl::SetBrightness(unsigned char channel, unsigned char value)
{
    if (!IsChannel(channel) || value > 99) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 'Q', 3);
    f.Channel(0, channel);
    f.Dec2(1, value);
    return Command(f.Seal(), f.Length());
}

ZanResult CQFrameControl::GetChannel(unsigned char channel, unsigned char& value)
{
    const ZanResult result = QuerySelector('C', ChannelChar(channel), 9);
    if (zanSucceeded(result)) value = static_cast<unsigned char>(m_Reply[7] - '0');
    return result;
}

ZanResult CQFrameControl::SetChannel(unsigned char channel, unsigned char value)
{
    if (!IsChannel(channel) || value < 1 || value > 3) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 'S', 2);
    f.Channel(0, channel);
    f.Channel(1, value);
    return Command(f.Seal(), f.Length());
}

ZanResult CQFrameControl::GetImageAdjust(unsigned char index, unsigned short& value)
{
    if (index < 1 || index > 8) return ModelCode(QCTRL_OUT_OF_RANGE);
    const ZanResult result = QuerySelector('u', IndexChar(index), 11);
    if (zanSucceeded(result)) value = static_cast<unsigned short>(ReplyDec(7, 3));
    return result;
}

ZanResult CQFrameControl::SetImageAdjust(unsigned char index, unsigned short value)
{
    // Items 1 and 2 take 0..511, item 5 0..31, the others 0..15.
    static const unsigned short kLimit[9] = {0, 511, 511, 15, 15, 31, 15, 15, 15};
    if (index < 1 || index > 8 || value > kLimit[index]) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 't', 4);
    f.Index(0, index);
    f.Dec3(1, value);
    return Command(f.Seal(), f.Length());
}

ZanResult CQFrameControl::InputSelect(unsigned char index)
{
    return CommandSelector('7', IndexChar(index));
}
