// QLCosCtrl: everything a host includes.
#pragma once

#include "qlcos/types.h"
#include "qlcos/host.h"
#include "qlcos/serial.h"
#include "qlcos/virtual_device.h"
#include "qlcos/exposure.h"
#include "qlcos/config.h"
