// The device base every serial driver derives from: creation sequence and line events.
#include "qlcos/serial.h"

#include <cstring>

CZanComDevice::CZanComDevice() : CZanComDevice(nullptr) {}

CZanComDevice::CZanComDevice(const ZanWChar* name) : m_Name{}
{
    if (!name) return;
    const size_t capacity = sizeof m_Name / sizeof m_Name[0];
    for (size_t i = 0; i + 1 < capacity && name[i]; ++i) m_Name[i] = name[i];
}

// Derived drivers close the port in their own destructor; this closes it as well, so that no
// receive thread outlives the object whatever a derived class does.
CZanComDevice::~CZanComDevice() { ClosePort(); }

ZanResult CZanComDevice::PreCreate() { return ZAN_COM_OK; }

ZanResult CZanComDevice::Attach(void* handle, tagZANSerialPortProperty* property)
{
    if (handle) return ZAN_COM_ERR_UNSUPPORTED;
    if (!property) return ZAN_COM_ERR_ARGUMENT;
    return OpenPort(*property);
}

ZanResult CZanComDevice::Attach(CZanComCtrl*) { return ZAN_COM_ERR_UNSUPPORTED; }

ZanResult CZanComDevice::PostAttach()
{
    // A device that asked for no pool of its own still receives.
    if (GetPoolSize() == 0) return AllocPool(2048);
    return ZAN_COM_OK;
}

ZanResult CZanComDevice::PreDetach() { return ZAN_COM_OK; }

void CZanComDevice::SetConsole(CZanConsole* console) { m_Console = console; }

int CZanComDevice::IsDeviceTypeOf(uint32_t) { return 0; }

ZanResult CZanComDevice::Send(const unsigned char* bytes, int length, void*)
{
    return Transmit(bytes, length);
}

void CZanComDevice::OnBreak() {}
void CZanComDevice::OnCTS() {}
void CZanComDevice::OnDSR() {}
void CZanComDevice::OnErr() {}
void CZanComDevice::OnRing() {}
void CZanComDevice::OnRLSD() {}
void CZanComDevice::OnRxChar(unsigned char*, int) {}
void CZanComDevice::OnRxChar() {}
void CZanComDevice::OnTxEmpty() {}

ZanResult CZanComDevice::Create(tagZANSerialPortProperty* property)
{
    if (!property) return ZAN_COM_ERR_ARGUMENT;
    if (IsOpen()) return ZAN_COM_ERR_ALREADY_OPEN;
    ZanResult result = PreCreate();
    if (zanFailed(result)) return result;
    result = Attach(nullptr, property);
    if (zanFailed(result)) return result;
    result = PostAttach();
    if (zanFailed(result)) {
        PreDetach();
        ClosePort();
    }
    return result;
}

ZanResult CZanComDevice::Destroy()
{
    if (!IsOpen()) return ZAN_COM_OK;
    PreDetach();
    ClosePort();
    return ZAN_COM_OK;
}

int CZanComDevice::LookupMe() { return LineState() == ZAN_COM_OK ? 1 : 0; }

int CZanComDevice::GetDeviceSPEs(tagZANSerialPortProperty* properties, int max)
{
    if (!IsOpen()) return 0;
    if (properties && max >= 1) properties[0] = m_Property;
    return 1;
}

ZanResult CZanComDevice::Resume()
{
    const ZanResult line = RestoreLine();
    if (line != ZAN_COM_OK) return line;
    return ChangeComProperty(&m_Property);
}

ZanResult CZanComDevice::CheckLine() { return LineState(); }

int CZanComDevice::ShowControl(int) { return 0; }

void CZanComDevice::DeliverChunk(const unsigned char* data, int length)
{
    OnRxChar(const_cast<unsigned char*>(data), length);
    OnRxChar();
}

void CZanComDevice::DeliverLineError() { OnErr(); }
