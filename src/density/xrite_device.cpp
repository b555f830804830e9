// The X-Rite base: serial set-up, attach hooks, and the lines an instrument sends of its own
// accord, taken out of the pool frame by frame on the receive thread.
#include "qlcos/density/xrite_device.h"

#include "qlcos/host.h"
#include "platform/win32.h"

#include <cstring>

namespace {
constexpr DWORD kResponseTimeOutMs = 1000;
}

CZanXRiteDevice::CZanXRiteDevice(const ZanWChar* name, unsigned char frameEnd, ZanResult failure)
    : CZanComDevice(name), m_Buffer{}, m_Failure(failure)
{
    SetWaitResponse(0);
    m_Recogniser.m_EventChar1 = frameEnd;
    m_Recogniser.SetEventChar1Mode(1);
    m_Recogniser.SetEventChar2Mode(0);
}

// The receive thread calls into this object: the port closes before any member goes.
CZanXRiteDevice::~CZanXRiteDevice() { Destroy(); }

ZanResult CZanXRiteDevice::Create(int port, int second)
{
    tagZANSerialPortProperty property{port, second, 9600, 8, 0, 0};
    return CZanComDevice::Create(&property);
}

ZanResult CZanXRiteDevice::PostAttach()
{
    ZanResult result = AllocPool(kReceiveBufferSize);
    if (zanFailed(result)) return result;
    result = AppendProtocol(&m_Recogniser);
    if (zanFailed(result)) return result;
    return CZanComDevice::PostAttach();
}

ZanResult CZanXRiteDevice::PreDetach()
{
    RemoveProtocol(m_Recogniser.GetIdentifier());
    return CZanComDevice::PreDetach();
}

void CZanXRiteDevice::OnRxChar(unsigned char* data, int length) { ReceiveChunk(data, length); }

void CZanXRiteDevice::SetHWnd(HWND window) { m_hNotifyWnd.store(window); }

uint32_t CZanXRiteDevice::GetState() const
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_State;
}

ZanResult CZanXRiteDevice::ReceiveChunk(const unsigned char* data, int length)
{
    SetWaitTimeOut(kResponseTimeOutMs);
    const bool frameEnd = data && length > 0 && m_Recogniser.IsFrame(data, length) != 0;
    bool announced = false;
    {
        // Held while deciding and taking, so that BeginExchange cannot slip in between.
        std::lock_guard<std::mutex> lock(m_Lock);
        const bool commandWaits = IsWaitResponse() != 0;
        if (!frameEnd) {
            // A line longer than the pool would fill it for good and block every later
            // reading: a full pool gives up its oldest frame (one a command left there) or,
            // holding no frame end, everything.
            if (!commandWaits && static_cast<uint32_t>(WaitForPoolData(0, 0)) >= GetPoolSize())
                TakeFrame(nullptr, 0);
            return m_Failure;
        }
        if (commandWaits) {
            HANDLE event = GetWaitResponseEventHandle();
            if (event) SetEvent(event);
            return m_Failure;
        }
        announced = TakeFrames();
    }
    if (announced) Announce();
    return 0;
}

bool CZanXRiteDevice::TakeFrames()
{
    bool announced = false;
    unsigned char frame[kReceiveBufferSize];
    for (;;) {
        const int n = TakeFrame(frame, kReceiveBufferSize);
        if (n <= 0) break;
        ClearBuffer();
        std::memcpy(m_Buffer, frame, static_cast<size_t>(n));
        m_Length = n;
        if (OnFrame()) announced = true;
    }
    return announced;
}

void CZanXRiteDevice::Announce()
{
    HWND window = m_hNotifyWnd.load();
    if (window) PostMessageW(window, ZAN_WM_XRITE_READING, 0, 0);
}

void CZanXRiteDevice::BeginExchange(bool clearPool)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    if (clearPool) ClearPool();
    SetWaitResponse(1);
}

void CZanXRiteDevice::EndExchange()
{
    bool announced = false;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        SetWaitResponse(0);
        announced = TakeFrames();
    }
    if (announced) Announce();
}

void CZanXRiteDevice::ClearBuffer()
{
    std::memset(m_Buffer, 0, sizeof m_Buffer);
    m_Length = 0;
}
