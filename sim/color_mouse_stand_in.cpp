// The handle on the stand-in colour-mouse library (dlopen/dlsym) and the FIFO writer.
#include "sim/color_mouse_stand_in.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits>
#include <locale>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qlcos::sim {

namespace {

template <typename Proc> bool Resolve(void* handle, const char* name, Proc& slot)
{
    slot = reinterpret_cast<Proc>(dlsym(handle, name));
    return slot != nullptr;
}

} // namespace

std::string ColorMouseStandIn::BesideProgram()
{
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return kFileName;
    const std::string program(exe, static_cast<size_t>(n));
    const size_t slash = program.find_last_of('/');
    return (slash == std::string::npos ? std::string() : program.substr(0, slash + 1)) + kFileName;
}

ColorMouseStandIn::ColorMouseStandIn(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        m_Error = why ? why : "cannot load " + path;
        return;
    }
    const bool complete = Resolve(handle, "CSDStandInReset", m_Reset) &&
                          Resolve(handle, "CSDStandInPress", m_Press) &&
                          Resolve(handle, "CSDStandInSetReading", m_SetReading) &&
                          Resolve(handle, "CSDStandInSetPorts", m_SetPorts) &&
                          Resolve(handle, "CSDStandInSetFault", m_SetFault) &&
                          Resolve(handle, "CSDStandInCalls", m_Calls) &&
                          Resolve(handle, "CSDStandInCount", m_Count) &&
                          Resolve(handle, "CSDStandInWaitForPress", m_WaitForPress);
    if (!complete) {
        m_Error = path + " is not the colour-mouse stand-in";
        dlclose(handle);
        return;
    }
    m_Handle = handle;
}

ColorMouseStandIn::~ColorMouseStandIn()
{
    if (m_Handle) dlclose(m_Handle);
}

void ColorMouseStandIn::Press(float cyan, float magenta, float yellow)
{
    if (m_Handle) m_Press(cyan, magenta, yellow);
}

void ColorMouseStandIn::SetReading(float cyan, float magenta, float yellow)
{
    if (m_Handle) m_SetReading(cyan, magenta, yellow);
}

void ColorMouseStandIn::SetPorts(int first, int last)
{
    if (m_Handle) m_SetPorts(first, last);
}

void ColorMouseStandIn::SetFault(StandInFault fault, int result)
{
    if (m_Handle) m_SetFault(static_cast<int>(fault), result);
}

std::vector<std::string> ColorMouseStandIn::Calls() const
{
    std::vector<std::string> calls;
    if (!m_Handle) return calls;
    // The log may grow between asking its length and copying it: ask until it fits.
    std::string text(256, '\0');
    for (;;) {
        const int length = m_Calls(&text[0], static_cast<int>(text.size()));
        if (length < static_cast<int>(text.size())) {
            text.resize(static_cast<size_t>(length));
            break;
        }
        text.resize(static_cast<size_t>(length) * 2 + 1);
    }
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) calls.push_back(line);
    return calls;
}

int ColorMouseStandIn::Count(StandInCount what) const
{
    return m_Handle ? m_Count(static_cast<int>(what)) : 0;
}

bool ColorMouseStandIn::WaitForPress(int timeoutMs) const
{
    return m_Handle && m_WaitForPress(timeoutMs) != 0;
}

void ColorMouseStandIn::Reset()
{
    if (m_Handle) m_Reset();
}

ColorMouseFifo::ColorMouseFifo()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qlcos-colormouse-XXXXXX";
    if (!mkdtemp(&pattern[0])) return;
    m_Folder = pattern;
    const std::string path = m_Folder + "/press";
    if (mkfifo(path.c_str(), 0600) == 0) m_Path = path;
}

ColorMouseFifo::~ColorMouseFifo()
{
    if (!m_Path.empty()) unlink(m_Path.c_str());
    if (!m_Folder.empty()) rmdir(m_Folder.c_str());
}

bool ColorMouseFifo::Press(float cyan, float magenta, float yellow)
{
    if (m_Path.empty()) return false;
    std::ostringstream line;
    line.imbue(std::locale::classic());
    line.precision(std::numeric_limits<float>::max_digits10);
    line << "press " << cyan << ' ' << magenta << ' ' << yellow << '\n';
    const std::string text = line.str();
    // Without a reader the open fails at once (ENXIO) instead of waiting for one.
    const int fd = open(m_Path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    ssize_t written;
    do {
        written = write(fd, text.data(), text.size()); // shorter than PIPE_BUF: all or nothing
    } while (written < 0 && errno == EINTR);
    close(fd);
    return written == static_cast<ssize_t>(text.size());
}

} // namespace qlcos::sim
