// The exposure calculations of the percentage-step model.
#include "qlcos/config.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(ExposureCalc, DensityCorrection)
{
    const float x[3] = {10.0f, 0.3f, 7.7f};
    float out[3];
    CZanLCosCtrlCfg::CalcDen(x, 0.0f, 5.0f, out); // a step of 0 percent changes nothing
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], x[i]);
    CZanLCosCtrlCfg::CalcDen(x, 100.0f, 1.0f, out);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], 2 * x[i]);
    CZanLCosCtrlCfg::CalcDen(x, 10.0f, -1.0f, out);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], static_cast<float>(x[i] / 1.1)) << i;
    // In place.
    float y[3] = {1.0f, 2.0f, 3.0f};
    CZanLCosCtrlCfg::CalcDen(y, 100.0f, 2.0f, y);
    EXPECT_EQ(y[0], 4.0f);
    EXPECT_EQ(y[2], 12.0f);
}

TEST(ExposureCalc, ColourCorrectionAboutTheMean)
{
    const float x[3] = {8.0f, 3.0f, 5.0f};
    float out[3];
    const float equal[3] = {0.7f, 0.7f, 0.7f};
    CZanLCosCtrlCfg::CalcCol(x, 37.0f, equal, out);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], x[i]);

    const float y[3] = {1.0f, 2.0f, 3.0f};
    CZanLCosCtrlCfg::CalcCol(x, 100.0f, y, out);
    EXPECT_EQ(out[0], 4.0f);
    EXPECT_EQ(out[1], 3.0f);
    EXPECT_EQ(out[2], 10.0f);

    // The output may be the x array or the y array.
    float inX[3] = {8.0f, 3.0f, 5.0f};
    CZanLCosCtrlCfg::CalcCol(inX, 100.0f, y, inX);
    EXPECT_EQ(inX[0], 4.0f);
    EXPECT_EQ(inX[2], 10.0f);
    float inY[3] = {1.0f, 2.0f, 3.0f};
    CZanLCosCtrlCfg::CalcCol(x, 100.0f, inY, inY);
    EXPECT_EQ(inY[0], 4.0f);
    EXPECT_EQ(inY[1], 3.0f);
    EXPECT_EQ(inY[2], 10.0f);
}

TEST(ExposureCalc, ExposurePulse)
{
    const float v[3] = {2.0f, 4.0f, 9.0f};
    EXPECT_EQ(CZanLCosCtrlCfg::CalcExposalPluse(6.5f, 3.0f, 1.0f, v, 0.0f, 0.0f), 6.5f);
    const float same[3] = {5.0f, 5.0f, 5.0f};
    EXPECT_EQ(CZanLCosCtrlCfg::CalcExposalPluse(6.5f, 0.0f, 5.0f, same, 37.0f, 12.0f), 6.5f);
    // c - m = 1 with d = 100: twice a.
    EXPECT_EQ(CZanLCosCtrlCfg::CalcExposalPluse(6.5f, 0.0f, 6.0f, same, 100.0f, 50.0f), 13.0f);
    // Both powers: 2^(c-m) * 1.5^b.
    EXPECT_EQ(CZanLCosCtrlCfg::CalcExposalPluse(1.0f, 2.0f, 7.0f, same, 100.0f, 50.0f), 9.0f);
    EXPECT_TRUE(
        std::isnan(CZanLCosCtrlCfg::CalcExposalPluse(1.0f, 0.0f, 1.0f, nullptr, 1.0f, 1.0f)));
}

TEST(ExposureCalc, ExposureTimeInSteps)
{
    EXPECT_EQ(CZanLCosCtrlCfg::CalcExposalTime(8.0f, 5.0f, 1.0f, 100.0f, 0.0f), 3.0f);
    EXPECT_EQ(CZanLCosCtrlCfg::CalcExposalTime(2.5f, 0.0f, 2.5f, 15.0f, 0.0f), 0.0f);
    // b steps of e percent: 1 * 2^2 / 1 is two steps of 100 percent.
    EXPECT_EQ(CZanLCosCtrlCfg::CalcExposalTime(1.0f, 2.0f, 1.0f, 100.0f, 100.0f), 2.0f);
    // The quotient's logarithm is taken once: a = 3, c = 0.75 gives ln 4 / ln 2.
    EXPECT_EQ(CZanLCosCtrlCfg::CalcExposalTime(3.0f, 0.0f, 0.75f, 100.0f, 0.0f), 2.0f);
    // No step size, or a quotient that is not positive: infinite or NaN, never a trap.
    EXPECT_FALSE(std::isfinite(CZanLCosCtrlCfg::CalcExposalTime(8.0f, 0.0f, 1.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(std::isnan(CZanLCosCtrlCfg::CalcExposalTime(1.0f, 0.0f, 1.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(std::isnan(CZanLCosCtrlCfg::CalcExposalTime(-8.0f, 0.0f, 1.0f, 10.0f, 0.0f)));
    EXPECT_FALSE(std::isfinite(CZanLCosCtrlCfg::CalcExposalTime(8.0f, 0.0f, 0.0f, 10.0f, 0.0f)));
}
