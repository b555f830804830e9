// LoadLibraryW and its companions on dlopen, and the beep a POSIX host does not have.
#include "platform/text_utf.h"
#include "platform/win32.h"

#include <cctype>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

HMODULE LoadLibraryW(const ZanWChar* name)
{
    std::string file = qlcos::unicode::ToUtf8(name);
    if (file.empty()) return nullptr;
    const size_t slash = file.find_last_of("/\\");
    std::string stem = slash == std::string::npos ? file : file.substr(slash + 1);
    const size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) stem.erase(dot);
    std::string variable = "QLCOS_";
    for (char c : stem) variable += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const char* chosen = std::getenv(variable.c_str());
    const std::string path = chosen && *chosen ? std::string(chosen) : "lib" + stem + ".so";
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

FARPROC GetProcAddress(HMODULE module, const char* name)
{
    if (!module || !name) return nullptr;
    // POSIX guarantees that a function's address survives the round trip through void*.
    return reinterpret_cast<FARPROC>(dlsym(module, name));
}

BOOL FreeLibrary(HMODULE module) { return module && dlclose(module) == 0 ? TRUE : FALSE; }

BOOL MessageBeep(UINT) { return TRUE; }
