// The controller settings `qlcos get` and `qlcos set` reach, as one table: each with its
// index and value ranges, unit and the device operations that read and write it.
#pragma once

#include "qlcos/exposure/lcos_ctrl.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qlcos::tool {

struct ValueRange {
    int Min;
    int Max;
    bool Holds(long value) const { return value >= Min && value <= Max; }
    std::string Text() const { return std::to_string(Min) + ".." + std::to_string(Max); }
};

struct DeviceSetting {
    const char* Name;      // as typed: "shutter-time"
    const char* Help;      // one line for --help
    const char* IndexName; // what the index selects: "channel", "item"
    ValueRange Indexes;
    const char* Unit; // of the value, "" when it has none
    // The values index `index` takes on model `deviceType` (ZAN_DEVTYPE_...); with
    // deviceType 0 the widest any model takes, checked before a device is opened.
    ValueRange (*Values)(int index, uint16_t deviceType);
    const char* GetOperation;
    const char* SetOperation;
    ZanResult (*Get)(CZanLCosCtrl& device, unsigned char index, unsigned& value);
    ZanResult (*Set)(CZanLCosCtrl& device, unsigned char index, unsigned value);
};

const std::vector<DeviceSetting>& DeviceSettings();

} // namespace qlcos::tool
