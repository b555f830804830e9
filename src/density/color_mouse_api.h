// The colour-mouse maker's library as this library calls it: the eleven functions' types,
// their exported names, the record size and the codes passed to it. The stand-in includes it.
#pragma once

#include <cstddef>
#include <cstdint>

// The maker's functions use the Windows standard calling convention; elsewhere the default.
#if defined(_WIN32)
#define QLCOS_CSD_CALL __stdcall
#else
#define QLCOS_CSD_CALL
#endif

namespace qlcos::density {

// Every function answers 0 for success. Record arguments point to caller-owned areas of
// kCsdRecordBytes bytes whose layout belongs to the library.
extern "C" {
// Prepares the library; the result is not relied on.
typedef int(QLCOS_CSD_CALL* PFN_CSDOpen)();
// (reserved 0, port number): 0 when the device is ready.
typedef int(QLCOS_CSD_CALL* PFN_CSDInit)(int reserved, int port);
// Ends the session begun by CSDOpen; the result is not relied on.
typedef int(QLCOS_CSD_CALL* PFN_CSDClose)();
// Sound number (0 is the greeting).
typedef int(QLCOS_CSD_CALL* PFN_CSDPlaySound)(int sound);
// A measurement data selector (kCsdMesDataFirst, then kCsdMesDataSecond).
typedef int(QLCOS_CSD_CALL* PFN_CSDSetMesData)(int selector);
// The white point code (kCsdWhitePoint).
typedef int(QLCOS_CSD_CALL* PFN_CSDSetWhitePoint)(uint32_t whitePoint);
// Writes the button state (nonzero: pressed) to the byte; it holds it only when 0 is answered.
typedef int(QLCOS_CSD_CALL* PFN_CSDButtonPressed)(unsigned char* state);
// Measures into the measurement record.
typedef int(QLCOS_CSD_CALL* PFN_CSDMeasure)(void* measurement);
// (measurement record, converted record, target code, conversion mode): converts a
// measurement; with kCsdConvertDensity the converted record holds densities as floats.
typedef int(QLCOS_CSD_CALL* PFN_CSCCConvertMeas)(void* measurement, void* converted,
                                                 uint32_t target, uint32_t mode);
// Calibrates on the black or the white reference; the area is the library's scratch record.
typedef int(QLCOS_CSD_CALL* PFN_CSDCalibrateBlack)(void* area);
typedef int(QLCOS_CSD_CALL* PFN_CSDCalibrateWhite)(void* area);
}

// clang-format off
constexpr size_t   kCsdRecordBytes    = 128;        // every record handed to the library
constexpr uint32_t kCsdConvertDensity = 0x44656E73; // 'Dens': convert to densities
constexpr uint32_t kCsdConvertMode    = 0x10000003; // the conversion mode used with it
constexpr uint32_t kCsdWhitePoint     = 0x10000005; // the white point set after opening
constexpr int      kCsdMesDataFirst   = 4;          // measurement data selectors, in order
constexpr int      kCsdMesDataSecond  = 1;
constexpr int      kCsdSoundOpen      = 0;          // the sound played when the device opens
// Byte offsets of the densities (32-bit floats) in a record converted to densities.
constexpr size_t   kCsdYellowOffset   = 4;
constexpr size_t   kCsdMagentaOffset  = 8;
constexpr size_t   kCsdCyanOffset     = 12;
// clang-format on

} // namespace qlcos::density
