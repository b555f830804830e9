// The texts of the results: a table of the fixed codes, and the controller drivers' codes
// (0x20MM00NN) composed once from the model names and the meanings of NN.
#include "device/result_text.h"
#include "qlcos/density.h"
#include "qlcos/exposure.h"
#include "exposure/model_table.h"

#include <array>
#include <cstdio>
#include <iterator>
#include <string>

namespace {

struct CodeText {
    ZanResult Code;
    const char* Text;
};

// clang-format off
const CodeText kCodeTexts[] = {
    {1,                           "failed: a required argument is null"},
    {ZAN_COM_ERR_OPEN,            "the port could not be opened or set up"},
    {ZAN_COM_ERR_NOT_OPEN,        "the port is not open"},
    {ZAN_COM_ERR_WRITE,           "writing to the line failed"},
    {ZAN_COM_ERR_WRITE_TIMEOUT,   "the line did not take the bytes in time"},
    {ZAN_COM_ERR_ARGUMENT,        "bad argument (null, malformed, or a setting the port does not offer)"},
    {ZAN_COM_ERR_LINE_CLOSED,     "the line hung up or failed"},
    {ZAN_COM_ERR_UNSUPPORTED,     "operation not offered by the serial framework"},
    {ZAN_COM_ERR_RESOURCE,        "out of resources (thread, event or memory)"},
    {ZAN_COM_ERR_ALREADY_OPEN,    "the port is already open"},
    {ZAN_COM_ERR_NO_REPLY,        "the device sent no usable answer"},
    {ZAN_COM_ERR_REFUSED,         "the device refused the command (NAK)"},
    {ZAN_COM_ERR_CANCELLED,       "cancelled (Break)"},
    {ZAN_COM_ERR_IN_USE,          "the port is in use"},
    {ZAN_LCOS_CREATE_FAILED,      "light engine: Create failed (the status description says why)"},
    {ZAN_LCOS_NO_DRIVER,          "light engine: no driver (Create has not succeeded, or Destroy has run)"},
    {ZAN_LCOS_ALREADY_CREATED,    "light engine: already created"},
    {ZAN_LCOS_BUSY,               "light engine: busy with another request"},
    {ZAN_LCOS_UNSUPPORTED,        "light engine: the controller model has no such operation"},
    {ZAN_LCOS_BAD_INDEX,          "light engine: index out of range"},
    {ZAN_DENSITY_CREATE_FAILED,   "densitometer: Create failed (the status description says why)"},
    {ZAN_DENSITY_NO_INSTRUMENT,   "densitometer: no instrument attached"},
    {ZAN_DENSITY_ALREADY_CREATED, "densitometer: already created"},
    {ZAN_DENSITY_BUSY,            "densitometer: busy with another request"},
    {ZAN_DENSITY_NO_THREAD,       "densitometer: the wait thread could not be started"},
    {ZAN_DENSITY_NO_READING,      "densitometer: no new reading"},
    {ZAN_DENSITY_NO_ANSWER,       "densitometer: the X-Rite 5xx did not answer its identification"},
    {ZAN_COLORMOUSE_NOT_OPEN,     "colour mouse: not open"},
    // The X-Rite 5xx and the colour mouse share the code.
    {ZAN_XRITE5XX_FAILED,         "X-Rite 5xx or colour mouse: the request failed"},
    {ZAN_XRITE5XX_NO_READING,     "X-Rite 5xx: no reading waits"},
    {ZAN_XRITE2XX_FAILED,         "X-Rite 2xx: the request failed"},
};
static_assert(ZanResult{ZAN_COLORMOUSE_FAILED} == ZanResult{ZAN_XRITE5XX_FAILED},
              "one text serves both");

// NN of the controller drivers' results 0x20MM00NN.
const CodeText kDriverTexts[] = {
    {QCTRL_TIMEOUT,        "the controller stayed busy for the whole wait"},
    {QCTRL_BAD_LENGTH,     "no reply, or a reply of the wrong length or form"},
    {QCTRL_WRONG_IDENTITY, "the identity text is not this model's"},
    {QCTRL_ERROR_01,       "controller error 01"},
    {QCTRL_ERROR_02,       "controller error 02, or an argument out of range"},
    {QCTRL_ERROR_03,       "controller error 03"},
    {QCTRL_ERROR_04,       "controller error 04"},
    {QCTRL_ERROR_11,       "controller error 11"},
    {QCTRL_ERROR_12,       "controller error 12"},
    {QCTRL_ERROR_13,       "controller error 13"},
    {QCTRL_ERROR_OTHER,    "other controller error"},
};

const struct {
    uint16_t DeviceType;
    const char* Name;
} kModelNames[] = {
    {ZAN_DEVTYPE_LDD_CONTROLLER,      "LDD controller"},
    {ZAN_DEVTYPE_LCD_CONTROLLER,      "LCD controller"},
    {ZAN_DEVTYPE_LAMP_CONTROLLER2,    "lamp controller 2"},
    {ZAN_DEVTYPE_LED_CONTROLLER,      "LED controller"},
    {ZAN_DEVTYPE_LAMP_CONTROLLER,     "lamp controller"},
    {ZAN_DEVTYPE_EMU_LAMP_CONTROLLER, "lamp controller emulator"},
};
// clang-format on

constexpr size_t kModelCount = std::size(qlcos::exposure::kModels);
constexpr size_t kDriverCodeCount = std::size(kDriverTexts);

// "LDD controller (0x39): controller error 01 (0x11)" for every model with codes of its own,
// and "unknown result of the LDD controller (0x39)" for an NN it does not use.
struct DriverTexts {
    std::array<std::array<std::string, kDriverCodeCount>, kModelCount> Known;
    std::array<std::string, kModelCount> Unknown;

    DriverTexts()
    {
        for (size_t m = 0; m < kModelCount; ++m) {
            const auto& model = qlcos::exposure::kModels[m];
            if (model.ModelByte == 0) continue;
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", model.ModelByte);
            const std::string name =
                std::string(qlcos::device::ControllerModelName(model.DeviceType)) + " (" + byte +
                ")";
            for (size_t n = 0; n < kDriverCodeCount; ++n) {
                char number[8];
                std::snprintf(number, sizeof number, "0x%02X", kDriverTexts[n].Code);
                Known[m][n] = name + ": " + kDriverTexts[n].Text + " (" + number + ")";
            }
            Unknown[m] = "unknown result of the " + name;
        }
    }
};

const DriverTexts& Drivers()
{
    static const DriverTexts texts;
    return texts;
}

// A code of a controller driver, 0x20MM00NN: its text, or the unknown text of its model.
const char* DriverText(ZanResult result)
{
    if ((result >> 24) != 0x20) return nullptr;
    const uint8_t byte = static_cast<uint8_t>(result >> 16);
    for (size_t m = 0; m < kModelCount; ++m) {
        if (byte == 0 || qlcos::exposure::kModels[m].ModelByte != byte) continue;
        if ((result & 0xFF00u) == 0) {
            for (size_t n = 0; n < kDriverCodeCount; ++n)
                if ((result & 0xFFu) == kDriverTexts[n].Code) return Drivers().Known[m][n].c_str();
        }
        return Drivers().Unknown[m].c_str();
    }
    return nullptr;
}

} // namespace

const char* qlcos::device::ControllerModelName(uint16_t deviceType)
{
    for (const auto& model : kModelNames)
        if (model.DeviceType == deviceType) return model.Name;
    return "controller";
}

const char* zanResultText(ZanResult result)
{
    if (result == 0) return "success";
    for (const CodeText& entry : kCodeTexts)
        if (entry.Code == result) return entry.Text;
    if (zanSucceeded(result)) return "success";
    if (const char* text = DriverText(result)) return text;
    switch (result >> 16) {
    case 0x2000: return "unknown result of the serial framework";
    case 0x2811: return "unknown result of the light-engine device";
    case 0x2900: return "unknown result of the density device";
    case 0x2079: return "unknown result of the X-Rite 5xx or colour mouse";
    case 0x2098: return "unknown result of the X-Rite 2xx";
    default: return "unknown result";
    }
}
