#include "tools/assetgen/installer_art.h"

#include <cairo.h>

#include <algorithm>

#include "tools/assetgen/art.h"
#include "tools/assetgen/canvas.h"

namespace assetgen {
namespace {

// The title logo on the white of the page header, as large as the strip allows.
void PaintHeader(cairo_t* cr, int width, int height) {
    SetColour(cr, {1, 1, 1});
    cairo_paint(cr);
    const double scale = std::min(width / 256.0, height / 128.0);
    cairo_translate(cr, (width - 256 * scale) / 2, (height - 128 * scale) / 2);
    cairo_scale(cr, scale, scale);
    PaintTitleLogo(cr, 0, 1);
}

// The night sky of the app icon's tile, the title logo at the top and a menu island
// below it: what the game's own menu shows first.
void PaintWelcome(cairo_t* cr, int width, int height) {
    SetNightSky(cr, 0, height);
    cairo_paint(cr);
    const double scale = width / 256.0;
    cairo_save(cr);
    cairo_translate(cr, 0, height * 0.08);
    cairo_scale(cr, scale, scale);
    PaintTitleLogo(cr, 0, 1);
    cairo_restore(cr);
    cairo_translate(cr, 0, height - 256 * scale - height * 0.08);
    cairo_scale(cr, scale, scale);
    PaintMenuArt(cr, 0, 1);
}

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xffff);
    PutU16(out, v >> 16);
}

}  // namespace

const std::vector<InstallerPicture>& InstallerPictures() {
    static const std::vector<InstallerPicture> pictures{{"header.bmp", 150, 57, true},
                                                        {"welcome.bmp", 164, 314, false}};
    return pictures;
}

std::vector<uint8_t> RenderInstallerPicture(const InstallerPicture& picture) {
    const int w = picture.width, h = picture.height;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create(surface);
    if (picture.header) {
        PaintHeader(cr, w, h);
    } else {
        PaintWelcome(cr, w, h);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    // BITMAPFILEHEADER and BITMAPINFOHEADER, then the rows bottom up, blue first, each
    // padded to four bytes.
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> out{'B', 'M'};
    PutU32(out, uint32_t(54 + stride * h));
    PutU32(out, 0);
    PutU32(out, 54);
    PutU32(out, 40);
    PutU32(out, uint32_t(w));
    PutU32(out, uint32_t(h));
    PutU16(out, 1);
    PutU16(out, 24);
    for (uint32_t v : {0u, uint32_t(stride * h), 2835u, 2835u, 0u, 0u}) PutU32(out, v);
    const uint8_t* data = cairo_image_surface_get_data(surface);
    for (int y = h - 1; y >= 0; --y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(
            data + size_t(cairo_image_surface_get_stride(surface)) * size_t(y));
        for (int x = 0; x < w; ++x)
            out.insert(out.end(), {uint8_t(row[x]), uint8_t(row[x] >> 8), uint8_t(row[x] >> 16)});
        out.resize(out.size() + size_t(stride - w * 3), 0);
    }
    cairo_surface_destroy(surface);
    return out;
}

}  // namespace assetgen
