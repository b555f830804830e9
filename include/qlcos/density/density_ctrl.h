// The densitometer as the host sees it: one virtual device that owns the instrument named
// by the device type of its creation record (X-Rite 5xx, colour mouse, X-Rite 2xx) and hands
// out its readings, asked for directly or collected by a wait loop.
#pragma once

#include "qlcos/virtual_device.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

class CZanComDevice;

// Results of the density device; any other result is the instrument's, passed through.
enum : ZanResult {
    // No property, second word not 0xFFFFFFFF, base Create failed, unknown device type, or
    // the instrument could not be made, opened or identified.
    ZAN_DENSITY_CREATE_FAILED = 0x29000001,
    ZAN_DENSITY_NO_INSTRUMENT = 0x29000002,
    ZAN_DENSITY_ALREADY_CREATED = 0x29000003,
    ZAN_DENSITY_BUSY = 0x29000004,
    ZAN_DENSITY_NO_THREAD = 0x29000006,  // the wait thread could not be started
    ZAN_DENSITY_NO_READING = 0x29000010, // no new reading waits in the instrument
    ZAN_DENSITY_NO_ANSWER = 0x29000013,  // the X-Rite 5xx did not answer its identification
};

// wParam of the reading notification the wait loop posts (message GetNotifyMessage(),
// lParam the reading's result).
constexpr unsigned int ZAN_DENSITY_NOTIFY_READING = 0x40008;

class QLCOS_API CZanDensityCtrl : public CZanVirtualDevice {
public:
    // The pause between two passes of the wait loop.
    static constexpr uint32_t kWaitPassMs = 2000;

    CZanDensityCtrl();
    // Stops a running wait thread (also after Destroy), then Destroy.
    ~CZanDensityCtrl() override;

    // Opens and identifies the instrument of property->DeviceType on property->Port.Port
    // (the property's second word must be 0xFFFFFFFF); `window` receives the notifications.
    // When it fails, GetStatusDescription says why: the port's open failure, "no X-Rite 5xx
    // answered on <port>", the colour mouse's library not loaded, an unknown device type.
    ZanResult Create(HWND window, tagZanVirtualDeviceProperty* property) override;
    // Ends the instrument's exchange in progress, waits for the request to leave, closes
    // and deletes the instrument; always 0. Does not stop a wait loop (it then finds no
    // instrument on its passes): Break first.
    ZanResult Destroy() override;
    // Asks the instrument whether it is there (the X-Rite 5xx by a live identification).
    ZanResult CheckLine(void* status) override;
    int CanService(void* status) override;
    ZanResult Resume() override;
    // Stops the wait loop: sets the stop flag and ends the instrument's exchange in progress
    // (a reading request, a calibration: they fail as cancelled); when a wait thread runs,
    // waits for it, and clears the flag again. Without a wait thread the flag stays set,
    // which is how a loop running in the foreground of another thread is stopped; every
    // later loop then returns 0 at its first check until a Break that finds a thread clears
    // it. The next request to the instrument runs normally.
    ZanResult Break(int how) override;
    // Fills `status` ({0, 0} in order, {0xFFFFFFFF, code} on a fault); 0 unless busy.
    ZanResult GetStatus(tagZanVirtualDeviceStatus* status) override;

    // A reading the wait loop has cached is handed over once (the cache is then empty);
    // otherwise the instrument is asked. A cached reading whose Cyan, Magenta or Yellow is
    // exactly 0.0 counts as none. ZAN_DENSITY_NO_READING when no new reading waits.
    ZanResult GetDensityInfo(tagDensityInfo* reading);
    // Runs the wait loop: in the caller's thread when `inThread` is 0 (it returns when
    // another thread calls Break), else in a thread of its own, which posts the reading
    // notification for every new reading. A second threaded call waits until the running
    // loop has been stopped by Break. `value` is carried and not used; `reading` (may be
    // null) receives each new reading in the foreground form.
    ZanResult WaitDensityInfo(int inThread, uint32_t value, tagDensityInfo* reading);
    // The loop itself; `post` nonzero posts the notification for each new reading.
    ZanResult eWaitDensityInfo(int post, uint32_t value, tagDensityInfo* reading);
    // Calibrates the instrument: the X-Rites' white calibration (mode not used), the colour
    // mouse's black (1) or white (2) calibration.
    ZanResult AdjustDensityCtrl(int mode);

protected:
    // `fromLoop` is 1 when the wait loop asks (it clears the instrument's cancel itself).
    ZanResult fGetDensityInfo(tagDensityInfo* reading, int fromLoop);
    ZanResult fGetStatus(tagZanVirtualDeviceStatus* status);
    // The wait thread's body: eWaitDensityInfo (1, value, null) of the start block's device.
    static DWORD tWaitDensityInfo(void* startBlock);

private:
    friend struct ZanDensityWaitThread; // hands tWaitDensityInfo to CreateThread

    struct WaitStart {
        CZanDensityCtrl* Device;
        uint32_t Value;
    };
    // Sleeps up to `ms`; returns early when Break sets the stop flag.
    void PauseUnlessStopped(uint32_t ms);
    // Stops a wait thread and reaps it (the destructor's part of Break, with or without an
    // instrument).
    void StopWaitThread();
    // Joins and closes the ended wait thread and clears the stop flag. Caller holds
    // m_WaitLock.
    void ReapWaitThread();
    // Ends the wait of the instrument's exchange in progress (Break, Destroy).
    void CancelInstrument();
    // Whether an instrument is attached, without waiting for an exchange in progress.
    bool HasInstrument();
    // Keeps "Create failed: <why>" for GetStatusDescription, traces it; the Create result.
    ZanResult CreateFailed(const char* why);

    CZanComDevice* m_pInstrument = nullptr;
    std::atomic<int> m_StopFlag{0};
    WaitStart m_WaitStart{nullptr, 0};
    tagDensityInfo m_Cache{};

    // Serialises every use of the instrument (host threads and the wait thread), so that
    // Destroy cannot delete it under a running exchange.
    std::recursive_mutex m_InstrumentLock;
    // Also guards the instrument pointer (written under both locks), for Break, Destroy and
    // WaitDensityInfo, which must not wait for the instrument lock an exchange holds.
    std::mutex m_CancelLock;
    std::mutex m_CacheLock;
    // The wait thread: its handle, whether its loop still runs, and which start it was.
    // m_WaitChanged is signalled when a loop ends and when Break sets the stop flag.
    std::mutex m_WaitLock;
    std::condition_variable m_WaitChanged;
    HANDLE m_hWaitThread = nullptr;
    bool m_LoopRunning = false;
    uint64_t m_LoopGeneration = 0;
};
