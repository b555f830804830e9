// The X-Rite DTP22 densitometer on a pseudo-terminal.
#include "sim/xrite2xx_sim.h"

#include <algorithm>
#include <string>

namespace qlcos::sim {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

int TwoDigits(const std::string& digits, size_t at)
{
    return (digits[at] - '0') * 10 + (digits[at + 1] - '0');
}

std::string TwoDigitText(int value)
{
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

} // namespace

XRite2xxSim::XRite2xxSim() : XRiteSim("\r") {}

XRite2xxSim::~XRite2xxSim() { Shutdown(); }

int XRite2xxSim::Flag(int flag) const
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    const auto it = m_Flags.find(flag);
    return it == m_Flags.end() ? 0 : it->second;
}

void XRite2xxSim::SetFlag(int flag, int value)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_Flags[flag] = value;
}

void XRite2xxSim::SetCalibrationTime(std::chrono::milliseconds duration)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    m_CalibrationTime = std::max(duration, std::chrono::milliseconds(0));
}

int XRite2xxSim::Calibrations() const
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    return m_Calibrations;
}

XRiteSim::Answer XRite2xxSim::OnCommand(const std::string& command)
{
    const size_t letters = static_cast<size_t>(
        std::find_if(command.begin(), command.end(), [](char c) { return !IsDigit(c); }) -
        command.begin());
    const std::string digits = command.substr(0, letters);
    const std::string name = command.substr(letters);
    if (name.empty() || !std::all_of(name.begin(), name.end(), IsLetter)) return {};

    std::lock_guard<std::mutex> lock(m_StateMutex);
    if (name == "V") return {kIdentity};
    if (name == "CF" && digits.size() >= 4) {
        const size_t at = digits.size() - 4;
        m_Flags[TwoDigits(digits, at + 2)] = TwoDigits(digits, at);
    } else if (name == "CF" && digits.size() >= 2) {
        const auto it = m_Flags.find(TwoDigits(digits, digits.size() - 2));
        return {TwoDigitText(it == m_Flags.end() ? 0 : it->second)};
    } else if (name == "CA") {
        ++m_Calibrations;
        return {"k0", m_CalibrationTime};
    } else if (name == "SR") {
        return {FormatReading(Reading(), "vcmy")};
    }
    return {};
}

// The reading itself goes out when the host asks for it with "SR".
void XRite2xxSim::SendReading(const SimReading&)
{
    SendLine("k0");
    SendLine("r0");
}

} // namespace qlcos::sim
