// The colour-mouse maker's library loaded at run time, with the eleven functions resolved.
#pragma once

#include "density/color_mouse_api.h"
#include "platform/win32.h"

#include <memory>
#include <string>

struct ZanColorMouseLibrary {
    // Loads CSCMTLib.dll and resolves every function; null when the library or any of its
    // functions is missing, with the reason in *why when `why` is given.
    static std::unique_ptr<ZanColorMouseLibrary> Load(std::string* why = nullptr);
    ~ZanColorMouseLibrary(); // frees the library

    ZanColorMouseLibrary(const ZanColorMouseLibrary&) = delete;
    ZanColorMouseLibrary& operator=(const ZanColorMouseLibrary&) = delete;

    qlcos::density::PFN_CSDOpen CSDOpen = nullptr;
    qlcos::density::PFN_CSDInit CSDInit = nullptr;
    qlcos::density::PFN_CSDClose CSDClose = nullptr;
    qlcos::density::PFN_CSDPlaySound CSDPlaySound = nullptr;
    qlcos::density::PFN_CSDSetMesData CSDSetMesData = nullptr;
    qlcos::density::PFN_CSDSetWhitePoint CSDSetWhitePoint = nullptr;
    qlcos::density::PFN_CSDButtonPressed CSDButtonPressed = nullptr;
    qlcos::density::PFN_CSDMeasure CSDMeasure = nullptr;
    qlcos::density::PFN_CSCCConvertMeas CSCCConvertMeas = nullptr;
    qlcos::density::PFN_CSDCalibrateBlack CSDCalibrateBlack = nullptr;
    qlcos::density::PFN_CSDCalibrateWhite CSDCalibrateWhite = nullptr;

private:
    explicit ZanColorMouseLibrary(HMODULE module) : m_Module(module) {}

    HMODULE m_Module;
};
