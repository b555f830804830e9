// QLCosCtrl: everything a host includes.
#pragma once

#include "qlcos/config.h"
#include "qlcos/density.h"
#include "qlcos/exposure.h"
#include "qlcos/host.h"
#include "qlcos/machine_cfg.h"
#include "qlcos/serial.h"
#include "qlcos/types.h"
#include "qlcos/version.h"
#include "qlcos/virtual_device.h"
