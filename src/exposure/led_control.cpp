// LED controller: the LED light engine, exposures slept through before status polling.
#include "qlcos/exposure.h"
#include "exposure/command_frame.h"

using qlcos::exposure::CommandFrame;

namespace {

// Replies are at most a few dozen bytes; the pool and the reply buffer are the model's
// 2048 bytes all the same.
const tagQFrameModel kLEDControl = {
    'h',                    // letter
    0x32,                   // model byte
    ZT("LCos LED Control"), // port device name
    "VORTANE LCSD CONTROL",
    20,    // identity text, characters compared
    0x301, // device type number
    2048,  // receive pool
    2048,  // reply buffer
    10,    // poll sleep, ms
    false, // a final status '0' keeps a controller error
    false, // status '6' does not restart the window
    true,  // SetShutterTime updates the cache
};

const unsigned char kLEDControlCommand = '6';
const unsigned char kLargestSelector = 3;
const unsigned char kLargestLevel = 99;

} // namespace

CQLEDControl::CQLEDControl() : CQFrameControl(kLEDControl) {}

CQLEDControl::~CQLEDControl()
{
    // Not Destroy(): the owner calls it. Closing the port here joins the receive thread
    // while this object is still whole.
    ClosePort();
}

ZanResult CQLEDControl::Expose(unsigned char channel) { return ExposeSleepingThrough(channel); }

ZanResult CQLEDControl::LEDControl(unsigned char action, unsigned char value)
{
    if (action > kLargestSelector || value > kLargestLevel) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, kLEDControlCommand, 3);
    f.Channel(0, action);
    f.Dec2(1, value);
    return Command(f.Seal(), f.Length());
}
