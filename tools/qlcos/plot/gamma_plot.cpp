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
    std::vector<Point> points;
    for (const KeyPoint& point : curve.Points)
        points.push_back(
            {GammaX(point.Input, curves.MaxInput), GammaY(point.Output, curves.MaxOutput)});
    canvas.Curve(points, curve.Ink, curves.MarkPoints);
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

    canvas.ClipTo(kGammaChart);
    for (const GammaCurve& curve : curves.Curves) DrawCurve(canvas, curves, curve);
    canvas.EndClip();

    std::vector<LegendEntry> legend;
    for (const GammaCurve& curve : curves.Curves)
        legend.push_back({curve.Ink, curve.Legend, false, curves.MarkPoints});
    legend.push_back({kIdentity, "identity", true, false});
    canvas.Legend(kGammaChart.Right() + 30, kGammaChart.Top + 20, legend);
    canvas.Finish();
}

} // namespace qlcos::tool::plot
