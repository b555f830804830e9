// The controllers' commands as data: one row per command, with what it sends, how its reply
// is judged, where the value it reads lies, its time-out and the status wait that follows.
// The drivers run a command by naming its row; the arguments are checked against the row's
// ranges before anything is sent.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qlcos::exposure {

// How one parameter travels on the line.
enum class Field : uint8_t {
    Fixed,   // a constant character; takes no argument
    Switch,  // one character for a non-zero argument, another for 0
    Char,    // the argument itself, one character
    Channel, // '0' + argument
    Index,   // '0' + argument - 1
    Dec,     // decimal digits, most significant first
    Hex,     // hexadecimal digits, most significant first
};

inline constexpr uint32_t kAny = 0xFFFFFFFFu;

struct Param {
    Field Kind;
    uint8_t Width;  // characters per value
    uint16_t Count; // values in a row (a table travels as many values)
    uint32_t Min;   // the arguments accepted; others are refused before anything is sent
    uint32_t Max;
    char Fixed;   // the character of a Fixed field, or of a Switch that is on
    char Off = 0; // the character of a Switch that is off
};

constexpr Param Fix(char c) { return {Field::Fixed, 1, 1, 0, kAny, c}; }
constexpr Param Switch(char on, char off) { return {Field::Switch, 1, 1, 0, kAny, on, off}; }
constexpr Param Chars(uint16_t count) { return {Field::Char, 1, count, 0, kAny, 0}; }
constexpr Param Ch() { return {Field::Channel, 1, 1, 0, kAny, 0}; }
constexpr Param Ch(uint32_t min, uint32_t max) { return {Field::Channel, 1, 1, min, max, 0}; }
constexpr Param Idx() { return {Field::Index, 1, 1, 0, kAny, 0}; }
constexpr Param Idx(uint32_t min, uint32_t max) { return {Field::Index, 1, 1, min, max, 0}; }
constexpr Param Dec(uint8_t width) { return {Field::Dec, width, 1, 0, kAny, 0}; }
constexpr Param Dec(uint8_t width, uint32_t max) { return {Field::Dec, width, 1, 0, max, 0}; }
constexpr Param Hex(uint8_t width) { return {Field::Hex, width, 1, 0, kAny, 0}; }
constexpr Param Hexes(uint8_t width, uint16_t n) { return {Field::Hex, width, n, 0, kAny, 0}; }

// How a reply is judged.
enum class Check : uint8_t {
    Nothing,             // only whether the exchange itself worked
    Errors,              // the controller's error digits decide
    Exactly,             // exactly Bytes long, then the error digits
    ExactlyIgnoreErrors, // exactly Bytes long; the error digits are not looked at
    ErrorsAtLeast,       // the error digits, then at least Bytes long (the data must be there)
    Ack,                 // first generation: an ACK
    Reading,             // first generation: STX .. ETX, at least Bytes long
};

struct Reply {
    Check Kind;
    uint16_t Bytes;
};

constexpr Reply Unexamined() { return {Check::Nothing, 0}; }
constexpr Reply Errors() { return {Check::Errors, 0}; }
constexpr Reply Exactly(uint16_t bytes) { return {Check::Exactly, bytes}; }
constexpr Reply ExactlyIgnoreErrors(uint16_t bytes) { return {Check::ExactlyIgnoreErrors, bytes}; }
constexpr Reply ErrorsAtLeast(uint16_t bytes) { return {Check::ErrorsAtLeast, bytes}; }
constexpr Reply Ack() { return {Check::Ack, 0}; }
constexpr Reply Reading(uint16_t bytes) { return {Check::Reading, bytes}; }

// Where the value a command reads lies in its reply.
enum class Digits : uint8_t { None, Dec, Hex, Digit };

// A value is read only when every character is a digit of its base and the number lies in
// Min..Max (the range the controller accepts for the same field, where the command that sets
// it gives one); otherwise the reply is refused.
struct Value {
    Digits Kind;
    uint16_t At;   // reply byte of the first character
    uint8_t Width; // characters
    uint32_t Min = 0;
    uint32_t Max = kAny;
};

constexpr Value NoValue() { return {Digits::None, 0, 0}; }
constexpr Value DecAt(uint16_t at, uint8_t width, uint32_t max = kAny)
{
    return {Digits::Dec, at, width, 0, max};
}
constexpr Value HexAt(uint16_t at, uint8_t width) { return {Digits::Hex, at, width}; }
constexpr Value DigitAt(uint16_t at, uint32_t min = 0, uint32_t max = 9)
{
    return {Digits::Digit, at, 1, min, max};
}

// What follows a command that succeeded: a pause, then polling until the controller is done.
struct Afterwards {
    uint16_t SettleMs;
    uint16_t PollMs; // 0: no status wait
};

constexpr Afterwards Done() { return {0, 0}; }
constexpr Afterwards Poll(uint16_t pollMs) { return {0, pollMs}; }
constexpr Afterwards SettleThenPoll(uint16_t settle, uint16_t poll) { return {settle, poll}; }

template <typename Id> struct Command {
    Id Cmd;
    const char* Name; // the driver operation that sends it
    uint8_t Letter;   // command character
    Param Params[5];  // in frame order; unused ones have Width 0
    Reply Answer;
    Value Read;
    uint16_t TimeoutMs; // for the reply; 0: the driver gives it
    Afterwards Then;
    const char* Models; // the model letters whose drivers send it
};

// ---- The framed protocol -------------------------------------------------------------------
// Frame: STX, model letter, '0', command letter, parameters, ETX, block check (XOR of the
// model letter up to ETX). Reply: STX, four bytes, two error digits, data from byte 7, ETX.
// Models: Y lamp controller 2, h LED, f LCD, g LDD.

// clang-format off
enum class Framed : uint8_t {
    Poll, Expose, FormatData, DataOperator, GetVersion, GetShutterTime, SetShutterTime,
    GetIntervalTime, SetIntervalTime, GetSerialCode, SetSerialCode, GetBrightness,
    SetBrightness, GetChannel, SetChannel, InputSelect, GetImageAdjustDec, SetImageAdjustDec,
    GetImageAdjustHex, SetImageAdjustHex, ShutterControl, ShutterControlThenWait,
    ColorWheelControl, ColorWheelToPosition, LightControl, LightLevel, RefreshLightTable,
    GetColorWheelPos, SetColorWheelPos, GetRefreshProgress, GetPhotronicCell, LEDControl,
    LddLEDControl, MoveCarrier, MoveFocus, GetPosition, SetPosition, SetRepeatMode,
    WobbleControl, GetWobbleSetting, GetWobbleValue, SetWobbleSetting, SetWobbleValue,
    GetGammaData, SetGammaData, GetUniformData, SetUniformData, ReadUniformCell,
    WriteUniformCell,
};
// clang-format on

// Data of a reply start at byte 7; a reply without data is 8 bytes long.
inline constexpr uint8_t kData = 7;

// clang-format off
inline constexpr Command<Framed> kFramedCommands[] = {
//   command                         name                  letter parameters (accepted range)                            reply                      value read           ms     afterwards                 models
    {Framed::Poll,                   "Poll",               '1',   {Fix('0')},                                            Errors(),                  NoValue(),           500,   Done(),                    "Yhfg"},
    {Framed::Expose,                 "Expose",             '3',   {Ch()},                                                Unexamined(),              NoValue(),           500,   Done(),                    "Yhfg"},
    {Framed::FormatData,             "FormatData",         'r',   {Fix('0')},                                            Errors(),                  NoValue(),           500,   Done(),                    "Yhfg"},
    {Framed::DataOperator,           "DataOperator",       's',   {Ch(), Hex(2), Hex(2)},                                ExactlyIgnoreErrors(12),   HexAt(kData, 2),     500,   Done(),                    "Yhfg"},
    {Framed::GetVersion,             "GetVersion",         0x7F,  {Fix('0')},                                            Errors(),                  NoValue(),           500,   Done(),                    "Yhfg"},
    {Framed::GetShutterTime,         "GetShutterTime",     'B',   {Ch(1, 3)},                                            Exactly(12),               DecAt(kData, 4),     500,   Done(),                    "Yhfg"},
    {Framed::SetShutterTime,         "SetShutterTime",     'R',   {Ch(1, 3), Dec(4, 9999)},                              Errors(),                  NoValue(),           500,   Done(),                    "Yhfg"},
    {Framed::GetIntervalTime,        "GetIntervalTime",    'H',   {Idx(1, 4)},                                           ErrorsAtLeast(11),         DecAt(kData, 3),     500,   Done(),                    "Yhfg"},
    {Framed::SetIntervalTime,        "SetIntervalTime",    'U',   {Idx(1, 4), Dec(3, 999)},                              Errors(),                  NoValue(),           500,   Done(),                    "Yhfg"},
    {Framed::GetSerialCode,          "GetSerialCode",      'F',   {Idx()},                                               Errors(),                  NoValue(),           500,   Done(),                    "Yhfg"},
    {Framed::SetSerialCode,          "SetSerialCode",      'q',   {Idx(1, 3), Chars(16)},                                Errors(),                  NoValue(),           500,   Done(),                    "Yhfg"},
    {Framed::GetBrightness,          "GetBrightness",      'A',   {Ch()},                                                Exactly(10),               DecAt(kData, 2),     500,   Done(),                    "Yh-g"},
    {Framed::SetBrightness,          "SetBrightness",      'Q',   {Ch(1, 3), Dec(2, 99)},                                Errors(),                  NoValue(),           500,   Done(),                    "Yh-g"},
    {Framed::GetChannel,             "GetChannel",         'C',   {Ch()},                                                Exactly(9),                DigitAt(kData, 1, 3),500,   Done(),                    "Yh--"},
    {Framed::SetChannel,             "SetChannel",         'S',   {Ch(1, 3), Ch(1, 3)},                                  Errors(),                  NoValue(),           500,   Done(),                    "Yh--"},
    {Framed::InputSelect,            "InputSelect",        '7',   {Idx()},                                               Errors(),                  NoValue(),           500,   Done(),                    "Yh--"},
    {Framed::GetImageAdjustDec,      "GetImageAdjust",     'u',   {Idx(1, 8)},                                           Exactly(11),               DecAt(kData, 3),     500,   Done(),                    "Yh--"},
    {Framed::SetImageAdjustDec,      "SetImageAdjust",     't',   {Idx(1, 8), Dec(3)},                                   Errors(),                  NoValue(),           500,   Done(),                    "Yh--"},
    {Framed::GetImageAdjustHex,      "GetImageAdjust",     'u',   {Idx(1, 8)},                                           Exactly(11),               HexAt(kData, 3),     500,   Done(),                    "--fg"},
    {Framed::SetImageAdjustHex,      "SetImageAdjust",     't',   {Idx(1, 8), Hex(3)},                                   Errors(),                  NoValue(),           500,   Done(),                    "--fg"},
    {Framed::ShutterControl,         "ShutterControl",     '4',   {Switch('0', '1')},                                    Exactly(8),                NoValue(),           500,   Done(),                    "Y---"},
    {Framed::ShutterControlThenWait, "ShutterControl",     '4',   {Switch('0', '1')},                                    Exactly(8),                NoValue(),           500,   Poll(1000),                "--fg"},
    {Framed::ColorWheelControl,      "ColorWheelControl",  '5',   {Ch()},                                                Errors(),                  NoValue(),           500,   Poll(1000),                "Y-f-"},
    {Framed::ColorWheelToPosition,   "ColorWheelControl",  '5',   {Fix('4'), Dec(3)},                                    Errors(),                  NoValue(),           500,   Poll(1000),                "Y---"},
    {Framed::LightControl,           "LightControl",       '6',   {Ch()},                                                Errors(),                  NoValue(),           500,   Poll(2000),                "Y---"},
    {Framed::LightLevel,             "LightControl",       '6',   {Fix('5'), Dec(2)},                                    Errors(),                  NoValue(),           500,   Poll(2000),                "Y---"},
    {Framed::RefreshLightTable,      "RefreshLightTable",  '8',   {Fix('0')},                                            Errors(),                  NoValue(),           500,   Done(),                    "Y---"},
    {Framed::GetColorWheelPos,       "GetColorWheelPos",   'D',   {Ch()},                                                Exactly(11),               DecAt(kData, 3),     500,   Done(),                    "Y---"},
    {Framed::SetColorWheelPos,       "SetColorWheelPos",   'T',   {Ch(1, 3), Dec(3, 999)},                               Errors(),                  NoValue(),           500,   Done(),                    "Y---"},
    {Framed::GetRefreshProgress,     "GetRefreshProgress", 'E',   {Fix('0')},                                            Exactly(11),               DecAt(kData + 1, 2), 500,   Done(),                    "Y---"},
    {Framed::GetPhotronicCell,       "GetPhotronicCell",   'G',   {Fix('0')},                                            ErrorsAtLeast(11),         DecAt(kData, 3),     500,   Done(),                    "Y---"},
    {Framed::LEDControl,             "LEDControl",         '6',   {Ch(0, 3), Dec(2, 99)},                                Errors(),                  NoValue(),           500,   Done(),                    "-h--"},
    {Framed::LddLEDControl,          "LEDControl",         '5',   {Ch(0, 6), Dec(2, 99)},                                Errors(),                  NoValue(),           500,   Done(),                    "---g"},
    {Framed::MoveCarrier,            "MoveCarrier",        '7',   {Idx(1, 2)},                                           Errors(),                  NoValue(),           500,   Poll(1000),                "---g"},
    {Framed::MoveFocus,              "MoveFocus",          '8',   {Fix('0'), Dec(4, 9999)},                              Errors(),                  NoValue(),           500,   Poll(1000),                "---g"},
    {Framed::GetPosition,            "GetPosition",        'v',   {Idx(1, 2)},                                           Exactly(12),               DecAt(kData, 4),     500,   Done(),                    "---g"},
    {Framed::SetPosition,            "SetPosition",        'w',   {Idx(1, 2), Dec(4, 9999)},                             Errors(),                  NoValue(),           500,   Done(),                    "---g"},
    {Framed::SetRepeatMode,          "SetRepeatMode",      'x',   {Fix('0')},                                            Unexamined(),              NoValue(),           500,   SettleThenPoll(500, 2000), "---g"},
    {Framed::WobbleControl,          "WobbleControl",      '6',   {Idx(1, 4)},                                           Errors(),                  NoValue(),           500,   Poll(1000),                "--fg"},
    {Framed::GetWobbleSetting,       "GetWobbleData",      'G',   {Fix('0')},                                            ExactlyIgnoreErrors(9),    NoValue(),           500,   Done(),                    "--fg"},
    {Framed::GetWobbleValue,         "GetWobbleData",      'G',   {Fix('1')},                                            ExactlyIgnoreErrors(11),   DecAt(kData, 3, 359),500,   Done(),                    "--fg"},
    {Framed::SetWobbleSetting,       "SetWobbleData",      'V',   {Fix('0'), Switch('0', '1')},                          Errors(),                  NoValue(),           500,   Done(),                    "--fg"},
    {Framed::SetWobbleValue,         "SetWobbleData",      'V',   {Fix('1'), Dec(3, 359)},                               Errors(),                  NoValue(),           500,   Done(),                    "--fg"},
    {Framed::GetGammaData,           "GetGammaData",       'a',   {Ch(0, 2)},                                            ExactlyIgnoreErrors(776),  HexAt(kData, 3),     5000,  Done(),                    "--fg"},
    {Framed::SetGammaData,           "SetGammaData",       'b',   {Ch(0, 2), Hexes(3, 256)},                             Errors(),                  NoValue(),           500,   Done(),                    "--fg"},
    {Framed::GetUniformData,         "GetUniformData",     'c',   {Idx(1, 3)},                                           ExactlyIgnoreErrors(1658), HexAt(kData, 2),     10000, Done(),                    "--fg"},
    {Framed::SetUniformData,         "SetUniformData",     'd',   {Idx(1, 3), Hexes(2, 825)},                            Errors(),                  NoValue(),           500,   Done(),                    "--fg"},
    {Framed::ReadUniformCell,        "UniformData",        'e',   {Fix('0'), Idx(1, 3), Dec(2, 24), Dec(2, 32), Hex(2)}, Exactly(15),               HexAt(12, 2),        500,   Done(),                    "--fg"},
    {Framed::WriteUniformCell,       "UniformData",        'e',   {Fix('1'), Idx(1, 3), Dec(2, 24), Dec(2, 32), Hex(2)}, Errors(),                  NoValue(),           500,   Done(),                    "--fg"},
};
// clang-format on

// Upper limits of the image-adjust items 1..8: decimal models (lamp controller 2, LED), and
// hexadecimal ones (LCD, LDD), whose items 7 and 8 are switches the controller holds inverted.
inline constexpr uint16_t kImageAdjustMaxDec[8] = {511, 511, 15, 15, 31, 15, 15, 15};
inline constexpr uint16_t kImageAdjustMaxHex[8] = {1023, 1023, 24, 24, 1023, 1023, 1, 1};
// The largest value image-adjust item `index` (1..8) takes by `limits`; 0 for an index out
// of range, which the command refuses before the limit matters.
inline constexpr uint16_t ImageAdjustMax(const uint16_t (&limits)[8], unsigned index)
{
    return index >= 1 && index <= 8 ? limits[index - 1] : 0;
}

// The gamma and uniformity tables travel whole: 256 values of 3 hexadecimal digits, and 825
// bytes (25 × 33 cells) of 2.
inline constexpr int kGammaValues = 256;
inline constexpr int kUniformBytes = 825;

// ---- The first-generation protocol ---------------------------------------------------------
// Frame: STX, command character, parameters, ETX; no model letter and no block check.
// Settings are answered with ACK (0x06) or NAK (0x15); readings with STX, two characters,
// the data from byte 3, ETX. Model: L.

// clang-format off
enum class Lamp : uint8_t {
    SetBrightness, GetBrightness, SetShutterTime, GetShutterTime, SetChannel, GetChannel,
    SetFilterPos, GetFilterPos, Exposal, ShutterOpen, RefreshTable,
};
// clang-format on

// clang-format off
inline constexpr Command<Lamp> kLampCommands[] = {
//   command               name              letter parameters (accepted range) reply       value read   ms     afterwards models
    {Lamp::SetBrightness,  "SetBrightness",  '1',   {Ch(0, 9), Dec(2, 99)},     Ack(),      NoValue(),   2000,  Done(),    "L"},
    {Lamp::GetBrightness,  "GetBrightness",  'A',   {Ch(0, 9)},                 Reading(6), DecAt(3, 2), 2000,  Done(),    "L"},
    {Lamp::SetShutterTime, "SetShutterTime", '2',   {Ch(0, 9), Dec(3, 999)},    Ack(),      NoValue(),   2000,  Done(),    "L"},
    {Lamp::GetShutterTime, "GetShutterTime", 'B',   {Ch(0, 9)},                 Reading(7), DecAt(3, 3), 2000,  Done(),    "L"},
    {Lamp::SetChannel,     "SetChannel",     '3',   {Ch(0, 9), Ch(0, 9)},       Ack(),      NoValue(),   2000,  Done(),    "L"},
    {Lamp::GetChannel,     "GetChannel",     'C',   {Ch(0, 9)},                 Reading(5), DigitAt(3),  2000,  Done(),    "L"},
    {Lamp::SetFilterPos,   "SetFilterPos",   '4',   {Ch(0, 9), Dec(3, 999)},    Ack(),      NoValue(),   2000,  Done(),    "L"},
    {Lamp::GetFilterPos,   "GetFilterPos",   'D',   {Ch(0, 9)},                 Reading(7), DecAt(3, 3), 2000,  Done(),    "L"},
    {Lamp::Exposal,        "Exposal",        '5',   {Ch(1, 3)},                 Ack(),      NoValue(),   0,     Done(),    "L"},
    {Lamp::ShutterOpen,    "ShutterOpen",    '6',   {Switch('1', '2')},         Ack(),      NoValue(),   2000,  Done(),    "L"},
    {Lamp::RefreshTable,   "RefreshTable",   '7',   {},                         Ack(),      NoValue(),   55000, Done(),    "L"},
};
// clang-format on

// Each table's rows stand in the order of its enumeration.
template <typename Id, size_t N> constexpr bool InIdOrder(const Command<Id> (&table)[N])
{
    for (size_t i = 0; i < N; ++i)
        if (static_cast<size_t>(table[i].Cmd) != i) return false;
    return true;
}
static_assert(InIdOrder(kFramedCommands), "framed commands out of order");
static_assert(InIdOrder(kLampCommands), "first-generation commands out of order");

constexpr const Command<Framed>& RowOf(Framed id)
{
    return kFramedCommands[static_cast<size_t>(id)];
}
constexpr const Command<Lamp>& RowOf(Lamp id) { return kLampCommands[static_cast<size_t>(id)]; }

} // namespace qlcos::exposure
