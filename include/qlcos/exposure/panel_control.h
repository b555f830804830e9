// What the LCD and LDD light engines share.
#pragma once

#include "qlcos/exposure/frame_control.h"

// A shutter, a wobble unit (a two-state setting and a value 0..359), three gamma tables of
// 256 12-bit values, three uniformity tables of 825 bytes (25 × 33 cells) with single-cell
// access, and image adjustment with hexadecimal values.
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
    explicit CQPanelControl(uint16_t deviceType);
};
