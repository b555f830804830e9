// Every public operation of the light-engine drivers, driven by three input bytes.
#include "fuzz/reply_operations.h"

#include <cstdio>
#include <vector>

namespace qlcos::fuzz {

namespace {

// The operations every framed model has; `which` is taken modulo kFramedOperations.
constexpr int kFramedOperations = 12;

ZanResult RunFramed(CQFrameControl& driver, int which, const Operation& op)
{
    unsigned short time = 0;
    unsigned char status = 0, progress = 0, data = op.B;
    char version[CQFrameControl::kVersionTextCapacity];
    unsigned short serial[CQFrameControl::kSerialCodeCapacity];
    switch (which) {
    case 0: return driver.Expose(op.A % 8);
    case 1: return driver.Poll(status, progress);
    case 2: return driver.PollingStatus(op.A * 10u);
    case 3: return driver.FormatData();
    case 4: return driver.DataOperator(op.A % 5, op.B, data);
    case 5: return driver.GetVersion(version);
    case 6: return driver.GetShutterTime(op.A % 5, time);
    case 7: return driver.SetShutterTime(op.A % 5, op.Word() % 10050);
    case 8: return driver.GetIntervalTime(op.A % 6, time);
    case 9: return driver.SetIntervalTime(op.A % 6, op.Word() % 1050);
    case 10: return driver.GetSerialCode(op.A % 5, serial);
    default: {
        char code[24];
        std::snprintf(code, sizeof code, "SN%0*u", op.B % 20, static_cast<unsigned>(op.Word()));
        return driver.SetSerialCode(op.A % 5, code);
    }
    }
}

// Operations of the LCD and LDD controllers; `which` is taken modulo kPanelOperations.
constexpr int kPanelOperations = 12;

ZanResult RunPanel(CQPanelControl& driver, int which, const Operation& op)
{
    unsigned short value = 0;
    unsigned char cell = op.B;
    std::vector<unsigned short> gamma(CQPanelControl::kGammaValues);
    std::vector<unsigned char> uniform(CQPanelControl::kUniformBytes);
    for (size_t i = 0; i < gamma.size(); ++i) gamma[i] = static_cast<unsigned short>(i * op.B);
    for (size_t i = 0; i < uniform.size(); ++i) uniform[i] = static_cast<unsigned char>(i ^ op.B);
    switch (which) {
    case 0: return driver.ShutterControl(op.A & 1);
    case 1: return driver.WobbleControl(op.A % 6);
    case 2: return driver.GetWobbleData(op.A % 4, value);
    case 3: return driver.SetWobbleData(op.A % 4, op.Word() % 400);
    case 4: return driver.GetGammaData(op.A % 4, gamma.data());
    case 5: return driver.SetGammaData(op.A % 4, gamma.data());
    case 6: return driver.GetUniformData(op.A % 5, uniform.data());
    case 7: return driver.SetUniformData(op.A % 5, uniform.data());
    case 8: return driver.UniformData(op.A % 3, op.A / 3 % 5, op.B % 27, op.B / 27 % 35, cell);
    case 9: return driver.GetImageAdjust(op.A % 10, value);
    case 10: return driver.SetImageAdjust(op.A % 10, op.Word() % 1100);
    default: return driver.GetVersion(nullptr);
    }
}

// Brightness, channel, decimal image adjustment and input selection of the lamp
// controller 2 and the LED controller; `which` is taken modulo kLampLedOperations.
constexpr int kLampLedOperations = 7;

template <typename Driver> ZanResult RunLampLed(Driver& driver, int which, const Operation& op)
{
    unsigned char value = 0;
    unsigned short adjust = 0;
    switch (which) {
    case 0: return driver.GetBrightness(op.A % 5, value);
    case 1: return driver.SetBrightness(op.A % 5, op.B);
    case 2: return driver.GetChannel(op.A % 5, value);
    case 3: return driver.SetChannel(op.A % 5, op.B % 5);
    case 4: return driver.GetImageAdjust(op.A % 10, adjust);
    case 5: return driver.SetImageAdjust(op.A % 10, op.Word() % 600);
    default: return driver.InputSelect(op.A % 5);
    }
}

} // namespace

ZanResult RunOperation(CQLampControl2& driver, const Operation& op)
{
    const int which = op.Which % (kFramedOperations + kLampLedOperations + 8);
    if (which < kFramedOperations) return RunFramed(driver, which, op);
    if (which < kFramedOperations + kLampLedOperations)
        return RunLampLed(driver, which - kFramedOperations, op);
    unsigned short position = 0;
    unsigned char stage = 0, percent = 0, cell = 0;
    switch (which - kFramedOperations - kLampLedOperations) {
    case 0: return driver.ShutterControl(op.A & 1);
    case 1: return driver.ColorWheelControl(op.A % 8, op.B);
    case 2: return driver.LightControl(op.A % 8, op.B);
    case 3: return driver.RefreshLightTable();
    case 4: return driver.GetColorWheelPos(op.A % 5, position);
    case 5: return driver.SetColorWheelPos(op.A % 5, op.Word() % 1050);
    case 6: return driver.GetRefreshProgress(stage, percent);
    default: return driver.GetPhotronicCell(cell);
    }
}

ZanResult RunOperation(CQLEDControl& driver, const Operation& op)
{
    const int which = op.Which % (kFramedOperations + kLampLedOperations + 1);
    if (which < kFramedOperations) return RunFramed(driver, which, op);
    if (which < kFramedOperations + kLampLedOperations)
        return RunLampLed(driver, which - kFramedOperations, op);
    return driver.LEDControl(op.A % 5, op.B);
}

ZanResult RunOperation(CQLCDControl& driver, const Operation& op)
{
    const int which = op.Which % (kFramedOperations + kPanelOperations + 1);
    if (which < kFramedOperations) return RunFramed(driver, which, op);
    if (which < kFramedOperations + kPanelOperations)
        return RunPanel(driver, which - kFramedOperations, op);
    return driver.ColorWheelControl(op.A % 8);
}

ZanResult RunOperation(CQLDDControl& driver, const Operation& op)
{
    const int which = op.Which % (kFramedOperations + kPanelOperations + 8);
    if (which < kFramedOperations) return RunFramed(driver, which, op);
    if (which < kFramedOperations + kPanelOperations)
        return RunPanel(driver, which - kFramedOperations, op);
    unsigned short position = 0;
    unsigned char brightness = 0;
    switch (which - kFramedOperations - kPanelOperations) {
    case 0: return driver.LEDControl(op.A % 8, op.B);
    case 1: return driver.MoveCarrier(op.A % 4);
    case 2: return driver.MoveFocus(static_cast<int16_t>(op.Word()));
    case 3: return driver.GetPosition(op.A % 4, &position);
    case 4: return driver.SetPosition(op.A % 4, op.Word());
    case 5: return driver.SetRepeatMode();
    case 6: return driver.GetBrightness(op.A % 5, brightness);
    default: return driver.SetBrightness(op.A % 5, op.B);
    }
}

ZanResult RunOperation(CQLampControl& driver, const Operation& op)
{
    // Channels 0..11: the cached ones, others the controller takes, and some that are
    // refused; a last argument byte of 0xFF hands the readings a null pointer.
    const unsigned char channel = op.A % 12;
    const bool null = op.B == 0xFF;
    unsigned char byte = 0;
    unsigned short word = 0;
    switch (op.Which % 11) {
    case 0: return driver.SetBrightness(channel, op.B);
    case 1: return driver.GetBrightness(channel, null ? nullptr : &byte);
    case 2: return driver.SetShutterTime(channel, op.Word() % 1050);
    case 3: return driver.GetShutterTime(channel, null ? nullptr : &word);
    case 4: return driver.SetChannel(channel, op.B % 12);
    case 5: return driver.GetChannel(channel, null ? nullptr : &byte);
    case 6: return driver.SetFilterPos(channel, op.Word() % 1050);
    case 7: return driver.GetFilterPos(channel, null ? nullptr : &word);
    case 8: return driver.Exposal(op.A % 5);
    case 9: return driver.ShutterOpen(op.A & 1);
    default: return driver.RefreshTable();
    }
}

} // namespace qlcos::fuzz
