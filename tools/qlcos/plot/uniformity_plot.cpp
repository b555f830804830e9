#include "plot/uniformity_plot.h"

#include "output.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace qlcos::tool::plot {

Colour HeatColour(double fraction)
{
    constexpr int kStops = static_cast<int>(std::size(kHeatScale));
    const double position = std::clamp(fraction, 0.0, 1.0) * (kStops - 1);
    const int below = std::min(static_cast<int>(position), kStops - 2);
    const double t = position - below;
    const Colour& a = kHeatScale[below];
    const Colour& b = kHeatScale[below + 1];
    auto mix = [t](int from, int to) {
        return static_cast<int>(std::lround(from + (to - from) * t));
    };
    return {mix(a.Red, b.Red), mix(a.Green, b.Green), mix(a.Blue, b.Blue)};
}

void WriteUniformityPlot(const UniformityMap& map, const Destination& destination)
{
    Canvas canvas(destination);
    canvas.Title(map.Title);
    cairo_t* cr = canvas.Context();
    const auto [lowest, highest] = std::minmax_element(map.Cells.begin(), map.Cells.end());
    const double low = map.Cells.empty() ? 0 : *lowest;
    const double high = map.Cells.empty() ? 0 : *highest;

    // Cells on whole pixels, without smoothing, so that each is one flat colour.
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    for (int y = 0; y < kUniformRows; ++y) {
        for (int x = 0; x < kUniformColumns; ++x) {
            const size_t index = static_cast<size_t>(y) * kUniformColumns + x;
            if (index >= map.Cells.size()) continue;
            canvas.SetColour(HeatColour(Scale(map.Cells[index], low, high, 0, 1)));
            cairo_rectangle(cr, kUniformMap.Left + x * kUniformCell,
                            kUniformMap.Top + y * kUniformCell, kUniformCell, kUniformCell);
            cairo_fill(cr);
        }
    }
    // The scale bar: one row of pixels per colour, the highest value at the top.
    const Area& bar = kUniformScaleBar;
    for (int row = 0; row < static_cast<int>(bar.Height); ++row) {
        canvas.SetColour(HeatColour(1 - (row + 0.5) / bar.Height));
        cairo_rectangle(cr, bar.Left, bar.Top + row, bar.Width, 1);
        cairo_fill(cr);
    }
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);

    canvas.SetColour(kInk);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, kUniformMap.Left - 0.5, kUniformMap.Top - 0.5, kUniformMap.Width + 1,
                    kUniformMap.Height + 1);
    cairo_rectangle(cr, bar.Left - 0.5, bar.Top - 0.5, bar.Width + 1, bar.Height + 1);
    for (int x = 0; x < kUniformColumns; x += 4) {
        cairo_move_to(cr, UniformCellX(x), kUniformMap.Top - 1);
        cairo_line_to(cr, UniformCellX(x), kUniformMap.Top - 5);
        canvas.Text(UniformCellX(x), kUniformMap.Top - 9, std::to_string(x), Align::Centre, 11);
    }
    for (int y = 0; y < kUniformRows; y += 4) {
        cairo_move_to(cr, kUniformMap.Left - 1, UniformCellY(y));
        cairo_line_to(cr, kUniformMap.Left - 5, UniformCellY(y));
        canvas.Text(kUniformMap.Left - 9, UniformCellY(y) + 4, std::to_string(y), Align::Right, 11);
    }
    // Five labels on the scale, from the lowest value to the highest.
    const int labels = high > low ? 5 : 1;
    for (int i = 0; i < labels; ++i) {
        const double fraction = labels > 1 ? i / (labels - 1.0) : 0;
        const double py = bar.Bottom() - fraction * bar.Height;
        cairo_move_to(cr, bar.Right(), py);
        cairo_line_to(cr, bar.Right() + 5, py);
        canvas.Text(bar.Right() + 9, py + 4, NumberText(low + fraction * (high - low), 1),
                    Align::Left, 11);
    }
    cairo_stroke(cr);
    canvas.Text(kUniformMap.Left + kUniformMap.Width / 2, kUniformMap.Bottom() + 30,
                "cell x (0 left), y (0 top)", Align::Centre, 13);
    canvas.VerticalText(bar.Right() + 70, bar.Top + bar.Height / 2, "uniformity value", 13);
    canvas.Finish();
}

} // namespace qlcos::tool::plot
