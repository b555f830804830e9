// The second-generation lamp light engine.
#pragma once

#include "qlcos/exposure/frame_control.h"

// Three colour channels with shutter times and brightness, two interval times, a colour
// wheel, light source control, an input selector, a light table, a photocell, serial codes
// and image adjustment. Model letter 'Y', results 0x2036xxxx; a final status '0' clears
// every controller error but the one with digits 1, 1.
class QLCOS_API CQLampControl2 : public CQFrameControl {
public:
    CQLampControl2();
    ~CQLampControl2() override;

    // Opens (non-zero) or closes (0) the shutter.
    ZanResult ShutterControl(int open);
    // Colour-wheel action `action`; action 4 moves to position `value` (0..999). Waits up to
    // 1 s for the controller.
    ZanResult ColorWheelControl(unsigned char action, unsigned char value);
    // Light control `action`; action 5 sets the level `value` (two digits). Waits up to 2 s.
    ZanResult LightControl(unsigned char action, unsigned char value);
    ZanResult RefreshLightTable();
    // Colour-wheel position 0..999 of channel 1..3.
    ZanResult GetColorWheelPos(unsigned char channel, unsigned short& position);
    ZanResult SetColorWheelPos(unsigned char channel, unsigned short position);
    // Refresh stage (1 or 2) and percentage (at most 100) of a light-table refresh.
    ZanResult GetRefreshProgress(unsigned char& stage, unsigned char& percent);
    ZanResult GetPhotronicCell(unsigned char& value);

    using CQFrameControl::GetBrightness;
    using CQFrameControl::GetChannel;
    using CQFrameControl::GetImageAdjust;
    using CQFrameControl::InputSelect;
    using CQFrameControl::SetBrightness;
    using CQFrameControl::SetChannel;
    using CQFrameControl::SetImageAdjust;
};
