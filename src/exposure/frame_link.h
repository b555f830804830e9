// The private implementation of the framed drivers: runs the commands of the command table
// on the driver's port, judges their replies, reads the values they bring, and keeps the
// caches the exposure waits follow.
#pragma once

#include "qlcos/exposure/frame_control.h"
#include "exposure/command_frame.h"
#include "exposure/command_table.h"
#include "exposure/exchange.h"
#include "exposure/model_table.h"

#include <initializer_list>

namespace qlcos::exposure {

// Made for each operation of a driver; the one the host's call made is the request's scope.
class FrameLink {
public:
    explicit FrameLink(CQFrameControl& driver)
        : m_Driver(driver), m_Request(driver, driver.m_RequestDepth)
    {}

    const ControllerModel& Model() const { return m_Driver.m_Model; }
    // The driver's result with low word `nn`: 0x20MM00NN.
    ZanResult Code(uint16_t nn) const { return 0x20000000u | Model().ModelByte << 16 | nn; }

    // Runs command `id` with `args` in its parameter fields, in order. An argument outside
    // its field's range is refused (QCTRL_OUT_OF_RANGE) before anything is sent; otherwise
    // the frame is sent, the reply judged by the row's rule and, when that succeeded, the
    // row's status wait follows.
    ZanResult Run(Framed id, std::initializer_list<uint32_t> args);
    // Run, then the value the row reads, written only on success. A value that is not made
    // of digits of its base or lies outside its range refuses the reply (QCTRL_BAD_LENGTH).
    template <typename T> ZanResult Read(Framed id, std::initializer_list<uint32_t> args, T& value)
    {
        const ZanResult result = Run(id, args);
        if (zanFailed(result)) return result;
        int number = 0;
        if (!Number(RowOf(id).Read, number)) {
            m_Driver.DistrustLine(); // not the answer asked for: more may follow
            return Code(QCTRL_BAD_LENGTH);
        }
        value = static_cast<T>(number);
        return result;
    }
    // Read, and a value above `limit` (one the item cannot take) refuses the reply as a
    // corrupted one (QCTRL_BAD_LENGTH); `value` is written only on success.
    template <typename T>
    ZanResult ReadAtMost(Framed id, std::initializer_list<uint32_t> args, T limit, T& value)
    {
        T held{};
        const ZanResult result = Read(id, args, held);
        if (zanFailed(result)) return result;
        if (held > limit) return Code(QCTRL_BAD_LENGTH);
        value = held;
        return result;
    }
    // Sends a frame of row `id` whose arguments the caller has written (the tables), and
    // judges it as Run does.
    ZanResult Send(Framed id, CommandFrame& frame);
    // A frame of row `id` with the model's letter, to be written and handed to Send.
    CommandFrame Frame(Framed id) const { return CommandFrame(RowOf(id), Model().Letter); }

    // The last reply, STX to ETX; ReplyLength is 0 after a failed exchange.
    const unsigned char* Reply() const { return m_Driver.m_Reply.get(); }
    uint32_t ReplyLength() const { return m_Driver.m_ReplyLength; }
    // The number that `at` names in the last reply: false when it is malformed (NumberAt).
    bool Number(const Value& at, int& value) const;
    // Sleeps `ms`, ending early on a Cancel: false when cancelled.
    bool Pause(uint32_t ms) { return m_Driver.Pause(ms); }
    // The text of the last reply from its data to `trailing` bytes before its end (ETX
    // included), NUL-terminated; false when the reply is too short for that or the text
    // does not fit `capacity` characters with its NUL.
    template <typename Char> bool ReplyText(Char* text, uint32_t trailing, int capacity) const
    {
        const uint32_t length = ReplyLength(), chars = length - kData - trailing;
        if (length < kData + trailing || chars >= static_cast<uint32_t>(capacity)) return false;
        for (uint32_t i = 0; i < chars; ++i) text[i] = static_cast<Char>(Reply()[kData + i]);
        text[chars] = 0;
        return true;
    }

    // The exposure and its wait, as the model's row says.
    ZanResult Expose(unsigned char channel);
    // Cached shutter time of channel 1..3 and interval time 1..2, as read from the controller
    // (0xFFFFFFFF: not known).
    uint32_t& ShutterCache(unsigned char channel);
    uint32_t& IntervalCache(unsigned char index) { return m_Driver.m_IntervalCache[index - 1]; }

private:
    ZanResult Judge(const Command<Framed>& row);
    // The cached time of channel 1..5; the longest the controller accepts when not known.
    uint32_t CachedTime(unsigned char channel);

    CQFrameControl& m_Driver;
    RequestScope m_Request;
};

} // namespace qlcos::exposure
