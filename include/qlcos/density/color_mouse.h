// The colour mouse: a hand-held colour measuring device reached through its maker's
// library, which is loaded at run time (Windows: CSCMTLib.dll; POSIX: the file named by
// QLCOS_CSCMTLIB, else libCSCMTLib.so), so that everything else works where it is absent.
#pragma once

#include "qlcos/serial.h"

#include <atomic>
#include <memory>

enum : ZanResult {
    ZAN_COLORMOUSE_NOT_OPEN = 0x20790001, // Create has not succeeded, or Destroy has run
    // The library is missing or the device did not open, measuring failed, no reading
    // record, unknown calibration mode, Destroy while closed.
    ZAN_COLORMOUSE_FAILED = 0x20790004,
};

struct ZanColorMouseLibrary; // the maker's library and its functions (internal)

// Never uses the serial framework: all traffic goes through the maker's library.
class QLCOS_API CColorMouse : public CZanComDevice {
public:
    CColorMouse();
    ~CColorMouse() override;

    using CZanComDevice::Create;
    // Loads the library and opens the device on `port`; 0 or ZAN_COLORMOUSE_FAILED.
    virtual ZanResult Create(int port, int second);
    // Closes the device; ZAN_COLORMOUSE_FAILED when it is not open.
    ZanResult Destroy() override;
    // The button state (nonzero: pressed), 0 when the library cannot tell, or
    // ZAN_COLORMOUSE_NOT_OPEN.
    int IsGetNewDensity();
    // Measures: Cyan, Magenta and Yellow from the converted record; Visual is left as the
    // caller had it. The conversion's result.
    ZanResult SendCmdGetDensity(tagDensityInfo* reading);
    // Calibration: 1 black, 2 white; the library's result.
    ZanResult SendCmdAdjust(int mode);
    // Kept for hosts that set one; the colour mouse posts nothing.
    void SetHWnd(HWND window);

private:
    std::atomic<HWND> m_hNotifyWnd{nullptr};
    std::atomic<int> m_Open{0};
    std::unique_ptr<ZanColorMouseLibrary> m_Library;
};
