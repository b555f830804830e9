// The first-generation lamp controller kept in memory, for hosts that run without one.
#include "qlcos/exposure/emu_lamp_control.h"
#include "exposure/model_table.h"

#include <cstring>

CEmuQLampControl::CEmuQLampControl()
    : CZanComDevice(qlcos::exposure::ModelOf(ZAN_DEVTYPE_EMU_LAMP_CONTROLLER).PortName)
{
    std::memset(m_Values, 0, sizeof m_Values);
}

CEmuQLampControl::~CEmuQLampControl() = default;

ZanResult CEmuQLampControl::Create(int, int)
{
    std::memset(m_Values, 0, sizeof m_Values);
    return 0;
}

int CEmuQLampControl::IsDeviceTypeOf(uint32_t deviceType)
{
    if (deviceType == qlcos::exposure::ModelOf(ZAN_DEVTYPE_EMU_LAMP_CONTROLLER).FrameworkNumber)
        return 1;
    return CZanComDevice::IsDeviceTypeOf(deviceType);
}

ZanResult CEmuQLampControl::Store(unsigned char channel, uint32_t Values::*field, uint32_t value)
{
    if (channel >= 1 && channel <= 3) m_Values[channel - 1].*field = value;
    return 0;
}

template <typename T>
ZanResult CEmuQLampControl::Load(unsigned char channel, uint32_t Values::*field, T* out) const
{
    if (!out) return ZAN_COM_ERR_ARGUMENT;
    if (channel >= 1 && channel <= 3) *out = static_cast<T>(m_Values[channel - 1].*field);
    return 0;
}

// clang-format off
ZanResult CEmuQLampControl::SetBrightness(unsigned char channel, unsigned char value) { return Store(channel, &Values::Brightness, value); }
ZanResult CEmuQLampControl::SetShutterTime(unsigned char channel, unsigned short time) { return Store(channel, &Values::ShutterTime, time); }
ZanResult CEmuQLampControl::SetChannel(unsigned char channel, unsigned char value) { return Store(channel, &Values::Channel, value); }
ZanResult CEmuQLampControl::SetFilterPos(unsigned char channel, unsigned short position) { return Store(channel, &Values::FilterPos, position); }
ZanResult CEmuQLampControl::GetBrightness(unsigned char channel, unsigned char* value) { return Load(channel, &Values::Brightness, value); }
ZanResult CEmuQLampControl::GetShutterTime(unsigned char channel, unsigned short* time) { return Load(channel, &Values::ShutterTime, time); }
ZanResult CEmuQLampControl::GetChannel(unsigned char channel, unsigned char* value) { return Load(channel, &Values::Channel, value); }
ZanResult CEmuQLampControl::GetFilterPos(unsigned char channel, unsigned short* position) { return Load(channel, &Values::FilterPos, position); }
// clang-format on

ZanResult CEmuQLampControl::Exposal(unsigned char channel)
{
    // A Cancel from before this request spoils nothing. The port control's pause needs no
    // open port: it is the emulator's interruptible wait.
    ClearCancel();
    if (channel < 1 || channel > 3) return 0;
    if (!Pause(m_Values[channel - 1].ShutterTime * 10)) return ZAN_COM_ERR_CANCELLED;
    return 0;
}

ZanResult CEmuQLampControl::ShutterOpen(int) { return 0; }

ZanResult CEmuQLampControl::RefreshTable() { return 0; }
