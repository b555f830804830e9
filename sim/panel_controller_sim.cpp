#include "panel_controller_sim.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

namespace qlsim {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kTimeUnit{10};  // shutter and interval times count in 10 ms
constexpr milliseconds kShutterTime{100};
constexpr milliseconds kWobbleControlTime{200};
constexpr size_t kSerialLength = 16;
constexpr int kWobbleMax = 359;
constexpr int kGammaDigits = 3;
constexpr int kGammaMax = 0xFFF;
constexpr int kUniformDigits = 2;
// Upper limits of the image-adjust items 1..8.
constexpr int kImageAdjustMax[8] = {1023, 1023, 24, 24, 1023, 1023, 1, 1};
// The host's bytes are taken in slices of at most this, so that a long wait stays responsive.
constexpr milliseconds kPacingSlice{50};

void CopySerial(char (&to)[17], const char* from) {
    size_t n = strnlen(from, kSerialLength);
    std::memcpy(to, from, n);
    std::memset(to + n, ' ', kSerialLength - n);
    to[kSerialLength] = '\0';
}

}  // namespace

const PanelControllerSim::Entry* PanelControllerSim::FindCommand(unsigned char letter) {
    constexpr size_t kVariable = Entry::kVariable;
    constexpr size_t kGammaParams = 1 + PanelState::kGammaValues * kGammaDigits;
    constexpr size_t kUniformParams = 1 + PanelState::kUniformBytes * kUniformDigits;
    static const Entry kCommands[] = {
        {'3', "Expose", 1, &PanelControllerSim::Expose},
        {'4', "ShutterControl", 1, &PanelControllerSim::ShutterControl},
        {'6', "WobbleControl", 1, &PanelControllerSim::WobbleControl},
        {'B', "GetShutterTime", 1, &PanelControllerSim::GetShutterTime},
        {'F', "GetSerialCode", 1, &PanelControllerSim::GetSerialCode},
        {'G', "GetWobbleData", 1, &PanelControllerSim::GetWobbleData},
        {'H', "GetIntervalTime", 1, &PanelControllerSim::GetIntervalTime},
        {'R', "SetShutterTime", 5, &PanelControllerSim::SetShutterTime},
        {'U', "SetIntervalTime", 4, &PanelControllerSim::SetIntervalTime},
        {'V', "SetWobbleData", kVariable, &PanelControllerSim::SetWobbleData},
        {'a', "GetGammaData", 1, &PanelControllerSim::GetGammaData},
        {'b', "SetGammaData", kGammaParams, &PanelControllerSim::SetGammaData},
        {'c', "GetUniformData", 1, &PanelControllerSim::GetUniformData},
        {'d', "SetUniformData", kUniformParams, &PanelControllerSim::SetUniformData},
        {'e', "UniformData", 8, &PanelControllerSim::UniformData},
        {'q', "SetSerialCode", 1 + kSerialLength, &PanelControllerSim::SetSerialCode},
        {'t', "SetImageAdjust", 4, &PanelControllerSim::SetImageAdjust},
        {'u', "GetImageAdjust", 1, &PanelControllerSim::GetImageAdjust},
    };
    return Lookup(kCommands, letter);
}

PanelControllerSim::PanelControllerSim(char modelLetter, const char* identity)
    : FramedControllerSim(modelLetter), panel_{} {
    const uint16_t shutter[] = {10, 20, 30};
    const uint16_t interval[] = {5, 6, 7, 8};
    std::copy(std::begin(shutter), std::end(shutter), panel_.shutter);
    std::copy(std::begin(interval), std::end(interval), panel_.interval);
    for (int i = 0; i < 3; ++i) {
        char serial[kSerialLength + 1];
        std::snprintf(serial, sizeof serial, "SERIAL-%09d", i + 1);
        CopySerial(panel_.serial[i], serial);
    }
    // Distinct tables, so that a value read from the wrong place shows.
    for (int t = 0; t < PanelState::kGammaTables; ++t) {
        for (int k = 0; k < PanelState::kGammaValues; ++k)
            panel_.gamma[t][k] = static_cast<uint16_t>(k * 16 + t);
    }
    for (int t = 0; t < PanelState::kUniformTables; ++t) {
        for (int k = 0; k < PanelState::kUniformBytes; ++k)
            panel_.uniform[t][k] = static_cast<uint8_t>(k * 7 + t * 50);
    }
    panel_.wobble = 180;
    SetIdentity(identity);
}

PanelControllerSim::~PanelControllerSim() { Stop(); }

void PanelControllerSim::SetLineRate(int baud) {
    baud = std::max(baud, 0);
    SetPacing(baud);
    lineRate_ = baud;
}

PanelState PanelControllerSim::PanelLocked() const {
    PanelState snapshot = panel_;
    std::copy(store_.begin(), store_.end(), snapshot.store);
    return snapshot;
}

void PanelControllerSim::SetPanelLocked(const PanelState& state) {
    panel_ = state;
    for (int i = 0; i < 3; ++i) CopySerial(panel_.serial[i], state.serial[i]);
    for (auto& table : panel_.gamma) {
        for (uint16_t& v : table) v = static_cast<uint16_t>(std::min<int>(v, kGammaMax));
    }
    std::copy(std::begin(state.store), std::end(state.store), store_.begin());
}

bool PanelControllerSim::ChannelSlot(const Params& p, int& slot) {
    const int channel = p[0] - '0';
    slot = channel - 1;
    return channel >= 1 && channel <= 3;
}

bool PanelControllerSim::IndexSlot(const Params& p, int count, int& slot) {
    slot = p[0] - '0';
    return slot >= 0 && slot < count;
}

void PanelControllerSim::Handle(unsigned char command, const Params& params, std::string& data,
                                char& e1, char& e2) {
    Refusal refusal = Refusal::UnknownCommand;
    if (!HandleModel(command, params, data, refusal)) {
        if (const Entry* entry = FindCommand(command)) refusal = Run(*this, *entry, params, data);
    }
    if (refusal != Refusal::None) data.clear();
    SetErrorDigits(refusal, e1, e2);
}

const char* PanelControllerSim::CommandName(unsigned char command) const {
    if (const char* name = ModelCommandName(command)) return name;
    const Entry* entry = FindCommand(command);
    return entry != nullptr ? entry->name : FramedControllerSim::CommandName(command);
}

void PanelControllerSim::OnBytes(const uint8_t* data, size_t n) {
    const int baud = lineRate_;
    if (baud > 0) {
        // The bytes cross the line one after another, after those still on their way.
        const auto now = Clock::now();
        inputDoneAt_ = std::max(inputDoneAt_, now) +
                       std::chrono::microseconds(static_cast<int64_t>(n) * 10'000'000 / baud);
        while (Clock::now() < inputDoneAt_) {
            std::this_thread::sleep_for(
                std::min<Clock::duration>(kPacingSlice, inputDoneAt_ - Clock::now()));
        }
    }
    FramedControllerSim::OnBytes(data, n);
}

// ---- Jobs --------------------------------------------------------------------------------

void PanelControllerSim::StartJob(Ms duration, Ms moving) {
    job_.running = true;
    job_.start = Clock::now();
    job_.movingUntil = job_.start + Scaled(std::min(moving, duration));
    job_.end = job_.start + Scaled(duration);
}

char PanelControllerSim::CurrentStatus(char& progress) {
    const auto now = Clock::now();
    if (!job_.running || now >= job_.end) {
        job_.running = false;
        progress = '0';
        return kStatusIdle;
    }
    const double fraction = std::chrono::duration<double>(now - job_.start) /
                            std::chrono::duration<double>(job_.end - job_.start);
    progress = static_cast<char>('0' + static_cast<int>(std::clamp(fraction, 0.0, 0.999) * 10));
    return now < job_.movingUntil ? kStatusMoving : kStatusBusy;
}

// ---- Commands ----------------------------------------------------------------------------

PanelControllerSim::Refusal PanelControllerSim::Expose(const Params& p, std::string&) {
    // Channels 1..3 expose for their shutter time, 4 and 5 for interval time 1 or 2; any
    // other channel is accepted and finishes at once.
    const int channel = p[0] - '0';
    int units = 0;
    if (channel >= 1 && channel <= 3) units = panel_.shutter[channel - 1];
    else if (channel == 4 || channel == 5) units = panel_.interval[channel - 4];
    ++panel_.exposures;
    panel_.lastExposeChannel = channel;
    StartJob(kTimeUnit * units);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::ShutterControl(const Params& p, std::string&) {
    if (p[0] != '0' && p[0] != '1') return Refusal::OutOfRange;
    panel_.shutterOpen = p[0] == '0';
    StartJob(kShutterTime);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::WobbleControl(const Params& p, std::string&) {
    int slot = 0;
    if (!IndexSlot(p, 4, slot)) return Refusal::OutOfRange;
    panel_.wobbleAction = static_cast<uint8_t>(slot + 1);
    StartJob(kWobbleControlTime);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::GetShutterTime(const Params& p,
                                                               std::string& data) {
    int slot = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    data = Decimal(panel_.shutter[slot], 4);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::GetSerialCode(const Params& p,
                                                              std::string& data) {
    int slot = 0;
    if (!IndexSlot(p, 3, slot)) return Refusal::OutOfRange;
    data.assign(panel_.serial[slot], kSerialLength);
    data += "000";
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::GetWobbleData(const Params& p,
                                                              std::string& data) {
    // Item 1: '0' when the wobble is on, '1' when off; item 2: the value as 3 digits.
    int slot = 0;
    if (!IndexSlot(p, 2, slot)) return Refusal::OutOfRange;
    if (slot == 0) data = panel_.wobbleOn ? "0" : "1";
    else data = Decimal(panel_.wobble, 3);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::GetIntervalTime(const Params& p,
                                                                std::string& data) {
    int slot = 0;
    if (!IndexSlot(p, 4, slot)) return Refusal::OutOfRange;
    data = Decimal(panel_.interval[slot], 3);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::SetShutterTime(const Params& p, std::string&) {
    int slot = 0, value = 0;
    if (!ChannelSlot(p, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 4, value)) return Refusal::Malformed;
    panel_.shutter[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::SetIntervalTime(const Params& p, std::string&) {
    int slot = 0, value = 0;
    if (!IndexSlot(p, 4, slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, 3, value)) return Refusal::Malformed;
    panel_.interval[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::SetWobbleData(const Params& p, std::string&) {
    // Item 1: '0', then '0' on or '1' off. Item 2: '1', then the value as 3 digits.
    int slot = 0;
    if (!IndexSlot(p, 2, slot)) return Refusal::OutOfRange;
    if (slot == 0) {
        if (p.size() != 2) return Refusal::Malformed;
        if (p[1] != '0' && p[1] != '1') return Refusal::OutOfRange;
        panel_.wobbleOn = p[1] == '0';
        return Refusal::None;
    }
    int value = 0;
    if (p.size() != 4 || !ParseDecimal(p, 1, 3, value)) return Refusal::Malformed;
    if (value > kWobbleMax) return Refusal::OutOfRange;
    panel_.wobble = static_cast<uint16_t>(value);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::GetGammaData(const Params& p, std::string& data) {
    // Tables are numbered from 0: the parameter is '0' + table.
    int table = 0;
    if (!IndexSlot(p, PanelState::kGammaTables, table)) return Refusal::OutOfRange;
    data.reserve(PanelState::kGammaValues * kGammaDigits);
    for (uint16_t v : panel_.gamma[table]) data += Hex(v, kGammaDigits);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::SetGammaData(const Params& p, std::string&) {
    int table = 0;
    if (!IndexSlot(p, PanelState::kGammaTables, table)) return Refusal::OutOfRange;
    uint16_t values[PanelState::kGammaValues];
    for (int k = 0; k < PanelState::kGammaValues; ++k) {
        int v = 0;
        if (!ParseHex(p, 1 + static_cast<size_t>(k) * kGammaDigits, kGammaDigits, v))
            return Refusal::Malformed;
        values[k] = static_cast<uint16_t>(v);
    }
    std::copy(std::begin(values), std::end(values), panel_.gamma[table]);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::GetUniformData(const Params& p,
                                                               std::string& data) {
    int slot = 0;
    if (!IndexSlot(p, PanelState::kUniformTables, slot)) return Refusal::OutOfRange;
    data.reserve(PanelState::kUniformBytes * kUniformDigits);
    for (uint8_t b : panel_.uniform[slot]) data += Hex(b, kUniformDigits);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::SetUniformData(const Params& p, std::string&) {
    int slot = 0;
    if (!IndexSlot(p, PanelState::kUniformTables, slot)) return Refusal::OutOfRange;
    uint8_t bytes[PanelState::kUniformBytes];
    for (int k = 0; k < PanelState::kUniformBytes; ++k) {
        int v = 0;
        if (!ParseHex(p, 1 + static_cast<size_t>(k) * kUniformDigits, kUniformDigits, v))
            return Refusal::Malformed;
        bytes[k] = static_cast<uint8_t>(v);
    }
    std::copy(std::begin(bytes), std::end(bytes), panel_.uniform[slot]);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::UniformData(const Params& p, std::string& data) {
    // Operation '0' read or '1' write, table index, x and y as 2 decimal digits, the cell as
    // 2 hexadecimal digits. Both answer the table index, x, y and the cell's value.
    const int operation = p[0] - '0';
    const int slot = p[1] - '0';
    int x = 0, y = 0, value = 0;
    if (!ParseDecimal(p, 2, 2, x) || !ParseDecimal(p, 4, 2, y) || !ParseHex(p, 6, 2, value))
        return Refusal::Malformed;
    if ((operation != 0 && operation != 1) || slot < 0 || slot >= PanelState::kUniformTables ||
        x >= PanelState::kUniformColumns || y >= PanelState::kUniformRows)
        return Refusal::OutOfRange;
    uint8_t& cell = panel_.uniform[slot][y * PanelState::kUniformColumns + x];
    if (operation == 1) cell = static_cast<uint8_t>(value);
    data = std::string(1, static_cast<char>(p[1])) + Decimal(x, 2) + Decimal(y, 2) + Hex(cell, 2);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::SetSerialCode(const Params& p, std::string&) {
    int slot = 0;
    if (!IndexSlot(p, 3, slot)) return Refusal::OutOfRange;
    std::copy(p.begin() + 1, p.end(), panel_.serial[slot]);  // the 16 characters as they are
    panel_.serial[slot][kSerialLength] = '\0';
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::SetImageAdjust(const Params& p, std::string&) {
    int slot = 0, value = 0;
    if (!IndexSlot(p, 8, slot)) return Refusal::OutOfRange;
    if (!ParseHex(p, 1, 3, value)) return Refusal::Malformed;
    if (value > kImageAdjustMax[slot]) return Refusal::OutOfRange;
    panel_.imageAdjust[slot] = static_cast<uint16_t>(value);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::GetImageAdjust(const Params& p,
                                                               std::string& data) {
    int slot = 0;
    if (!IndexSlot(p, 8, slot)) return Refusal::OutOfRange;
    data = Hex(panel_.imageAdjust[slot], 3);
    return Refusal::None;
}

}  // namespace qlsim
