#include "sim/framed_model_sim.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace qlcos::sim {

namespace {

constexpr std::chrono::milliseconds kTimeUnit{10}; // shutter and interval times count in 10 ms

} // namespace

FramedModelSim::FramedModelSim(char modelLetter, const char* identity, const char* serialPrefix,
                               const ImageAdjustFormat& imageAdjust)
    : FramedControllerSim(modelLetter), common_{}, levels_{}, imageAdjust_(imageAdjust)
{
    const uint16_t shutter[] = {10, 20, 30};
    const uint16_t interval[] = {5, 6, 7, 8};
    std::copy(std::begin(shutter), std::end(shutter), common_.shutter);
    std::copy(std::begin(interval), std::end(interval), common_.interval);
    const int numberDigits = static_cast<int>(kSerialLength - strnlen(serialPrefix, kSerialLength));
    for (int i = 0; i < 3; ++i) {
        levels_.brightness[i] = 50;
        levels_.channel[i] = static_cast<uint8_t>(i + 1);
        CopySerial(common_.serial[i], (serialPrefix + Decimal(i + 1, numberDigits)).c_str());
    }
    SetIdentity(identity);
}

FramedModelSim::~FramedModelSim() { Stop(); }

void FramedModelSim::Conclude(Refusal refusal, std::string& data, char& e1, char& e2)
{
    if (refusal != Refusal::None) data.clear();
    SetErrorDigits(refusal, e1, e2);
}

void FramedModelSim::CopySerial(char (&to)[17], const char* from)
{
    const size_t n = strnlen(from, kSerialLength);
    std::memmove(to, from, n);
    std::memset(to + n, ' ', kSerialLength - n);
    to[kSerialLength] = '\0';
}

void FramedModelSim::CommonLocked(FramedCommonState& snapshot) const
{
    snapshot = common_;
    std::copy(store_.begin(), store_.end(), snapshot.store);
}

void FramedModelSim::SetCommonLocked(const FramedCommonState& state)
{
    common_ = state;
    for (int i = 0; i < 3; ++i) CopySerial(common_.serial[i], state.serial[i]);
    std::copy(std::begin(state.store), std::end(state.store), store_.begin());
}

bool FramedModelSim::ChannelSlot(const Params& p, int& slot)
{
    const int channel = p[0] - '0';
    slot = channel - 1;
    return channel >= 1 && channel <= 3;
}

bool FramedModelSim::IndexSlot(const Params& p, int count, int& slot)
{
    slot = p[0] - '0';
    return slot >= 0 && slot < count;
}

// ---- Jobs --------------------------------------------------------------------------------

void FramedModelSim::StartJob(Ms duration, Ms moving, int kind)
{
    job_.running = true;
    job_.kind = kind;
    job_.start = Clock::now();
    job_.movingUntil = job_.start + Scaled(std::min(moving, duration));
    job_.end = job_.start + Scaled(duration);
}

bool FramedModelSim::JobFraction(double& fraction) const
{
    return JobFractionAt(Clock::now(), fraction);
}

bool FramedModelSim::JobFractionAt(Clock::time_point now, double& fraction) const
{
    if (!job_.running || now >= job_.end) return false;
    fraction = std::chrono::duration<double>(now - job_.start) /
               std::chrono::duration<double>(job_.end - job_.start);
    fraction = std::clamp(fraction, 0.0, 0.999);
    return true;
}

char FramedModelSim::CurrentStatus(char& progress)
{
    const auto now = Clock::now();
    double fraction = 0;
    if (!JobFractionAt(now, fraction)) {
        job_.running = false;
        progress = '0';
        return kStatusIdle;
    }
    progress = static_cast<char>('0' + static_cast<int>(fraction * 10));
    return now < job_.movingUntil ? kStatusMoving : kStatusBusy;
}

// ---- Commands ----------------------------------------------------------------------------

FramedModelSim::Refusal FramedModelSim::Expose(const Params& p, std::string&)
{
    // Channels 1..3 expose for their shutter time, 4 and 5 for interval time 1 or 2; any
    // other channel is accepted and finishes at once.
    const int channel = p[0] - '0';
    int units = 0;
    if (channel >= 1 && channel <= 3)
        units = common_.shutter[channel - 1];
    else if (channel == 4 || channel == 5)
        units = common_.interval[channel - 4];
    ++common_.exposures;
    common_.lastExposeChannel = channel;
    StartJob(kTimeUnit * units);
    return Refusal::None;
}

FramedModelSim::Refusal FramedModelSim::GetShutterTime(const Params& p, std::string& data)
{
    int slot = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    data = Decimal(common_.shutter[slot], 4);
    return Refusal::None;
}

FramedModelSim::Refusal FramedModelSim::SetShutterTime(const Params& p, std::string&)
{
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 4, value)) return Refusal::Malformed;
    common_.shutter[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

FramedModelSim::Refusal FramedModelSim::GetIntervalTime(const Params& p, std::string& data)
{
    int slot = 0;
    if (!IndexSlot(p, 4, slot)) return Refusal::OutOfRange;
    data = Decimal(common_.interval[slot], 3);
    return Refusal::None;
}

FramedModelSim::Refusal FramedModelSim::SetIntervalTime(const Params& p, std::string&)
{
    int slot = 0, value = 0;
    if (!IndexSlot(p, 4, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 3, value)) return Refusal::Malformed;
    common_.interval[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

FramedModelSim::Refusal FramedModelSim::GetSerialCode(const Params& p, std::string& data)
{
    // The 16 characters, then three more that the host does not take as part of the text.
    int slot = 0;
    if (!IndexSlot(p, 3, slot)) return Refusal::OutOfRange;
    data.assign(common_.serial[slot], kSerialLength);
    data += "000";
    return Refusal::None;
}

FramedModelSim::Refusal FramedModelSim::SetSerialCode(const Params& p, std::string&)
{
    int slot = 0;
    if (!IndexSlot(p, 3, slot)) return Refusal::OutOfRange;
    std::copy(p.begin() + 1, p.end(), common_.serial[slot]); // the 16 characters as they are
    common_.serial[slot][kSerialLength] = '\0';
    return Refusal::None;
}

FramedModelSim::Refusal FramedModelSim::GetImageAdjust(const Params& p, std::string& data)
{
    int slot = 0;
    if (!IndexSlot(p, 8, slot)) return Refusal::OutOfRange;
    const uint16_t value = common_.imageAdjust[slot];
    data = imageAdjust_.base == 16 ? Hex(value, 3) : Decimal(value, 3);
    return Refusal::None;
}

FramedModelSim::Refusal FramedModelSim::SetImageAdjust(const Params& p, std::string&)
{
    int slot = 0, value = 0;
    if (!IndexSlot(p, 8, slot)) return Refusal::OutOfRange;
    const bool parsed =
        imageAdjust_.base == 16 ? ParseHex(p, 1, 3, value) : ParseDecimal(p, 1, 3, value);
    if (!parsed) return Refusal::Malformed;
    if (value > imageAdjust_.max[slot]) return Refusal::OutOfRange;
    common_.imageAdjust[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

FramedModelSim::Refusal FramedModelSim::GetBrightness(const Params& p, std::string& data)
{
    int slot = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    data = Decimal(levels_.brightness[slot], 2);
    return Refusal::None;
}

FramedModelSim::Refusal FramedModelSim::SetBrightness(const Params& p, std::string&)
{
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 2, value)) return Refusal::Malformed;
    levels_.brightness[slot] = static_cast<uint8_t>(value);
    return Refusal::None;
}

FramedModelSim::Refusal FramedModelSim::GetChannel(const Params& p, std::string& data)
{
    int slot = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    data = Decimal(levels_.channel[slot], 1);
    return Refusal::None;
}

FramedModelSim::Refusal FramedModelSim::SetChannel(const Params& p, std::string&)
{
    int slot = 0;
    const int value = p[1] - '0';
    if (!ChannelSlot(p, slot) || value < 1 || value > 3) return Refusal::OutOfRange;
    levels_.channel[slot] = static_cast<uint8_t>(value);
    return Refusal::None;
}

} // namespace qlcos::sim
