#include "sim/silent_line_sim.h"

namespace qlcos::sim {

namespace {
const uint8_t kStx = 0x02;
const size_t kMaxFrameBytes = 4096;
} // namespace

SilentLineSim::~SilentLineSim() { Stop(); }

void SilentLineSim::OnBytes(const uint8_t* data, size_t n)
{
    // A host writes each request whole, so a chunk ends a frame; an STX inside a chunk
    // starts the next one.
    std::vector<uint8_t> frame;
    for (size_t i = 0; i < n; ++i) {
        if (data[i] == kStx && !frame.empty()) {
            LogFrame(frame);
            frame.clear();
        }
        if (frame.size() < kMaxFrameBytes) frame.push_back(data[i]);
    }
    if (!frame.empty()) LogFrame(frame);
}

} // namespace qlcos::sim
