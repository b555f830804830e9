// The LED light engine: three LED colour channels with shutter times, brightness and channel
// settings, two interval times, an LED level control, an input selector, serial codes and
// image adjustment. It has no shutter, colour wheel or light table.
#pragma once

#include "qlcos/exposure.h"

// Model letter 'h', result codes 0x2032xxxx, device type number 0x301, identity
// "VORTANE LCSD CONTROL" (20 characters compared). Status polls are 10 ms apart, a final
// status '0' keeps the controller error its poll carried, and a successful SetShutterTime
// updates the cached time the exposure wait uses (the lamp controller 2 clears the error
// and leaves the cache alone).
//
// Destruction: this driver does not call Destroy() when it goes away; its owner does that
// first (PreDetach, then the port closes). The destructor still closes the port, without
// PreDetach, so that the receive thread is joined while the whole object is alive: the
// thread calls the driver's virtual functions, and leaving it running into the base
// destructors would let it outlive the object, or see the virtual table change under it.
// A driver deleted without Destroy() therefore leaves no thread behind.
class QLCOS_API CQLEDControl : public CQFrameControl {
public:
    CQLEDControl();
    ~CQLEDControl() override;

    // Exposes channel 1..3 (shutter time) or 4..5 (interval time 1 or 2) and sleeps through
    // the exposure before polling: channels 1..3 sleep (cached time − 10) × 10 ms when that
    // is positive and then allow 2 s for the controller to report done; channels 4, 5 sleep
    // time × 10 − 100 ms and allow time × 100 + 5000 ms. A channel outside 1..5 is sent all
    // the same, not slept for, and polled for 2 s at most. A cache that holds no value read
    // from the controller counts as the longest time the controller accepts.
    ZanResult Expose(unsigned char channel);
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
