// How qlcos fails: one line naming the problem and an exit status by the kind of failure.
#pragma once

#include "qlcos/types.h"

#include <stdexcept>
#include <string>

namespace qlcos::tool {

// Exit statuses, listed under --help.
enum class ExitCode : int {
    Done = 0,
    DeviceFailed = 1, // the device refused or failed an operation
    Usage = 2,        // an unknown command, a missing or bad argument, a value out of range
    File = 3,         // a file missing, unreadable, damaged or not writable
    NoDevice = 4,     // nothing answered on the port, or the port could not be opened
    Unsupported = 5,  // the controller model has no such operation
    NoReading = 6,    // no reading arrived in time
};

// The exit statuses as text for --help.
const char* ExitCodeHelp();

// Thrown by a command; main prints "qlcos: <what>" and exits with `code`.
class Failure : public std::runtime_error {
public:
    Failure(ExitCode code, const std::string& what) : std::runtime_error(what), m_Code(code) {}
    ExitCode Code() const { return m_Code; }

private:
    ExitCode m_Code;
};

// Throws Failure(DeviceFailed) with the result's code and text unless `result` is a success,
// e.g. "GetGammaData: 0x20390015 (LDD controller (0x39): controller error 13 (0x15))". (An
// operation the light-engine device may lack goes through LightEngineSession::Require.)
void Check(ZanResult result, const std::string& operation);

// "0x28110011 (the detected model has no such operation)".
std::string ResultText(ZanResult result);

} // namespace qlcos::tool
