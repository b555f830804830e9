// The driver operations the reply fuzzer runs: one operation per call, chosen by the input,
// with arguments from the input (in range and out of it).
#pragma once

#include "qlcos/exposure.h"

#include <cstdint>

namespace qlcos::fuzz {

// Three input bytes: which operation, and two argument bytes.
struct Operation {
    uint8_t Which;
    uint8_t A;
    uint8_t B;
    uint16_t Word() const { return static_cast<uint16_t>(A << 8 | B); }
};

ZanResult RunOperation(CQLampControl2& driver, const Operation& op);
ZanResult RunOperation(CQLEDControl& driver, const Operation& op);
ZanResult RunOperation(CQLCDControl& driver, const Operation& op);
ZanResult RunOperation(CQLDDControl& driver, const Operation& op);
ZanResult RunOperation(CQLampControl& driver, const Operation& op);

} // namespace qlcos::fuzz
