// A time-series plot: values of a few named series over time, as lines with marked points.
#pragma once

#include "plot/canvas.h"

#include <string>
#include <vector>

namespace qlcos::tool::plot {

struct Sample {
    double Time;
    double Value;
};

struct Series {
    std::string Name;
    Colour Ink;
    std::vector<Sample> Samples; // in order of time
};

struct TimeSeries {
    std::string Title;
    std::string TimeLabel;
    std::string ValueLabel;
    std::vector<Series> Lines;
};

// Draws the series over one time axis and one value axis, both from their data (the value
// axis includes 0), and writes the picture. Throws Failure(File) when it cannot be written.
void WriteTimeSeriesPlot(const TimeSeries& plot, const Destination& destination);

} // namespace qlcos::tool::plot
