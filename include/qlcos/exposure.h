// The light engine: the device a host creates (CZanLCosCtrl) and the driver of every
// controller model, which a host may also use on its own. Needs no Xerces-C headers.
#pragma once

#include "qlcos/exposure/emu_lamp_control.h"
#include "qlcos/exposure/frame_control.h"
#include "qlcos/exposure/lamp_control.h"
#include "qlcos/exposure/lamp_control2.h"
#include "qlcos/exposure/lcd_control.h"
#include "qlcos/exposure/lcos_ctrl.h"
#include "qlcos/exposure/ldd_control.h"
#include "qlcos/exposure/led_control.h"
#include "qlcos/exposure/panel_control.h"
