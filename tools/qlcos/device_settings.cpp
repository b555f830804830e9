#include "device_settings.h"

namespace qlcos::tool {

namespace {

// A getter through an operation that fills a value of type T by pointer.
template <typename T, ZanResult (CZanLCosCtrl::*Op)(unsigned char, T*)>
ZanResult GetByPointer(CZanLCosCtrl& device, unsigned char index, unsigned& value)
{
    T read = 0;
    const ZanResult result = (device.*Op)(index, &read);
    value = read;
    return result;
}

template <ZanResult (CZanLCosCtrl::*Op)(unsigned char, unsigned short&)>
ZanResult GetByReference(CZanLCosCtrl& device, unsigned char index, unsigned& value)
{
    unsigned short read = 0;
    const ZanResult result = (device.*Op)(index, read);
    value = read;
    return result;
}

template <typename T, ZanResult (CZanLCosCtrl::*Op)(unsigned char, T)>
ZanResult SetAs(CZanLCosCtrl& device, unsigned char index, unsigned value)
{
    return (device.*Op)(index, static_cast<T>(value));
}

const ValueRange kChannels{1, 3};
const ValueRange kTwo{1, 2};

} // namespace

const std::vector<DeviceSetting>& DeviceSettings()
{
    static const std::vector<DeviceSetting> settings = {
        {"shutter-time", "the shutter time of a colour channel", "channel", kChannels, "10 ms",
         [](int, uint16_t model) {
             // The first-generation lamp controller takes three digits, the others four.
             return model == ZAN_DEVTYPE_LAMP_CONTROLLER ? ValueRange{0, 999} : ValueRange{0, 9999};
         },
         "GetShutterTime", "SetShutterTime",
         GetByPointer<unsigned short, &CZanLCosCtrl::GetShutterTime>,
         SetAs<unsigned short, &CZanLCosCtrl::SetShutterTime>},
        {"brightness", "the brightness of a colour channel", "channel", kChannels, "",
         [](int, uint16_t) {
             return ValueRange{0, 99};
         },
         "GetBrightness", "SetBrightness",
         GetByPointer<unsigned char, &CZanLCosCtrl::GetBrightness>,
         SetAs<unsigned char, &CZanLCosCtrl::SetBrightness>},
        {"interval-time",
         "interval time 1..4 (1 and 2 time the exposures of channels 4 and 5)",
         "index",
         {1, 4},
         "10 ms",
         [](int, uint16_t) {
             return ValueRange{0, 999};
         },
         "GetIntervalTime",
         "SetIntervalTime",
         GetByPointer<unsigned short, &CZanLCosCtrl::GetIntervalTime>,
         SetAs<unsigned short, &CZanLCosCtrl::SetIntervalTime>},
        {"channel", "the channel setting of a colour channel", "channel", kChannels, "",
         [](int, uint16_t model) {
             const bool framed =
                 model == ZAN_DEVTYPE_LED_CONTROLLER || model == ZAN_DEVTYPE_LAMP_CONTROLLER2;
             return framed ? ValueRange{1, 3} : ValueRange{0, 9};
         },
         "GetChannel", "SetChannel", GetByPointer<unsigned char, &CZanLCosCtrl::GetChannel>,
         SetAs<unsigned char, &CZanLCosCtrl::SetChannel>},
        {"filter-pos", "the filter (colour-wheel) position of a colour channel", "channel",
         kChannels, "",
         [](int, uint16_t) {
             return ValueRange{0, 999};
         },
         "GetFilterPos", "SetFilterPos", GetByPointer<unsigned short, &CZanLCosCtrl::GetFilterPos>,
         SetAs<unsigned short, &CZanLCosCtrl::SetFilterPos>},
        {"wobble", "wobble item 1: on (1) or off (0); item 2: the wobble value", "item", kTwo, "",
         [](int index, uint16_t) {
             return index == 1 ? ValueRange{0, 1} : ValueRange{0, 359};
         },
         "GetWobbleData", "SetWobbleData", GetByReference<&CZanLCosCtrl::GetWobbleData>,
         SetAs<unsigned short, &CZanLCosCtrl::SetWobbleData>},
        {"position", "stored position 1 or 2", "index", kTwo, "",
         [](int, uint16_t) {
             return ValueRange{0, 9999};
         },
         "GetPosition", "SetPosition", GetByPointer<unsigned short, &CZanLCosCtrl::GetPosition>,
         SetAs<unsigned short, &CZanLCosCtrl::SetPosition>},
        {"image-pos", "image adjustment item 1 or 2", "item", kTwo, "",
         [](int, uint16_t model) {
             // The LED and lamp controller 2 take decimal values up to 511, the panels 1023.
             const bool decimal =
                 model == ZAN_DEVTYPE_LED_CONTROLLER || model == ZAN_DEVTYPE_LAMP_CONTROLLER2;
             return decimal ? ValueRange{0, 511} : ValueRange{0, 1023};
         },
         "GetImagePos", "SetImagePos", GetByReference<&CZanLCosCtrl::GetImagePos>,
         SetAs<unsigned short, &CZanLCosCtrl::SetImagePos>},
    };
    return settings;
}

} // namespace qlcos::tool
