// "common/icons", "common/dpad" and "common/light": white symbols on dark
// glassy discs, so the game can tint them by drawing colour.
#include <cmath>

#include "tools/assetgen/art.h"
#include "tools/assetgen/canvas.h"

namespace assetgen {
namespace {

const Rgb kShade = FromBytes(14, 18, 60);

void Backplate(cairo_t* cr, double cx, double cy, double r, const Rgb& fill, double alpha) {
    cairo_arc(cr, cx + 0.6, cy + 0.9, r, 0, 2 * M_PI);
    SetColour(cr, kShade, 0.45);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, cy - r, 0, cy + r);
    Rgb hi = fill.Mixed({1, 1, 1}, 0.25);
    cairo_pattern_add_color_stop_rgba(g, 0, hi.r, hi.g, hi.b, alpha);
    cairo_pattern_add_color_stop_rgba(g, 1, fill.r * 0.7, fill.g * 0.7, fill.b * 0.7, alpha);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
}

// Fills the current path white over a soft dark shadow.
void WhiteSymbol(cairo_t* cr) {
    cairo_path_t* path = cairo_copy_path(cr);
    cairo_save(cr);
    cairo_translate(cr, 0.5, 0.8);
    cairo_new_path(cr);
    cairo_append_path(cr, path);
    SetColour(cr, kShade, 0.6);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_new_path(cr);
    cairo_append_path(cr, path);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
    cairo_path_destroy(path);
}

void StrokeToPath(cairo_t* cr, double width) {
    // Cairo cannot turn strokes into fill paths, so symbols made of lines are
    // drawn as strokes twice: shadow, then white.
    cairo_path_t* path = cairo_copy_path(cr);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_save(cr);
    cairo_translate(cr, 0.5, 0.8);
    cairo_new_path(cr);
    cairo_append_path(cr, path);
    SetColour(cr, kShade, 0.6);
    cairo_stroke(cr);
    cairo_restore(cr);
    cairo_new_path(cr);
    cairo_append_path(cr, path);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_stroke(cr);
    cairo_path_destroy(path);
}

void Arrow(cairo_t* cr, double cx, double cy, double angle, double s) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, angle);
    cairo_move_to(cr, s, 0);
    cairo_line_to(cr, -s * 0.6, -s * 0.85);
    cairo_line_to(cr, -s * 0.6, s * 0.85);
    cairo_close_path(cr);
    cairo_restore(cr);
}

void GearPath(cairo_t* cr, double cx, double cy, double r, int teeth, double depth) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < teeth * 4; ++i) {
        double a = 2 * M_PI * (i + 0.5) / (teeth * 4);
        double rr = (i % 4 < 2) ? r : r - depth;
        cairo_line_to(cr, cx + rr * std::cos(a), cy + rr * std::sin(a));
    }
    cairo_close_path(cr);
}

}  // namespace

void PaintIcon(cairo_t* cr, int frame, int) {
    const double c = 16;
    if (frame == 6) {
        // The selection marker: gold corner brackets with a soft glow, framing
        // whatever button it is drawn over.
        for (int pass = 0; pass < 2; ++pass) {
            for (int k = 0; k < 4; ++k) {
                double sx = (k % 2) ? 1 : -1, sy = (k / 2) ? 1 : -1;
                // Kept inside the frame with its glow, so nothing is cut off at
                // the frame edge or bleeds into a neighbour.
                cairo_move_to(cr, c + sx * 13, c + sy * 6.5);
                cairo_line_to(cr, c + sx * 13, c + sy * 13);
                cairo_line_to(cr, c + sx * 6.5, c + sy * 13);
            }
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            if (pass == 0) {
                cairo_set_source_rgba(cr, 1, 0.85, 0.3, 0.35);
                cairo_set_line_width(cr, 3.6);
            } else {
                SetColour(cr, palette::kGold);
                cairo_set_line_width(cr, 1.8);
            }
            cairo_stroke(cr);
        }
        return;
    }
    Rgb plate = frame == 1 ? FromBytes(200, 60, 70) : FromBytes(40, 60, 140);
    Backplate(cr, c, c, 13, plate, frame == 0 ? 0.6 : 0.85);
    cairo_new_path(cr);
    switch (frame) {
        case 0:  // pause
            RoundedRect(cr, c - 5.5, c - 6.5, 4, 13, 1);
            RoundedRect(cr, c + 1.5, c - 6.5, 4, 13, 1);
            WhiteSymbol(cr);
            break;
        case 1:  // quit
            cairo_move_to(cr, c - 5, c - 5);
            cairo_line_to(cr, c + 5, c + 5);
            cairo_move_to(cr, c + 5, c - 5);
            cairo_line_to(cr, c - 5, c + 5);
            StrokeToPath(cr, 3.2);
            break;
        case 2:  // back: head and shaft as one outline, so no seam or gap shows
            cairo_move_to(cr, c - 8, c);
            cairo_line_to(cr, c - 1.5, c - 6.5);
            cairo_line_to(cr, c - 1.5, c - 2.2);
            cairo_line_to(cr, c + 7, c - 2.2);
            cairo_line_to(cr, c + 7, c + 2.2);
            cairo_line_to(cr, c - 1.5, c + 2.2);
            cairo_line_to(cr, c - 1.5, c + 6.5);
            cairo_close_path(cr);
            WhiteSymbol(cr);
            break;
        case 3:  // play
            Arrow(cr, c + 1.5, c, 0, 8);
            WhiteSymbol(cr);
            break;
        case 4:  // sound
            cairo_move_to(cr, c - 7, c - 3);
            cairo_line_to(cr, c - 3.5, c - 3);
            cairo_line_to(cr, c + 1, c - 7.5);
            cairo_line_to(cr, c + 1, c + 7.5);
            cairo_line_to(cr, c - 3.5, c + 3);
            cairo_line_to(cr, c - 7, c + 3);
            cairo_close_path(cr);
            WhiteSymbol(cr);
            cairo_arc(cr, c + 1, c, 4.5, -0.8, 0.8);
            cairo_new_sub_path(cr);
            cairo_arc(cr, c + 1, c, 7.5, -0.8, 0.8);
            StrokeToPath(cr, 1.6);
            break;
        case 5:  // music
            cairo_arc(cr, c - 4, c + 5, 3, 0, 2 * M_PI);
            cairo_new_sub_path(cr);
            cairo_arc(cr, c + 5, c + 3, 3, 0, 2 * M_PI);
            cairo_rectangle(cr, c - 2, c - 7, 2, 12);
            cairo_rectangle(cr, c + 7, c - 9, 2, 12);
            cairo_move_to(cr, c - 2, c - 7);
            cairo_line_to(cr, c + 9, c - 9);
            cairo_line_to(cr, c + 9, c - 5.5);
            cairo_line_to(cr, c - 2, c - 3.5);
            cairo_close_path(cr);
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
            WhiteSymbol(cr);
            break;
        case 7:  // full screen
            for (int k = 0; k < 4; ++k) {
                double sx = (k % 2) ? 1 : -1, sy = (k / 2) ? 1 : -1;
                cairo_move_to(cr, c + sx * 2, c + sy * 2);
                cairo_line_to(cr, c + sx * 6.5, c + sy * 6.5);
                cairo_move_to(cr, c + sx * 7, c + sy * 2.5);
                cairo_line_to(cr, c + sx * 7, c + sy * 7);
                cairo_line_to(cr, c + sx * 2.5, c + sy * 7);
            }
            StrokeToPath(cr, 2);
            break;
        case 8:  // settings
            GearPath(cr, c, c, 8.5, 8, 2.5);
            cairo_arc_negative(cr, c, c, 3, 2 * M_PI, 0);
            WhiteSymbol(cr);
            break;
        case 9:  // star
            StarPath(cr, c, c + 0.5, 5, 9, 4, 0);
            WhiteSymbol(cr);
            break;
        case 10:  // trophy
            cairo_move_to(cr, c - 6, c - 7);
            cairo_line_to(cr, c + 6, c - 7);
            cairo_curve_to(cr, c + 6, c + 1, c + 2, c + 2, c + 1, c + 2);
            cairo_line_to(cr, c + 1, c + 5);
            cairo_line_to(cr, c + 4.5, c + 7.5);
            cairo_line_to(cr, c - 4.5, c + 7.5);
            cairo_line_to(cr, c - 1, c + 5);
            cairo_line_to(cr, c - 1, c + 2);
            cairo_curve_to(cr, c - 2, c + 2, c - 6, c + 1, c - 6, c - 7);
            cairo_close_path(cr);
            WhiteSymbol(cr);
            break;
        case 11:  // info
            cairo_arc(cr, c, c - 6, 2, 0, 2 * M_PI);
            cairo_rectangle(cr, c - 1.8, c - 2.5, 3.6, 10);
            WhiteSymbol(cr);
            break;
        case 12:  // confirm
            cairo_move_to(cr, c - 6, c);
            cairo_line_to(cr, c - 1.5, c + 5);
            cairo_line_to(cr, c + 6.5, c - 5);
            StrokeToPath(cr, 3);
            break;
        case 13: {  // restart: an open ring whose end carries the arrow head
            const double r = 6.3, from = -0.9 * M_PI, to = 0.55 * M_PI;
            cairo_arc(cr, c, c, r, from, to);
            StrokeToPath(cr, 2.6);
            // The head sits on the start of the ring, pointing back along it
            // (against the arc's direction of drawing), so the ring reads as
            // turning anticlockwise.
            const double head = from - M_PI / 2;
            Arrow(cr, c + r * std::cos(from) + std::cos(head),
                  c + r * std::sin(from) + std::sin(head), head, 4.2);
            WhiteSymbol(cr);
            break;
        }
        case 14: {  // help
            UseFont(cr, Face::kSansBold, 18);
            CenteredTextPath(cr, "?", c, c);
            WhiteSymbol(cr);
            break;
        }
        default:  // home
            cairo_move_to(cr, c, c - 8);
            cairo_line_to(cr, c + 8, c);
            cairo_line_to(cr, c + 5.5, c);
            cairo_line_to(cr, c + 5.5, c + 7);
            cairo_line_to(cr, c - 5.5, c + 7);
            cairo_line_to(cr, c - 5.5, c);
            cairo_line_to(cr, c - 8, c);
            cairo_close_path(cr);
            WhiteSymbol(cr);
            break;
    }
}

void PaintDpad(cairo_t* cr, int frame, int) {
    const double c = 16;
    static const Rgb kAction[6] = {FromBytes(80, 210, 90),   FromBytes(240, 80, 80),
                                   FromBytes(80, 150, 250),  FromBytes(250, 210, 60),
                                   FromBytes(190, 120, 240), FromBytes(80, 220, 220)};
    if (frame < 4) {  // direction buttons: up, down, left, right
        static const double kAngle[4] = {-M_PI / 2, M_PI / 2, M_PI, 0};
        Backplate(cr, c, c, 13, FromBytes(40, 60, 140), 0.6);
        cairo_new_path(cr);
        Arrow(cr, c, c, kAngle[frame], 7);
        WhiteSymbol(cr);
    } else if (frame < 10) {  // action buttons 10..15
        GlossyDisc(cr, c, c, 12.5, kAction[frame - 4], 1.2);
        UseFont(cr, Face::kSansBold, 12);
        cairo_new_path(cr);
        CenteredTextPath(cr, std::to_string(frame - 3), c, c);
        WhiteSymbol(cr);
    } else if (frame == 10) {  // pause
        PaintIcon(cr, 0, 1);
    } else if (frame == 11) {  // back
        PaintIcon(cr, 2, 1);
    } else if (frame == 12) {  // pad base
        // One cross outline: two overlapping bars would show their inner edges.
        const double a = 5, b = 14;
        const double pts[12][2] = {{-a, -b}, {a, -b}, {a, -a}, {b, -a}, {b, a},   {a, a},
                                   {a, b},   {-a, b}, {-a, a}, {-b, a}, {-b, -a}, {-a, -a}};
        for (const auto& p : pts) cairo_line_to(cr, c + p[0], c + p[1]);
        cairo_close_path(cr);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        SetColour(cr, FromBytes(40, 60, 140), 0.7);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
        cairo_set_line_width(cr, 1.4);
        cairo_stroke(cr);
    } else if (frame == 13) {  // stick base
        cairo_arc(cr, c, c, 14, 0, 2 * M_PI);
        SetColour(cr, FromBytes(40, 60, 140), 0.45);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.8);
        cairo_set_line_width(cr, 1.4);
        cairo_stroke(cr);
    } else if (frame == 14) {  // stick knob
        GlossyDisc(cr, c, c, 8, FromBytes(200, 205, 230), 1);
    } else {  // press highlight
        cairo_pattern_t* g = cairo_pattern_create_radial(c, c, 2, c, c, 15);
        cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 0.8);
        cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0);
        cairo_set_source(cr, g);
        cairo_paint(cr);
        cairo_pattern_destroy(g);
    }
}

void PaintLight(cairo_t* cr, int frame, int) {
    const double c = 16;
    cairo_pattern_t* g = cairo_pattern_create_radial(c, c, 0, c, c, 15.5);
    switch (frame) {
        case 0:  // round glow
            cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 1);
            cairo_pattern_add_color_stop_rgba(g, 0.35, 1, 1, 1, 0.45);
            cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0);
            cairo_set_source(cr, g);
            cairo_paint(cr);
            break;
        case 1:  // four-pointed flare
            cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 1);
            cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0);
            cairo_set_source(cr, g);
            StarPath(cr, c, c, 4, 15.5, 2.5, 0);
            cairo_fill(cr);
            break;
        case 2:  // ring
            cairo_pattern_add_color_stop_rgba(g, 0.45, 1, 1, 1, 0);
            cairo_pattern_add_color_stop_rgba(g, 0.7, 1, 1, 1, 0.9);
            cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0);
            cairo_set_source(cr, g);
            cairo_paint(cr);
            break;
        default:  // soft square, for highlighting a cell or a button
            RoundedRect(cr, 3, 3, 26, 26, 7);
            cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 0.9);
            cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0.15);
            cairo_set_source(cr, g);
            cairo_fill(cr);
            break;
    }
    cairo_pattern_destroy(g);
}

}  // namespace assetgen
