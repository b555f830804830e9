// Cuts requests out of the byte stream a host writes: each frame runs from STX to ETX,
// optionally followed by one block-check byte. Bytes outside any frame are passed over, an
// STX inside a frame starts a new one (the host gave up on the first), and a frame that
// grows beyond its limit without an ETX is dropped up to its end. Every byte passed over is
// described on the trace with the reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qlcos::sim {

class FrameCutter {
public:
    using FrameHandler = std::function<void(const std::vector<uint8_t>& frame)>;
    using TraceSink = std::function<void(const std::string& line)>;

    // `maxBytes` bounds a frame without its block check; `withBlockCheck`: one byte after
    // ETX belongs to the frame.
    FrameCutter(size_t maxBytes, bool withBlockCheck, FrameHandler onFrame, TraceSink trace);

    // Takes in bytes as they arrive; calls onFrame for every frame they complete.
    void Feed(const uint8_t* data, size_t n);

private:
    enum class State { Idle, Body, BlockCheck, Discard, SkipBlockCheck };

    void StartFrame();
    void EndFrame(); // hands the frame on and waits for the next
    void FlushStray(const char* why);

    const size_t m_MaxBytes;
    const bool m_WithBlockCheck;
    const FrameHandler m_OnFrame;
    const TraceSink m_Trace;

    State m_State = State::Idle;
    std::vector<uint8_t> m_Frame;
    std::vector<uint8_t> m_Stray; // bytes seen outside any frame, not yet traced
};

} // namespace qlcos::sim
