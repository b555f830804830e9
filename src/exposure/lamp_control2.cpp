// Lamp controller 2: the second-generation lamp light engine with a colour wheel.
#include "qlcos/exposure/lamp_control2.h"
#include "exposure/frame_link.h"

using qlcos::exposure::Framed;
using qlcos::exposure::FrameLink;

CQLampControl2::CQLampControl2() : CQFrameControl(ZAN_DEVTYPE_LAMP_CONTROLLER2) {}

CQLampControl2::~CQLampControl2() { Destroy(); }

// clang-format off
ZanResult CQLampControl2::ShutterControl(int open) { return FrameLink(*this).Run(Framed::ShutterControl, {open != 0}); }
ZanResult CQLampControl2::RefreshLightTable() { return FrameLink(*this).Run(Framed::RefreshLightTable, {}); }
ZanResult CQLampControl2::GetColorWheelPos(unsigned char channel, unsigned short& position) { return FrameLink(*this).Read(Framed::GetColorWheelPos, {channel}, position); }
ZanResult CQLampControl2::SetColorWheelPos(unsigned char channel, unsigned short position) { return FrameLink(*this).Run(Framed::SetColorWheelPos, {channel, position}); }
ZanResult CQLampControl2::GetPhotronicCell(unsigned char& value) { return FrameLink(*this).Read(Framed::GetPhotronicCell, {}, value); }
// clang-format on

ZanResult CQLampControl2::ColorWheelControl(unsigned char action, unsigned char value)
{
    // Action 4 carries the position to move to.
    FrameLink link(*this);
    if (action == 4) return link.Run(Framed::ColorWheelToPosition, {value});
    return link.Run(Framed::ColorWheelControl, {action});
}

ZanResult CQLampControl2::LightControl(unsigned char action, unsigned char value)
{
    // Action 5 carries the level.
    FrameLink link(*this);
    if (action == 5) return link.Run(Framed::LightLevel, {value});
    return link.Run(Framed::LightControl, {action});
}

ZanResult CQLampControl2::GetRefreshProgress(unsigned char& stage, unsigned char& percent)
{
    FrameLink link(*this);
    int value = 0;
    const ZanResult result = link.Read(Framed::GetRefreshProgress, {}, value);
    if (zanFailed(result)) return result;
    // The stage digit precedes the percentage.
    const unsigned char digit = link.Reply()[qlcos::exposure::kData];
    if (!qlcos::exposure::IsDecimalDigit(digit)) return link.Code(QCTRL_BAD_LENGTH);
    stage = static_cast<unsigned char>(digit - '0' + 1);
    percent = static_cast<unsigned char>(value > 100 ? 100 : value);
    return 0;
}
