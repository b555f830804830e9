// The light engine as the host sees it: one virtual device that finds which controller model
// answers on the port and forwards one fixed set of operations to that model's driver.
#pragma once

#include "qlcos/serial.h"
#include "qlcos/virtual_device.h"

#include <atomic>
#include <memory>

// Results of the light-engine device; any other result is the driver's, passed through.
enum : ZanResult {
    ZAN_LCOS_CREATE_FAILED = 0x28110001, // bad property, base Create failed, or no model answered
    ZAN_LCOS_NO_DRIVER = 0x28110002,     // Create has not succeeded, or Destroy has run
    ZAN_LCOS_ALREADY_CREATED = 0x28110003,
    ZAN_LCOS_BUSY = 0x28110004,        // another request of this device is in progress
    ZAN_LCOS_UNSUPPORTED = 0x28110011, // the detected model has no such operation
    ZAN_LCOS_BAD_INDEX = 0x28110012,   // index out of range (also a null output pointer)
};

struct ZanLCosDriverLock; // who uses the driver at the moment (internal)

// Threads: any thread may call any operation. Requests (the public operations below) pass the
// busy guard: while one runs, a request from another thread is refused with ZAN_LCOS_BUSY.
// Create, Destroy, Break and the destructor are safe against running requests:
// - Create waits for a Create or Destroy in progress; of several concurrent Creates one
//   creates the driver and the others return ZAN_LCOS_ALREADY_CREATED (or try again after
//   it failed). Requests made meanwhile return ZAN_LCOS_NO_DRIVER at once.
// - Destroy takes the driver away from new requests at once (ZAN_LCOS_NO_DRIVER), cancels
//   the running request as Break does, and deletes the driver only once that request has
//   left; it returns within a few tens of milliseconds of the request's end.
// - Break(how) (any `how`) ends the running request's wait within a few milliseconds: a
//   wait for a reply, a pause, the sleep through an exposure, status polling, a
//   first-generation exposure's ACK. That request returns the serial framework's
//   ZAN_COM_ERR_CANCELLED (0x2000000C), passed through like every driver result. Break
//   returns 0 at once and does not wait; with no request running it has no effect, since
//   every request clears a Cancel left from before it began. It does not end a Create in
//   progress.
// - The destructor releases a held driver as Destroy does and waits for requests to leave.
class QLCOS_API CZanLCosCtrl : public CZanVirtualDevice {
public:
    CZanLCosCtrl();
    // Releases a held driver (Destroy) and waits until no request runs any more.
    ~CZanLCosCtrl() override;

    // Tries the models in the order LDD (6), LCD (5), lamp controller 2 (4), LED (2),
    // first-generation lamp (1) on the property's port until one identifies itself. When none
    // does, GetStatusDescription (and the trace) says why: the port's open failure ("no such
    // port", "permission denied", "in use", "not a terminal") with the path tried, or "no
    // model answered" with the port and the models tried in order.
    ZanResult Create(HWND window, tagZanVirtualDeviceProperty* property) override;
    // Cancels a running request, waits for it to leave, closes and releases the driver;
    // always 0.
    ZanResult Destroy() override;
    // Cancels the running request (above); always 0.
    ZanResult Break(int how) override;
    // The line's state: 0 while it is up (or no driver is held), the framework's
    // ZAN_COM_ERR_LINE_CLOSED after a hang-up or read error. Not refused while a request runs.
    ZanResult CheckLine(void* line) override;
    // Takes a line that hung up again (the same port number, looked up anew, with the
    // property's settings), as the next command would; 0 when the line is up, or no driver
    // is held.
    ZanResult Resume() override;
    // As CheckLine.
    int CanService(void* request) override;
    // Keeps the console and hands it to a driver already held.
    void SetConsole(CZanConsole* console) override;

    ZanResult Expose(unsigned char channel);
    ZanResult ShutterOpen(unsigned char unused, int open);
    ZanResult MoveCarrier(unsigned char position);
    ZanResult MoveFocus(int steps);
    ZanResult SetWobbleData(unsigned char index, unsigned short value);
    ZanResult GetWobbleData(unsigned char index, unsigned short& value);
    ZanResult GetPosition(unsigned char index, unsigned short* value);
    ZanResult SetPosition(unsigned char index, unsigned short value);
    ZanResult SetRepeatMode();
    ZanResult RefreshTable();
    ZanResult SetBrightness(unsigned char channel, unsigned char value);
    ZanResult GetBrightness(unsigned char channel, unsigned char* value);
    ZanResult SetShutterTime(unsigned char channel, unsigned short time);
    ZanResult GetShutterTime(unsigned char channel, unsigned short* time);
    ZanResult SetIntervalTime(unsigned char index, unsigned short time);
    ZanResult GetIntervalTime(unsigned char index, unsigned short* time);
    ZanResult SetChannel(unsigned char channel, unsigned char value);
    ZanResult GetChannel(unsigned char channel, unsigned char* value);
    ZanResult SetFilterPos(unsigned char channel, unsigned short position);
    ZanResult GetFilterPos(unsigned char channel, unsigned short* position);
    // `text` holds CQFrameControl::kSerialCodeCapacity UTF-16 units.
    ZanResult GetSerialCode(unsigned char index, unsigned short* text);
    ZanResult LightControl(unsigned char action, unsigned char value);
    ZanResult ColorWheelControl(unsigned char action, unsigned char value);
    ZanResult GetRefreshProgress(unsigned char& stage, unsigned char& percent);
    ZanResult Poll(unsigned char& status, unsigned char& progress);
    ZanResult GetImagePos(unsigned char index, unsigned short& value);
    ZanResult SetImagePos(unsigned char index, unsigned short value);

    // The driver of the detected model, or null. Valid until Destroy.
    CZanComDevice* GetDriver() const { return m_pDriver.load(); }

protected:
    ZanResult fExpose(unsigned char channel);
    ZanResult fShutterOpen(unsigned char unused, int open);
    ZanResult fMoveCarrier(unsigned char position);
    ZanResult fMoveFocus(int steps);
    ZanResult fSetWobbleData(unsigned char index, unsigned short value);
    ZanResult fGetWobbleData(unsigned char index, unsigned short& value);
    ZanResult fGetPosition(unsigned char index, unsigned short* value);
    ZanResult fSetPosition(unsigned char index, unsigned short value);
    ZanResult fSetRepeatMode();
    ZanResult fRefreshTable();
    ZanResult fSetBrightness(unsigned char channel, unsigned char value);
    ZanResult fGetBrightness(unsigned char channel, unsigned char* value);
    ZanResult fSetShutterTime(unsigned char channel, unsigned short time);
    ZanResult fGetShutterTime(unsigned char channel, unsigned short* time);
    ZanResult fSetIntervalTime(unsigned char index, unsigned short time);
    ZanResult fGetIntervalTime(unsigned char index, unsigned short* time);
    ZanResult fSetChannel(unsigned char channel, unsigned char value);
    ZanResult fGetChannel(unsigned char channel, unsigned char* value);
    ZanResult fSetFilterPos(unsigned char channel, unsigned short position);
    ZanResult fGetFilterPos(unsigned char channel, unsigned short* position);
    ZanResult fGetSerialCode(unsigned char index, unsigned short* text);
    ZanResult fLightControl(unsigned char action, unsigned char value);
    ZanResult fColorWheelControl(unsigned char action, unsigned char value);
    ZanResult fGetRefreshProgress(unsigned char& stage, unsigned char& percent);
    ZanResult fPoll(unsigned char& status, unsigned char& progress);
    ZanResult fGetImagePos(unsigned char index, unsigned short& value);
    ZanResult fSetImagePos(unsigned char index, unsigned short value);

    // Written by Create and Destroy under the driver lock; read by requests.
    std::atomic<CZanComDevice*> m_pDriver{nullptr};

private:
    // Create once it holds the device alone: the property checks and the probing; `found`
    // takes the driver.
    ZanResult Probe(HWND window, tagZanVirtualDeviceProperty* property, CZanComDevice*& found);
    // Keeps a request's outcome for GetStatusDescription; `driver` (held while the request is
    // counted) tells why a line could not be opened again.
    void NoteRequest(ZanResult result, CZanComDevice* driver);

    // Runs `body` under the busy guard with the operation's bit set in the busy word.
    template <auto Operation, typename Body> ZanResult Guarded(Body&& body);
    // Calls `call` with the driver when the detected model has the operation.
    template <auto Operation, typename Call> ZanResult Forward(Call&& call);
    // `call(driver)` outside the busy guard, counted as a request so that Destroy waits for
    // it; 0 without a driver.
    template <typename Call> ZanResult OnLine(Call&& call);

    std::unique_ptr<ZanLCosDriverLock> m_Lock;
};
