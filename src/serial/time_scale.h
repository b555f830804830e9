// The waits the protocols prescribe (the port control's reply time-outs, pauses and quiet line
// before a send; the densitometers' pauses) in one place, so that tests and fuzzers can run
// them faster through one clearly named hook.
#pragma once

#include <cstdint>

namespace qlcos::serial {

// `milliseconds` as the port control waits it: as given, unless the hook below scaled it.
uint32_t ScaledWait(uint32_t milliseconds);

// Test and fuzzing hook: every reply time-out, Pause and quiet-line wait of every port, and
// every wait scaled through ScaledWait, runs at `percent` of its length (0 makes them end at
// once) from now on; 100 restores them. Process-wide.
void SetWaitScaleForTests(int percent);

} // namespace qlcos::serial
