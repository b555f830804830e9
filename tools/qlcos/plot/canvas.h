// A picture drawn with Cairo and written as PNG, SVG or PDF, with the pieces every chart
// shares: text, a title, axes with ticks and labels, a legend.
#pragma once

#include "plot/layout.h"

#include <cairo.h>

#include <string>
#include <vector>

namespace qlcos::tool::plot {

enum class ImageFormat { Png, Svg, Pdf };

// The format a file name asks for by its extension (.png, .svg, .pdf in any letter case);
// false for any other.
bool ImageFormatOf(const std::string& path, ImageFormat& format);
const char* ImageFormatName(ImageFormat format); // "PNG", "SVG", "PDF"

// Where a picture goes: the file Cairo writes, in which format, and the name failures give.
struct Destination {
    ImageFormat Format;
    std::string Path;
    std::string Name;
};

// One axis of a chart: the data range it spans, where its ticks go and what it shows.
struct Axis {
    double Low = 0;
    double High = 1;
    std::vector<double> Ticks; // data values, each labelled
    std::string Label;
    int Decimals = 0; // of the tick labels
};

// About `count` evenly spaced ticks from `low` to at least `high`, spaced 1, 2 or 5 times
// a power of ten, as an axis: its range runs from the first tick to the last.
Axis NiceAxis(double low, double high, int count, const std::string& label);

enum class Align { Left, Centre, Right };

// A point on the canvas, in pixels.
struct Point {
    double X;
    double Y;
};

// One entry of a legend: a line sample (dashed or with a marker) and its text.
struct LegendEntry {
    Colour Ink;
    std::string Text;
    bool Dashed = false;
    bool Marker = false;
};

class Canvas {
public:
    // A white canvas of kCanvasWidth × kCanvasHeight that Finish writes to `destination`.
    // Throws Failure(File) when Cairo cannot set it up.
    explicit Canvas(Destination destination);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* Context() const { return m_Context; }
    void SetColour(Colour colour) const;

    // Text with its baseline at `y`, aligned on `x`; `size` in pixels.
    void Text(double x, double y, const std::string& text, Align align, double size = 12,
              bool bold = false) const;
    // Text read bottom to top, centred on (x, y).
    void VerticalText(double x, double y, const std::string& text, double size = 12) const;
    // The chart's title, centred above everything.
    void Title(const std::string& text) const;
    // A frame around `area`, grid lines and labelled ticks for both axes, the axis labels
    // below and left of it. The vertical axis grows upwards.
    void Axes(const Area& area, const Axis& x, const Axis& y) const;
    // Entries one below the other from (x, y) downwards.
    void Legend(double x, double y, const std::vector<LegendEntry>& entries) const;
    // A filled circle marking a data point.
    void Marker(double x, double y, Colour colour) const;
    // A line 2 pixels wide through `points` (canvas pixels), a marker on each when `marked`.
    void Curve(const std::vector<Point>& points, Colour colour, bool marked) const;
    // Drawing from now on stays within `area` and a margin of 5 pixels (for markers), so
    // that nothing spills over the labels; EndClip lifts it.
    void ClipTo(const Area& area) const;
    void EndClip() const;

    // Writes the picture to the path; throws Failure(File) when Cairo could not.
    void Finish();

private:
    Destination m_Destination;
    cairo_surface_t* m_Surface = nullptr;
    cairo_t* m_Context = nullptr;
};

} // namespace qlcos::tool::plot
