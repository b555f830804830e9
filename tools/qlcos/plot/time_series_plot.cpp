#include "plot/time_series_plot.h"

#include <algorithm>

namespace qlcos::tool::plot {

namespace {
constexpr size_t kMostMarkedSamples = 60;
}

void WriteTimeSeriesPlot(const TimeSeries& plot, const Destination& destination)
{
    double lastTime = 0, lowest = 0, highest = 0;
    for (const Series& series : plot.Lines) {
        for (const Sample& sample : series.Samples) {
            lastTime = std::max(lastTime, sample.Time);
            lowest = std::min(lowest, sample.Value);
            highest = std::max(highest, sample.Value);
        }
    }
    const Axis time = NiceAxis(0, lastTime, 8, plot.TimeLabel);
    const Axis value = NiceAxis(lowest, highest, 6, plot.ValueLabel);

    Canvas canvas(destination);
    canvas.Title(plot.Title);
    canvas.Axes(kTimeSeriesChart, time, value);
    const Area& area = kTimeSeriesChart;
    std::vector<LegendEntry> legend;
    canvas.ClipTo(area);
    for (const Series& series : plot.Lines) {
        std::vector<Point> points;
        for (const Sample& s : series.Samples)
            points.push_back({Scale(s.Time, time.Low, time.High, area.Left, area.Right()),
                              Scale(s.Value, value.Low, value.High, area.Bottom(), area.Top)});
        // Points marked while there are few enough to tell apart.
        const bool marked = series.Samples.size() <= kMostMarkedSamples;
        canvas.Curve(points, series.Ink, marked);
        legend.push_back({series.Ink, series.Name, false, marked});
    }
    canvas.EndClip();
    canvas.Legend(area.Right() + 25, area.Top + 20, legend);
    canvas.Finish();
}

} // namespace qlcos::tool::plot
