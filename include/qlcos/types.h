// Shared records, result codes, the text type and the platform types of QLCosCtrl.
#pragma once

#include <cstddef>
#include <cstdint>

// Export macro: every exported class and free function carries QLCOS_API.
#if defined(_WIN32)
#if defined(QLCOS_STATIC)
#define QLCOS_API // linked from the static archive (the test suites)
#elif defined(QLCOS_BUILDING)
#define QLCOS_API __declspec(dllexport)
#else
#define QLCOS_API __declspec(dllimport)
#endif
#else
#define QLCOS_API __attribute__((visibility("default")))
#endif

// Wide text is UTF-16 everywhere in the interface and in the records.
#if defined(_WIN32)
typedef wchar_t ZanWChar;
#define ZT(s) L##s
#else
typedef char16_t ZanWChar;
#define ZT(s) u##s
#endif

// A result word: 0 is success; a result is a failure when its low 16 bits are not 0.
typedef uint32_t ZanResult;

inline bool zanSucceeded(ZanResult r) { return (r & 0xFFFFu) == 0; }
inline bool zanFailed(ZanResult r) { return (r & 0xFFFFu) != 0; }

// Windows handle types; on POSIX they are opaque handles of the platform layer.
#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
struct ZanWindow;
typedef ZanWindow* HWND;
typedef void* HANDLE;
typedef uint32_t DWORD;
typedef int BOOL;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef unsigned int UINT;
struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
};
#endif

// The serial framework's port record: six signed 32-bit words.
struct tagZANSerialPortProperty {
    int32_t Port;      // port number, 1-based (COM1 is 1)
    int32_t Second;    // 0xFFFFFFFF in every property a virtual device accepts
    int32_t BaudRate;  // 9600 by default
    int32_t DataBits;  // 8 by default
    int32_t Reserved1; // 0 by default
    int32_t Reserved2; // 0 by default
};
static_assert(sizeof(tagZANSerialPortProperty) == 24, "port property is six 32-bit words");

// The creation record of a virtual device.
struct tagZanVirtualDeviceProperty {
    tagZANSerialPortProperty Port;
    uint16_t DeviceType;
    uint16_t FuserType;
};
static_assert(sizeof(tagZanVirtualDeviceProperty) == 28, "virtual device property is 28 bytes");
static_assert(offsetof(tagZanVirtualDeviceProperty, DeviceType) == 24,
              "DeviceType follows the port");
static_assert(offsetof(tagZanVirtualDeviceProperty, FuserType) == 26,
              "FuserType follows DeviceType");

// The status record of a virtual device: fault flag (0 or 0xFFFFFFFF) and the fault's result.
struct tagZanVirtualDeviceStatus {
    uint32_t Fault;
    ZanResult FaultCode;
    uint32_t Reserved[6];
};

// Light-engine device type numbers.
enum : uint16_t {
    ZAN_DEVTYPE_LAMP_CONTROLLER = 1,
    ZAN_DEVTYPE_LED_CONTROLLER = 2,
    ZAN_DEVTYPE_EMU_LAMP_CONTROLLER = 3,
    ZAN_DEVTYPE_LAMP_CONTROLLER2 = 4,
    ZAN_DEVTYPE_LCD_CONTROLLER = 5,
    ZAN_DEVTYPE_LDD_CONTROLLER = 6,
};

// Densitometer device type numbers.
enum : uint16_t {
    ZAN_DEVTYPE_XRITE5XX = 0x231,
    ZAN_DEVTYPE_COLOR_MOUSE = 0x232,
    ZAN_DEVTYPE_XRITE2XX = 0x233,
};

// One densitometer reading: the densities of the channels the instruments label V, C, M, Y.
struct tagDensityInfo {
    float Visual;
    float Cyan;
    float Magenta;
    float Yellow;
};
static_assert(sizeof(tagDensityInfo) == 16, "a reading is four 32-bit floats");

// Results of the serial device framework (passed through unchanged by the drivers).
enum : ZanResult {
    ZAN_COM_OK = 0,
    ZAN_COM_ERR_OPEN = 0x20000001,          // the port could not be opened or configured
    ZAN_COM_ERR_NOT_OPEN = 0x20000002,      // no port is open
    ZAN_COM_ERR_WRITE = 0x20000003,         // the line refused the bytes
    ZAN_COM_ERR_WRITE_TIMEOUT = 0x20000004, // the line did not take the bytes in time
    ZAN_COM_ERR_ARGUMENT = 0x20000005,      // null or malformed argument
    ZAN_COM_ERR_LINE_CLOSED = 0x20000006,   // the line hung up
    ZAN_COM_ERR_UNSUPPORTED = 0x20000007,   // operation not offered by this framework
    ZAN_COM_ERR_RESOURCE = 0x20000008,      // thread, event or memory could not be had
    ZAN_COM_ERR_ALREADY_OPEN = 0x20000009,  // Create on an object whose port is open
    ZAN_COM_ERR_NO_REPLY = 0x2000000A,      // the device sent nothing usable within the attempts
    ZAN_COM_ERR_REFUSED = 0x2000000B,       // the device refused every attempt (NAK)
    ZAN_COM_ERR_CANCELLED = 0x2000000C,     // Cancel (the device's Break) ended the wait
    ZAN_COM_ERR_IN_USE = 0x2000000D,        // the port is open already (this or another process)
};

// Texts of results and the trace's destination.
#include "qlcos/diagnostics.h"
