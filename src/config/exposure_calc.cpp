// The exposure calculations of the percentage-step model. Every percentage p enters as the
// factor 1 + p * 0.01 in double precision; intermediates are doubles, and only the steps
// that the model rounds to float (the colour mean and each colour's offset from it) do so.
#include "qlcos/config.h"

#include "config/number_text.h"

#include <cmath>
#include <limits>

namespace {

const double kThird = 1.0 / 3.0; // the double nearest one third

double StepFactor(float percent) { return 1.0 + static_cast<double>(percent) * 0.01; }

// Mean of three floats as the model forms it: (v[2] + v[1] + v[0]) * one third.
double Mean3(const float* v) { return (static_cast<double>(v[2]) + v[1] + v[0]) * kThird; }

} // namespace

float CZanLCosCtrlCfg::CalcExposalTime(float value, float correctionSteps, float reference,
                                       float stepPercent, float correctionPercent)
{
    const double corrected = value * std::pow(StepFactor(correctionPercent), correctionSteps);
    const double quotient = corrected / reference;
    return qlcos::numbers::ToFloat(std::log(quotient) / std::log(StepFactor(stepPercent)));
}

float CZanLCosCtrlCfg::CalcExposalPluse(float value, float correctionSteps, float level,
                                        const float* levels, float stepPercent,
                                        float correctionPercent)
{
    if (!levels) return std::numeric_limits<float>::quiet_NaN();
    const double mean = Mean3(levels);
    const double stepPower = std::pow(StepFactor(stepPercent), level - mean);
    const double correctionPower = std::pow(StepFactor(correctionPercent), correctionSteps);
    return qlcos::numbers::ToFloat(value * (stepPower * correctionPower));
}

void CZanLCosCtrlCfg::CalcCol(const float* x, float stepPercent, const float* y, float* out)
{
    if (!x || !y || !out) return;
    const float mean = qlcos::numbers::ToFloat(Mean3(y));
    const double factor = StepFactor(stepPercent);
    for (int i = 0; i < 3; ++i) {
        const double xi = x[i]; // read before out[i] is written: out may be x or y
        const float offset = qlcos::numbers::ToFloat(static_cast<double>(y[i]) - mean);
        out[i] = qlcos::numbers::ToFloat(xi * std::pow(factor, offset));
    }
}

void CZanLCosCtrlCfg::CalcDen(const float* x, float stepPercent, float steps, float* out)
{
    if (!x || !out) return;
    const double factor = std::pow(StepFactor(stepPercent), steps);
    for (int i = 0; i < 3; ++i) out[i] = qlcos::numbers::ToFloat(x[i] * factor);
}
