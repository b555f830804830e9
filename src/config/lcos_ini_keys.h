// The "LCosCtrl" INI keys that the controller record and the exposure model record both keep:
// the device property and the channel wiring, read and written alike by both.
#pragma once

#include "qlcos/config/port_property.h"
#include "qlcos/config/profile_functions.h"
#include "platform/profile_io.h"

namespace qlcos::config {

// The port property of `section` and, when it was read, "DeviceType" and "FuserType"
// (default 1 each); false, and `device` untouched, without a readable port property.
inline bool ReadDeviceProperty(const ZanWChar* section, const ZanWChar* path,
                               tagZanVirtualDeviceProperty& device)
{
    tagZanVirtualDeviceProperty read{};
    if (!zanGetSerialPortPropertyFromINI(path, section, &read.Port)) return false;
    read.DeviceType =
        static_cast<uint16_t>(GetPrivateProfileIntW(section, ZT("DeviceType"), 1, path));
    read.FuserType =
        static_cast<uint16_t>(GetPrivateProfileIntW(section, ZT("FuserType"), 1, path));
    device = read;
    return true;
}

// The port property, then "FuserType" and "DeviceType"; false when a value was not written.
inline bool WriteDeviceProperty(const ZanWChar* section, const ZanWChar* path,
                                const tagZanVirtualDeviceProperty& device)
{
    bool ok = zanSetSerialPortPropertyToINI(path, section, &device.Port) != 0;
    ok &= zanSetProfileInt(section, ZT("FuserType"), path, device.FuserType) != 0;
    ok &= zanSetProfileInt(section, ZT("DeviceType"), path, device.DeviceType) != 0;
    return ok;
}

// The filter positions and channel numbers; missing keys keep the record's values.
template <typename Record> void ReadWiring(const ZanWChar* section, const ZanWChar* path, Record& r)
{
    zanGetProfileInt(section, ZT("R_FilterPos"), path, &r.R_FilterPos);
    zanGetProfileInt(section, ZT("G_FilterPos"), path, &r.G_FilterPos);
    zanGetProfileInt(section, ZT("B_FilterPos"), path, &r.B_FilterPos);
    zanGetProfileInt(section, ZT("R_Channel"), path, &r.R_Channel);
    zanGetProfileInt(section, ZT("G_Channel"), path, &r.G_Channel);
    zanGetProfileInt(section, ZT("B_Channel"), path, &r.B_Channel);
}

template <typename Record>
bool WriteWiring(const ZanWChar* section, const ZanWChar* path, const Record& r)
{
    bool ok = zanSetProfileInt(section, ZT("R_FilterPos"), path, r.R_FilterPos) != 0;
    ok &= zanSetProfileInt(section, ZT("G_FilterPos"), path, r.G_FilterPos) != 0;
    ok &= zanSetProfileInt(section, ZT("B_FilterPos"), path, r.B_FilterPos) != 0;
    ok &= zanSetProfileInt(section, ZT("R_Channel"), path, r.R_Channel) != 0;
    ok &= zanSetProfileInt(section, ZT("G_Channel"), path, r.G_Channel) != 0;
    ok &= zanSetProfileInt(section, ZT("B_Channel"), path, r.B_Channel) != 0;
    return ok;
}

} // namespace qlcos::config
