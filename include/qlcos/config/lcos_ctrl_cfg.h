// The LCoS controller configuration: the exposure calculations.
#pragma once

#include "qlcos/types.h"

// The percentage-step exposure model: one step of size p percent multiplies the exposure by
// (1 + p / 100). Intermediates are doubles; nothing is checked and nothing traps (a step of
// 0 percent or a non-positive quotient gives an infinite or NaN result).
class QLCOS_API CZanLCosCtrlCfg {
public:
    // Steps of `stepPercent` that take `reference` to
    // value * (1 + correctionPercent / 100)^correctionSteps:
    // ln(value * f(correctionPercent)^correctionSteps / reference) / ln(f(stepPercent)).
    static float CalcExposalTime(float value, float correctionSteps, float reference,
                                 float stepPercent, float correctionPercent);
    // value * f(stepPercent)^(level - mean(levels[0..2])) * f(correctionPercent)^correctionSteps.
    // A null `levels` gives NaN.
    static float CalcExposalPluse(float value, float correctionSteps, float level,
                                  const float* levels, float stepPercent, float correctionPercent);
    // out[i] = x[i] * f(stepPercent)^(y[i] - mean(y)); `out` may be `x` or `y`.
    // Null pointers: nothing is written.
    static void CalcCol(const float* x, float stepPercent, const float* y, float* out);
    // out[i] = x[i] * f(stepPercent)^steps; `out` may be `x`. Null pointers: nothing written.
    static void CalcDen(const float* x, float stepPercent, float steps, float* out);
};
