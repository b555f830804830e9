// The light engine as the host sees it: one virtual device that finds which controller model
// answers on the port and forwards one fixed set of operations to that model's driver.
#pragma once

#include "qlcos/serial.h"
#include "qlcos/virtual_device.h"

// Results of the light-engine device; any other result is the driver's, passed through.
enum : ZanResult {
    ZAN_LCOS_CREATE_FAILED = 0x28110001, // bad property, base Create failed, or no model answered
    ZAN_LCOS_NO_DRIVER = 0x28110002,     // Create has not succeeded, or Destroy has run
    ZAN_LCOS_ALREADY_CREATED = 0x28110003,
    ZAN_LCOS_BUSY = 0x28110004,        // another request of this device is in progress
    ZAN_LCOS_UNSUPPORTED = 0x28110011, // the detected model has no such operation
    ZAN_LCOS_BAD_INDEX = 0x28110012,   // index out of range (also a null output pointer)
};

class QLCOS_API CZanLCosCtrl : public CZanVirtualDevice {
public:
    CZanLCosCtrl();
    // Does not release a held driver: the host calls Destroy first.
    ~CZanLCosCtrl() override;

    // Tries the models in the order LDD (6), LCD (5), lamp controller 2 (4), LED (2),
    // first-generation lamp (1) on the property's port until one identifies itself.
    ZanResult Create(HWND window, tagZanVirtualDeviceProperty* property) override;
    // Closes and releases the driver; always 0.
    ZanResult Destroy() override;
    ZanResult CheckLine(void* line) override;
    ZanResult Resume() override;
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

    // The driver of the detected model, or null.
    CZanComDevice* GetDriver() const { return m_pDriver; }

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

    CZanComDevice* m_pDriver = nullptr;

private:
    // Runs `body` under the busy guard with the operation's bit set in the busy word.
    template <auto Operation, typename Body> ZanResult Guarded(Body&& body);
    // Calls `call` with the driver when the detected model has the operation.
    template <auto Operation, typename Call> ZanResult Forward(Call&& call);
};
