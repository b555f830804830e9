#include "plot/gamma_plot.h"

namespace qlcos::tool::plot {

namespace {

void DrawCurve(const Canvas& canvas, const std::vector<KeyPoint>& points, Colour colour)
{
    cairo_t* cr = canvas.Context();
    canvas.SetColour(colour);
    cairo_set_line_width(cr, 2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (const KeyPoint& point : points)
        cairo_line_to(cr, GammaX(point.Input), GammaY(point.Output));
    cairo_stroke(cr);
    for (const KeyPoint& point : points)
        canvas.Marker(GammaX(point.Input), GammaY(point.Output), colour);
}

std::string PointCount(const char* channel, size_t count)
{
    return std::string(channel) + " (" + std::to_string(count) +
           (count == 1 ? " key point)" : " key points)");
}

} // namespace

void WriteGammaPlot(const GammaCurves& curves, const Destination& destination)
{
    Canvas canvas(destination);
    Axis levels;
    levels.Low = 0;
    levels.High = kGammaMaxLevel;
    for (int tick = 0; tick < 1024; tick += 128) levels.Ticks.push_back(tick);
    levels.Ticks.push_back(kGammaMaxLevel);
    levels.Label = "input level";
    Axis output = levels;
    output.Label = "output level";
    canvas.Title(curves.Title);
    canvas.Axes(kGammaChart, levels, output);

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
    DrawCurve(canvas, curves.Red, kGammaRed);
    DrawCurve(canvas, curves.Green, kGammaGreen);
    DrawCurve(canvas, curves.Blue, kGammaBlue);
    cairo_restore(cr);

    canvas.Legend(kGammaChart.Right() + 30, kGammaChart.Top + 20,
                  {{kGammaRed, PointCount("red", curves.Red.size()), false, true},
                   {kGammaGreen, PointCount("green", curves.Green.size()), false, true},
                   {kGammaBlue, PointCount("blue", curves.Blue.size()), false, true},
                   {kIdentity, "identity", true, false}});
    canvas.Finish();
}

} // namespace qlcos::tool::plot
