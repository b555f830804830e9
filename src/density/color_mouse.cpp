// The colour mouse driven through its maker's library: opening, the button, measuring with
// conversion to densities, black and white calibration.
#include "qlcos/density/color_mouse.h"

#include "density/color_mouse_api.h"
#include "density/color_mouse_library.h"
#include "platform/win32.h"
#include "serial/time_scale.h"

#include <cstring>
#include <string>

using namespace qlcos::density;

namespace {

// The pause before a measurement or a calibration.
const DWORD kSettleMs = 10;

// One record handed to the library, owned by the call that hands it over. Zero-filled, so
// that nothing read back from it is ever indeterminate, whatever the library left undone.
struct CsdRecord {
    alignas(8) unsigned char Bytes[kCsdRecordBytes] = {};

    float FloatAt(size_t offset) const
    {
        float value;
        std::memcpy(&value, Bytes + offset, sizeof value);
        return value;
    }
};

} // namespace

CColorMouse::CColorMouse() : CZanComDevice(ZT("ColorMouse")) {}

// The library stays loaded until here (not only until Destroy): a call that another thread
// began just before Destroy may still be inside one of its functions.
CColorMouse::~CColorMouse() { Destroy(); }

ZanResult CColorMouse::Create(int port, int /*second*/)
{
    // Opening twice would re-initialise a device in use, and a failure would close it
    // while it is flagged open.
    if (m_Open.load() != 0) return ZAN_COLORMOUSE_FAILED;
    // Why it fails is kept as the port control's open failure, for the density device.
    std::string why;
    if (!m_Library) m_Library = ZanColorMouseLibrary::Load(&why);
    if (!m_Library) {
        NoteOpenFailure(ZAN_COLORMOUSE_FAILED, 0, "colour mouse", why.c_str());
        return ZAN_COLORMOUSE_FAILED;
    }
    ZanColorMouseLibrary& csd = *m_Library;

    csd.CSDOpen();
    if (const int answer = csd.CSDInit(0, port); answer != 0) {
        csd.CSDClose();
        const std::string reason = "did not open on port " + std::to_string(port) +
                                   " (its library answered " + std::to_string(answer) + ")";
        NoteOpenFailure(ZAN_COLORMOUSE_FAILED, 0, "colour mouse", reason.c_str());
        return ZAN_COLORMOUSE_FAILED;
    }
    NoteOpenFailure(0, 0, "colour mouse", nullptr);
    csd.CSDPlaySound(kCsdSoundOpen);
    m_Open.store(1);
    csd.CSDSetMesData(kCsdMesDataFirst);
    csd.CSDSetMesData(kCsdMesDataSecond);
    csd.CSDSetWhitePoint(kCsdWhitePoint);
    return 0;
}

ZanResult CColorMouse::Destroy()
{
    if (m_Open.exchange(0) == 0) return ZAN_COLORMOUSE_FAILED;
    m_Library->CSDClose();
    return CZanComDevice::Destroy();
}

int CColorMouse::IsGetNewDensity()
{
    if (m_Open.load() == 0) return static_cast<int>(ZAN_COLORMOUSE_NOT_OPEN);
    unsigned char state = 0;
    if (m_Library->CSDButtonPressed(&state) != 0) return 0;
    return state;
}

ZanResult CColorMouse::SendCmdGetDensity(tagDensityInfo* reading)
{
    if (!reading) return ZAN_COLORMOUSE_FAILED;
    if (m_Open.load() == 0) return ZAN_COLORMOUSE_NOT_OPEN;
    Sleep(qlcos::serial::ScaledWait(kSettleMs));
    CsdRecord measurement;
    if (m_Library->CSDMeasure(measurement.Bytes) != 0) return ZAN_COLORMOUSE_FAILED;
    CsdRecord converted;
    const int result = m_Library->CSCCConvertMeas(measurement.Bytes, converted.Bytes,
                                                  kCsdConvertDensity, kCsdConvertMode);
    // Visual is not measured: the caller's value stays.
    reading->Cyan = converted.FloatAt(kCsdCyanOffset);
    reading->Magenta = converted.FloatAt(kCsdMagentaOffset);
    reading->Yellow = converted.FloatAt(kCsdYellowOffset);
    return static_cast<ZanResult>(result);
}

ZanResult CColorMouse::SendCmdAdjust(int mode)
{
    if (m_Open.load() == 0) return ZAN_COLORMOUSE_NOT_OPEN;
    if (mode != 1 && mode != 2) return ZAN_COLORMOUSE_FAILED;
    Sleep(qlcos::serial::ScaledWait(kSettleMs));
    CsdRecord area;
    const int result = mode == 1 ? m_Library->CSDCalibrateBlack(area.Bytes)
                                 : m_Library->CSDCalibrateWhite(area.Bytes);
    return static_cast<ZanResult>(result);
}

void CColorMouse::SetHWnd(HWND window) { m_hNotifyWnd.store(window); }
