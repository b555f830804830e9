// LDD controller: the LCD light engine with LEDs, a carrier and a focus drive.
#include "qlcos/exposure/ldd_control.h"
#include "exposure/frame_link.h"

using qlcos::exposure::Framed;
using qlcos::exposure::FrameLink;

CQLDDControl::CQLDDControl() : CQPanelControl(ZAN_DEVTYPE_LDD_CONTROLLER) {}

CQLDDControl::~CQLDDControl() { Destroy(); }

// A negative focus count has no form in four unsigned digits: as an unsigned argument it is
// above the field's range and refused.
// clang-format off
ZanResult CQLDDControl::LEDControl(unsigned char action, unsigned char level) { return FrameLink(*this).Run(Framed::LddLEDControl, {action, level}); }
ZanResult CQLDDControl::MoveCarrier(unsigned char position) { return FrameLink(*this).Run(Framed::MoveCarrier, {position}); }
ZanResult CQLDDControl::MoveFocus(int steps) { return FrameLink(*this).Run(Framed::MoveFocus, {static_cast<uint32_t>(steps)}); }
ZanResult CQLDDControl::SetPosition(unsigned char index, unsigned short value) { return FrameLink(*this).Run(Framed::SetPosition, {index, value}); }
ZanResult CQLDDControl::SetRepeatMode() { return FrameLink(*this).Run(Framed::SetRepeatMode, {}); }
// clang-format on

ZanResult CQLDDControl::GetPosition(unsigned char index, unsigned short* value)
{
    FrameLink link(*this);
    if (!value) return link.Code(QCTRL_OUT_OF_RANGE);
    return link.Read(Framed::GetPosition, {index}, *value);
}
