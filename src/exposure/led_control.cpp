// LED controller: the LED light engine.
#include "qlcos/exposure/led_control.h"
#include "exposure/frame_link.h"

using qlcos::exposure::Framed;
using qlcos::exposure::FrameLink;

CQLEDControl::CQLEDControl() : CQFrameControl(ZAN_DEVTYPE_LED_CONTROLLER) {}

CQLEDControl::~CQLEDControl()
{
    // Not Destroy(): the owner calls it. Closing the port here joins the receive thread
    // while this object is still whole.
    ClosePort();
}

ZanResult CQLEDControl::LEDControl(unsigned char action, unsigned char value)
{
    return FrameLink(*this).Run(Framed::LEDControl, {action, value});
}
