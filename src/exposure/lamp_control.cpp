// The first-generation lamp controller: ACK/NAK answers to settings, STX..ETX replies to
// readings, and caches that spare the line settings the controller already holds.
#include "qlcos/exposure.h"

#include <cstring>

// One of the four channel settings: set with one command, read with another, the value
// travelling after the channel character as `Digits` decimal digits.
struct tagQLampSetting {
    unsigned char SetCode;
    unsigned char GetCode;
    int Digits;
};

namespace {

const unsigned char STX = 0x02;
const unsigned char ETX = 0x03;
const unsigned char ACK = 0x06;
const unsigned char NAK = 0x15;

const tagQLampSetting kBrightness = {'1', 'A', 2};
const tagQLampSetting kShutterTime = {'2', 'B', 3};
const tagQLampSetting kChannel = {'3', 'C', 1};
const tagQLampSetting kFilterPos = {'4', 'D', 3};
const unsigned char kExposal = '5';
const unsigned char kShutterOpen = '6';
const unsigned char kRefreshTable = '7';

const uint32_t kCommandTimeoutMs = 2000;
const uint32_t kRefreshTimeoutMs = 55000;
// The reply of a reading command: STX, two characters, the data from here, ETX.
const uint32_t kReplyDataPosition = 3;
// Exposal waits (shutter time + this margin) × 10 ms.
const int32_t kExposalMarginUnits = 400;
const int32_t kLongestShutterTime = 999; // three digits, units of 10 ms
const int32_t kUnknown = -1;
const uint32_t kLargestValue[] = {0, 9, 99, 999};

// A request on the stack: STX, command, at most a channel and three digits, ETX. The ETX
// follows whatever was appended last, so the frame is complete at every step.
class LampFrame {
public:
    explicit LampFrame(unsigned char command) : m_length(2)
    {
        m_bytes[0] = STX;
        m_bytes[1] = command;
        m_bytes[2] = ETX;
    }
    LampFrame& Char(unsigned char c)
    {
        m_bytes[m_length++] = c;
        m_bytes[m_length] = ETX;
        return *this;
    }
    LampFrame& Channel(unsigned char channel)
    {
        return Char(static_cast<unsigned char>('0' + channel));
    }
    LampFrame& Digits(uint32_t value, int digits)
    {
        unsigned char d[3];
        switch (digits) {
        case 1: d[0] = static_cast<unsigned char>('0' + value); break;
        case 2: zanSplitDec(value, d[0], d[1]); break;
        default: zanSplitDec(value, d[0], d[1], d[2]); break;
        }
        for (int i = 0; i < digits; ++i) Char(d[i]);
        return *this;
    }
    unsigned char* Bytes() { return m_bytes; }
    int Length() const { return m_length + 1; }

private:
    unsigned char m_bytes[8];
    int m_length; // bytes before the ETX
};

// Channels travel as one character, '0' + channel: only 0..9 make a digit.
bool IsDigitChannel(unsigned char channel) { return channel <= 9; }

int32_t* Slot(int32_t (&cache)[3], unsigned char channel)
{
    static const int kSlot[4] = {-1, 0, 2, 1}; // channels 1, 3, 2 are stored in that order
    if (channel < 1 || channel > 3) return nullptr;
    return &cache[kSlot[channel]];
}

bool Holds(const unsigned char* bytes, int count, unsigned char c)
{
    int position = 0;
    return zanIsIn(bytes, c, &position, count, 0) != 0;
}

} // namespace

CQLampControl::CQLampControl() : CZanComDevice(ZT("LCos Lamp Control"))
{
    for (int i = 0; i < 3; ++i) m_ShutterCache[i] = m_BrightnessCache[i] = kUnknown;
    std::memset(m_Received, 0, sizeof m_Received);
    std::memset(m_Reply, 0, sizeof m_Reply);
}

CQLampControl::~CQLampControl()
{
    ClosePort();
    RemoveProtocol(m_Protocol.GetIdentifier());
}

ZanResult CQLampControl::Create(int port, int second)
{
    tagZANSerialPortProperty property{port, second, 9600, 8, 0, 0};
    ZanResult result = CZanComDevice::Create(&property);
    if (zanFailed(result)) return result;
    unsigned short time = 0;
    result = GetShutterTime(1, &time);
    if (zanFailed(result)) Destroy();
    return result;
}

ZanResult CQLampControl::PostAttach()
{
    const ZanResult pool = AllocPool(kPoolBytes);
    if (zanFailed(pool)) return pool;
    AppendProtocol(&m_Protocol);
    return CZanComDevice::PostAttach();
}

ZanResult CQLampControl::PreDetach()
{
    RemoveProtocol(m_Protocol.GetIdentifier());
    return CZanComDevice::PreDetach();
}

int CQLampControl::IsDeviceTypeOf(uint32_t deviceType)
{
    if (deviceType == 0x301) return 1;
    return CZanComDevice::IsDeviceTypeOf(deviceType);
}

int32_t* CQLampControl::ShutterCache(unsigned char channel)
{
    return Slot(m_ShutterCache, channel);
}

int32_t* CQLampControl::BrightnessCache(unsigned char channel)
{
    return Slot(m_BrightnessCache, channel);
}

// ---- Sending ------------------------------------------------------------------------------

int CQLampControl::CheckResponse(unsigned char* const buffer, uint32_t* length)
{
    if (!buffer || !length) return 0;
    const int count = static_cast<int>(*length);
    int start = 0;
    int end = 0;
    if (!zanIsIn(buffer, STX, &start, count, 0)) return Holds(buffer, count, ACK) ? 1 : 0;
    if (!zanIsIn(buffer, ETX, &end, count, start)) return 0;
    std::memmove(buffer, buffer + start, static_cast<size_t>(end - start + 1));
    *length = static_cast<uint32_t>(end - start + 1);
    return 1;
}

ZanResult CQLampControl::SendCmd(unsigned char* frame, int length, unsigned char* reply,
                                 uint32_t* replyLength, uint32_t timeoutMs)
{
    if (!frame || length <= 0 || !reply || !replyLength) return ZAN_COM_ERR_ARGUMENT;
    const uint32_t capacity = *replyLength;

    SetWaitResponse(1);
    SetWaitTimeOut(timeoutMs);
    m_Protocol.m_EventChar1 = ETX;
    m_Protocol.SetEventChar1Mode(1);
    m_Protocol.SetEventChar2Mode(0);
    ChangeComProperty(&m_Property);

    ZanResult result = ZAN_COM_ERR_NO_REPLY;
    for (int attempt = 0; attempt < GetAttemptCount(); ++attempt) {
        ClearPool();
        result = Send(frame, length, this);
        if (zanFailed(result)) continue;
        const int received = GetPoolData(m_Received, kPoolBytes);
        uint32_t count = static_cast<uint32_t>(received);
        if (CheckResponse(m_Received, &count)) {
            // The controller has answered: a reply the caller cannot hold is refused, not
            // asked for again.
            if (count > capacity) return ZAN_COM_ERR_NO_REPLY;
            std::memcpy(reply, m_Received, count);
            *replyLength = count;
            return 0;
        }
        result = Holds(m_Received, received, NAK) ? ZAN_COM_ERR_REFUSED : ZAN_COM_ERR_NO_REPLY;
    }
    return result;
}

ZanResult CQLampControl::SendCmdACK(unsigned char* frame, int length, unsigned char*, uint32_t*,
                                    uint32_t timeoutMs)
{
    if (!frame || length <= 0) return ZAN_COM_ERR_ARGUMENT;

    SetWaitResponse(1);
    SetWaitTimeOut(timeoutMs);
    m_Protocol.m_EventChar1 = ACK;
    m_Protocol.m_EventChar2 = NAK;
    m_Protocol.SetEventChar1Mode(1);
    m_Protocol.SetEventChar2Mode(1);
    ChangeComProperty(&m_Property);

    ZanResult result = ZAN_COM_ERR_NO_REPLY;
    for (int attempt = 0; attempt < GetAttemptCount(); ++attempt) {
        ClearPool();
        result = Send(frame, length, this);
        if (zanFailed(result)) continue;
        const int received = GetPoolData(m_Received, kPoolBytes);
        if (received > 0 && m_Received[received - 1] == ACK) return 0;
        result = Holds(m_Received, received, NAK) ? ZAN_COM_ERR_REFUSED : ZAN_COM_ERR_NO_REPLY;
    }
    return result;
}

// ---- Settings -----------------------------------------------------------------------------

ZanResult CQLampControl::SetValue(const tagQLampSetting& setting, unsigned char channel,
                                  uint32_t value, int32_t* cache)
{
    if (!IsDigitChannel(channel) || value > kLargestValue[setting.Digits])
        return ZAN_COM_ERR_ARGUMENT;
    if (cache && *cache == static_cast<int32_t>(value)) return 0;
    LampFrame f(setting.SetCode);
    f.Channel(channel).Digits(value, setting.Digits);
    const ZanResult result = SendCmdACK(f.Bytes(), f.Length(), nullptr, nullptr, kCommandTimeoutMs);
    // After a failure the controller may hold the new value or the old one: neither is known.
    if (cache) *cache = zanSucceeded(result) ? static_cast<int32_t>(value) : kUnknown;
    return result;
}

ZanResult CQLampControl::GetValue(const tagQLampSetting& setting, unsigned char channel, int& value)
{
    if (!IsDigitChannel(channel)) return ZAN_COM_ERR_ARGUMENT;
    LampFrame f(setting.GetCode);
    f.Channel(channel);
    uint32_t length = sizeof m_Reply;
    const ZanResult result = SendCmd(f.Bytes(), f.Length(), m_Reply, &length, kCommandTimeoutMs);
    if (zanFailed(result)) return result;
    // The data must lie before ETX; bytes accepted for an ACK alone carry none.
    const uint32_t digits = static_cast<uint32_t>(setting.Digits);
    if (m_Reply[0] != STX || length < kReplyDataPosition + digits + 1) return ZAN_COM_ERR_NO_REPLY;
    const unsigned char* d = m_Reply + kReplyDataPosition;
    switch (digits) {
    case 1: value = d[0] - '0'; break;
    case 2: value = zanCombineDec(d[0], d[1]); break;
    default: value = zanCombineDec(d[0], d[1], d[2]); break;
    }
    return 0;
}

template <typename T>
ZanResult CQLampControl::ReadValue(const tagQLampSetting& setting, unsigned char channel, T* out,
                                   int32_t* cache)
{
    if (!out) return ZAN_COM_ERR_ARGUMENT;
    int v = 0;
    const ZanResult result = GetValue(setting, channel, v);
    if (zanFailed(result)) return result;
    *out = static_cast<T>(v);
    if (cache) *cache = *out;
    return 0;
}

ZanResult CQLampControl::SetBrightness(unsigned char channel, unsigned char value)
{
    return SetValue(kBrightness, channel, value, BrightnessCache(channel));
}

ZanResult CQLampControl::GetBrightness(unsigned char channel, unsigned char* value)
{
    return ReadValue(kBrightness, channel, value, BrightnessCache(channel));
}

ZanResult CQLampControl::SetShutterTime(unsigned char channel, unsigned short time)
{
    return SetValue(kShutterTime, channel, time, ShutterCache(channel));
}

ZanResult CQLampControl::GetShutterTime(unsigned char channel, unsigned short* time)
{
    return ReadValue(kShutterTime, channel, time, ShutterCache(channel));
}

ZanResult CQLampControl::SetChannel(unsigned char channel, unsigned char value)
{
    return SetValue(kChannel, channel, value, nullptr);
}

ZanResult CQLampControl::GetChannel(unsigned char channel, unsigned char* value)
{
    return ReadValue(kChannel, channel, value, nullptr);
}

ZanResult CQLampControl::SetFilterPos(unsigned char channel, unsigned short position)
{
    return SetValue(kFilterPos, channel, position, nullptr);
}

ZanResult CQLampControl::GetFilterPos(unsigned char channel, unsigned short* position)
{
    return ReadValue(kFilterPos, channel, position, nullptr);
}

// ---- Actions ------------------------------------------------------------------------------

ZanResult CQLampControl::Exposal(unsigned char channel)
{
    const int32_t* cache = ShutterCache(channel);
    if (!cache) return 0;
    const int32_t time = *cache == kUnknown ? kLongestShutterTime : *cache;
    const uint32_t timeoutMs = static_cast<uint32_t>(time + kExposalMarginUnits) * 10;
    LampFrame f(kExposal);
    f.Channel(channel);
    return SendCmdACK(f.Bytes(), f.Length(), nullptr, nullptr, timeoutMs);
}

ZanResult CQLampControl::ShutterOpen(int open)
{
    LampFrame f(kShutterOpen);
    f.Char(open ? '1' : '2');
    return SendCmdACK(f.Bytes(), f.Length(), nullptr, nullptr, kCommandTimeoutMs);
}

ZanResult CQLampControl::RefreshTable()
{
    LampFrame f(kRefreshTable);
    return SendCmdACK(f.Bytes(), f.Length(), nullptr, nullptr, kRefreshTimeoutMs);
}
