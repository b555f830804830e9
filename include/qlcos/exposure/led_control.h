// The LED light engine.
#pragma once

#include "qlcos/exposure/frame_control.h"

// Three LED colour channels with shutter times, brightness and channel settings, two
// interval times, an LED level control, an input selector, serial codes and image
// adjustment; no shutter, colour wheel or light table. Model letter 'h', results
// 0x2032xxxx. Status polls are 10 ms apart and a final status '0' keeps the controller
// error its poll carried.
//
// Destruction: this driver does not call Destroy() when it goes away; its owner does that
// first (PreDetach, then the port closes). The destructor still closes the port, without
// PreDetach, so that the receive thread is joined while the whole object is alive: the
// thread calls the driver's virtual functions, and leaving it running into the base
// destructors would let it outlive the object, or see the virtual table change under it.
class QLCOS_API CQLEDControl : public CQFrameControl {
public:
    CQLEDControl();
    ~CQLEDControl() override;

    // LED level control: selector 0..3 and level 0..99, else QCTRL_OUT_OF_RANGE before
    // anything is sent.
    ZanResult LEDControl(unsigned char action, unsigned char value);

    using CQFrameControl::GetBrightness;
    using CQFrameControl::GetChannel;
    using CQFrameControl::GetImageAdjust;
    using CQFrameControl::InputSelect;
    using CQFrameControl::SetBrightness;
    using CQFrameControl::SetChannel;
    using CQFrameControl::SetImageAdjust;
};
