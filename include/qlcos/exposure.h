// Light-engine controller drivers and the frame machinery they share.
#pragma once

#include "qlcos/serial.h"
