#include "sim/frame_control_sim.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace qlcos::sim {

namespace {

constexpr std::chrono::milliseconds kTimeUnit{10}; // shutter and interval times count in 10 ms
constexpr int kGammaMax = 0xFFF;
constexpr int kInputs = 10;

} // namespace

FrameControlSim::FrameControlSim(char modelLetter, const char* identity, const char* serialPrefix,
                                 const ImageAdjustFormat& imageAdjust)
    : FramedProtocolSim(modelLetter), m_State{}, m_ImageAdjust(imageAdjust)
{
    using S = FrameControlState;
    // clang-format off
    static const Command<FrameControlSim> kCommands[] = {
        {'3', "Expose",          1,                 &FrameControlSim::Expose},
        {'B', "GetShutterTime",  1,                 &FrameControlSim::ReadChannel<&S::Shutter, 4>},
        {'F', "GetSerialCode",   1,                 &FrameControlSim::GetSerialCode},
        {'H', "GetIntervalTime", 1,                 &FrameControlSim::ReadIndex<&S::Interval, 3>},
        {'R', "SetShutterTime",  5,                 &FrameControlSim::WriteChannel<&S::Shutter, 4>},
        {'U', "SetIntervalTime", 4,                 &FrameControlSim::WriteIndex<&S::Interval, 3>},
        {'q', "SetSerialCode",   1 + kSerialLength, &FrameControlSim::SetSerialCode},
        {'r', "FormatData",      1,                 &FrameControlSim::FormatData},
        {'s', "DataOperator",    5,                 &FrameControlSim::DataOperator},
        {'t', "SetImageAdjust",  4,                 &FrameControlSim::SetImageAdjust},
        {'u', "GetImageAdjust",  1,                 &FrameControlSim::GetImageAdjust},
    };
    // clang-format on
    AddCommands(kCommands);

    const uint16_t shutter[] = {10, 20, 30};
    const uint16_t interval[] = {5, 6, 7, 8};
    std::copy(std::begin(shutter), std::end(shutter), m_State.Shutter);
    std::copy(std::begin(interval), std::end(interval), m_State.Interval);
    const int numberDigits = static_cast<int>(kSerialLength - strnlen(serialPrefix, kSerialLength));
    for (int i = 0; i < 3; ++i) {
        m_State.Brightness[i] = 50;
        m_State.Channel[i] = static_cast<uint8_t>(i + 1);
        CopySerial(m_State.Serial[i], (serialPrefix + Decimal(i + 1, numberDigits)).c_str());
    }
    std::fill(std::begin(m_State.Store), std::end(m_State.Store), uint8_t{0xFF});
    SetIdentity(identity);
}

FrameControlSim::~FrameControlSim() { Stop(); }

void FrameControlSim::SetState(const FrameControlState& state)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_State = state;
    for (int i = 0; i < 3; ++i) CopySerial(m_State.Serial[i], state.Serial[i]);
    for (auto& table : m_State.Gamma) {
        for (uint16_t& v : table) v = static_cast<uint16_t>(std::min<int>(v, kGammaMax));
    }
}

FrameControlState FrameControlSim::State() const
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    return m_State;
}

void FrameControlSim::CopySerial(char (&to)[17], const char* from)
{
    const size_t n = strnlen(from, kSerialLength);
    std::memmove(to, from, n);
    std::memset(to + n, ' ', kSerialLength - n);
    to[kSerialLength] = '\0';
}

bool FrameControlSim::Slot(const Params& p, char first, int count, int& slot)
{
    slot = p[0] - first;
    return slot >= 0 && slot < count;
}

// ---- Jobs --------------------------------------------------------------------------------

void FrameControlSim::StartJob(Ms duration, Ms moving, int kind)
{
    m_Job.Running = true;
    m_Job.Kind = kind;
    m_Job.Start = Clock::now();
    m_Job.MovingUntil = m_Job.Start + Scaled(std::min(moving, duration));
    m_Job.End = m_Job.Start + Scaled(duration);
}

bool FrameControlSim::JobFraction(double& fraction) const
{
    return JobFractionAt(Clock::now(), fraction);
}

bool FrameControlSim::JobFractionAt(Clock::time_point now, double& fraction) const
{
    if (!m_Job.Running || now >= m_Job.End) return false;
    fraction = std::chrono::duration<double>(now - m_Job.Start) /
               std::chrono::duration<double>(m_Job.End - m_Job.Start);
    fraction = std::clamp(fraction, 0.0, 0.999);
    return true;
}

char FrameControlSim::CurrentStatus(char& progress)
{
    const auto now = Clock::now();
    double fraction = 0;
    if (!JobFractionAt(now, fraction)) {
        m_Job.Running = false;
        progress = '0';
        return kStatusIdle;
    }
    progress = static_cast<char>('0' + static_cast<int>(fraction * 10));
    return now < m_Job.MovingUntil ? kStatusMoving : kStatusBusy;
}

// ---- Commands ----------------------------------------------------------------------------

FrameControlSim::Refusal FrameControlSim::Expose(const Params& p, std::string&)
{
    // Channels 1..3 expose for their shutter time, 4 and 5 for interval time 1 or 2; any
    // other channel is accepted and finishes at once.
    const int channel = p[0] - '0';
    int units = 0;
    if (channel >= 1 && channel <= 3)
        units = m_State.Shutter[channel - 1];
    else if (channel == 4 || channel == 5)
        units = m_State.Interval[channel - 4];
    ++m_State.Exposures;
    m_State.LastExposeChannel = channel;
    StartJob(kTimeUnit * units);
    return Refusal::None;
}

FrameControlSim::Refusal FrameControlSim::GetSerialCode(const Params& p, std::string& data)
{
    // The 16 characters, then three more that the host does not take as part of the text.
    int slot = 0;
    if (!Slot(p, '0', 3, slot)) return Refusal::OutOfRange;
    data.assign(m_State.Serial[slot], kSerialLength);
    data += "000";
    return Refusal::None;
}

FrameControlSim::Refusal FrameControlSim::SetSerialCode(const Params& p, std::string&)
{
    int slot = 0;
    if (!Slot(p, '0', 3, slot)) return Refusal::OutOfRange;
    std::copy(p.begin() + 1, p.end(), m_State.Serial[slot]); // the 16 characters as they are
    m_State.Serial[slot][kSerialLength] = '\0';
    return Refusal::None;
}

FrameControlSim::Refusal FrameControlSim::GetImageAdjust(const Params& p, std::string& data)
{
    int slot = 0;
    if (!Slot(p, '0', 8, slot)) return Refusal::OutOfRange;
    const uint16_t value = m_State.ImageAdjust[slot];
    data = m_ImageAdjust.Base == 16 ? Hex(value, 3) : Decimal(value, 3);
    return Refusal::None;
}

FrameControlSim::Refusal FrameControlSim::SetImageAdjust(const Params& p, std::string&)
{
    int slot = 0, value = 0;
    if (!Slot(p, '0', 8, slot)) return Refusal::OutOfRange;
    const bool parsed =
        m_ImageAdjust.Base == 16 ? ParseHex(p, 1, 3, value) : ParseDecimal(p, 1, 3, value);
    if (!parsed) return Refusal::Malformed;
    if (value > m_ImageAdjust.Max[slot]) return Refusal::OutOfRange;
    m_State.ImageAdjust[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

FrameControlSim::Refusal FrameControlSim::FormatData(const Params&, std::string&)
{
    std::fill(std::begin(m_State.Store), std::end(m_State.Store), uint8_t{0xFF});
    return Refusal::None;
}

FrameControlSim::Refusal FrameControlSim::DataOperator(const Params& p, std::string& data)
{
    // Operation, address as 2 hexadecimal digits, data as 2 hexadecimal digits.
    // Operation 3 writes; every operation answers the addressed byte and "00".
    int address = 0, value = 0;
    if (!ParseHex(p, 1, 2, address) || !ParseHex(p, 3, 2, value)) return Refusal::Malformed;
    if (p[0] == '3') m_State.Store[address] = static_cast<uint8_t>(value);
    data = Hex(m_State.Store[address], 2) + "00";
    return Refusal::None;
}

FrameControlSim::Refusal FrameControlSim::SetChannel(const Params& p, std::string&)
{
    int slot = 0;
    const int value = p[1] - '0';
    if (!Slot(p, '1', 3, slot) || value < 1 || value > 3) return Refusal::OutOfRange;
    m_State.Channel[slot] = static_cast<uint8_t>(value);
    return Refusal::None;
}

FrameControlSim::Refusal FrameControlSim::InputSelect(const Params& p, std::string&)
{
    int slot = 0;
    if (!Slot(p, '0', kInputs, slot)) return Refusal::OutOfRange;
    m_State.Input = static_cast<uint8_t>(slot + 1);
    return Refusal::None;
}

FrameControlSim::Refusal FrameControlSim::SetLedLevel(const Params& p, int count)
{
    int slot = 0, level = 0;
    if (!Slot(p, '0', count, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 2, level)) return Refusal::Malformed;
    m_State.LedLevel[slot] = static_cast<uint8_t>(level);
    return Refusal::None;
}

} // namespace qlcos::sim
