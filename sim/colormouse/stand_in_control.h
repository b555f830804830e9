// The stand-in colour mouse's control functions, exported beside the maker's eleven so that
// tests and tools can drive it (press the button, set readings and faults, read the call log).
#pragma once

namespace qlcos::sim {

// Faults set from outside: the function then answers the given nonzero result (0 clears).
enum class StandInFault : int {
    Init = 1,          // CSDInit fails whatever the port
    ButtonPressed = 2, // CSDButtonPressed fails, leaving 0xFF in the state byte
    Measure = 3,       // CSDMeasure fails
    Convert = 4,       // CSCCConvertMeas fills the converted record but answers the result
};

// What CSDStandInCount counts.
enum class StandInCount : int {
    BlackCalibrations = 1,
    WhiteCalibrations = 2,
    Measurements = 3,
    Presses = 4, // button presses, from the control functions and the FIFO
};

extern "C" {
// Back to the state after loading: no session, no press, reading 0, ports 1 to 16, no
// faults, empty log, counts 0. A running FIFO reader is stopped.
typedef void (*PFN_CSDStandInReset)();
// Sets the reading and presses the button; the next measurement takes the press.
typedef void (*PFN_CSDStandInPress)(float cyan, float magenta, float yellow);
// Sets what the next measurement reads, without pressing the button.
typedef void (*PFN_CSDStandInSetReading)(float cyan, float magenta, float yellow);
// The ports CSDInit accepts: first to last.
typedef void (*PFN_CSDStandInSetPorts)(int first, int last);
// Sets (result nonzero) or clears (0) a fault, a StandInFault value.
typedef void (*PFN_CSDStandInSetFault)(int fault, int result);
// The call log, one "Name(arguments)" line per call of the eleven functions, in order.
// Copies at most size - 1 characters and a terminating 0 to buffer; returns the log's full
// length, so a caller whose buffer was too small can ask again.
typedef int (*PFN_CSDStandInCalls)(char* buffer, int size);
// A StandInCount value's count since the last reset.
typedef int (*PFN_CSDStandInCount)(int what);
// Waits up to timeoutMs for the button to be pressed: 1 when pressed, else 0.
typedef int (*PFN_CSDStandInWaitForPress)(int timeoutMs);
}

} // namespace qlcos::sim
