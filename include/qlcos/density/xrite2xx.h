// The X-Rite 2xx densitometer ("X-Rite DTP22"): announces a measurement with "k0", then
// "r0" when its reading is ready, which the class then asks for with "0SR".
#pragma once

#include "qlcos/density/xrite_device.h"

enum : ZanResult {
    // Every failure of the class: no frame, a response taken by a waiting command, a
    // reading asked for in a state other than 3, an empty, short or valueless reply.
    ZAN_XRITE2XX_FAILED = 0x20980004,
};

// State word: 0 idle, 1 measurement announced, 3 reading ready, 4 white calibration
// running. Lines end with CR.
class QLCOS_API CXRite2xx : public CZanXRiteDevice {
public:
    CXRite2xx();
    ~CXRite2xx() override;

    // Sends the identification twice (the first answer is thrown away); TRUE when the
    // reply begins with "X-Rite DTP22".
    int IsXRite2xx();
    // The set-up after identification: "1OK", "3PB", and flags 20 and 22 set to "02" and
    // "04" where the instrument reports otherwise.
    void OnInitCtrl();
    // The state word masked with 2: nonzero in state 3.
    uint32_t IsGetNewDensity();
    // After a 200 ms pause, GetDensity; on success copies the last reading to `reading`
    // and beeps.
    ZanResult SendCmdGetDensity(tagDensityInfo* reading);
    // Sends "1CA"; the state stays 4 until the instrument's "k0".
    ZanResult SendCmdWhiteCalibrate();
    // The values of the last reading parsed.
    tagDensityInfo GetLastReading() const;

protected:
    // Asks for the reading in state 3 and parses the lower-case reply ("v", "c", "m", "y"
    // each followed by its value) into the last reading; state 0.
    ZanResult GetDensity();
    bool OnFrame() override;

private:
    // The reply to the reading request (n bytes) into the receive buffer and, when it is
    // long enough and holds a value, into the last reading; state 0.
    ZanResult TakeReading(const unsigned char* reply, int n);

    tagDensityInfo m_LastReading{};
};
