#include "plot/gamma_plot.h"

namespace qlcos::tool::plot {

namespace {

// Eight ticks across the scale and one at its end: 0, 128, ... 1023 or 0, 32, ... 255.
Axis LevelAxis(double max, const char* label)
{
    Axis axis;
    axis.Low = 0;
    axis.High = max;
    const double step = (max + 1) / 8;
    for (double tick = 0; tick < max; tick += step) axis.Ticks.push_back(tick);
    axis.Ticks.push_back(max);
    axis.Label = label;
    return axis;
}

void DrawCurve(const Canvas& canvas, const GammaCurves& curves, const GammaCurve& curve)
{
    cairo_t* cr = canvas.Context();
    canvas.SetColour(curve.Ink);
    cairo_set_line_width(cr, 2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (const KeyPoint& point : curve.Points)
        cairo_line_to(cr, GammaX(point.Input, curves.MaxInput),
                      GammaY(point.Output, curves.MaxOutput));
    cairo_stroke(cr);
    if (!curves.MarkPoints) return;
    for (const KeyPoint& point : curve.Points)
        canvas.Marker(GammaX(point.Input, curves.MaxInput), GammaY(point.Output, curves.MaxOutput),
                      curve.Ink);
}

} // namespace

void WriteGammaPlot(const GammaCurves& curves, const Destination& destination)
{
    Canvas canvas(destination);
    canvas.Title(curves.Title);
    canvas.Axes(kGammaChart, LevelAxis(curves.MaxInput, "input level"),
                LevelAxis(curves.MaxOutput, "output level"));

    cairo_t* cr = canvas.Context();
    canvas.SetColour(kIdentity);
    cairo_set_line_width(cr, 1.5);
    const double dashes[] = {6, 4};
    cairo_set_dash(cr, dashes, 2, 0);
    cairo_move_to(cr, GammaX(0), GammaY(0));
    cairo_line_to(cr, GammaX(kGammaMaxLevel), GammaY(kGammaMaxLevel));
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);

    // Clipped to the chart, so that a point outside the scale cannot spill over the labels.
    cairo_save(cr);
    cairo_rectangle(cr, kGammaChart.Left - 5, kGammaChart.Top - 5, kGammaChart.Width + 10,
                    kGammaChart.Height + 10);
    cairo_clip(cr);
    for (const GammaCurve& curve : curves.Curves) DrawCurve(canvas, curves, curve);
    cairo_restore(cr);

    std::vector<LegendEntry> legend;
    for (const GammaCurve& curve : curves.Curves)
        legend.push_back({curve.Ink, curve.Legend, false, curves.MarkPoints});
    legend.push_back({kIdentity, "identity", true, false});
    canvas.Legend(kGammaChart.Right() + 30, kGammaChart.Top + 20, legend);
    canvas.Finish();
}

} // namespace qlcos::tool::plot
