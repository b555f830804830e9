// The first-generation lamp controller kept in memory, for hosts that run without one.
#include "qlcos/exposure/emu_lamp_control.h"
#include "exposure/model_table.h"
#include "platform/win32.h"

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

CEmuQLampControl::Values* CEmuQLampControl::At(unsigned char channel)
{
    return channel >= 1 && channel <= 3 ? &m_Values[channel - 1] : nullptr;
}

ZanResult CEmuQLampControl::SetBrightness(unsigned char channel, unsigned char value)
{
    if (Values* v = At(channel)) v->Brightness = value;
    return 0;
}

ZanResult CEmuQLampControl::SetShutterTime(unsigned char channel, unsigned short time)
{
    if (Values* v = At(channel)) v->ShutterTime = time;
    return 0;
}

ZanResult CEmuQLampControl::SetChannel(unsigned char channel, unsigned char value)
{
    if (Values* v = At(channel)) v->Channel = value;
    return 0;
}

ZanResult CEmuQLampControl::SetFilterPos(unsigned char channel, unsigned short position)
{
    if (Values* v = At(channel)) v->FilterPos = position;
    return 0;
}

ZanResult CEmuQLampControl::GetBrightness(unsigned char channel, unsigned char* value)
{
    if (!value) return ZAN_COM_ERR_ARGUMENT;
    if (const Values* v = At(channel)) *value = static_cast<unsigned char>(v->Brightness);
    return 0;
}

ZanResult CEmuQLampControl::GetShutterTime(unsigned char channel, unsigned short* time)
{
    if (!time) return ZAN_COM_ERR_ARGUMENT;
    if (const Values* v = At(channel)) *time = static_cast<unsigned short>(v->ShutterTime);
    return 0;
}

ZanResult CEmuQLampControl::GetChannel(unsigned char channel, unsigned char* value)
{
    if (!value) return ZAN_COM_ERR_ARGUMENT;
    if (const Values* v = At(channel)) *value = static_cast<unsigned char>(v->Channel);
    return 0;
}

ZanResult CEmuQLampControl::GetFilterPos(unsigned char channel, unsigned short* position)
{
    if (!position) return ZAN_COM_ERR_ARGUMENT;
    if (const Values* v = At(channel)) *position = static_cast<unsigned short>(v->FilterPos);
    return 0;
}

ZanResult CEmuQLampControl::Exposal(unsigned char channel)
{
    if (const Values* v = At(channel)) Sleep(v->ShutterTime * 10);
    return 0;
}

ZanResult CEmuQLampControl::ShutterOpen(int) { return 0; }

ZanResult CEmuQLampControl::RefreshTable() { return 0; }
