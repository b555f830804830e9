// The stand-in colour mouse's exported functions: the maker's eleven, with the signatures the
// library calls them with, and the control functions; each forwards to the one device.
#include "density/color_mouse_api.h"
#include "sim/colormouse/stand_in_control.h"
#include "sim/colormouse/stand_in_device.h"

#include <type_traits>

#if defined(_WIN32)
#define CSD_EXPORT extern "C" __declspec(dllexport)
#else
#define CSD_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using qlcos::sim::StandInDevice;

namespace {
StandInDevice& Device() { return StandInDevice::Instance(); }
} // namespace

// clang-format off
CSD_EXPORT int QLCOS_CSD_CALL CSDOpen() { return Device().Open(); }
CSD_EXPORT int QLCOS_CSD_CALL CSDInit(int reserved, int port) { return Device().Init(reserved, port); }
CSD_EXPORT int QLCOS_CSD_CALL CSDClose() { return Device().Close(); }
CSD_EXPORT int QLCOS_CSD_CALL CSDPlaySound(int sound) { return Device().PlaySound(sound); }
CSD_EXPORT int QLCOS_CSD_CALL CSDSetMesData(int selector) { return Device().SetMesData(selector); }
CSD_EXPORT int QLCOS_CSD_CALL CSDSetWhitePoint(uint32_t whitePoint) { return Device().SetWhitePoint(whitePoint); }
CSD_EXPORT int QLCOS_CSD_CALL CSDButtonPressed(unsigned char* state) { return Device().ButtonPressed(state); }
CSD_EXPORT int QLCOS_CSD_CALL CSDMeasure(void* measurement) { return Device().Measure(measurement); }
CSD_EXPORT int QLCOS_CSD_CALL CSCCConvertMeas(void* measurement, void* converted, uint32_t target, uint32_t mode)
{
    return Device().ConvertMeas(measurement, converted, target, mode);
}
CSD_EXPORT int QLCOS_CSD_CALL CSDCalibrateBlack(void* area) { return Device().CalibrateBlack(area); }
CSD_EXPORT int QLCOS_CSD_CALL CSDCalibrateWhite(void* area) { return Device().CalibrateWhite(area); }

CSD_EXPORT void CSDStandInReset() { Device().Reset(); }
CSD_EXPORT void CSDStandInPress(float c, float m, float y) { Device().Press(c, m, y); }
CSD_EXPORT void CSDStandInSetReading(float c, float m, float y) { Device().SetReading(c, m, y); }
CSD_EXPORT void CSDStandInSetPorts(int first, int last) { Device().SetPorts(first, last); }
CSD_EXPORT void CSDStandInSetFault(int fault, int result) { Device().SetFault(fault, result); }
CSD_EXPORT int CSDStandInCalls(char* buffer, int size) { return Device().Calls(buffer, size); }
CSD_EXPORT int CSDStandInCount(int what) { return Device().Count(what); }
CSD_EXPORT int CSDStandInWaitForPress(int timeoutMs) { return Device().WaitForPress(timeoutMs); }
// clang-format on

// Both sides agree on every signature.
namespace density = qlcos::density;
namespace sim = qlcos::sim;
// clang-format off
static_assert(std::is_same_v<decltype(&CSDOpen),           density::PFN_CSDOpen>);
static_assert(std::is_same_v<decltype(&CSDInit),           density::PFN_CSDInit>);
static_assert(std::is_same_v<decltype(&CSDClose),          density::PFN_CSDClose>);
static_assert(std::is_same_v<decltype(&CSDPlaySound),      density::PFN_CSDPlaySound>);
static_assert(std::is_same_v<decltype(&CSDSetMesData),     density::PFN_CSDSetMesData>);
static_assert(std::is_same_v<decltype(&CSDSetWhitePoint),  density::PFN_CSDSetWhitePoint>);
static_assert(std::is_same_v<decltype(&CSDButtonPressed),  density::PFN_CSDButtonPressed>);
static_assert(std::is_same_v<decltype(&CSDMeasure),        density::PFN_CSDMeasure>);
static_assert(std::is_same_v<decltype(&CSCCConvertMeas),   density::PFN_CSCCConvertMeas>);
static_assert(std::is_same_v<decltype(&CSDCalibrateBlack), density::PFN_CSDCalibrateBlack>);
static_assert(std::is_same_v<decltype(&CSDCalibrateWhite), density::PFN_CSDCalibrateWhite>);
static_assert(std::is_same_v<decltype(&CSDStandInReset),        sim::PFN_CSDStandInReset>);
static_assert(std::is_same_v<decltype(&CSDStandInPress),        sim::PFN_CSDStandInPress>);
static_assert(std::is_same_v<decltype(&CSDStandInSetReading),   sim::PFN_CSDStandInSetReading>);
static_assert(std::is_same_v<decltype(&CSDStandInSetPorts),     sim::PFN_CSDStandInSetPorts>);
static_assert(std::is_same_v<decltype(&CSDStandInSetFault),     sim::PFN_CSDStandInSetFault>);
static_assert(std::is_same_v<decltype(&CSDStandInCalls),        sim::PFN_CSDStandInCalls>);
static_assert(std::is_same_v<decltype(&CSDStandInCount),        sim::PFN_CSDStandInCount>);
static_assert(std::is_same_v<decltype(&CSDStandInWaitForPress), sim::PFN_CSDStandInWaitForPress>);
// clang-format on
