// The stand-in colour mouse's state and behaviour behind the exported functions: a session,
// a button pressed from outside, the reading under the device, calibration counts, faults
// and a log of every call. One mutex guards it all.
#pragma once

#include "sim/colormouse/fifo_reader.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qlcos::sim {

class StandInDevice {
public:
    // The one device of the loaded library.
    static StandInDevice& Instance();
    ~StandInDevice();

    // The maker's functions (see density/color_mouse_api.h); 0 for success.
    int Open();
    int Init(int reserved, int port);
    int Close();
    int PlaySound(int sound);
    int SetMesData(int selector);
    int SetWhitePoint(uint32_t whitePoint);
    int ButtonPressed(unsigned char* state);
    int Measure(void* measurement);
    int ConvertMeas(void* measurement, void* converted, uint32_t target, uint32_t mode);
    int CalibrateBlack(void* area);
    int CalibrateWhite(void* area);

    // Control (see sim/colormouse/stand_in_control.h).
    void Reset();
    void Press(float cyan, float magenta, float yellow);
    void SetReading(float cyan, float magenta, float yellow);
    void SetPorts(int first, int last);
    void SetFault(int fault, int result);
    int Calls(char* buffer, int size);
    int Count(int what);
    int WaitForPress(int timeoutMs);

    // A FIFO line "press C M Y" (decimal, C locale) presses the button with that reading;
    // anything else is ignored.
    void OnFifoLine(const std::string& line);

private:
    StandInDevice() = default;
    // Appends a log line; called with m_Mutex held.
    void Log(std::string line);
    int Fault(int fault) const;
    // Ends the session; hands back the FIFO reader to be stopped outside the lock.
    std::unique_ptr<FifoReader> EndSession();

    mutable std::mutex m_Mutex;
    std::condition_variable m_PressCv;
    std::vector<std::string> m_Log;
    bool m_Opened = false; // CSDOpen called
    bool m_Ready = false;  // CSDInit succeeded, until CSDClose
    bool m_Pressed = false;
    float m_Reading[3] = {0, 0, 0}; // cyan, magenta, yellow
    int m_FirstPort = 1;
    int m_LastPort = 16;
    int m_Faults[5] = {0, 0, 0, 0, 0}; // by StandInFault value
    int m_Black = 0;
    int m_White = 0;
    int m_Measures = 0;
    int m_Presses = 0;
    // Last, so that it is stopped before the members its thread uses go away.
    std::unique_ptr<FifoReader> m_Fifo;
};

} // namespace qlcos::sim
