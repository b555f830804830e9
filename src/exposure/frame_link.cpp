// Running the framed commands: frames from the command table, replies judged by its rules,
// and the exposure waits of the model table.
#include "exposure/frame_link.h"

#include <algorithm>

namespace qlcos::exposure {

namespace {

const uint32_t kNotCached = 0xFFFFFFFFu;
// The longest times the controllers accept, in units of 10 ms.
const uint32_t kLongestShutterTime = 9999;
const uint32_t kLongestIntervalTime = 999;
// A channel outside 1..5 is polled for the margin the wait adds to a time of 0.
const uint32_t kUnknownChannelPollMs = 2000;

bool IsColourChannel(unsigned char channel) { return channel >= 1 && channel <= 3; }
bool IsIntervalChannel(unsigned char channel) { return channel == 4 || channel == 5; }

} // namespace

ZanResult FrameLink::Run(Framed id, std::initializer_list<uint32_t> args)
{
    CommandFrame frame = Frame(id);
    frame.Put(args);
    return Send(id, frame);
}

ZanResult FrameLink::Send(Framed id, CommandFrame& frame)
{
    const Command<Framed>& row = RowOf(id);
    if (!frame.InRange()) return Code(QCTRL_OUT_OF_RANGE);
    uint32_t count = Model().ReplyBytes;
    const ZanResult sent = m_Driver.SendCmd(frame.Seal(), frame.Length(), m_Driver.m_Reply.get(),
                                            &count, row.TimeoutMs);
    m_Driver.m_ReplyLength = zanFailed(sent) ? 0 : count;
    if (zanFailed(sent)) return sent;
    const ZanResult judged = Judge(row);
    // A reply of the wrong shape may be a stray frame with more behind it.
    if (judged == Code(QCTRL_BAD_LENGTH)) m_Driver.DistrustLine();
    if (zanFailed(judged) || row.Then.PollMs == 0) return judged;
    if (!Pause(row.Then.SettleMs)) return ZAN_COM_ERR_CANCELLED;
    return m_Driver.PollingStatus(row.Then.PollMs);
}

ZanResult FrameLink::Judge(const Command<Framed>& row)
{
    const uint32_t length = ReplyLength();
    const ZanResult errors = m_Driver.GetErrorCode(Reply(), length);
    switch (row.Answer.Kind) {
    case Check::Errors: return errors;
    case Check::Exactly: return length != row.Answer.Bytes ? Code(QCTRL_BAD_LENGTH) : errors;
    case Check::ExactlyIgnoreErrors: return length != row.Answer.Bytes ? Code(QCTRL_BAD_LENGTH) : 0;
    case Check::ErrorsAtLeast:
        // The data must end before ETX: a shorter reply would leave them to an earlier one.
        if (zanFailed(errors)) return errors;
        return length < row.Answer.Bytes ? Code(QCTRL_BAD_LENGTH) : 0;
    case Check::Nothing:
    case Check::Ack:
    case Check::Reading: break;
    }
    return 0;
}

bool FrameLink::Number(const Value& at, int& value) const
{
    // A value must lie before the reply's ETX.
    if (at.At + at.Width >= ReplyLength()) return false;
    return NumberAt(Reply(), at, value);
}

// ---- Caches and exposure waits ------------------------------------------------------------

uint32_t& FrameLink::ShutterCache(unsigned char channel)
{
    static const int kSlot[4] = {0, 0, 2, 1}; // channels 1, 3, 2 are stored in that order
    return m_Driver.m_ShutterCache[kSlot[channel <= 3 ? channel : 0]];
}

uint32_t FrameLink::CachedTime(unsigned char channel)
{
    if (IsColourChannel(channel)) {
        const uint32_t time = ShutterCache(channel);
        return time == kNotCached ? kLongestShutterTime : time;
    }
    const uint32_t time = IntervalCache(static_cast<unsigned char>(channel - 3));
    return time == kNotCached ? kLongestIntervalTime : time;
}

ZanResult FrameLink::Expose(unsigned char channel)
{
    const ZanResult sent = Run(Framed::Expose, {channel});
    if (zanFailed(sent)) return sent;
    if (Model().Wait == ExposeWait::PollWithinCachedTime) {
        // (cached time + 20) × 100 ms; a channel outside 1..5 counts as a time of 0.
        const bool timed = IsColourChannel(channel) || IsIntervalChannel(channel);
        const uint32_t window =
            ((timed ? std::min<uint32_t>(CachedTime(channel), 0xFFFF) : 0) + 20) * 100;
        if (!Pause(Model().SettleMs)) return ZAN_COM_ERR_CANCELLED;
        return m_Driver.PollingStatus(window);
    }
    // Sleep through the exposure, then give the controller a little longer to report done.
    int64_t sleepMs = 0;
    uint32_t pollMs = kUnknownChannelPollMs;
    if (IsColourChannel(channel)) {
        sleepMs = (static_cast<int64_t>(CachedTime(channel)) - 10) * 10;
    } else if (IsIntervalChannel(channel)) {
        const uint32_t time = CachedTime(channel);
        sleepMs = static_cast<int64_t>(time) * 10 - 100;
        pollMs = time * 100 + 5000;
    }
    if (sleepMs > 0 && !Pause(static_cast<uint32_t>(sleepMs))) return ZAN_COM_ERR_CANCELLED;
    return m_Driver.PollingStatus(pollMs);
}

} // namespace qlcos::exposure
