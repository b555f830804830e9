// The LDD light engine.
#pragma once

#include "qlcos/exposure/panel_control.h"

// Everything of the LCD engine but the colour wheel, the brightness and LED level control of
// the LED engine, a carrier with two positions, a focus drive, two stored positions and a
// repeat mode. Model letter 'g', results 0x2039xxxx; status '6' (moving) starts a status
// wait's window again, like '5'.
class QLCOS_API CQLDDControl : public CQPanelControl {
public:
    CQLDDControl();
    ~CQLDDControl() override;

    // LED action 0..6 with level 0..99.
    ZanResult LEDControl(unsigned char action, unsigned char level);
    // Moves the carrier to position 1 or 2 and waits up to 1 s for it.
    ZanResult MoveCarrier(unsigned char position);
    // Moves the focus drive by 0..9999 steps and waits up to 1 s for it. The line carries
    // four unsigned digits, so a negative count is refused.
    ZanResult MoveFocus(int steps);
    // Stored position 1..2, 0..9999.
    ZanResult GetPosition(unsigned char index, unsigned short* value);
    ZanResult SetPosition(unsigned char index, unsigned short value);
    // Starts the repeat mode, then waits 500 ms and up to 2 s more for the controller.
    ZanResult SetRepeatMode();

    using CQFrameControl::GetBrightness;
    using CQFrameControl::SetBrightness;
};
