// The stand-in colour mouse's behaviour: what each of the maker's functions does to the
// state, what it answers, and what it writes to the records it is handed.
#include "sim/colormouse/stand_in_device.h"

#include "density/color_mouse_api.h"
#include "sim/colormouse/stand_in_control.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <sstream>

namespace qlcos::sim {

namespace {

using density::kCsdRecordBytes;

// clang-format off
const int      kNotReady      = 1;          // no session (CSDOpen/CSDInit missing)
const int      kBadArgument   = 2;          // a null record
const int      kNoSuchPort    = 3;          // CSDInit on a port without a device
const int      kUnknownTarget = 4;          // CSCCConvertMeas to a target it does not know
const int      kNotMeasured   = 5;          // CSCCConvertMeas on a record CSDMeasure did not fill
const uint32_t kMeasuredTag   = 0x4D656173; // 'Meas', at offset 0 of a measurement record
// clang-format on

// The measurement record as the stand-in lays it out: the tag, then cyan, magenta, yellow.
const size_t kMeasuredCyan = 4;

void PutWord(void* record, size_t offset, uint32_t value)
{
    std::memcpy(static_cast<unsigned char*>(record) + offset, &value, sizeof value);
}

void PutFloat(void* record, size_t offset, float value)
{
    std::memcpy(static_cast<unsigned char*>(record) + offset, &value, sizeof value);
}

float GetFloat(const void* record, size_t offset)
{
    float value;
    std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, sizeof value);
    return value;
}

std::string Pointer(const void* p) { return p ? "p" : "null"; }

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

} // namespace

StandInDevice& StandInDevice::Instance()
{
    static StandInDevice device;
    return device;
}

StandInDevice::~StandInDevice() { m_Fifo.reset(); }

void StandInDevice::Log(std::string line) { m_Log.push_back(std::move(line)); }

int StandInDevice::Fault(int fault) const { return fault >= 1 && fault <= 4 ? m_Faults[fault] : 0; }

std::unique_ptr<FifoReader> StandInDevice::EndSession()
{
    m_Opened = false;
    m_Ready = false;
    return std::move(m_Fifo);
}

int StandInDevice::Open()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    Log("CSDOpen()");
    m_Opened = true;
    return 0;
}

int StandInDevice::Init(int reserved, int port)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    Log("CSDInit(" + std::to_string(reserved) + "," + std::to_string(port) + ")");
    if (!m_Opened) return kNotReady;
    if (const int fault = Fault(static_cast<int>(StandInFault::Init))) return fault;
    if (port < m_FirstPort || port > m_LastPort) return kNoSuchPort;
    m_Ready = true;
    if (!m_Fifo) {
        const char* path = std::getenv("QLCOS_COLORMOUSE_FIFO");
        if (path && *path) {
            m_Fifo = FifoReader::Start(path, [this](const std::string& l) { OnFifoLine(l); });
        }
    }
    return 0;
}

int StandInDevice::Close()
{
    std::unique_ptr<FifoReader> reader;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        Log("CSDClose()");
        reader = EndSession();
    }
    // Joined outside the lock: the reader's thread takes it to press the button.
    reader.reset();
    return 0;
}

int StandInDevice::PlaySound(int sound)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    Log("CSDPlaySound(" + std::to_string(sound) + ")");
    return m_Ready ? 0 : kNotReady;
}

int StandInDevice::SetMesData(int selector)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    Log("CSDSetMesData(" + std::to_string(selector) + ")");
    return m_Ready ? 0 : kNotReady;
}

int StandInDevice::SetWhitePoint(uint32_t whitePoint)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    Log("CSDSetWhitePoint(" + Hex(whitePoint) + ")");
    return m_Ready ? 0 : kNotReady;
}

int StandInDevice::ButtonPressed(unsigned char* state)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    Log("CSDButtonPressed(" + Pointer(state) + ")");
    if (!state) return kBadArgument;
    if (const int fault = Fault(static_cast<int>(StandInFault::ButtonPressed))) {
        *state = 0xFF; // what a failing query may leave behind
        return fault;
    }
    if (!m_Ready) return kNotReady;
    *state = m_Pressed ? 1 : 0;
    return 0;
}

int StandInDevice::Measure(void* measurement)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    Log("CSDMeasure(" + Pointer(measurement) + ")");
    if (!measurement) return kBadArgument;
    if (const int fault = Fault(static_cast<int>(StandInFault::Measure))) return fault;
    if (!m_Ready) return kNotReady;
    std::memset(measurement, 0, kCsdRecordBytes);
    PutWord(measurement, 0, kMeasuredTag);
    for (size_t i = 0; i < 3; ++i) PutFloat(measurement, kMeasuredCyan + 4 * i, m_Reading[i]);
    m_Pressed = false; // the measurement takes the press
    ++m_Measures;
    return 0;
}

int StandInDevice::ConvertMeas(void* measurement, void* converted, uint32_t target, uint32_t mode)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    Log("CSCCConvertMeas(" + Pointer(measurement) + "," + Pointer(converted) + "," + Hex(target) +
        "," + Hex(mode) + ")");
    if (!measurement || !converted) return kBadArgument;
    if (target != density::kCsdConvertDensity) return kUnknownTarget;
    uint32_t tag;
    std::memcpy(&tag, measurement, sizeof tag);
    if (tag != kMeasuredTag) return kNotMeasured;
    std::memset(converted, 0, kCsdRecordBytes);
    PutWord(converted, 0, target);
    PutFloat(converted, density::kCsdCyanOffset, GetFloat(measurement, kMeasuredCyan));
    PutFloat(converted, density::kCsdMagentaOffset, GetFloat(measurement, kMeasuredCyan + 4));
    PutFloat(converted, density::kCsdYellowOffset, GetFloat(measurement, kMeasuredCyan + 8));
    return Fault(static_cast<int>(StandInFault::Convert));
}

int StandInDevice::CalibrateBlack(void* area)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    Log("CSDCalibrateBlack(" + Pointer(area) + ")");
    if (!area) return kBadArgument;
    if (!m_Ready) return kNotReady;
    ++m_Black;
    return 0;
}

int StandInDevice::CalibrateWhite(void* area)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    Log("CSDCalibrateWhite(" + Pointer(area) + ")");
    if (!area) return kBadArgument;
    if (!m_Ready) return kNotReady;
    ++m_White;
    return 0;
}

void StandInDevice::Reset()
{
    std::unique_ptr<FifoReader> reader;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        reader = EndSession();
        m_Log.clear();
        m_Pressed = false;
        for (float& r : m_Reading) r = 0;
        m_FirstPort = 1;
        m_LastPort = 16;
        for (int& f : m_Faults) f = 0;
        m_Black = m_White = m_Measures = m_Presses = 0;
    }
    reader.reset();
}

void StandInDevice::Press(float cyan, float magenta, float yellow)
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Reading[0] = cyan;
        m_Reading[1] = magenta;
        m_Reading[2] = yellow;
        m_Pressed = true;
        ++m_Presses;
    }
    m_PressCv.notify_all();
}

void StandInDevice::SetReading(float cyan, float magenta, float yellow)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Reading[0] = cyan;
    m_Reading[1] = magenta;
    m_Reading[2] = yellow;
}

void StandInDevice::SetPorts(int first, int last)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_FirstPort = first;
    m_LastPort = last;
}

void StandInDevice::SetFault(int fault, int result)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (fault >= 1 && fault <= 4) m_Faults[fault] = result;
}

int StandInDevice::Calls(char* buffer, int size)
{
    std::string text;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        for (const std::string& line : m_Log) text += line + "\n";
    }
    if (buffer && size > 0) {
        const size_t n = text.size() < static_cast<size_t>(size) ? text.size() : size - 1u;
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<int>(text.size());
}

int StandInDevice::Count(int what)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    switch (static_cast<StandInCount>(what)) {
    case StandInCount::BlackCalibrations: return m_Black;
    case StandInCount::WhiteCalibrations: return m_White;
    case StandInCount::Measurements: return m_Measures;
    case StandInCount::Presses: return m_Presses;
    }
    return 0;
}

int StandInDevice::WaitForPress(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_Mutex);
    const auto timeout = std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    return m_PressCv.wait_for(lock, timeout, [this] { return m_Pressed; }) ? 1 : 0;
}

void StandInDevice::OnFifoLine(const std::string& line)
{
    std::istringstream in(line);
    in.imbue(std::locale::classic());
    std::string word;
    float c, m, y;
    if (!(in >> word >> c >> m >> y) || word != "press") return;
    std::string rest;
    if (in >> rest) return; // trailing words: not a press line
    Press(c, m, y);
}

} // namespace qlcos::sim
