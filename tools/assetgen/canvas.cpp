#include "tools/assetgen/canvas.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace assetgen {

Rgb palette::PlayColour(int index) {
    switch (index) {
        case 0:
            return kRed;
        case 1:
            return kGreen;
        case 2:
            return kBlue;
        default:
            return kWhite;
    }
}

Shape ShapeOf(int index) {
    switch (index) {
        case 0:
            return Shape::kDiamond;
        case 1:
            return Shape::kCircle;
        case 2:
            return Shape::kTriangle;
        default:
            return Shape::kStar;
    }
}

void SetColour(cairo_t* cr, const Rgb& c, double alpha) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void SetNightSky(cairo_t* cr, double y0, double y1) {
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, y0, 0, y1);
    const Rgb top = palette::kNight.Mixed(palette::kBlue, 0.35);
    cairo_pattern_add_color_stop_rgb(sky, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(sky, 1, palette::kNight.r, palette::kNight.g,
                                     palette::kNight.b);
    cairo_set_source(cr, sky);
    cairo_pattern_destroy(sky);
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    r = std::min(r, std::min(w, h) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 1.5 * M_PI);
    cairo_close_path(cr);
}

void StarPath(cairo_t* cr, double cx, double cy, int points, double outer, double inner,
              double rotation) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < points * 2; ++i) {
        double a = rotation + M_PI * i / points - M_PI / 2;
        double r = (i % 2) ? inner : outer;
        cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
    cairo_close_path(cr);
}

void ShapePath(cairo_t* cr, Shape shape, double cx, double cy, double r) {
    cairo_new_sub_path(cr);
    switch (shape) {
        case Shape::kDiamond:
            cairo_move_to(cr, cx, cy - r);
            cairo_line_to(cr, cx + r * 0.78, cy);
            cairo_line_to(cr, cx, cy + r);
            cairo_line_to(cr, cx - r * 0.78, cy);
            cairo_close_path(cr);
            break;
        case Shape::kCircle:
            cairo_arc(cr, cx, cy, r * 0.82, 0, 2 * M_PI);
            cairo_close_path(cr);
            break;
        case Shape::kTriangle:
            // Centred on its area, not its box, so it sits visually in the middle.
            cairo_move_to(cr, cx, cy - r);
            cairo_line_to(cr, cx + r * 0.95, cy + r * 0.68);
            cairo_line_to(cr, cx - r * 0.95, cy + r * 0.68);
            cairo_close_path(cr);
            break;
        case Shape::kStar:
            StarPath(cr, cx, cy, 5, r, r * 0.45, 0);
            break;
    }
}

void GlossyDisc(cairo_t* cr, double cx, double cy, double r, const Rgb& base, double outline) {
    cairo_pattern_t* g =
        cairo_pattern_create_radial(cx - r * 0.35, cy - r * 0.45, r * 0.1, cx, cy, r * 1.05);
    Rgb hi = base.Mixed({1, 1, 1}, 0.55), lo = base.Scaled(0.62);
    cairo_pattern_add_color_stop_rgb(g, 0, hi.r, hi.g, hi.b);
    cairo_pattern_add_color_stop_rgb(g, 0.55, base.r, base.g, base.b);
    cairo_pattern_add_color_stop_rgb(g, 1, lo.r, lo.g, lo.b);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    SetColour(cr, base.Scaled(0.35));
    cairo_set_line_width(cr, outline);
    cairo_stroke(cr);
    // Soft highlight crescent near the top.
    cairo_save(cr);
    cairo_translate(cr, cx, cy - r * 0.42);
    cairo_scale(cr, r * 0.62, r * 0.36);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_pattern_t* s = cairo_pattern_create_linear(0, cy - r * 0.8, 0, cy - r * 0.05);
    cairo_pattern_add_color_stop_rgba(s, 0, 1, 1, 1, 0.7);
    cairo_pattern_add_color_stop_rgba(s, 1, 1, 1, 1, 0.0);
    cairo_set_source(cr, s);
    cairo_fill(cr);
    cairo_pattern_destroy(s);
}

namespace {

std::string& FontDirectory() {
    static std::string dir = "/usr/share/fonts/truetype/dejavu";
    return dir;
}

const char* FileOf(Face face) {
    switch (face) {
        case Face::kSans:
            return "DejaVuSans.ttf";
        case Face::kSansBold:
            return "DejaVuSans-Bold.ttf";
        case Face::kMono:
            return "DejaVuSansMono.ttf";
        case Face::kMonoBold:
            return "DejaVuSansMono-Bold.ttf";
        case Face::kSerifBold:
            return "DejaVuSerif-Bold.ttf";
    }
    return "DejaVuSans.ttf";
}

// One FreeType library per thread: FT_Face objects must not be shared between
// threads that render at the same time.
struct FontCache {
    FT_Library library = nullptr;
    std::map<Face, cairo_font_face_t*> faces;
    FontCache() { FT_Init_FreeType(&library); }
    ~FontCache() {
        for (auto& [face, cf] : faces) cairo_font_face_destroy(cf);
        // The FT_Faces are released by Cairo's user-data destructor below;
        // the library lives until thread exit.
    }
    cairo_font_face_t* Get(Face face) {
        auto it = faces.find(face);
        if (it != faces.end()) return it->second;
        std::string path = FontDirectory() + "/" + FileOf(face);
        FT_Face ft = nullptr;
        if (FT_New_Face(library, path.c_str(), 0, &ft) != 0) {
            std::fprintf(stderr, "assetgen: cannot open font %s\n", path.c_str());
            std::exit(1);
        }
        cairo_font_face_t* cf = cairo_ft_font_face_create_for_ft_face(ft, 0);
        static const cairo_user_data_key_t key{};
        cairo_font_face_set_user_data(cf, &key, ft,
                                      [](void* p) { FT_Done_Face(static_cast<FT_Face>(p)); });
        faces[face] = cf;
        return cf;
    }
};

}  // namespace

void SetFontDirectory(const std::string& dir) {
    FontDirectory() = dir;
}

void UseFont(cairo_t* cr, Face face, double size, bool hinted) {
    thread_local FontCache cache;
    cairo_set_font_face(cr, cache.Get(face));
    cairo_set_font_size(cr, size);
    // Fixed options: the look must not depend on the machine's font settings.
    cairo_font_options_t* opt = cairo_font_options_create();
    cairo_font_options_set_antialias(opt, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(opt, hinted ? CAIRO_HINT_STYLE_FULL : CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(opt, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, opt);
    cairo_font_options_destroy(opt);
}

void CenteredTextPath(cairo_t* cr, const std::string& text, double cx, double cy) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    cairo_move_to(cr, cx - e.x_bearing - e.width / 2, cy - e.y_bearing - e.height / 2);
    cairo_text_path(cr, text.c_str());
}

void LabelText(cairo_t* cr, const std::string& text, double cx, double cy, const Rgb& fill,
               const Rgb& outline, double outlineWidth, double shadow) {
    cairo_save(cr);
    if (shadow > 0) {
        cairo_new_path(cr);
        CenteredTextPath(cr, text, cx + shadow * 0.6, cy + shadow);
        cairo_set_source_rgba(cr, 0, 0, 0.1, 0.45);
        cairo_fill(cr);
    }
    cairo_new_path(cr);
    CenteredTextPath(cr, text, cx, cy);
    if (outlineWidth > 0) {
        SetColour(cr, outline);
        cairo_set_line_width(cr, outlineWidth);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke_preserve(cr);
    }
    SetColour(cr, fill);
    cairo_fill(cr);
    cairo_restore(cr);
}

}  // namespace assetgen
