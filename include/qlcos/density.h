// The densitometers: the device a host creates (CZanDensityCtrl) and the three instrument
// drivers, which a host may also use on its own. Needs no Xerces-C headers; the density
// configuration record is in qlcos/config.h.
#pragma once

#include "qlcos/density/color_mouse.h"
#include "qlcos/density/density_ctrl.h"
#include "qlcos/density/xrite2xx.h"
#include "qlcos/density/xrite5xx.h"
