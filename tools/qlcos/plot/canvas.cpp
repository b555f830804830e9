#include "plot/canvas.h"

#include "failure.h"
#include "output.h"
#include "output_file.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <fontconfig/fontconfig.h>

#include <cmath>

namespace qlcos::tool::plot {

namespace {

// Cairo and fontconfig keep their font caches for the life of the process. They are released
// at exit, when no picture is left, so that a leak checker sees only real leaks.
struct FontCachesReleasedAtExit {
    ~FontCachesReleasedAtExit()
    {
        cairo_debug_reset_static_data();
        FcFini();
    }
} g_FontCaches;

constexpr const char* kFont = "DejaVu Sans";

void CheckCairo(cairo_status_t status, const std::string& name)
{
    if (status != CAIRO_STATUS_SUCCESS)
        throw Failure(ExitCode::File,
                      name + ": cannot write the picture: " + cairo_status_to_string(status));
}

} // namespace

bool ImageFormatOf(const std::string& path, ImageFormat& format)
{
    const std::string extension = Extension(path);
    if (extension == "png")
        format = ImageFormat::Png;
    else if (extension == "svg")
        format = ImageFormat::Svg;
    else if (extension == "pdf")
        format = ImageFormat::Pdf;
    else
        return false;
    return true;
}

const char* ImageFormatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Png: return "PNG";
    case ImageFormat::Svg: return "SVG";
    case ImageFormat::Pdf: return "PDF";
    }
    return "?";
}

Axis NiceAxis(double low, double high, int count, const std::string& label)
{
    if (!std::isfinite(low) || !std::isfinite(high - low)) low = high = 0;
    if (!(high > low)) high = low + 1;
    const double rough = (high - low) / std::max(count, 1);
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10 * power;
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough) {
            step = factor * power;
            break;
        }
    }
    Axis axis;
    axis.Label = label;
    axis.Decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    const long first = static_cast<long>(std::floor(low / step + 1e-9));
    const long last = static_cast<long>(std::ceil(high / step - 1e-9));
    for (long i = first; i <= last; ++i) axis.Ticks.push_back(i * step);
    axis.Low = axis.Ticks.front();
    axis.High = axis.Ticks.back();
    return axis;
}

Canvas::Canvas(Destination destination) : m_Destination(std::move(destination))
{
    switch (m_Destination.Format) {
    case ImageFormat::Png:
        m_Surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kCanvasWidth, kCanvasHeight);
        break;
    case ImageFormat::Svg:
        m_Surface =
            cairo_svg_surface_create(m_Destination.Path.c_str(), kCanvasWidth, kCanvasHeight);
        break;
    case ImageFormat::Pdf:
        m_Surface =
            cairo_pdf_surface_create(m_Destination.Path.c_str(), kCanvasWidth, kCanvasHeight);
        break;
    }
    m_Context = cairo_create(m_Surface);
    if (cairo_surface_status(m_Surface) != CAIRO_STATUS_SUCCESS ||
        cairo_status(m_Context) != CAIRO_STATUS_SUCCESS) {
        const cairo_status_t status = cairo_surface_status(m_Surface);
        cairo_destroy(m_Context);
        cairo_surface_destroy(m_Surface);
        CheckCairo(status != CAIRO_STATUS_SUCCESS ? status : CAIRO_STATUS_NO_MEMORY,
                   m_Destination.Name);
    }
    cairo_select_font_face(m_Context, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    SetColour(kBackground);
    cairo_paint(m_Context);
}

Canvas::~Canvas()
{
    cairo_destroy(m_Context);
    cairo_surface_destroy(m_Surface);
}

void Canvas::SetColour(Colour colour) const
{
    cairo_set_source_rgb(m_Context, colour.Red / 255.0, colour.Green / 255.0, colour.Blue / 255.0);
}

void Canvas::Text(double x, double y, const std::string& text, Align align, double size,
                  bool bold) const
{
    cairo_select_font_face(m_Context, kFont, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(m_Context, size);
    cairo_text_extents_t extents;
    cairo_text_extents(m_Context, text.c_str(), &extents);
    double left = x;
    if (align == Align::Centre) left -= extents.x_advance / 2;
    if (align == Align::Right) left -= extents.x_advance;
    // The path being built around the text stays as it was, and no line drawn next starts
    // where the text ended.
    cairo_path_t* path = cairo_copy_path(m_Context);
    cairo_move_to(m_Context, left, y);
    cairo_show_text(m_Context, text.c_str());
    cairo_new_path(m_Context);
    cairo_append_path(m_Context, path);
    cairo_path_destroy(path);
}

void Canvas::VerticalText(double x, double y, const std::string& text, double size) const
{
    cairo_save(m_Context);
    cairo_translate(m_Context, x, y);
    cairo_rotate(m_Context, -M_PI / 2);
    Text(0, 0, text, Align::Centre, size);
    cairo_restore(m_Context);
}

void Canvas::Title(const std::string& text) const
{
    SetColour(kInk);
    Text(kCanvasWidth / 2.0, 30, text, Align::Centre, 16, true);
}

void Canvas::Axes(const Area& area, const Axis& x, const Axis& y) const
{
    cairo_t* cr = m_Context;
    cairo_set_line_width(cr, 1);
    // Grid lines on the half pixel, so that they are one pixel wide and sharp.
    SetColour(kGrid);
    for (double tick : x.Ticks) {
        const double px = std::round(Scale(tick, x.Low, x.High, area.Left, area.Right())) + 0.5;
        cairo_move_to(cr, px, area.Top);
        cairo_line_to(cr, px, area.Bottom());
    }
    for (double tick : y.Ticks) {
        const double py = std::round(Scale(tick, y.Low, y.High, area.Bottom(), area.Top)) + 0.5;
        cairo_move_to(cr, area.Left, py);
        cairo_line_to(cr, area.Right(), py);
    }
    cairo_stroke(cr);

    SetColour(kInk);
    cairo_rectangle(cr, area.Left, area.Top, area.Width, area.Height);
    for (double tick : x.Ticks) {
        const double px = Scale(tick, x.Low, x.High, area.Left, area.Right());
        cairo_move_to(cr, px, area.Bottom());
        cairo_line_to(cr, px, area.Bottom() + 5);
        Text(px, area.Bottom() + 19, NumberText(tick, x.Decimals), Align::Centre, 11);
    }
    for (double tick : y.Ticks) {
        const double py = Scale(tick, y.Low, y.High, area.Bottom(), area.Top);
        cairo_move_to(cr, area.Left - 5, py);
        cairo_line_to(cr, area.Left, py);
        Text(area.Left - 8, py + 4, NumberText(tick, y.Decimals), Align::Right, 11);
    }
    cairo_stroke(cr);
    Text(area.Left + area.Width / 2, area.Bottom() + 42, x.Label, Align::Centre, 13);
    VerticalText(area.Left - 52, area.Top + area.Height / 2, y.Label, 13);
}

void Canvas::Legend(double x, double y, const std::vector<LegendEntry>& entries) const
{
    cairo_t* cr = m_Context;
    for (const LegendEntry& entry : entries) {
        SetColour(entry.Ink);
        cairo_set_line_width(cr, 2);
        if (entry.Dashed) {
            const double dashes[] = {6, 4};
            cairo_set_dash(cr, dashes, 2, 0);
        }
        cairo_move_to(cr, x, y - 4);
        cairo_line_to(cr, x + 28, y - 4);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
        if (entry.Marker) Marker(x + 14, y - 4, entry.Ink);
        SetColour(kInk);
        Text(x + 38, y, entry.Text, Align::Left, 12);
        y += 22;
    }
}

void Canvas::Marker(double x, double y, Colour colour) const
{
    SetColour(colour);
    cairo_new_sub_path(m_Context);
    cairo_arc(m_Context, x, y, 4, 0, 2 * M_PI);
    cairo_fill(m_Context);
}

void Canvas::Curve(const std::vector<Point>& points, Colour colour, bool marked) const
{
    SetColour(colour);
    cairo_set_line_width(m_Context, 2);
    cairo_set_line_join(m_Context, CAIRO_LINE_JOIN_ROUND);
    for (const Point& point : points) cairo_line_to(m_Context, point.X, point.Y);
    cairo_stroke(m_Context);
    if (marked)
        for (const Point& point : points) Marker(point.X, point.Y, colour);
}

void Canvas::ClipTo(const Area& area) const
{
    cairo_save(m_Context);
    cairo_rectangle(m_Context, area.Left - 5, area.Top - 5, area.Width + 10, area.Height + 10);
    cairo_clip(m_Context);
}

void Canvas::EndClip() const { cairo_restore(m_Context); }

void Canvas::Finish()
{
    cairo_surface_flush(m_Surface);
    CheckCairo(cairo_status(m_Context), m_Destination.Name);
    if (m_Destination.Format == ImageFormat::Png)
        CheckCairo(cairo_surface_write_to_png(m_Surface, m_Destination.Path.c_str()),
                   m_Destination.Name);
    cairo_surface_finish(m_Surface);
    CheckCairo(cairo_surface_status(m_Surface), m_Destination.Name);
}

} // namespace qlcos::tool::plot
