// The densitometer a density command works on: CZanDensityCtrl created from a
// CZanDensityCtrlCfg-shaped property, with a message window for its notifications; with
// --sim the matching simulated instrument runs in this process and an operator stand-in
// takes measurements on it.
#pragma once

#include "output.h"

#include "qlcos/density.h"

#include <CLI/CLI.hpp>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace qlcos::tool {

struct DensityOptions {
    std::string Type;      // "xrite5xx", "xrite2xx", "colormouse"
    int Port = 1;          // COM port number
    bool Sim = false;      // a simulated instrument in this program
    int SimEveryMs = 2500; // the operator stand-in's pause between measurements
};

// Adds --type, --port, --sim and --sim-every to `command`.
void AddDensityOptions(CLI::App* command, DensityOptions& options);

class SimulatedInstrument;

class DensitySession {
public:
    // Starts the simulated instrument when asked for, then creates the device. Throws
    // Failure(NoDevice) with the device's own account when it cannot be created.
    DensitySession(const DensityOptions& options, const GlobalOptions& global);
    // Stops the operator stand-in and a running wait loop, destroys the device.
    ~DensitySession();
    DensitySession(const DensitySession&) = delete;
    DensitySession& operator=(const DensitySession&) = delete;

    CZanDensityCtrl& Device() { return m_Device; }
    HWND Window() const { return m_Window; }
    // With --sim: the operator stand-in takes a measurement shortly from now, then one
    // every --sim-every milliseconds. Without --sim nothing happens.
    void StartOperator();
    // "COM2", or "COM2 (simulated X-Rite 504 on /dev/pts/3)".
    std::string PortText() const;

private:
    void StopOperator();

    DensityOptions m_Options;
    std::unique_ptr<SimulatedInstrument> m_Simulator;
    HWND m_Window = nullptr;
    CZanDensityCtrl m_Device;

    std::mutex m_OperatorLock;
    std::condition_variable m_OperatorWake;
    bool m_OperatorStop = false;
    std::thread m_Operator;
};

} // namespace qlcos::tool
