// Where the plots put things and in which colours: the canvas, the chart areas and the
// mapping of data to canvas coordinates. Plain numbers only, so that the plotting code and
// whoever checks a picture (the tests) place a data point on the same pixel.
#pragma once

namespace qlcos::tool::plot {

// Every plot: 800 × 600 pixels in PNG, the same in points in SVG and PDF.
constexpr int kCanvasWidth = 800;
constexpr int kCanvasHeight = 600;

// An RGB colour, 0..255 per component.
struct Colour {
    int Red, Green, Blue;
};

constexpr Colour kBackground{255, 255, 255};
constexpr Colour kInk{40, 40, 40};         // axes, ticks, labels, titles
constexpr Colour kGrid{225, 225, 225};     // grid lines inside a chart
constexpr Colour kIdentity{150, 150, 150}; // the identity line under the gamma curves

// The gamma curves, in the order they are drawn (the last one lies on top).
constexpr Colour kGammaRed{220, 30, 30};
constexpr Colour kGammaGreen{20, 150, 40};
constexpr Colour kGammaBlue{30, 70, 220};

// The density channels: visual, cyan, magenta, yellow (a yellow dark enough to see on white).
constexpr Colour kDensityVisual{40, 40, 40};
constexpr Colour kDensityCyan{0, 160, 200};
constexpr Colour kDensityMagenta{200, 0, 140};
constexpr Colour kDensityYellow{215, 170, 0};

// A rectangle of the canvas, in pixels (points) from the top left corner.
struct Area {
    double Left, Top, Width, Height;
    constexpr double Right() const { return Left + Width; }
    constexpr double Bottom() const { return Top + Height; }
};

// `value` of the range [low, high] on the axis from `start` to `end` (end may lie before
// start, as on a vertical axis that grows upwards).
constexpr double Scale(double value, double low, double high, double start, double end)
{
    return high == low ? start : start + (value - low) * (end - start) / (high - low);
}

// The gamma chart: a square, input level across (0 left), output level up (0 at the bottom),
// both 0..kGammaMaxLevel; the legend on the right of it.
constexpr Area kGammaChart{80, 50, 490, 490};
constexpr double kGammaMaxLevel = 1023;
// The controller's own gamma tables: levels 0..255 to values 0..0xFFF.
constexpr double kControllerGammaMaxInput = 255;
constexpr double kControllerGammaMaxOutput = 4095;
constexpr double GammaX(double input, double maxInput = kGammaMaxLevel)
{
    return Scale(input, 0, maxInput, kGammaChart.Left, kGammaChart.Right());
}
constexpr double GammaY(double output, double maxOutput = kGammaMaxLevel)
{
    return Scale(output, 0, maxOutput, kGammaChart.Bottom(), kGammaChart.Top);
}

// The uniformity heat map: kUniformColumns × kUniformRows square cells, x across from the
// left, y down from the top; the colour scale is a bar to its right, low values at the bottom.
constexpr int kUniformColumns = 25;
constexpr int kUniformRows = 33;
constexpr double kUniformCell = 14;
constexpr Area kUniformMap{150, 60, kUniformColumns* kUniformCell, kUniformRows* kUniformCell};
constexpr Area kUniformScaleBar{kUniformMap.Right() + 50, kUniformMap.Top, 24, kUniformMap.Height};
// The centre of cell (x, y).
constexpr double UniformCellX(int x) { return kUniformMap.Left + (x + 0.5) * kUniformCell; }
constexpr double UniformCellY(int y) { return kUniformMap.Top + (y + 0.5) * kUniformCell; }
// The colour scale from its lowest value (0) to its highest (1), evenly spaced stops.
constexpr Colour kHeatScale[] = {
    {48, 18, 110}, {40, 110, 190}, {30, 170, 150}, {150, 210, 60}, {250, 230, 40}};

// The time-series chart: time across, values up; the legend on the right of it.
constexpr Area kTimeSeriesChart{80, 50, 560, 480};

} // namespace qlcos::tool::plot
