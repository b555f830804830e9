// The light-engine controller models as data: one row per model, and which operations of
// the light-engine device each model has. The drivers, the device's probing and forwarding
// and the controller configuration's device-type texts all read from here.
#pragma once

#include "qlcos/types.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace qlcos::exposure {

// How a model's Expose waits for the exposure to end.
enum class ExposeWait : uint8_t {
    // Settle, then poll for at most (cached time + 20) × 100 ms.
    PollWithinCachedTime,
    // Sleep through the exposure, then poll 2 s (channels 1..3) or the interval plus 5 s.
    SleepThenPoll,
    // The controller answers only when the exposure has ended (first-generation protocol).
    AnswerAtEnd,
    // No controller: the emulator sleeps the shutter time.
    InMemory,
};

// Behaviours in which the framed models differ.
enum ModelFlags : uint8_t {
    kFinalStatusClearsErrors = 1, // a final status '0' clears every error but digits 1, 1
    kStatus6Restarts = 2,         // status '6' (moving) starts the wait window again, like '5'
    kSetShutterTimeCaches = 4,    // a successful SetShutterTime updates the exposure's cache
};

// Two numberings name a model. DeviceType is what hosts and configuration records use (the
// ZAN_DEVTYPE_* values, 1 to 6). The framework number is what the serial framework's
// IsDeviceTypeOf answers to; it belongs to the drivers' own family of numbers (0x3xx), in
// which the LED and the first-generation lamp controller share 0x301.
struct ControllerModel {
    uint16_t DeviceType;
    uint32_t FrameworkNumber;
    char Letter;                 // model letter of the framed protocol; 0: not framed
    uint8_t ModelByte;           // MM of the driver's results 0x20MM00NN; 0: none of its own
    const ZanWChar* PortName;    // the driver's port device name
    const char* Identity;        // identity text the controller reports; null: none
    uint8_t IdentityChars;       // characters of it compared
    const ZanWChar* Description; // the light-engine device's description once found
    const ZanWChar* ConfigWord;  // the controller configuration's "DeviceType" text
    uint8_t ProbeRank;           // order in which the device tries the models; 0: never
    ExposeWait Wait;
    uint16_t SettleMs;    // pause after the exposure command before polling
    uint16_t PollSleepMs; // pause between status polls
    uint8_t Flags;        // ModelFlags
    uint16_t PoolBytes;   // receive pool: the longest reply and its block check
    uint16_t ReplyBytes;  // reply buffer
};

// clang-format off
inline constexpr ControllerModel kModels[] = {
//   DeviceType                       number letter byte  port name                    identity text                chars description               config word              probe exposure wait                     settle poll flags                                     pool  reply
    {ZAN_DEVTYPE_LDD_CONTROLLER,      0x309, 'g',   0x39, ZT("LDD Control"),           "VORTANE LCDD CONTROL",      20,   ZT("LCD LED Control"),    nullptr,                 1,    ExposeWait::SleepThenPoll,        0,     10,  kStatus6Restarts | kSetShutterTimeCaches, 2048, 2048},
    {ZAN_DEVTYPE_LCD_CONTROLLER,      0x308, 'f',   0x38, ZT("LCD Control"),           "VORTANE LCDL CONTROL",      20,   ZT("LCD Lamp Control"),   nullptr,                 2,    ExposeWait::PollWithinCachedTime, 100,   100, 0,                                        2048, 2048},
    {ZAN_DEVTYPE_LAMP_CONTROLLER2,    0x306, 'Y',   0x36, ZT("LCos Lamp Control2"),    "VORTANE XAVEN LAMPCONTROL", 25,   ZT("LCos Lamp Control2"), ZT("LampController2"),   3,    ExposeWait::PollWithinCachedTime, 150,   100, kFinalStatusClearsErrors,                 64,   128},
    {ZAN_DEVTYPE_LED_CONTROLLER,      0x301, 'h',   0x32, ZT("LCos LED Control"),      "VORTANE LCSD CONTROL",      20,   ZT("LCos LED Control"),   ZT("LEDController"),     4,    ExposeWait::SleepThenPoll,        0,     10,  kSetShutterTimeCaches,                    2048, 2048},
    {ZAN_DEVTYPE_LAMP_CONTROLLER,     0x301, 0,     0,    ZT("LCos Lamp Control"),     nullptr,                     0,    ZT("LCos Lamp Control"),  ZT("LampController"),    5,    ExposeWait::AnswerAtEnd,          0,     0,   0,                                        32,   32},
    {ZAN_DEVTYPE_EMU_LAMP_CONTROLLER, 0x303, 0,     0,    ZT("Emu LCos Lamp Control"), nullptr,                     0,    nullptr,                  ZT("EmuLampController"), 0,    ExposeWait::InMemory,             0,     0,   0,                                        0,    0},
};
// clang-format on
// The lamp controller 2's identity reply is 33 bytes (34 with its block check): its pool
// holds 64. The LCD and LDD uniformity reply is 1658 bytes (1659): their pools hold 2048, as
// the LED's does although its replies are a few dozen bytes.

// The row of a model; null for a number that names none.
constexpr const ControllerModel* FindModel(uint16_t deviceType)
{
    for (const ControllerModel& model : kModels)
        if (model.DeviceType == deviceType) return &model;
    return nullptr;
}

// The row of a model the library knows; for the drivers, whose numbers are fixed.
constexpr const ControllerModel& ModelOf(uint16_t deviceType) { return *FindModel(deviceType); }

// The model the light-engine device tries `rank`th (from 1); null past the last.
constexpr const ControllerModel* ProbedModel(uint8_t rank)
{
    for (const ControllerModel& model : kModels)
        if (rank > 0 && model.ProbeRank == rank) return &model;
    return nullptr;
}

// The operations of the light-engine device.
// clang-format off
enum class Op : uint8_t {
    Expose, ShutterOpen, MoveCarrier, MoveFocus, SetWobbleData, GetWobbleData, GetPosition,
    SetPosition, SetRepeatMode, RefreshTable, SetBrightness, GetBrightness, SetShutterTime,
    GetShutterTime, SetIntervalTime, GetIntervalTime, SetChannel, GetChannel, SetFilterPos,
    GetFilterPos, GetSerialCode, LightControl, ColorWheelControl, GetRefreshProgress, Poll,
    GetImagePos, SetImagePos,
};
// clang-format on

// The device types of the capability columns below, in their order.
inline constexpr uint16_t kCapabilityColumns[] = {
    ZAN_DEVTYPE_LAMP_CONTROLLER, ZAN_DEVTYPE_LED_CONTROLLER, ZAN_DEVTYPE_LAMP_CONTROLLER2,
    ZAN_DEVTYPE_LCD_CONTROLLER,  ZAN_DEVTYPE_LDD_CONTROLLER,
};

struct Operation {
    Op Id;
    const char* Name;
    uint32_t BusyBit; // set in the device's busy word while the operation runs
    // Per model of kCapabilityColumns: the command character its driver sends first for the
    // operation, or '-' where the model lacks it. The device answers an operation the model
    // lacks with ZAN_LCOS_UNSUPPORTED without touching the line.
    char Command[5];
};

// clang-format off
inline constexpr Operation kOperations[] = {
//                                                             command character per DeviceType
//   operation               name                  busy bit      1    2    4    5    6
    {Op::Expose,             "Expose",             0x00001000, {'5', '3', '3', '3', '3'}},
    {Op::ShutterOpen,        "ShutterOpen",        0x00002000, {'6', '-', '4', '4', '4'}},
    {Op::MoveCarrier,        "MoveCarrier",        0x00010000, {'-', '-', '-', '-', '7'}},
    {Op::MoveFocus,          "MoveFocus",          0x00020000, {'-', '-', '-', '-', '8'}},
    {Op::SetWobbleData,      "SetWobbleData",      0x00100000, {'-', '-', '-', 'V', 'V'}},
    {Op::GetWobbleData,      "GetWobbleData",      0x01000000, {'-', '-', '-', 'G', 'G'}},
    {Op::GetPosition,        "GetPosition",        0x00040000, {'-', '-', '-', '-', 'v'}},
    {Op::SetPosition,        "SetPosition",        0x00080000, {'-', '-', '-', '-', 'w'}},
    {Op::SetRepeatMode,      "SetRepeatMode",      0x00200000, {'-', '-', '-', '-', 'x'}},
    {Op::RefreshTable,       "RefreshTable",       0x00004000, {'7', '-', '8', '-', '-'}},
    {Op::SetBrightness,      "SetBrightness",      0x00000010, {'1', 'Q', 'Q', '-', 'Q'}},
    {Op::GetBrightness,      "GetBrightness",      0x00000020, {'A', 'A', 'A', '-', 'A'}},
    {Op::SetShutterTime,     "SetShutterTime",     0x00000040, {'2', 'R', 'R', 'R', 'R'}},
    {Op::GetShutterTime,     "GetShutterTime",     0x00000080, {'B', 'B', 'B', 'B', 'B'}},
    {Op::SetIntervalTime,    "SetIntervalTime",    0x00400000, {'-', 'U', 'U', 'U', 'U'}},
    {Op::GetIntervalTime,    "GetIntervalTime",    0x00800000, {'-', 'H', 'H', 'H', 'H'}},
    {Op::SetChannel,         "SetChannel",         0x00000100, {'3', 'S', 'S', '-', '-'}},
    {Op::GetChannel,         "GetChannel",         0x00000200, {'C', 'C', 'C', '-', '-'}},
    {Op::SetFilterPos,       "SetFilterPos",       0x00000400, {'4', '-', 'T', '-', '-'}},
    {Op::GetFilterPos,       "GetFilterPos",       0x00000800, {'D', '-', 'D', '-', '-'}},
    {Op::GetSerialCode,      "GetSerialCode",      0x00008000, {'-', 'F', 'F', 'F', 'F'}},
    // These six share GetChannel's bit.
    {Op::LightControl,       "LightControl",       0x00000200, {'-', '6', '6', '-', '5'}},
    {Op::ColorWheelControl,  "ColorWheelControl",  0x00000200, {'-', '-', '5', '5', '-'}},
    {Op::GetRefreshProgress, "GetRefreshProgress", 0x00000200, {'-', '-', 'E', '-', '-'}},
    {Op::Poll,               "Poll",               0x00000200, {'-', '1', '1', '1', '1'}},
    {Op::GetImagePos,        "GetImagePos",        0x00000200, {'-', 'u', 'u', 'u', 'u'}},
    {Op::SetImagePos,        "SetImagePos",        0x00000200, {'-', 't', 't', 't', 't'}},
};
// clang-format on

constexpr bool OperationsInOrder()
{
    for (size_t i = 0; i < std::size(kOperations); ++i)
        if (static_cast<size_t>(kOperations[i].Id) != i) return false;
    return true;
}
static_assert(OperationsInOrder(), "operations out of order");

constexpr const Operation& OperationOf(Op op) { return kOperations[static_cast<size_t>(op)]; }

// The command character `deviceType`'s driver sends first for `op`; '-' when it has none.
constexpr char CommandFor(uint16_t deviceType, Op op)
{
    for (size_t column = 0; column < std::size(kCapabilityColumns); ++column)
        if (kCapabilityColumns[column] == deviceType) return OperationOf(op).Command[column];
    return '-';
}

constexpr bool Has(uint16_t deviceType, Op op) { return CommandFor(deviceType, op) != '-'; }

} // namespace qlcos::exposure
