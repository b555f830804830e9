#include "sim/panel_controller_sim.h"

#include <algorithm>
#include <iterator>
#include <thread>

namespace qlcos::sim {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kShutterTime{100};
constexpr milliseconds kWobbleControlTime{200};
constexpr int kWobbleMax = 359;
constexpr int kGammaDigits = 3;
constexpr int kGammaMax = 0xFFF;
constexpr int kUniformDigits = 2;
// Image-adjust values in hexadecimal, with the upper limits of items 1..8.
constexpr ImageAdjustFormat kImageAdjust = {16, {1023, 1023, 24, 24, 1023, 1023, 1, 1}};
// The host's bytes are taken in slices of at most this, so that a long wait stays responsive.
constexpr milliseconds kPacingSlice{50};

} // namespace

const PanelControllerSim::Entry* PanelControllerSim::FindCommand(unsigned char letter)
{
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
    : FramedModelSim(modelLetter, identity, "SERIAL-", kImageAdjust), panel_{}
{
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
}

PanelControllerSim::~PanelControllerSim() { Stop(); }

void PanelControllerSim::SetLineRate(int baud)
{
    baud = std::max(baud, 0);
    SetPacing(baud);
    lineRate_ = baud;
}

PanelState PanelControllerSim::PanelLocked() const
{
    PanelState snapshot{};
    CommonLocked(snapshot);
    static_cast<PanelSettings&>(snapshot) = panel_;
    return snapshot;
}

void PanelControllerSim::SetPanelLocked(const PanelState& state)
{
    SetCommonLocked(state);
    panel_ = state;
    for (auto& table : panel_.gamma) {
        for (uint16_t& v : table) v = static_cast<uint16_t>(std::min<int>(v, kGammaMax));
    }
}

void PanelControllerSim::Handle(unsigned char command, const Params& params, std::string& data,
                                char& e1, char& e2)
{
    Refusal refusal = Refusal::UnknownCommand;
    if (!HandleModel(command, params, data, refusal))
        Run(*this, FindCommand(command), params, data, refusal);
    Conclude(refusal, data, e1, e2);
}

const char* PanelControllerSim::CommandName(unsigned char command) const
{
    if (const char* name = ModelCommandName(command)) return name;
    if (const char* name = NameOf(FindCommand(command))) return name;
    return FramedModelSim::CommandName(command);
}

void PanelControllerSim::OnBytes(const uint8_t* data, size_t n)
{
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

// ---- Commands ----------------------------------------------------------------------------

PanelControllerSim::Refusal PanelControllerSim::ShutterControl(const Params& p, std::string&)
{
    if (p[0] != '0' && p[0] != '1') return Refusal::OutOfRange;
    panel_.shutterOpen = p[0] == '0';
    StartJob(kShutterTime);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::WobbleControl(const Params& p, std::string&)
{
    int slot = 0;
    if (!IndexSlot(p, 4, slot)) return Refusal::OutOfRange;
    panel_.wobbleAction = static_cast<uint8_t>(slot + 1);
    StartJob(kWobbleControlTime);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::GetWobbleData(const Params& p, std::string& data)
{
    // Item 1: '0' when the wobble is on, '1' when off; item 2: the value as 3 digits.
    int slot = 0;
    if (!IndexSlot(p, 2, slot)) return Refusal::OutOfRange;
    if (slot == 0)
        data = panel_.wobbleOn ? "0" : "1";
    else
        data = Decimal(panel_.wobble, 3);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::SetWobbleData(const Params& p, std::string&)
{
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

PanelControllerSim::Refusal PanelControllerSim::GetGammaData(const Params& p, std::string& data)
{
    // Tables are numbered from 0: the parameter is '0' + table.
    int table = 0;
    if (!IndexSlot(p, PanelState::kGammaTables, table)) return Refusal::OutOfRange;
    data.reserve(PanelState::kGammaValues * kGammaDigits);
    for (uint16_t v : panel_.gamma[table]) data += Hex(v, kGammaDigits);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::SetGammaData(const Params& p, std::string&)
{
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

PanelControllerSim::Refusal PanelControllerSim::GetUniformData(const Params& p, std::string& data)
{
    int slot = 0;
    if (!IndexSlot(p, PanelState::kUniformTables, slot)) return Refusal::OutOfRange;
    data.reserve(PanelState::kUniformBytes * kUniformDigits);
    for (uint8_t b : panel_.uniform[slot]) data += Hex(b, kUniformDigits);
    return Refusal::None;
}

PanelControllerSim::Refusal PanelControllerSim::SetUniformData(const Params& p, std::string&)
{
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

PanelControllerSim::Refusal PanelControllerSim::UniformData(const Params& p, std::string& data)
{
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

} // namespace qlcos::sim
