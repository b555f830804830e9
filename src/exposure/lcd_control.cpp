// LCD controller: the LCD lamp light engine with a colour wheel.
#include "qlcos/exposure/lcd_control.h"
#include "exposure/frame_link.h"

using qlcos::exposure::Framed;
using qlcos::exposure::FrameLink;

CQLCDControl::CQLCDControl() : CQPanelControl(ZAN_DEVTYPE_LCD_CONTROLLER) {}

CQLCDControl::~CQLCDControl() { Destroy(); }

ZanResult CQLCDControl::ColorWheelControl(unsigned char action)
{
    return FrameLink(*this).Run(Framed::ColorWheelControl, {action});
}
