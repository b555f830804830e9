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
    cairo_t* cr = canvas.Context();
    const Area& area = kTimeSeriesChart;
    std::vector<LegendEntry> legend;
    // Clipped to the chart, so that nothing spills over the labels.
    cairo_save(cr);
    cairo_rectangle(cr, area.Left - 5, area.Top - 5, area.Width + 10, area.Height + 10);
    cairo_clip(cr);
    for (const Series& series : plot.Lines) {
        canvas.SetColour(series.Ink);
        cairo_set_line_width(cr, 2);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        auto x = [&](const Sample& s) {
            return Scale(s.Time, time.Low, time.High, area.Left, area.Right());
        };
        auto y = [&](const Sample& s) {
            return Scale(s.Value, value.Low, value.High, area.Bottom(), area.Top);
        };
        for (const Sample& sample : series.Samples) cairo_line_to(cr, x(sample), y(sample));
        cairo_stroke(cr);
        // Points marked while there are few enough to tell apart.
        const bool marked = series.Samples.size() <= kMostMarkedSamples;
        if (marked)
            for (const Sample& sample : series.Samples)
                canvas.Marker(x(sample), y(sample), series.Ink);
        legend.push_back({series.Ink, series.Name, false, marked});
    }
    cairo_restore(cr);
    canvas.Legend(area.Right() + 25, area.Top + 20, legend);
    canvas.Finish();
}

} // namespace qlcos::tool::plot
