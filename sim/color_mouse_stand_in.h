// Reaching the stand-in colour-mouse library from tests and tools: a handle on its control
// functions, and the writer side of the FIFO through which another process presses its button.
#pragma once

#include "sim/colormouse/stand_in_control.h"

#include <string>
#include <vector>

namespace qlcos::sim {

// The stand-in opened by path. Since the colour mouse driver loads the same file, both reach
// the same device.
class ColorMouseStandIn {
public:
    // The file name the build gives the stand-in.
    static constexpr const char* kFileName = "libCSCMTLib.so";
    // The stand-in beside the running program, where the build puts it.
    static std::string BesideProgram();

    explicit ColorMouseStandIn(const std::string& path);
    ~ColorMouseStandIn();

    ColorMouseStandIn(const ColorMouseStandIn&) = delete;
    ColorMouseStandIn& operator=(const ColorMouseStandIn&) = delete;

    // True when the file loaded and exports every control function; otherwise every call
    // below does nothing and Error says why.
    bool IsLoaded() const { return m_Handle != nullptr; }
    const std::string& Error() const { return m_Error; }

    void Press(float cyan, float magenta, float yellow);
    void SetReading(float cyan, float magenta, float yellow);
    void SetPorts(int first, int last);
    // result 0 clears the fault.
    void SetFault(StandInFault fault, int result);
    // The maker's functions called so far, "Name(arguments)" each, in order.
    std::vector<std::string> Calls() const;
    int Count(StandInCount what) const;
    // True when the button is pressed within timeoutMs.
    bool WaitForPress(int timeoutMs) const;
    void Reset();

private:
    void* m_Handle = nullptr;
    std::string m_Error;
    PFN_CSDStandInReset m_Reset = nullptr;
    PFN_CSDStandInPress m_Press = nullptr;
    PFN_CSDStandInSetReading m_SetReading = nullptr;
    PFN_CSDStandInSetPorts m_SetPorts = nullptr;
    PFN_CSDStandInSetFault m_SetFault = nullptr;
    PFN_CSDStandInCalls m_Calls = nullptr;
    PFN_CSDStandInCount m_Count = nullptr;
    PFN_CSDStandInWaitForPress m_WaitForPress = nullptr;
};

// A FIFO in a temporary folder of its own, for QLCOS_COLORMOUSE_FIFO; removed with the object.
class ColorMouseFifo {
public:
    ColorMouseFifo();
    ~ColorMouseFifo();

    ColorMouseFifo(const ColorMouseFifo&) = delete;
    ColorMouseFifo& operator=(const ColorMouseFifo&) = delete;

    // Empty when the FIFO could not be made.
    const std::string& Path() const { return m_Path; }
    // Writes "press C M Y" without blocking: false when no stand-in is reading (no open
    // session) or the FIFO is full.
    bool Press(float cyan, float magenta, float yellow);

private:
    std::string m_Folder;
    std::string m_Path;
};

} // namespace qlcos::sim
