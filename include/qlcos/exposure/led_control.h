#pragma once

#include "qlcos/exposure.h"
