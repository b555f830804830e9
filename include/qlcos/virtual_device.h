// The virtual device base: what every device the host creates (light engine, densitometer)
// has in common — creation record, description, status, and the busy guard that lets one
// request at a time reach the device.
#pragma once

#include "qlcos/types.h"

#include <atomic>
#include <memory>

class CZanConsole;
class CZanConfig;
class CZANDebugLog;

struct tagZanVirtualDeviceStatusDescription {
    ZanWChar Text[256];
};

struct ZanWorkUnit;    // who holds the device at the moment (internal)
struct ZanFailureNote; // the last failure and its text (internal)

// The message id a device posts to its host window for its notifications (the density
// device posts one for every new reading), unless the host chose another with
// SetNotifyMessage: WM_APP + 1, apart from the WM_USER range that instrument drivers post in
// (an X-Rite posts WM_USER + 1, 0x401), so that a host can tell the two apart.
constexpr unsigned int ZAN_WM_DEVICE_NOTIFY = 0x8001;

class QLCOS_API CZanVirtualDevice {
public:
    CZanVirtualDevice();

    // Virtual operations in slot order.
    // Keeps the window and the property; 0 on success, 1 for a null property.
    virtual ZanResult Create(HWND window, tagZanVirtualDeviceProperty* property);
    virtual ZanResult Initialize();
    virtual ~CZanVirtualDevice();
    virtual ZanResult Destroy();
    virtual ZanResult CheckLine(void* line);
    virtual ZanResult Resume();
    virtual ZanResult Break(int how);
    virtual ZanResult GetStatus(tagZanVirtualDeviceStatus* status);
    // A text for a status. With `status` null: the device's own, which after a failed request
    // is why it failed (for Create: "no such port", "permission denied", "in use", "not a
    // terminal", "no model answered" with the port and what was tried), kept until a request
    // succeeds; otherwise "in order", or the fault of the device's status record. With a
    // status record: "in order" for Fault 0, else the text of its FaultCode (the last
    // failure's own text when that was the same code). 1 when `description` is null.
    virtual ZanResult GetStatusDescription(tagZanVirtualDeviceStatusDescription* description,
                                           tagZanVirtualDeviceStatus* status);
    virtual ZanResult ProcessMessage(HWND window, unsigned int message, unsigned int wParam,
                                     long lParam);
    virtual ZanResult ProcessMessage(MSG* message);
    virtual int ShowControl(int show);
    virtual int IsShowControl();
    virtual int CanService(void* request);
    virtual ZanResult SetConfig(CZanConfig* config);
    virtual ZanResult SetDbgLog(CZANDebugLog* log);
    virtual void SetConsole(CZanConsole* console);
    // 1 when no other thread holds the device.
    virtual int CanIWork();
    // Waits up to `timeoutMs` for the device to be free and takes it: 1 taken, 0 not.
    virtual int WaitForWork(uint32_t timeoutMs);
    // Ends the unit of work that IsBusy or WaitForWork began.
    virtual void WorkFinish();
    // The busy guard: 1 (refuse) while another thread's request is in progress; otherwise
    // takes the device for the calling thread and returns 0. Every 0 is paired with one
    // WorkFinish. The holder may ask again (nested units).
    virtual int IsBusy(unsigned short mask);
    // 1 when any bit of `mask` is set in the busy word now; takes nothing.
    virtual int CheckBusy(unsigned short mask);
    // 1 when the fault level of `result` calls for attention (its low 16 bits are not 0).
    virtual ZanResult CheckErrorLevel(uint32_t result);

    CZanVirtualDevice(const CZanVirtualDevice&) = delete;
    CZanVirtualDevice& operator=(const CZanVirtualDevice&) = delete;

    const ZanWChar* GetDescription() const { return m_szDescription; }
    uint16_t GetDeviceType() const { return m_DeviceType; }
    uint32_t GetBusyWord() const { return m_dwBusy.load(); }
    CZanConsole* GetConsole() const { return m_pConsole; }
    // The notification message id (ZAN_WM_DEVICE_NOTIFY unless set). Set it before Create.
    unsigned int GetNotifyMessage() const { return m_uNotifyMessage; }
    void SetNotifyMessage(unsigned int message) { m_uNotifyMessage = message; }

protected:
    // Copies `text` into the description (cut to fit, the rest zero-filled).
    void SetDescription(const ZanWChar* text);
    // Keeps `result` as the last failure with `text` (UTF-8) as its description, or
    // zanResultText(result) when `text` is null.
    void NoteFailure(ZanResult result, const char* text = nullptr);
    // The end of a request: a failure is kept as above, a success clears the last failure.
    void NoteResult(ZanResult result);

    ZanWChar m_szDescription[128];
    // One bit per operation in progress; changed only by the thread holding the device.
    std::atomic<uint32_t> m_dwBusy{0};
    uint16_t m_DeviceType = 0;
    CZanConsole* m_pConsole = nullptr;
    HWND m_hWnd = nullptr;
    unsigned int m_uNotifyMessage = ZAN_WM_DEVICE_NOTIFY;
    tagZanVirtualDeviceProperty m_Property;
    tagZanVirtualDeviceStatus m_Status;
    CZanConfig* m_pConfig = nullptr;
    CZANDebugLog* m_pDbgLog = nullptr;

private:
    std::unique_ptr<ZanWorkUnit> m_Work;
    std::unique_ptr<ZanFailureNote> m_Failure;
};
