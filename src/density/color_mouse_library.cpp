// Loading the colour-mouse maker's library and resolving its functions by name.
#include "density/color_mouse_library.h"

namespace {

// Resolves `name` into `slot`; false when the library does not export it.
template <typename Proc> bool Resolve(HMODULE module, const char* name, Proc& slot)
{
    const FARPROC address = GetProcAddress(module, name);
    // Through the generic void(void) function type, which converts to any other without
    // a warning whatever FARPROC is on the platform.
    slot = reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(address));
    return address != nullptr;
}

} // namespace

std::unique_ptr<ZanColorMouseLibrary> ZanColorMouseLibrary::Load()
{
    const HMODULE module = LoadLibraryW(ZT("CSCMTLib.dll"));
    if (!module) return nullptr;
    std::unique_ptr<ZanColorMouseLibrary> library(new ZanColorMouseLibrary(module));
    ZanColorMouseLibrary& l = *library;
    // A library that lacks any of the functions is not the one this class can drive.
    const bool complete = Resolve(module, "CSDOpen", l.CSDOpen) &&
                          Resolve(module, "CSDInit", l.CSDInit) &&
                          Resolve(module, "CSDClose", l.CSDClose) &&
                          Resolve(module, "CSDPlaySound", l.CSDPlaySound) &&
                          Resolve(module, "CSDSetMesData", l.CSDSetMesData) &&
                          Resolve(module, "CSDSetWhitePoint", l.CSDSetWhitePoint) &&
                          Resolve(module, "CSDButtonPressed", l.CSDButtonPressed) &&
                          Resolve(module, "CSDMeasure", l.CSDMeasure) &&
                          Resolve(module, "CSCCConvertMeas", l.CSCCConvertMeas) &&
                          Resolve(module, "CSDCalibrateBlack", l.CSDCalibrateBlack) &&
                          Resolve(module, "CSDCalibrateWhite", l.CSDCalibrateWhite);
    if (!complete) return nullptr; // the destructor frees the module
    return library;
}

ZanColorMouseLibrary::~ZanColorMouseLibrary() { FreeLibrary(m_Module); }
