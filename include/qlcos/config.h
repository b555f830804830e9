// Configuration records: base, controller configuration, XML readers, exposure calculations.
#pragma once

#include "qlcos/types.h"
