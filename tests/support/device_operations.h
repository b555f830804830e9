// Every public operation of the light-engine device: how a test calls it, and the command
// each controller model sends first for it, written down here independently of the
// library's own capability table.
#pragma once

#include "qlcos/exposure.h"

#include <functional>

namespace qlcos::test {

// One row per public operation: how to call it, and the command each model sends for it
// ('-' where the model lacks the operation). Columns: device types 1, 2, 4, 5, 6.
struct DeviceOperation {
    const char* name;
    std::function<ZanResult(CZanLCosCtrl&)> call;
    const char* commands; // per model 1, 2, 4, 5, 6
};

inline unsigned char g_byte;
inline unsigned short g_word;
inline unsigned short g_text[CQFrameControl::kSerialCodeCapacity];

inline const DeviceOperation kDeviceOperations[] = {
    {"Expose", [](CZanLCosCtrl& d) { return d.Expose(1); }, "53333"},
    {"ShutterOpen", [](CZanLCosCtrl& d) { return d.ShutterOpen(9, 1); }, "6-444"},
    {"MoveCarrier", [](CZanLCosCtrl& d) { return d.MoveCarrier(1); }, "----7"},
    {"MoveFocus", [](CZanLCosCtrl& d) { return d.MoveFocus(25); }, "----8"},
    {"SetWobbleData", [](CZanLCosCtrl& d) { return d.SetWobbleData(2, 90); }, "---VV"},
    {"GetWobbleData", [](CZanLCosCtrl& d) { return d.GetWobbleData(2, g_word); }, "---GG"},
    {"GetPosition", [](CZanLCosCtrl& d) { return d.GetPosition(1, &g_word); }, "----v"},
    {"SetPosition", [](CZanLCosCtrl& d) { return d.SetPosition(2, 1234); }, "----w"},
    {"SetRepeatMode", [](CZanLCosCtrl& d) { return d.SetRepeatMode(); }, "----x"},
    {"RefreshTable", [](CZanLCosCtrl& d) { return d.RefreshTable(); }, "7-8--"},
    {"SetBrightness", [](CZanLCosCtrl& d) { return d.SetBrightness(1, 42); }, "1QQ-Q"},
    {"GetBrightness", [](CZanLCosCtrl& d) { return d.GetBrightness(1, &g_byte); }, "AAA-A"},
    {"SetShutterTime", [](CZanLCosCtrl& d) { return d.SetShutterTime(2, 12); }, "2RRRR"},
    {"GetShutterTime", [](CZanLCosCtrl& d) { return d.GetShutterTime(2, &g_word); }, "BBBBB"},
    {"SetIntervalTime", [](CZanLCosCtrl& d) { return d.SetIntervalTime(3, 5); }, "-UUUU"},
    {"GetIntervalTime", [](CZanLCosCtrl& d) { return d.GetIntervalTime(3, &g_word); }, "-HHHH"},
    {"SetChannel", [](CZanLCosCtrl& d) { return d.SetChannel(1, 2); }, "3SS--"},
    {"GetChannel", [](CZanLCosCtrl& d) { return d.GetChannel(1, &g_byte); }, "CCC--"},
    {"SetFilterPos", [](CZanLCosCtrl& d) { return d.SetFilterPos(1, 123); }, "4-T--"},
    {"GetFilterPos", [](CZanLCosCtrl& d) { return d.GetFilterPos(1, &g_word); }, "D-D--"},
    {"GetSerialCode", [](CZanLCosCtrl& d) { return d.GetSerialCode(2, g_text); }, "-FFFF"},
    {"LightControl", [](CZanLCosCtrl& d) { return d.LightControl(1, 50); }, "-66-5"},
    {"ColorWheelControl", [](CZanLCosCtrl& d) { return d.ColorWheelControl(2, 7); }, "--55-"},
    {"GetRefreshProgress", [](CZanLCosCtrl& d) { return d.GetRefreshProgress(g_byte, g_byte); },
     "--E--"},
    {"Poll", [](CZanLCosCtrl& d) { return d.Poll(g_byte, g_byte); }, "-1111"},
    {"GetImagePos", [](CZanLCosCtrl& d) { return d.GetImagePos(2, g_word); }, "-uuuu"},
    {"SetImagePos", [](CZanLCosCtrl& d) { return d.SetImagePos(1, 7); }, "-tttt"},
};

} // namespace qlcos::test
