#include "sim/panel_control_sim.h"

#include <algorithm>
#include <iterator>
#include <thread>

namespace qlcos::sim {

namespace {

using std::chrono::milliseconds;
using Panel = FrameControlState;

constexpr milliseconds kShutterTime{100};
constexpr milliseconds kWobbleControlTime{200};
constexpr int kWobbleMax = 359;
constexpr int kGammaDigits = 3;
constexpr int kUniformDigits = 2;
// Image-adjust values in hexadecimal, with the upper limits of items 1..8.
constexpr ImageAdjustFormat kImageAdjust = {16, {1023, 1023, 24, 24, 1023, 1023, 1, 1}};
// The host's bytes are taken in slices of at most this, so that a long wait stays responsive.
constexpr milliseconds kPacingSlice{50};

} // namespace

PanelControlSim::PanelControlSim(char modelLetter, const char* identity)
    : FrameControlSim(modelLetter, identity, "SERIAL-", kImageAdjust)
{
    constexpr size_t kGammaParams = 1 + Panel::kGammaValues * kGammaDigits;
    constexpr size_t kUniformParams = 1 + Panel::kUniformBytes * kUniformDigits;
    // clang-format off
    static const Command<PanelControlSim> kCommands[] = {
        {'4', "ShutterControl", 1,              &PanelControlSim::ShutterControl},
        {'6', "WobbleControl",  1,              &PanelControlSim::WobbleControl},
        {'G', "GetWobbleData",  1,              &PanelControlSim::GetWobbleData},
        {'V', "SetWobbleData",  kVariable,      &PanelControlSim::SetWobbleData},
        {'a', "GetGammaData",   1,              &PanelControlSim::GetGammaData},
        {'b', "SetGammaData",   kGammaParams,   &PanelControlSim::SetGammaData},
        {'c', "GetUniformData", 1,              &PanelControlSim::GetUniformData},
        {'d', "SetUniformData", kUniformParams, &PanelControlSim::SetUniformData},
        {'e', "UniformData",    8,              &PanelControlSim::UniformData},
    };
    // clang-format on
    AddCommands(kCommands);

    // Distinct tables, so that a value read from the wrong place shows.
    for (int t = 0; t < Panel::kGammaTables; ++t) {
        for (int k = 0; k < Panel::kGammaValues; ++k)
            m_State.Gamma[t][k] = static_cast<uint16_t>(k * 16 + t);
    }
    for (int t = 0; t < Panel::kUniformTables; ++t) {
        for (int k = 0; k < Panel::kUniformBytes; ++k)
            m_State.Uniform[t][k] = static_cast<uint8_t>(k * 7 + t * 50);
    }
    m_State.Wobble = 180;
}

PanelControlSim::~PanelControlSim() { Stop(); }

void PanelControlSim::SetLineRate(int baud)
{
    baud = std::max(baud, 0);
    SetPacing(baud);
    m_LineRate = baud;
}

void PanelControlSim::OnBytes(const uint8_t* data, size_t n)
{
    const int baud = m_LineRate;
    if (baud > 0) {
        // The bytes cross the line one after another, after those still on their way.
        const auto now = Clock::now();
        m_InputDoneAt = std::max(m_InputDoneAt, now) +
                        std::chrono::microseconds(static_cast<int64_t>(n) * 10'000'000 / baud);
        while (Clock::now() < m_InputDoneAt) {
            std::this_thread::sleep_for(
                std::min<Clock::duration>(kPacingSlice, m_InputDoneAt - Clock::now()));
        }
    }
    FrameControlSim::OnBytes(data, n);
}

// ---- Commands ----------------------------------------------------------------------------

PanelControlSim::Refusal PanelControlSim::ShutterControl(const Params& p, std::string&)
{
    if (p[0] != '0' && p[0] != '1') return Refusal::OutOfRange;
    m_State.ShutterOpen = p[0] == '0';
    StartJob(kShutterTime);
    return Refusal::None;
}

PanelControlSim::Refusal PanelControlSim::WobbleControl(const Params& p, std::string&)
{
    int slot = 0;
    if (!Slot(p, '0', 4, slot)) return Refusal::OutOfRange;
    m_State.WobbleAction = static_cast<uint8_t>(slot + 1);
    StartJob(kWobbleControlTime);
    return Refusal::None;
}

PanelControlSim::Refusal PanelControlSim::GetWobbleData(const Params& p, std::string& data)
{
    // Item 1: '0' when the wobble is on, '1' when off; item 2: the value as 3 digits.
    int slot = 0;
    if (!Slot(p, '0', 2, slot)) return Refusal::OutOfRange;
    if (slot == 0)
        data = m_State.WobbleOn ? "0" : "1";
    else
        data = Decimal(m_State.Wobble, 3);
    return Refusal::None;
}

PanelControlSim::Refusal PanelControlSim::SetWobbleData(const Params& p, std::string&)
{
    // Item 1: '0', then '0' on or '1' off. Item 2: '1', then the value as 3 digits.
    int slot = 0;
    if (!Slot(p, '0', 2, slot)) return Refusal::OutOfRange;
    if (slot == 0) {
        if (p.size() != 2) return Refusal::Malformed;
        if (p[1] != '0' && p[1] != '1') return Refusal::OutOfRange;
        m_State.WobbleOn = p[1] == '0';
        return Refusal::None;
    }
    int value = 0;
    if (p.size() != 4 || !ParseDecimal(p, 1, 3, value)) return Refusal::Malformed;
    if (value > kWobbleMax) return Refusal::OutOfRange;
    m_State.Wobble = static_cast<uint16_t>(value);
    return Refusal::None;
}

template <class T, size_t Tables, size_t N>
PanelControlSim::Refusal PanelControlSim::ReadTable(const Params& p, const T (&tables)[Tables][N],
                                                    int digits, std::string& data)
{
    int table = 0;
    if (!Slot(p, '0', static_cast<int>(Tables), table)) return Refusal::OutOfRange;
    data.reserve(N * static_cast<size_t>(digits));
    for (T v : tables[table]) data += Hex(v, digits);
    return Refusal::None;
}

template <class T, size_t Tables, size_t N>
PanelControlSim::Refusal PanelControlSim::WriteTable(const Params& p, T (&tables)[Tables][N],
                                                     int digits)
{
    int table = 0;
    if (!Slot(p, '0', static_cast<int>(Tables), table)) return Refusal::OutOfRange;
    T values[N];
    for (size_t k = 0; k < N; ++k) {
        int v = 0;
        if (!ParseHex(p, 1 + k * static_cast<size_t>(digits), static_cast<size_t>(digits), v))
            return Refusal::Malformed;
        values[k] = static_cast<T>(v);
    }
    std::copy(std::begin(values), std::end(values), tables[table]);
    return Refusal::None;
}

PanelControlSim::Refusal PanelControlSim::GetGammaData(const Params& p, std::string& data)
{
    return ReadTable(p, m_State.Gamma, kGammaDigits, data);
}

PanelControlSim::Refusal PanelControlSim::SetGammaData(const Params& p, std::string&)
{
    return WriteTable(p, m_State.Gamma, kGammaDigits);
}

PanelControlSim::Refusal PanelControlSim::GetUniformData(const Params& p, std::string& data)
{
    return ReadTable(p, m_State.Uniform, kUniformDigits, data);
}

PanelControlSim::Refusal PanelControlSim::SetUniformData(const Params& p, std::string&)
{
    return WriteTable(p, m_State.Uniform, kUniformDigits);
}

PanelControlSim::Refusal PanelControlSim::UniformData(const Params& p, std::string& data)
{
    // Operation '0' read or '1' write, table index, x and y as 2 decimal digits, the cell as
    // 2 hexadecimal digits. Both answer the table index, x, y and the cell's value.
    const int operation = p[0] - '0';
    const int slot = p[1] - '0';
    int x = 0, y = 0, value = 0;
    if (!ParseDecimal(p, 2, 2, x) || !ParseDecimal(p, 4, 2, y) || !ParseHex(p, 6, 2, value))
        return Refusal::Malformed;
    if ((operation != 0 && operation != 1) || slot < 0 || slot >= Panel::kUniformTables ||
        x >= Panel::kUniformColumns || y >= Panel::kUniformRows)
        return Refusal::OutOfRange;
    uint8_t& cell = m_State.Uniform[slot][y * Panel::kUniformColumns + x];
    if (operation == 1) cell = static_cast<uint8_t>(value);
    data = std::string(1, static_cast<char>(p[1])) + Decimal(x, 2) + Decimal(y, 2) + Hex(cell, 2);
    return Refusal::None;
}

} // namespace qlcos::sim
