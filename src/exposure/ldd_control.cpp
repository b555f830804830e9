// LDD controller: the LCD light engine with LEDs, a carrier and a focus drive.
#include "qlcos/exposure.h"
#include "exposure/command_frame.h"
#include "platform/win32.h"

using qlcos::exposure::CommandFrame;

namespace {

// The uniformity reply is 1658 bytes and 1659 with its block check, the longest of the model.
const tagQFrameModel kLddControl = {
    'g',               // letter
    0x39,              // model byte
    ZT("LDD Control"), // port device name
    "VORTANE LCDD CONTROL",
    20,    // identity text, characters compared
    0x309, // device type number
    2048,  // receive pool
    2048,  // reply buffer
    10,    // poll sleep, ms
    false, // final status '0' keeps a controller error
    true,  // status '6' (moving) restarts the window like '5'
    true,  // a successful SetShutterTime updates the cache
};

const uint32_t kCommandTimeoutMs = 500;
const uint32_t kMotionWaitMs = 1000; // carrier and focus moves
const uint32_t kRepeatSettleMs = 500;
const uint32_t kRepeatWaitMs = 2000;
const unsigned char kLedActions = 7; // 0..6
const unsigned char kLedLevelMax = 99;
const int kFocusStepsMax = 9999;
const unsigned short kPositionMax = 9999;
const uint32_t kPositionReplyBytes = 12; // four decimal digits

} // namespace

CQLDDControl::CQLDDControl() : CQPanelControl(kLddControl) {}

CQLDDControl::~CQLDDControl() { Destroy(); }

ZanResult CQLDDControl::Expose(unsigned char channel) { return ExposeSleepingThrough(channel); }

ZanResult CQLDDControl::LEDControl(unsigned char action, unsigned char level)
{
    if (action >= kLedActions || level > kLedLevelMax) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, '5', 3);
    f.Channel(0, action);
    f.Dec2(1, level);
    return Command(f.Seal(), f.Length());
}

ZanResult CQLDDControl::MoveCarrier(unsigned char position)
{
    if (position < 1 || position > 2) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, '7', 1);
    f.Index(0, position);
    return CommandThenWait(f.Seal(), f.Length(), kMotionWaitMs);
}

ZanResult CQLDDControl::MoveFocus(int steps)
{
    // '0', then the steps as four digits: a negative count has no form on the line (it
    // would go out as its remainder modulo 10000, a different move).
    if (steps < 0 || steps > kFocusStepsMax) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, '8', 5);
    f.Dec4(1, static_cast<uint32_t>(steps));
    return CommandThenWait(f.Seal(), f.Length(), kMotionWaitMs);
}

ZanResult CQLDDControl::GetPosition(unsigned char index, unsigned short* value)
{
    if (index < 1 || index > 2 || !value) return ModelCode(QCTRL_OUT_OF_RANGE);
    const ZanResult result = QuerySelector('v', IndexChar(index), kPositionReplyBytes);
    if (zanSucceeded(result)) *value = static_cast<unsigned short>(ReplyDec(7, 4));
    return result;
}

ZanResult CQLDDControl::SetPosition(unsigned char index, unsigned short value)
{
    // Four digits carry 0..9999; a larger value would be stored as its last four digits.
    if (index < 1 || index > 2 || value > kPositionMax) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 'w', 5);
    f.Index(0, index);
    f.Dec4(1, value);
    return Command(f.Seal(), f.Length());
}

ZanResult CQLDDControl::SetRepeatMode()
{
    // The reply only confirms that the controller heard the command; what it made of it
    // shows in the status wait.
    CommandFrame f(m_Model.Letter, 'x', 1);
    uint32_t count = 0;
    const ZanResult sent = Exchange(f.Seal(), f.Length(), kCommandTimeoutMs, &count);
    if (zanFailed(sent)) return sent;
    Sleep(kRepeatSettleMs);
    return PollingStatus(kRepeatWaitMs);
}
