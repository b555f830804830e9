// The LCD lamp light engine.
#pragma once

#include "qlcos/exposure/panel_control.h"

// Three colour channels with shutter times, two interval times, a shutter, a colour wheel,
// the wobble unit, gamma and uniformity tables, serial codes and image adjustment; no
// brightness or channel settings. Model letter 'f', results 0x2038xxxx.
class QLCOS_API CQLCDControl : public CQPanelControl {
public:
    CQLCDControl();
    ~CQLCDControl() override;

    // Colour-wheel action `action` (sent as '0' + action); waits up to 1 s for it.
    ZanResult ColorWheelControl(unsigned char action);
};
