// LCD controller: the LCD lamp light engine with a colour wheel.
#include "qlcos/exposure.h"
#include "exposure/command_frame.h"

using qlcos::exposure::CommandFrame;

namespace {

// The uniformity reply is 1658 bytes and 1659 with its block check, the longest of the model.
const tagQFrameModel kLcdControl = {
    'f',               // letter
    0x38,              // model byte
    ZT("LCD Control"), // port device name
    "VORTANE LCDL CONTROL",
    20,    // identity text, characters compared
    0x308, // device type number
    2048,  // receive pool
    2048,  // reply buffer
    100,   // poll sleep, ms
    false, // final status '0' keeps a controller error
    false, // status '6' does not restart the window
    false, // SetShutterTime leaves the cache alone
};

const uint32_t kExposeSettleMs = 100;
const uint32_t kColorWheelWaitMs = 1000;

} // namespace

CQLCDControl::CQLCDControl() : CQPanelControl(kLcdControl) {}

CQLCDControl::~CQLCDControl() { Destroy(); }

ZanResult CQLCDControl::Expose(unsigned char channel)
{
    return ExposeWithinCachedTime(channel, kExposeSettleMs);
}

ZanResult CQLCDControl::ColorWheelControl(unsigned char action)
{
    CommandFrame f(m_Model.Letter, '5', 1);
    f.Channel(0, action);
    return CommandThenWait(f.Seal(), f.Length(), kColorWheelWaitMs);
}
