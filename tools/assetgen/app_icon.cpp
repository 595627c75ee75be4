#include "tools/assetgen/app_icon.h"

#include <cairo.h>

#include <cmath>

#include "tools/assetgen/canvas.h"
#include "tools/assetgen/png_writer.h"

namespace assetgen {
namespace {

struct Point {
    double x, y;
};

void FillFace(cairo_t* cr, const Point (&p)[4], const Rgb& colour) {
    cairo_move_to(cr, p[0].x, p[0].y);
    for (int i = 1; i < 4; ++i) cairo_line_to(cr, p[i].x, p[i].y);
    cairo_close_path(cr);
    SetColour(cr, colour);
    cairo_fill_preserve(cr);
}

Point Mid(const Point (&p)[4]) {
    return {(p[0].x + p[1].x + p[2].x + p[3].x) / 4, (p[0].y + p[1].y + p[2].y + p[3].y) / 4};
}

// Drawn on a 64-unit square; the caller scales to the pixel size. A maskable icon's tile
// fills the square and its picture keeps inside the middle circle that every mask shape
// leaves whole.
void PaintAppIcon(cairo_t* cr, int size, bool maskable) {
    // Night tile with a soft top light, inset so the rounded corners are not clipped.
    if (maskable) {
        cairo_rectangle(cr, 0, 0, 64, 64);
    } else {
        RoundedRect(cr, 2, 2, 60, 60, 12);
    }
    SetNightSky(cr, 2, 62);
    cairo_fill(cr);
    if (maskable) {
        cairo_translate(cr, 32, 32);
        cairo_scale(cr, 0.72, 0.72);
        cairo_translate(cr, -32, -32);
    }

    // An isometric cube: top face red, left green, right blue, the three colours it
    // cycles through while rolling.
    const double cx = 32, cy = 33, r = 21, h = r * 0.5;
    const Point topFace[4] = {{cx, cy - 2 * h}, {cx + r, cy - h}, {cx, cy}, {cx - r, cy - h}};
    const Point left[4] = {{cx - r, cy - h}, {cx, cy}, {cx, cy + 2 * h}, {cx - r, cy + h}};
    const Point right[4] = {{cx + r, cy - h}, {cx, cy}, {cx, cy + 2 * h}, {cx + r, cy + h}};
    const double outline = size >= 32 ? 1.6 : 2.4;
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, outline);
    FillFace(cr, topFace, palette::kRed.Mixed(palette::kWhite, 0.12));
    SetColour(cr, palette::kInk);
    cairo_stroke(cr);
    FillFace(cr, left, palette::kGreen.Scaled(0.82));
    SetColour(cr, palette::kInk);
    cairo_stroke(cr);
    FillFace(cr, right, palette::kBlue.Scaled(0.7));
    SetColour(cr, palette::kInk);
    cairo_stroke(cr);

    // The colour-blind symbols on each face, where there are pixels enough to read them.
    if (size >= 48) {
        const struct {
            Point at;
            int colour;
        } marks[] = {{Mid(topFace), 0}, {Mid(left), 1}, {Mid(right), 2}};
        for (const auto& m : marks) {
            ShapePath(cr, ShapeOf(m.colour), m.at.x, m.at.y, 4.2);
            SetColour(cr, palette::kWhite, 0.85);
            cairo_fill(cr);
        }
    }

    // A gold gem sparkle above the cube's right corner.
    StarPath(cr, 51, 13, 4, 7, 2.2, 0);
    SetColour(cr, palette::kGold);
    cairo_fill(cr);
}

}  // namespace

const std::vector<int>& AppIconSizes() {
    static const std::vector<int> sizes{16, 22, 24, 32, 48, 64, 128, 256, 512};
    return sizes;
}

const std::vector<WebIcon>& WebIcons() {
    static const std::vector<WebIcon> icons{{"icon-192.png", 192, false},
                                            {"icon-512.png", 512, false},
                                            {"icon-maskable-512.png", 512, true}};
    return icons;
}

std::vector<uint8_t> RenderAppIcon(int size, bool maskable) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, size / 64.0, size / 64.0);
    PaintAppIcon(cr, size, maskable);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    std::vector<uint8_t> rgba = CairoToRgba(cairo_image_surface_get_data(surface), size, size,
                                            cairo_image_surface_get_stride(surface));
    cairo_surface_destroy(surface);
    return EncodePng(rgba.data(), size, size);
}

}  // namespace assetgen
