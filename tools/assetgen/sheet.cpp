#include "tools/assetgen/sheet.h"

#include <algorithm>
#include <cmath>

#include "tools/assetgen/canvas.h"
#include "tools/assetgen/png_writer.h"

namespace assetgen {

std::string TierFileName(const std::string& name, int tier) {
    if (tier == 2) return name + "-hd.png";
    if (tier == 4) return name + "-hd2.png";
    return name + ".png";
}

Pixels RenderSheet(const SheetInfo& info, int tier) {
    const int rows = (info.frames + info.columns - 1) / info.columns;
    const int fw = info.frameWidth * tier, fh = info.frameHeight * tier;
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, fw * info.columns, fh * rows);
    cairo_t* cr = cairo_create(surface);
    for (int i = 0; i < info.frames; ++i) {
        cairo_save(cr);
        cairo_translate(cr, (i % info.columns) * fw, (i / info.columns) * fh);
        cairo_rectangle(cr, 0, 0, fw, fh);
        cairo_clip(cr);
        cairo_scale(cr, tier, tier);
        cairo_new_path(cr);
        info.paint(cr, i, tier);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    Pixels px;
    px.width = cairo_image_surface_get_width(surface);
    px.height = cairo_image_surface_get_height(surface);
    px.rgba = CairoToRgba(cairo_image_surface_get_data(surface), px.width, px.height,
                          cairo_image_surface_get_stride(surface));
    cairo_surface_destroy(surface);
    return px;
}

std::vector<uint8_t> RenderContactSheet(const SheetInfo& info, int tier, const Pixels& sheet) {
    const int fw = info.frameWidth * tier, fh = info.frameHeight * tier;
    // Enlarge small frames so that details can be judged; big ones stay 1:1.
    const int zoom = std::max(1, 96 / std::max(fw, fh));
    const int columns = std::min(info.columns, std::max(1, 2048 / (fw * zoom + 8)));
    const int rows = (info.frames + columns - 1) / columns;
    const int label = 14, pad = 4;
    const int cw = fw * zoom + 2 * pad, ch = fh * zoom + 2 * pad + label;

    cairo_surface_t* frames =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sheet.width, sheet.height);
    {
        // Back to premultiplied native pixels so Cairo can scale the frames.
        uint8_t* dst = cairo_image_surface_get_data(frames);
        int stride = cairo_image_surface_get_stride(frames);
        for (int y = 0; y < sheet.height; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(dst + size_t(stride) * size_t(y));
            for (int x = 0; x < sheet.width; ++x) {
                const uint8_t* p = &sheet.rgba[(size_t(y) * sheet.width + x) * 4];
                uint32_t a = p[3];
                uint32_t r = (p[0] * a + 127) / 255, g = (p[1] * a + 127) / 255,
                         b = (p[2] * a + 127) / 255;
                row[x] = (a << 24) | (r << 16) | (g << 8) | b;
            }
        }
        cairo_surface_mark_dirty(frames);
    }

    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, columns * cw, rows * ch);
    cairo_t* cr = cairo_create(out);
    // The game's backdrop colour, so the art is judged where it will be seen.
    cairo_set_source_rgb(cr, 0.06, 0.09, 0.3);
    cairo_paint(cr);
    UseFont(cr, Face::kSans, 10);
    for (int i = 0; i < info.frames; ++i) {
        const int x = (i % columns) * cw, y = (i / columns) * ch;
        cairo_set_source_rgb(cr, 0.1, 0.14, 0.4);
        cairo_rectangle(cr, x + pad, y + label + pad, fw * zoom, fh * zoom);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.85, 0.88, 1.0);
        cairo_move_to(cr, x + pad, y + 11);
        cairo_show_text(cr, std::to_string(i).c_str());

        const int sx = (i % info.columns) * fw, sy = (i / info.columns) * fh;
        cairo_save(cr);
        cairo_rectangle(cr, x + pad, y + label + pad, fw * zoom, fh * zoom);
        cairo_clip(cr);
        cairo_translate(cr, x + pad, y + label + pad);
        cairo_scale(cr, zoom, zoom);
        cairo_set_source_surface(cr, frames, -sx, -sy);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(out);
    std::vector<uint8_t> rgba =
        CairoToRgba(cairo_image_surface_get_data(out), cairo_image_surface_get_width(out),
                    cairo_image_surface_get_height(out), cairo_image_surface_get_stride(out));
    std::vector<uint8_t> png = EncodePng(rgba.data(), cairo_image_surface_get_width(out),
                                         cairo_image_surface_get_height(out));
    cairo_surface_destroy(out);
    cairo_surface_destroy(frames);
    return png;
}

}  // namespace assetgen
