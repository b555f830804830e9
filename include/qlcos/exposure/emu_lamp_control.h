// The first-generation lamp light engine kept in memory.
#pragma once

#include "qlcos/serial.h"

// The first-generation lamp controller kept in memory, for running without a controller: no
// serial line, every operation succeeds at once (Exposal sleeps the shutter time, unless
// cancelled).
class QLCOS_API CEmuQLampControl : public CZanComDevice {
public:
    CEmuQLampControl();
    ~CEmuQLampControl() override;

    using CZanComDevice::Create;
    // Zeroes every stored value and returns 0; no port is opened.
    ZanResult Create(int port, int second);
    // True for 0x303; other numbers go to the framework.
    int IsDeviceTypeOf(uint32_t deviceType) override;

    // Channels 1..3 store the value; other channels are ignored. Always 0.
    ZanResult SetBrightness(unsigned char channel, unsigned char value);
    ZanResult SetShutterTime(unsigned char channel, unsigned short time);
    ZanResult SetChannel(unsigned char channel, unsigned char value);
    ZanResult SetFilterPos(unsigned char channel, unsigned short position);
    // Channels 1..3 write the stored value; other channels leave the output unchanged.
    // 0, or ZAN_COM_ERR_ARGUMENT for a null output pointer.
    ZanResult GetBrightness(unsigned char channel, unsigned char* value);
    ZanResult GetShutterTime(unsigned char channel, unsigned short* time);
    ZanResult GetChannel(unsigned char channel, unsigned char* value);
    ZanResult GetFilterPos(unsigned char channel, unsigned short* position);
    // Channels 1..3 sleep the stored shutter time (units of 10 ms); 0. Cancel() (the port
    // control's, public; it needs no open port) from another thread ends the sleep at once:
    // ZAN_COM_ERR_CANCELLED. A Cancel from before the call is cleared as it begins.
    ZanResult Exposal(unsigned char channel);
    ZanResult ShutterOpen(int open);
    ZanResult RefreshTable();

private:
    // Per channel 1..3: shutter time, brightness, channel setting, filter position.
    struct Values {
        uint32_t ShutterTime;
        uint32_t Brightness;
        uint32_t Channel;
        uint32_t FilterPos;
    };
    // Channel 1..3's value `field`: stored, or loaded into `out`; other channels change
    // nothing. Always 0 but for a null `out` (ZAN_COM_ERR_ARGUMENT).
    ZanResult Store(unsigned char channel, uint32_t Values::*field, uint32_t value);
    template <typename T>
    ZanResult Load(unsigned char channel, uint32_t Values::*field, T* out) const;

    Values m_Values[3];
};
