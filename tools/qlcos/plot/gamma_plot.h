// The gamma plot: a table's three channel curves over the identity line, key points marked.
#pragma once

#include "plot/canvas.h"

#include <string>
#include <vector>

namespace qlcos::tool::plot {

// A point of a gamma curve: input level to output level.
struct KeyPoint {
    double Input;
    double Output;
};

struct GammaCurve {
    Colour Ink;
    std::string Legend;           // e.g. "red (5 key points)"
    std::vector<KeyPoint> Points; // in order of input level
};

struct GammaCurves {
    std::string Title;
    // The scales: the configuration's key points are 0..1023 on both; the controller's
    // tables map 0..255 to 0..4095.
    double MaxInput = kGammaMaxLevel;
    double MaxOutput = kGammaMaxLevel;
    bool MarkPoints = true; // a marker on every point (key points, not a table's 256 values)
    std::vector<GammaCurve> Curves; // drawn in order, the last on top
};

// Draws the curves (straight lines between the points) over the identity line and writes
// the picture. Throws Failure(File) when it cannot be written.
void WriteGammaPlot(const GammaCurves& curves, const Destination& destination);

} // namespace qlcos::tool::plot
