// The X-Rite 504 reflection densitometer on a pseudo-terminal.
#include "sim/xrite5xx_sim.h"

namespace qlcos::sim {

XRite5xxSim::XRite5xxSim() : XRiteSim("\r\n") {}

XRite5xxSim::~XRite5xxSim() { Shutdown(); }

bool XRite5xxSim::Calibrated() const
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    return m_Calibrated;
}

XRiteSim::Answer XRite5xxSim::OnCommand(const std::string& command)
{
    std::lock_guard<std::mutex> lock(m_StateMutex);
    if (command == "SV") return {kIdentity};
    if (command == "0120CF") m_CalibrationMode = true;
    if (command == "CR" && m_CalibrationMode) m_Calibrated = true;
    if (command == "0020CF") m_CalibrationMode = false;
    return {};
}

void XRite5xxSim::SendReading(const SimReading& reading)
{
    SendLine(FormatReading(reading, "VCMY"));
}

} // namespace qlcos::sim
