// Names the diagnostics give the controller models (result texts, why Create failed).
#pragma once

#include <cstdint>

namespace qlcos::device {

// "LDD controller", "lamp controller 2", ... for a light-engine DeviceType; "controller"
// for a number that names no model.
const char* ControllerModelName(uint16_t deviceType);

} // namespace qlcos::device
