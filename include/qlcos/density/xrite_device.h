// What the two X-Rite densitometers share: the serial set-up, the attach hooks, and the
// receive pattern for the lines an instrument sends of its own accord.
#pragma once

#include "qlcos/serial.h"

#include <atomic>
#include <mutex>

// The message an X-Rite posts to the window set with SetHWnd when a reading waits:
// WM_USER + 1, wParam 0, lParam 0.
constexpr unsigned int ZAN_WM_XRITE_READING = 0x401;

// An X-Rite instrument on a serial line: 9600 baud, 8 data bits, a 512-byte pool, frames
// cut at the instrument's line end. While no command waits for a response, every frame the
// instrument sends is taken out of the pool on the receive thread and handed to OnFrame,
// so that the receive buffer always holds the last frame alone.
class QLCOS_API CZanXRiteDevice : public CZanComDevice {
public:
    static constexpr int kReceiveBufferSize = 512;

    ~CZanXRiteDevice() override;

    // Allocates the pool and appends the frame recogniser.
    ZanResult PostAttach() override;
    // Removes the frame recogniser.
    ZanResult PreDetach() override;
    // Runs on the receive thread for every chunk received (see ReceiveChunk).
    void OnRxChar(unsigned char* data, int length) override;
    using CZanComDevice::Create;
    using CZanComDevice::OnRxChar;
    // Opens `port` with the property {port, second, 9600, 8, 0, 0}.
    virtual ZanResult Create(int port, int second);

    // The window that gets ZAN_WM_XRITE_READING; null for none.
    void SetHWnd(HWND window);
    // The state word (see the instrument's class).
    uint32_t GetState() const;

protected:
    // `frameEnd` is the instrument's line end; `failure` the class's failure code.
    CZanXRiteDevice(const ZanWChar* name, unsigned char frameEnd, ZanResult failure);

    // A received chunk: the failure code when it completes no frame, or when a command
    // waits for it as its response (the wait is ended); otherwise every complete frame is
    // taken from the pool into the receive buffer, one after the other, through OnFrame,
    // ZAN_WM_XRITE_READING is posted once when one of them announced a reading, and the
    // result is 0.
    ZanResult ReceiveChunk(const unsigned char* data, int length);
    // One unsolicited frame, now in m_Buffer (m_Length bytes). Called with m_Lock held;
    // may change m_State. True when it announces a new reading.
    virtual bool OnFrame() = 0;

    // Empties the pool (when `clearPool`) and switches wait-for-response on in one step
    // against the receive thread, so that a frame it is taking out of the pool at that
    // moment cannot be the reply to the command about to be sent, and no reply can be taken
    // for a line of the instrument's own accord.
    void BeginExchange(bool clearPool = true);
    // Switches wait-for-response off and hands the complete frames left in the pool while
    // the command waited to OnFrame, in order, posting ZAN_WM_XRITE_READING when one
    // announced a reading: a message that came during a command is not left waiting for the
    // instrument's next one.
    void EndExchange();

    // Clears the receive buffer. Caller holds m_Lock.
    void ClearBuffer();

private:
    // Takes every complete frame out of the pool into the receive buffer, one after the
    // other, through OnFrame. Caller holds m_Lock. True when one announced a reading.
    bool TakeFrames();
    void Announce();

protected:
    // Guards the receive buffer and the state word, which the receive thread and the
    // caller's thread share.
    mutable std::mutex m_Lock;
    unsigned char m_Buffer[kReceiveBufferSize];
    int m_Length = 0;
    uint32_t m_State = 0;
    std::atomic<HWND> m_hNotifyWnd{nullptr};
    CZanProtocolEventChar m_Recogniser;
    const ZanResult m_Failure;
};
