// The X-Rite 5xx reflection densitometer: sends each reading line of its own accord.
#pragma once

#include "qlcos/density/xrite_device.h"

enum : ZanResult {
    // A chunk that completed no frame, or a response taken by a waiting command.
    ZAN_XRITE5XX_FAILED = 0x20790004,
    ZAN_XRITE5XX_NO_READING = 0x20790005, // the receive buffer holds no reading text
};

// State word: 0 idle, 2 a reading waits in the receive buffer, 4 white calibration running.
// Lines end with LF.
class QLCOS_API CXRite5xx : public CZanXRiteDevice {
public:
    CXRite5xx();
    ~CXRite5xx() override;

    // Sends 'S' 'V' CR LF NUL up to the attempt count (3) times, each waiting up to 1000 ms;
    // TRUE when a reply begins with "X-Rite 504".
    int IsXRite5xx();
    // 2 when a reading waits, else 0.
    int IsGetNewDensity();
    // Parses the waiting line: the token after "V", "C", "M", "Y" (upper case only) goes to
    // Visual, Cyan, Magenta, Yellow; fields whose letter is missing keep the caller's
    // values. Empties the buffer, state 0, 0; ZAN_XRITE5XX_NO_READING for an empty buffer.
    ZanResult SendCmdGetDensity(tagDensityInfo* reading);
    // The three calibration steps with their pauses (about 7.1 s); the last send's result.
    // Cancel cuts it short: the last step (which ends the calibration mode) is still sent,
    // and the result is ZAN_COM_ERR_CANCELLED.
    ZanResult SendCmdWhiteCalibrate();

protected:
    bool OnFrame() override;
};
