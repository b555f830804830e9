#include "failure.h"

#include <cstdio>

namespace qlcos::tool {

const char* ExitCodeHelp()
{
    return "Exit status:\n"
           "  0  done\n"
           "  1  the device refused or failed an operation\n"
           "  2  an unknown command, a missing or bad argument, a value out of range\n"
           "  3  a file missing, unreadable, damaged or not writable\n"
           "  4  nothing answered on the port, or the port could not be opened\n"
           "  5  the controller model has no such operation\n"
           "  6  no reading arrived in time\n";
}

std::string ResultText(ZanResult result)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result));
    return std::string(code) + " (" + zanResultText(result) + ")";
}

void Check(ZanResult result, const std::string& operation)
{
    if (!zanFailed(result)) return;
    throw Failure(ExitCode::DeviceFailed, operation + ": " + ResultText(result));
}

} // namespace qlcos::tool
