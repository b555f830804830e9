// The names of the six words of a serial-port property in its INI and XML forms.
#pragma once

#include "qlcos/types.h"

#include <cstdint>

namespace qlcos::config {

const int kWordCount = 6;

struct Word {
    const ZanWChar* Name; // INI key and XML attribute
    int32_t tagZANSerialPortProperty::*Member;
};

// In the order of the record's words.
extern const Word kWords[kWordCount];

} // namespace qlcos::config
