#include "sim/frame_cutter.h"

#include "sim/pty_device.h"

#include <utility>

namespace qlcos::sim {

namespace {

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;

} // namespace

FrameCutter::FrameCutter(size_t maxBytes, bool withBlockCheck, FrameHandler onFrame,
                         TraceSink trace)
    : m_MaxBytes(maxBytes),
      m_WithBlockCheck(withBlockCheck),
      m_OnFrame(std::move(onFrame)),
      m_Trace(std::move(trace))
{}

void FrameCutter::Feed(const uint8_t* data, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = data[i];
        switch (m_State) {
        case State::Idle:
            if (b == kStx)
                StartFrame();
            else
                m_Stray.push_back(b);
            break;
        case State::Body:
            if (b == kStx) {
                // A new frame starts before this one ended: the host gave up on it.
                m_Stray.insert(m_Stray.end(), m_Frame.begin(), m_Frame.end());
                FlushStray("incomplete frame");
                StartFrame();
                break;
            }
            m_Frame.push_back(b);
            if (b == kEtx) {
                if (m_WithBlockCheck)
                    m_State = State::BlockCheck;
                else
                    EndFrame();
            } else if (m_Frame.size() >= m_MaxBytes) {
                m_Trace("rx  frame longer than " + std::to_string(m_MaxBytes) + " bytes dropped");
                m_Frame.clear();
                m_State = State::Discard;
            }
            break;
        case State::BlockCheck:
            m_Frame.push_back(b);
            EndFrame();
            break;
        case State::Discard:
            // The rest of an overlong frame, up to its end or a new STX.
            if (b == kStx)
                StartFrame();
            else if (b == kEtx)
                m_State = m_WithBlockCheck ? State::SkipBlockCheck : State::Idle;
            break;
        case State::SkipBlockCheck: m_State = State::Idle; break;
        }
    }
    FlushStray("not in a frame");
}

void FrameCutter::StartFrame()
{
    FlushStray("not in a frame");
    m_Frame.assign(1, kStx);
    m_State = State::Body;
}

void FrameCutter::EndFrame()
{
    m_OnFrame(m_Frame);
    m_Frame.clear();
    m_State = State::Idle;
}

void FrameCutter::FlushStray(const char* why)
{
    if (m_Stray.empty()) return;
    m_Trace("rx  " + DescribeBytes(m_Stray.data(), m_Stray.size()) + "  ignored: " + why);
    m_Stray.clear();
}

} // namespace qlcos::sim
