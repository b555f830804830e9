// The exposure calculations of the percentage-step model.
#include "qlcos/config.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using Lcos = CZanLCosCtrlCfg;
using Floats = std::vector<float>;
Floats Of(const float* v) { return Floats(v, v + 3); }

} // namespace

TEST(ExposureCalc, DensityCorrection)
{
    const float x[3] = {10.0f, 0.3f, 7.7f};
    float out[3];
    Lcos::CalcDen(x, 100.0f, 1.0f, out);
    EXPECT_EQ(Of(out), (Floats{2 * x[0], 2 * x[1], 2 * x[2]}));
    Lcos::CalcDen(x, 10.0f, -1.0f, out);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], static_cast<float>(x[i] / 1.1)) << i;
    float y[3] = {1.0f, 2.0f, 3.0f}; // in place
    Lcos::CalcDen(y, 100.0f, 2.0f, y);
    EXPECT_EQ(Of(y), (Floats{4.0f, 8.0f, 12.0f}));
}

TEST(ExposureCalc, ColourCorrectionAboutTheMean)
{
    const float x[3] = {8.0f, 3.0f, 5.0f};
    float out[3];
    const float y[3] = {1.0f, 2.0f, 3.0f};
    const Floats expected = {4.0f, 3.0f, 10.0f};
    Lcos::CalcCol(x, 100.0f, y, out);
    EXPECT_EQ(Of(out), expected);
    // The output may be the x array or the y array.
    float inX[3] = {8.0f, 3.0f, 5.0f};
    Lcos::CalcCol(inX, 100.0f, y, inX);
    EXPECT_EQ(Of(inX), expected);
    float inY[3] = {1.0f, 2.0f, 3.0f};
    Lcos::CalcCol(x, 100.0f, inY, inY);
    EXPECT_EQ(Of(inY), expected);
}

TEST(ExposureCalc, ExposurePulseAndTimeInSteps)
{
    const float same[3] = {5.0f, 5.0f, 5.0f};
    // c - m = 1 with d = 100: twice a.
    EXPECT_EQ(Lcos::CalcExposalPluse(6.5f, 0.0f, 6.0f, same, 100.0f, 50.0f), 13.0f);
    // Both powers: 2^(c-m) * 1.5^b.
    EXPECT_EQ(Lcos::CalcExposalPluse(1.0f, 2.0f, 7.0f, same, 100.0f, 50.0f), 9.0f);
    EXPECT_TRUE(std::isnan(Lcos::CalcExposalPluse(1.0f, 0.0f, 1.0f, nullptr, 1.0f, 1.0f)));

    // The time in steps.
    EXPECT_EQ(Lcos::CalcExposalTime(8.0f, 5.0f, 1.0f, 100.0f, 0.0f), 3.0f);
    // b steps of e percent: 1 * 2^2 / 1 is two steps of 100 percent.
    EXPECT_EQ(Lcos::CalcExposalTime(1.0f, 2.0f, 1.0f, 100.0f, 100.0f), 2.0f);
    // The quotient's logarithm is taken once: a = 3, c = 0.75 gives ln 4 / ln 2.
    EXPECT_EQ(Lcos::CalcExposalTime(3.0f, 0.0f, 0.75f, 100.0f, 0.0f), 2.0f);
    // No step size, or a quotient that is not positive: infinite or NaN, never a trap.
    EXPECT_FALSE(std::isfinite(Lcos::CalcExposalTime(8.0f, 0.0f, 1.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(std::isnan(Lcos::CalcExposalTime(1.0f, 0.0f, 1.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(std::isnan(Lcos::CalcExposalTime(-8.0f, 0.0f, 1.0f, 10.0f, 0.0f)));
    EXPECT_FALSE(std::isfinite(Lcos::CalcExposalTime(8.0f, 0.0f, 0.0f, 10.0f, 0.0f)));
}
