// The request/response machinery shared by the framed controller models.
#include "qlcos/exposure/frame_control.h"
#include "exposure/exchange.h"
#include "exposure/frame_link.h"
#include "platform/win32.h"

#include <algorithm>
#include <chrono>
#include <cstring>

using qlcos::exposure::Framed;
using qlcos::exposure::FrameLink;
using qlcos::exposure::IsDecimalDigit;
using qlcos::exposure::ModelOf;

namespace {

const int kPollFailuresAllowed = 7;
// A status character that decides nothing (none of '0', '5', '6', '?').
const unsigned char kNoStatus = 0;
// A poll reply that carries a status: STX, four bytes, error digits, status, progress, ETX.
const uint32_t kPollReplyBytes = 10;

} // namespace

CQFrameControl::CQFrameControl(uint16_t deviceType)
    : CZanComDevice(ModelOf(deviceType).PortName),
      m_Model(ModelOf(deviceType)),
      m_Received(new unsigned char[m_Model.PoolBytes]),
      m_Reply(new unsigned char[m_Model.ReplyBytes])
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
    if (deviceType == m_Model.FrameworkNumber) return 1;
    return CZanComDevice::IsDeviceTypeOf(deviceType);
}

// ---- Sending and cutting -------------------------------------------------------------------

ZanResult CQFrameControl::SendCmd(unsigned char* frame, int length, unsigned char* reply,
                                  uint32_t* replyLength, uint32_t timeoutMs)
{
    FrameLink link(*this);
    if (!frame || length <= 0 || !reply || !replyLength) return link.Code(QCTRL_OUT_OF_RANGE);
    const qlcos::exposure::ExchangePort port{*this, m_Protocol, m_Received.get(),
                                             m_Model.PoolBytes};
    return qlcos::exposure::Exchange(port, qlcos::exposure::kFramedReply, frame, length, timeoutMs,
                                     link.Code(QCTRL_BAD_LENGTH), reply, replyLength);
}

int CQFrameControl::CheckResponse(unsigned char* const buffer, uint32_t* length)
{
    return qlcos::exposure::CutToFront(qlcos::exposure::kFramedReply, buffer, length);
}

ZanResult CQFrameControl::GetErrorCode(const unsigned char* reply, uint32_t length)
{
    const FrameLink link(*this);
    // Both error digits must lie inside the reply.
    if (!reply || length < 7) return link.Code(QCTRL_BAD_LENGTH);
    // Error digits that are no digits are no verdict of the controller: a corrupted reply.
    if (!IsDecimalDigit(reply[5]) || !IsDecimalDigit(reply[6])) return link.Code(QCTRL_BAD_LENGTH);
    const unsigned e = ((reply[5] * 16u) % 256u) | (reply[6] & 0x0Fu);
    if (e == 0) return 0;
    // The error digits the controller names, in the order of their codes QCTRL_ERROR_01 on.
    static const unsigned kNamed[] = {0x01, 0x02, 0x03, 0x04, 0x11, 0x12, 0x13};
    for (unsigned i = 0; i < 7; ++i)
        if (e == kNamed[i]) return link.Code(static_cast<uint16_t>(QCTRL_ERROR_01 + i));
    return link.Code(QCTRL_ERROR_OTHER);
}

// ---- Status ---------------------------------------------------------------------------------

ZanResult CQFrameControl::Poll(unsigned char& status, unsigned char& progress)
{
    FrameLink link(*this);
    const ZanResult result = link.Run(Framed::Poll, {});
    // The status comes with any reply of the poll's length, whatever its error digits say,
    // unless its progress is no digit: then the reply is corrupted and tells nothing.
    if (link.ReplyLength() == kPollReplyBytes) {
        const unsigned char digit = link.Reply()[qlcos::exposure::kData + 1];
        if (!IsDecimalDigit(digit)) return zanFailed(result) ? result : link.Code(QCTRL_BAD_LENGTH);
        status = link.Reply()[qlcos::exposure::kData];
        progress = static_cast<unsigned char>(digit - '0');
    }
    return result;
}

ZanResult CQFrameControl::PollingStatus(uint32_t timeoutMs)
{
    const FrameLink link(*this);
    DWORD start = GetTickCount();
    // However often the controller starts the window again, the wait ends at the cap.
    const auto cap = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(uint64_t{timeoutMs} * kPollingCapFactor);
    ZanResult result = 0;
    bool polling = true;
    int failuresLeft = kPollFailuresAllowed;
    const uint16_t ownCodes = static_cast<uint16_t>(0x2000u | m_Model.ModelByte);
    const bool restartOn6 = (m_Model.Flags & qlcos::exposure::kStatus6Restarts) != 0;

    if (GetTickCount() - start >= timeoutMs) return link.Code(QCTRL_TIMEOUT);
    while (GetTickCount() - start < timeoutMs) {
        if (!polling) return result;
        if (std::chrono::steady_clock::now() >= cap) return link.Code(QCTRL_TIMEOUT);
        // Each poll decides on its own status: a reply without one must not repeat an
        // earlier '5', which would restart the window for as long as the line is bad.
        unsigned char status = kNoStatus;
        unsigned char progress = 0;
        result = Poll(status, progress);
        if (result == ZAN_COM_ERR_CANCELLED) return result;
        if (zanSucceeded(result) || (result >> 16) == ownCodes) {
            if (status == '5' || (status == '6' && restartOn6)) {
                start = GetTickCount();
                continue;
            }
            if (status == '0') {
                polling = false;
                if ((m_Model.Flags & qlcos::exposure::kFinalStatusClearsErrors) &&
                    result != link.Code(QCTRL_ERROR_11))
                    result = 0;
            } else if (status == '?') {
                polling = false;
            }
        } else if (--failuresLeft == 0) {
            polling = false;
        }
        if (!Pause(m_Model.PollSleepMs)) return ZAN_COM_ERR_CANCELLED;
    }
    return polling ? link.Code(QCTRL_TIMEOUT) : result;
}

// ---- Data store and identity ----------------------------------------------------------------

ZanResult CQFrameControl::DataOperator(unsigned char operation, unsigned char address,
                                       unsigned char& data)
{
    // The data digits carry a value only when writing (operation 3).
    const uint32_t written = operation == 3 ? data : 0;
    FrameLink link(*this);
    if (operation != 2) return link.Run(Framed::DataOperator, {operation, address, written});
    return link.Read(Framed::DataOperator, {operation, address, written}, data);
}

ZanResult CQFrameControl::GetVersion(char* text)
{
    FrameLink link(*this);
    if (!text) return link.Code(QCTRL_OUT_OF_RANGE);
    const ZanResult result = link.Run(Framed::GetVersion, {});
    if (zanFailed(result)) return result;
    // The text runs up to the byte before ETX.
    return link.ReplyText(text, 1, kVersionTextCapacity) ? 0 : link.Code(QCTRL_BAD_LENGTH);
}

ZanResult CQFrameControl::Create(int port, int second)
{
    const FrameLink request(*this); // one request from opening to the last time read
    tagZANSerialPortProperty property{port, second, 9600, 8, 0, 0};
    ZanResult result = CZanComDevice::Create(&property);
    if (zanFailed(result)) return result;

    char text[kVersionTextCapacity];
    result = GetVersion(text);
    if (zanSucceeded(result)) {
        text[std::min<int>(m_Model.IdentityChars, kVersionTextCapacity - 1)] = '\0';
        if (std::strcmp(text, m_Model.Identity) != 0)
            result = FrameLink(*this).Code(QCTRL_WRONG_IDENTITY);
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

// ---- Times and serial codes ------------------------------------------------------------------

ZanResult CQFrameControl::GetShutterTime(unsigned char channel, unsigned short& time)
{
    FrameLink link(*this);
    const ZanResult result = link.Read(Framed::GetShutterTime, {channel}, time);
    if (zanSucceeded(result)) link.ShutterCache(channel) = time;
    return result;
}

ZanResult CQFrameControl::SetShutterTime(unsigned char channel, unsigned short time)
{
    FrameLink link(*this);
    const ZanResult result = link.Run(Framed::SetShutterTime, {channel, time});
    if (zanSucceeded(result) && (m_Model.Flags & qlcos::exposure::kSetShutterTimeCaches))
        link.ShutterCache(channel) = time;
    return result;
}

ZanResult CQFrameControl::GetIntervalTime(unsigned char index, unsigned short& time)
{
    FrameLink link(*this);
    const ZanResult result = link.Read(Framed::GetIntervalTime, {index}, time);
    if (zanSucceeded(result) && index <= 2) link.IntervalCache(index) = time;
    return result;
}

ZanResult CQFrameControl::SetIntervalTime(unsigned char index, unsigned short time)
{
    FrameLink link(*this);
    const ZanResult result = link.Run(Framed::SetIntervalTime, {index, time});
    if (zanSucceeded(result) && index <= 2) link.IntervalCache(index) = time;
    return result;
}

ZanResult CQFrameControl::GetSerialCode(unsigned char index, unsigned short* text)
{
    FrameLink link(*this);
    if (!text) return link.Code(QCTRL_OUT_OF_RANGE);
    const ZanResult result = link.Run(Framed::GetSerialCode, {index});
    if (zanFailed(result)) return result;
    // Three characters follow the code before ETX.
    return link.ReplyText(text, 4, kSerialCodeCapacity) ? 0 : link.Code(QCTRL_BAD_LENGTH);
}

ZanResult CQFrameControl::SetSerialCode(unsigned char index, const char* code)
{
    FrameLink link(*this);
    if (!code) return link.Code(QCTRL_OUT_OF_RANGE);
    qlcos::exposure::CommandFrame frame = link.Frame(Framed::SetSerialCode);
    frame.Put(index);
    for (int i = 0; i < 16 && code[i]; ++i) frame.Put(static_cast<unsigned char>(code[i]));
    return link.Send(Framed::SetSerialCode, frame);
}

// ---- Operations that are their command row -------------------------------------------------

// clang-format off
ZanResult CQFrameControl::Expose(unsigned char channel) { return FrameLink(*this).Expose(channel); }
ZanResult CQFrameControl::FormatData() { return FrameLink(*this).Run(Framed::FormatData, {}); }
ZanResult CQFrameControl::InputSelect(unsigned char index) { return FrameLink(*this).Run(Framed::InputSelect, {index}); }
ZanResult CQFrameControl::GetBrightness(unsigned char channel, unsigned char& value) { return FrameLink(*this).Read(Framed::GetBrightness, {channel}, value); }
ZanResult CQFrameControl::SetBrightness(unsigned char channel, unsigned char value) { return FrameLink(*this).Run(Framed::SetBrightness, {channel, value}); }
ZanResult CQFrameControl::GetChannel(unsigned char channel, unsigned char& value) { return FrameLink(*this).Read(Framed::GetChannel, {channel}, value); }
ZanResult CQFrameControl::SetChannel(unsigned char channel, unsigned char value) { return FrameLink(*this).Run(Framed::SetChannel, {channel, value}); }
// clang-format on

ZanResult CQFrameControl::GetImageAdjust(unsigned char index, unsigned short& value)
{
    return FrameLink(*this).ReadAtMost<unsigned short>(
        Framed::GetImageAdjustDec, {index},
        qlcos::exposure::ImageAdjustMax(qlcos::exposure::kImageAdjustMaxDec, index), value);
}

ZanResult CQFrameControl::SetImageAdjust(unsigned char index, unsigned short value)
{
    FrameLink link(*this);
    if (index >= 1 && index <= 8 &&
        value > qlcos::exposure::ImageAdjustMax(qlcos::exposure::kImageAdjustMaxDec, index))
        return link.Code(QCTRL_OUT_OF_RANGE);
    return link.Run(Framed::SetImageAdjustDec, {index, value});
}
