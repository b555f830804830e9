// The LCD and LDD light engines: a shutter, a wobble unit, gamma and uniformity tables and
// image adjustment with hexadecimal values, on the framed controller protocol.
#pragma once

#include "qlcos/exposure.h"

// What the LCD and LDD controllers share: the shutter, the wobble unit (a two-state setting
// and a value 0..359), three gamma tables of 256 12-bit values, three uniformity tables of
// 825 bytes (25 × 33 cells) with single-cell access, and hexadecimal image adjustment.
class QLCOS_API CQPanelControl : public CQFrameControl {
public:
    static const int kGammaTables = 3;     // numbered 0..2
    static const int kGammaValues = 256;   // values per gamma table, 0..0xFFF each
    static const int kUniformTables = 3;   // numbered 1..3
    static const int kUniformBytes = 825;  // bytes per uniformity table
    static const int kUniformColumns = 25; // cell x 0..24
    static const int kUniformRows = 33;    // cell y 0..32

    // Opens (non-zero) or closes (0) the shutter and waits up to 1 s for it.
    ZanResult ShutterControl(int open);
    // Runs wobble action 1..4 and waits up to 1 s for it.
    ZanResult WobbleControl(unsigned char index);
    // Item 1: the wobble setting, 1 on and 0 off; item 2: the wobble value, 0..359.
    ZanResult GetWobbleData(unsigned char index, unsigned short& value);
    ZanResult SetWobbleData(unsigned char index, unsigned short value);
    // Gamma table 0..2 as kGammaValues values. Each value travels as three hexadecimal
    // digits: bits above 0xFFF are not sent.
    ZanResult GetGammaData(unsigned char table, unsigned short* values);
    ZanResult SetGammaData(unsigned char table, const unsigned short* values);
    // Uniformity table 1..3 as kUniformBytes bytes.
    ZanResult GetUniformData(unsigned char index, unsigned char* data);
    ZanResult SetUniformData(unsigned char index, const unsigned char* data);
    // One cell (x 0..24, y 0..32) of uniformity table 1..3: operation 0 reads it into `data`,
    // operation 1 writes `data`.
    ZanResult UniformData(unsigned char operation, unsigned char index, unsigned char x,
                          unsigned char y, unsigned char& data);
    // Image adjustment with hexadecimal values: items 1, 2, 5, 6 take 0..1023, items 3, 4
    // 0..24, items 7 and 8 are switches (0 or 1) that the controller holds inverted.
    ZanResult GetImageAdjust(unsigned char index, unsigned short& value);
    ZanResult SetImageAdjust(unsigned char index, unsigned short value);

protected:
    explicit CQPanelControl(const tagQFrameModel& model);

    // Exchange, then the reply must be exactly `expected` bytes; its error digits are not
    // looked at (the table and wobble reads report data regardless of them).
    ZanResult Fetch(unsigned char* frame, int length, uint32_t expected, uint32_t timeoutMs);
    // A command answered with error digits, then a status wait of `waitMs` when it succeeded.
    ZanResult CommandThenWait(unsigned char* frame, int length, uint32_t waitMs);
};

// The LCD lamp light engine: three colour channels with shutter times, two interval times,
// a shutter, a colour wheel, the wobble unit, gamma and uniformity tables, serial codes and
// image adjustment. It has no brightness or channel settings.
class QLCOS_API CQLCDControl : public CQPanelControl {
public:
    CQLCDControl();
    ~CQLCDControl() override;

    // Exposes channel 1..3 (shutter time) or 4..5 (interval time 1 or 2), settles 100 ms and
    // waits until the controller reports done: (cached time + 20) × 100 ms at most. Any other
    // channel is sent all the same and waited for 2 seconds at most.
    ZanResult Expose(unsigned char channel);
    // Colour-wheel action `action` (sent as '0' + action); waits up to 1 s for it.
    ZanResult ColorWheelControl(unsigned char action);
};

// The LDD light engine: everything of the LCD engine but the colour wheel, the brightness
// and LED level control of the LED engine, a carrier with two positions, a focus drive, two
// stored positions and a repeat mode.
class QLCOS_API CQLDDControl : public CQPanelControl {
public:
    CQLDDControl();
    ~CQLDDControl() override;

    // Exposes channel 1..3 or 4..5 and sleeps through the exposure, then gives the controller
    // 2 s (channels 1..3) or the interval plus 5 s (channels 4, 5) to report done. Any other
    // channel is sent all the same and waited for 2 seconds at most.
    ZanResult Expose(unsigned char channel);
    // LED action 0..6 with level 0..99.
    ZanResult LEDControl(unsigned char action, unsigned char level);
    // Moves the carrier to position 1 or 2 and waits up to 1 s for it; status '6' (moving)
    // starts the wait again.
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
