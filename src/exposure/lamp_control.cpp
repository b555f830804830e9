// The first-generation lamp controller: ACK/NAK answers to settings, STX..ETX replies to
// readings, and caches that spare the line settings the controller already holds.
#include "qlcos/exposure/lamp_control.h"
#include "exposure/command_frame.h"
#include "exposure/exchange.h"
#include "exposure/model_table.h"

#include <chrono>
#include <cstring>

using qlcos::exposure::Lamp;
using qlcos::exposure::ModelOf;
using qlcos::exposure::RequestScope;

static_assert(ModelOf(ZAN_DEVTYPE_LAMP_CONTROLLER).PoolBytes == CQLampControl::kPoolBytes,
              "the model table and the driver agree on the receive pool");

namespace {

const int32_t kUnknown = -1;
// Exposal waits (shutter time + this margin) × 10 ms.
const int32_t kExposalMarginUnits = 400;
const int32_t kLongestShutterTime = 999; // three digits, units of 10 ms
// A line without a byte for this long is quiet: ten character times at 9600 baud, and the
// system's delivery.
const uint32_t kQuietLineMs = 20;
// Dropping a late answer ends after this long even while bytes keep coming.
const int64_t kLateAnswerDrainMs = 200;

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

namespace qlcos::exposure {

// The private implementation of CQLampControl: runs the commands of its table.
class LampLink {
public:
    explicit LampLink(CQLampControl& driver)
        : m_Driver(driver), m_Request(driver, driver.m_RequestDepth)
    {}

    // Runs setting or action `id` with `args`, waiting the row's time for its ACK. An
    // argument out of its field's range is refused (ZAN_COM_ERR_ARGUMENT) before anything
    // is sent.
    ZanResult Run(Lamp id, std::initializer_list<uint32_t> args)
    {
        return RunWithin(id, RowOf(id).TimeoutMs, args);
    }
    ZanResult RunWithin(Lamp id, uint32_t timeoutMs, std::initializer_list<uint32_t> args)
    {
        CommandFrame frame(RowOf(id), 0);
        frame.Put(args);
        if (!frame.InRange()) return ZAN_COM_ERR_ARGUMENT;
        return m_Driver.SendCmdACK(frame.Seal(), frame.Length(), nullptr, nullptr, timeoutMs);
    }

    // The values the driver remembers for channels 1..3.
    enum class Cache { None, Shutter, Brightness };

    // A setting of channel `channel`, spared when `cached` holds it already. After a failure
    // the controller may hold the new value or the old one: neither is known.
    ZanResult Set(Lamp id, unsigned char channel, uint32_t value, Cache cached)
    {
        int32_t* cache = Slot(cached, channel);
        CommandFrame frame(RowOf(id), 0);
        frame.Put({channel, value});
        if (!frame.InRange()) return ZAN_COM_ERR_ARGUMENT;
        if (cache && *cache == static_cast<int32_t>(value)) return 0;
        const ZanResult result = m_Driver.SendCmdACK(frame.Seal(), frame.Length(), nullptr, nullptr,
                                                     RowOf(id).TimeoutMs);
        if (cache) *cache = zanSucceeded(result) ? static_cast<int32_t>(value) : kUnknown;
        return result;
    }

    // A reading of channel `channel` into `*out`, refreshing the cached value.
    template <typename T> ZanResult Get(Lamp id, unsigned char channel, T* out, Cache cached)
    {
        int32_t* cache = Slot(cached, channel);
        if (!out) return ZAN_COM_ERR_ARGUMENT;
        const Command<Lamp>& row = RowOf(id);
        CommandFrame frame(row, 0);
        frame.Put(channel);
        if (!frame.InRange()) return ZAN_COM_ERR_ARGUMENT;
        uint32_t length = sizeof m_Driver.m_Reply;
        const ZanResult result = m_Driver.SendCmd(frame.Seal(), frame.Length(), m_Driver.m_Reply,
                                                  &length, row.TimeoutMs);
        if (zanFailed(result)) return result;
        // The data must lie before ETX; bytes accepted for an ACK alone carry none.
        if (m_Driver.m_Reply[0] != STX || length < row.Answer.Bytes) return ZAN_COM_ERR_NO_REPLY;
        // Digits that are no digits are a corrupted reply: nothing of it is kept.
        int value = 0;
        if (!NumberAt(m_Driver.m_Reply, row.Read, value)) return ZAN_COM_ERR_NO_REPLY;
        *out = static_cast<T>(value);
        if (cache) *cache = value;
        return 0;
    }

    // The cached value of channel `channel`; null for other channels and for Cache::None.
    // Channels 1, 3, 2 are stored in that order.
    int32_t* Slot(Cache cached, unsigned char channel)
    {
        static const int kSlot[4] = {-1, 0, 2, 1};
        if (cached == Cache::None || channel < 1 || channel > 3) return nullptr;
        int32_t* cache =
            cached == Cache::Shutter ? m_Driver.m_ShutterCache : m_Driver.m_BrightnessCache;
        return &cache[kSlot[channel]];
    }

private:
    CQLampControl& m_Driver;
    RequestScope m_Request;
};

} // namespace qlcos::exposure

using qlcos::exposure::LampLink;

CQLampControl::CQLampControl() : CZanComDevice(ModelOf(ZAN_DEVTYPE_LAMP_CONTROLLER).PortName)
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
    const LampLink request(*this); // one request from opening to the identifying reading
    m_AnswerOwed = false;
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
    if (deviceType == ModelOf(ZAN_DEVTYPE_LAMP_CONTROLLER).FrameworkNumber) return 1;
    return CZanComDevice::IsDeviceTypeOf(deviceType);
}

// ---- Sending ------------------------------------------------------------------------------

int CQLampControl::CheckResponse(unsigned char* const buffer, uint32_t* length)
{
    return qlcos::exposure::CutToFront(qlcos::exposure::kLampReply, buffer, length);
}

ZanResult CQLampControl::SendCmd(unsigned char* frame, int length, unsigned char* reply,
                                 uint32_t* replyLength, uint32_t timeoutMs)
{
    if (!frame || length <= 0 || !reply || !replyLength) return ZAN_COM_ERR_ARGUMENT;
    return Transact(qlcos::exposure::kLampReply, frame, length, timeoutMs, reply, replyLength);
}

ZanResult CQLampControl::SendCmdACK(unsigned char* frame, int length, unsigned char*, uint32_t*,
                                    uint32_t timeoutMs)
{
    if (!frame || length <= 0) return ZAN_COM_ERR_ARGUMENT;
    return Transact(qlcos::exposure::kLampAck, frame, length, timeoutMs, nullptr, nullptr);
}

ZanResult CQLampControl::Transact(const qlcos::exposure::Framing& framing, unsigned char* frame,
                                  int length, uint32_t timeoutMs, unsigned char* reply,
                                  uint32_t* replyLength)
{
    DropLateAnswer();
    const qlcos::exposure::ExchangePort port{*this, m_Protocol, m_Received, kPoolBytes};
    const ZanResult result = qlcos::exposure::Exchange(port, framing, frame, length, timeoutMs,
                                                       ZAN_COM_ERR_NO_REPLY, reply, replyLength);
    // An answer may still be on its way: a cancelled command's until its time-out has run
    // (an exposure's ACK comes when the exposure ends), a command that got none in time any
    // moment now. Either would pass for the next command's answer.
    if (result == ZAN_COM_ERR_CANCELLED || result == ZAN_COM_ERR_NO_REPLY) {
        m_AnswerOwed = true;
        m_LateAnswerDue = NowMs() + (result == ZAN_COM_ERR_CANCELLED ? timeoutMs : 0);
    }
    return result;
}

void CQLampControl::DropLateAnswer()
{
    if (!m_AnswerOwed) return;
    m_AnswerOwed = false;
    // Wait (interruptibly) for the owed answer while it may still come, then for a quiet line,
    // dropping whatever arrives.
    ClearPool();
    const int64_t owed = m_LateAnswerDue - NowMs();
    if (owed > 0 && WaitForPoolData(1, static_cast<uint32_t>(owed)) == 0) return;
    const int64_t giveUp = NowMs() + kLateAnswerDrainMs;
    while (!IsCancelled() && NowMs() < giveUp) {
        ClearPool();
        if (WaitForPoolData(1, kQuietLineMs) == 0) break;
    }
    ClearPool();
}

// ---- Settings -----------------------------------------------------------------------------

using Cache = LampLink::Cache;

// clang-format off
ZanResult CQLampControl::SetBrightness(unsigned char channel, unsigned char value) { return LampLink(*this).Set(Lamp::SetBrightness, channel, value, Cache::Brightness); }
ZanResult CQLampControl::GetBrightness(unsigned char channel, unsigned char* value) { return LampLink(*this).Get(Lamp::GetBrightness, channel, value, Cache::Brightness); }
ZanResult CQLampControl::SetShutterTime(unsigned char channel, unsigned short time) { return LampLink(*this).Set(Lamp::SetShutterTime, channel, time, Cache::Shutter); }
ZanResult CQLampControl::GetShutterTime(unsigned char channel, unsigned short* time) { return LampLink(*this).Get(Lamp::GetShutterTime, channel, time, Cache::Shutter); }
ZanResult CQLampControl::SetChannel(unsigned char channel, unsigned char value) { return LampLink(*this).Set(Lamp::SetChannel, channel, value, Cache::None); }
ZanResult CQLampControl::GetChannel(unsigned char channel, unsigned char* value) { return LampLink(*this).Get(Lamp::GetChannel, channel, value, Cache::None); }
ZanResult CQLampControl::SetFilterPos(unsigned char channel, unsigned short position) { return LampLink(*this).Set(Lamp::SetFilterPos, channel, position, Cache::None); }
ZanResult CQLampControl::GetFilterPos(unsigned char channel, unsigned short* position) { return LampLink(*this).Get(Lamp::GetFilterPos, channel, position, Cache::None); }
ZanResult CQLampControl::ShutterOpen(int open) { return LampLink(*this).Run(Lamp::ShutterOpen, {open != 0}); }
ZanResult CQLampControl::RefreshTable() { return LampLink(*this).Run(Lamp::RefreshTable, {}); }
// clang-format on

ZanResult CQLampControl::Exposal(unsigned char channel)
{
    LampLink link(*this);
    const int32_t* cache = link.Slot(Cache::Shutter, channel);
    if (!cache) return 0;
    const int32_t time = *cache == kUnknown ? kLongestShutterTime : *cache;
    const auto timeoutMs = static_cast<uint32_t>(time + kExposalMarginUnits) * 10;
    return link.RunWithin(Lamp::Exposal, timeoutMs, {channel});
}
