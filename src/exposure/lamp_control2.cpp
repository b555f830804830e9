// Lamp controller 2: the second-generation lamp light engine with a colour wheel.
#include "qlcos/exposure.h"
#include "exposure/command_frame.h"

using qlcos::exposure::CommandFrame;

namespace {

// The identity reply is 33 bytes and 34 with its block check, the longest of the model.
const tagQFrameModel kLampControl2 = {
    'Y',                      // letter
    0x36,                     // model byte
    ZT("LCos Lamp Control2"), // port device name
    "VORTANE XAVEN LAMPCONTROL",
    25,    // identity text, characters compared
    0x306, // device type number
    64,    // receive pool
    128,   // reply buffer
    100,   // poll sleep, ms
    true,  // final status '0' clears errors (but digits 1 1)
    false, // status '6' does not restart the window
    false, // SetShutterTime leaves the cache alone
};

const uint32_t kExposeSettleMs = 150;

} // namespace

CQLampControl2::CQLampControl2() : CQFrameControl(kLampControl2) {}

CQLampControl2::~CQLampControl2() { Destroy(); }

ZanResult CQLampControl2::Expose(unsigned char channel)
{
    return ExposeWithinCachedTime(channel, kExposeSettleMs);
}

ZanResult CQLampControl2::ShutterControl(int open)
{
    return QuerySelector('4', open ? '0' : '1', 8);
}

ZanResult CQLampControl2::ColorWheelControl(unsigned char action, unsigned char value)
{
    const bool withValue = action == 4;
    CommandFrame f(m_Model.Letter, '5', withValue ? 4 : 1);
    f.Channel(0, action);
    if (withValue) f.Dec3(1, value);
    const ZanResult result = Command(f.Seal(), f.Length());
    if (zanFailed(result)) return result;
    return PollingStatus(1000);
}

ZanResult CQLampControl2::LightControl(unsigned char action, unsigned char value)
{
    const bool withValue = action == 5;
    CommandFrame f(m_Model.Letter, '6', withValue ? 3 : 1);
    f.Channel(0, action);
    if (withValue) f.Dec2(1, value);
    const ZanResult result = Command(f.Seal(), f.Length());
    if (zanFailed(result)) return result;
    return PollingStatus(2000);
}

ZanResult CQLampControl2::RefreshLightTable() { return CommandSelector('8', '0'); }

ZanResult CQLampControl2::GetColorWheelPos(unsigned char channel, unsigned short& position)
{
    const ZanResult result = QuerySelector('D', ChannelChar(channel), 11);
    if (zanSucceeded(result)) position = static_cast<unsigned short>(ReplyDec(7, 3));
    return result;
}

ZanResult CQLampControl2::SetColorWheelPos(unsigned char channel, unsigned short position)
{
    if (channel < 1 || channel > 3 || position > 999) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 'T', 4);
    f.Channel(0, channel);
    f.Dec3(1, position);
    return Command(f.Seal(), f.Length());
}

ZanResult CQLampControl2::GetRefreshProgress(unsigned char& stage, unsigned char& percent)
{
    const ZanResult result = QuerySelector('E', '0', 11);
    if (zanFailed(result)) return result;
    stage = static_cast<unsigned char>(m_Reply[7] - '0' + 1);
    const int value = ReplyDec(8, 2);
    percent = static_cast<unsigned char>(value > 100 ? 100 : value);
    return 0;
}

ZanResult CQLampControl2::GetPhotronicCell(unsigned char& value)
{
    const ZanResult result = QuerySelectorData('G', '0', 9);
    if (zanSucceeded(result)) value = static_cast<unsigned char>(ReplyDec(7, 3));
    return result;
}
