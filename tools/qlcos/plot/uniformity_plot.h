// The uniformity plot: a heat map of the panel's cells with its colour scale.
#pragma once

#include "plot/canvas.h"

#include <string>
#include <vector>

namespace qlcos::tool::plot {

struct UniformityMap {
    std::string Title;
    // kUniformColumns × kUniformRows values, cell (x, y) at y * kUniformColumns + x.
    std::vector<double> Cells;
};

// The colour of `fraction` (0..1) of the heat scale, between its stops.
Colour HeatColour(double fraction);

// Draws the cells coloured from the lowest value held (the scale's first colour) to the
// highest (its last), the scale labelled with the values, and writes the picture. Throws
// Failure(File) when it cannot be written.
void WriteUniformityPlot(const UniformityMap& map, const Destination& destination);

} // namespace qlcos::tool::plot
