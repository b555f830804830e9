// A line with no controller on it: answers nothing, and logs every request a host sends,
// each frame starting at its STX, so that a test can see which models a host tried.
#pragma once

#include "sim/pty_device.h"

#include <vector>

namespace qlcos::sim {

class SilentLineSim : public PtyDevice {
public:
    ~SilentLineSim() override;

protected:
    void OnBytes(const uint8_t* data, size_t n) override;
};

} // namespace qlcos::sim
