// Loading the colour-mouse maker's library and resolving its functions by name.
#include "density/color_mouse_library.h"
#include "platform/os_error.h"

namespace {

// Resolves `name` into `slot`; false, with the name kept in `missing`, when the library does
// not export it.
template <typename Proc>
bool Resolve(HMODULE module, const char* name, Proc& slot, const char*& missing)
{
    const FARPROC address = GetProcAddress(module, name);
    // Through the generic void(void) function type, which converts to any other without
    // a warning whatever FARPROC is on the platform.
    slot = reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(address));
    if (!address) missing = name;
    return address != nullptr;
}

} // namespace

std::unique_ptr<ZanColorMouseLibrary> ZanColorMouseLibrary::Load(std::string* why)
{
    const HMODULE module = LoadLibraryW(ZT("CSCMTLib.dll"));
    if (!module) {
        if (why) *why = "library not loaded (" + qlcos::platform::LastLoadError() + ")";
        return nullptr;
    }
    const char* missing = nullptr;
    std::unique_ptr<ZanColorMouseLibrary> library(new ZanColorMouseLibrary(module));
    ZanColorMouseLibrary& l = *library;
    // A library that lacks any of the functions is not the one this class can drive.
    const bool complete = Resolve(module, "CSDOpen", l.CSDOpen, missing) &&
                          Resolve(module, "CSDInit", l.CSDInit, missing) &&
                          Resolve(module, "CSDClose", l.CSDClose, missing) &&
                          Resolve(module, "CSDPlaySound", l.CSDPlaySound, missing) &&
                          Resolve(module, "CSDSetMesData", l.CSDSetMesData, missing) &&
                          Resolve(module, "CSDSetWhitePoint", l.CSDSetWhitePoint, missing) &&
                          Resolve(module, "CSDButtonPressed", l.CSDButtonPressed, missing) &&
                          Resolve(module, "CSDMeasure", l.CSDMeasure, missing) &&
                          Resolve(module, "CSCCConvertMeas", l.CSCCConvertMeas, missing) &&
                          Resolve(module, "CSDCalibrateBlack", l.CSDCalibrateBlack, missing) &&
                          Resolve(module, "CSDCalibrateWhite", l.CSDCalibrateWhite, missing);
    if (!complete) {
        if (why) *why = std::string("library without ") + missing + ", not the maker's";
        return nullptr; // the destructor frees the module
    }
    return library;
}

ZanColorMouseLibrary::~ZanColorMouseLibrary() { FreeLibrary(m_Module); }
