// The pauses and time-outs the densitometers' protocols prescribe, in one place, so that
// tests can run them faster through one clearly named hook.
#pragma once

#include "platform/win32.h"

namespace qlcos::density {

// `milliseconds` as the instruments run it: the prescribed value, scaled by the test hook.
DWORD Paced(DWORD milliseconds);
// Sleep(Paced(milliseconds)).
void PacedSleep(DWORD milliseconds);

// Test hook: runs every densitometer pause and time-out at `percent` of its prescribed
// length (at least 1 ms each) from now on; 100 restores them. Process-wide.
void SetPaceForTests(int percent);

} // namespace qlcos::density
