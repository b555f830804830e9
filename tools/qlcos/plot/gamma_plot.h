// The gamma plot: a table's three channel curves over the identity line, key points marked.
#pragma once

#include "plot/canvas.h"

#include <string>
#include <vector>

namespace qlcos::tool::plot {

// A key point of a gamma channel: input level to output level, 0..kGammaMaxLevel.
struct KeyPoint {
    double Input;
    double Output;
};

struct GammaCurves {
    std::string Title;
    std::vector<KeyPoint> Red, Green, Blue; // in order of input level
};

// Draws the curves (straight lines between key points, red, then green, then blue on top)
// and writes the picture. Throws Failure(File) when it cannot be written.
void WriteGammaPlot(const GammaCurves& curves, const Destination& destination);

} // namespace qlcos::tool::plot
