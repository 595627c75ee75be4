// "common/Buttons" (wheel buttons, the three-part gear, the footer badge)
// and "common/circle" (glow, the disc behind the gear, a ring, the wheel).
#include <cmath>

#include "tools/assetgen/art.h"
#include "tools/assetgen/canvas.h"

namespace assetgen {
namespace {

const Rgb kSteel = FromBytes(176, 190, 226);
const Rgb kNavy = FromBytes(22, 30, 88);

void Gear(cairo_t* cr, double c, double outer, double inner, int teeth, double depth, double hole,
          const Rgb& colour) {
    cairo_new_path(cr);
    for (int i = 0; i < teeth * 4; ++i) {
        double a = 2 * M_PI * (i + 0.5) / (teeth * 4);
        double r = (i % 4 < 2) ? outer : outer - depth;
        cairo_line_to(cr, c + r * std::cos(a), c + r * std::sin(a));
    }
    cairo_close_path(cr);
    if (inner > 0) {
        cairo_new_sub_path(cr);
        cairo_arc_negative(cr, c, c, inner, 2 * M_PI, 0);
    }
    cairo_pattern_t* g = cairo_pattern_create_linear(c - outer, c - outer, c + outer, c + outer);
    Rgb hi = colour.Mixed({1, 1, 1}, 0.45), lo = colour.Scaled(0.7);
    cairo_pattern_add_color_stop_rgb(g, 0, hi.r, hi.g, hi.b);
    cairo_pattern_add_color_stop_rgb(g, 1, lo.r, lo.g, lo.b);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    SetColour(cr, colour.Scaled(0.35));
    cairo_set_line_width(cr, 0.9);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    if (hole > 0) {
        cairo_arc(cr, c, c, hole, 0, 2 * M_PI);
        SetColour(cr, kNavy);
        cairo_fill(cr);
    }
}

// The disc fills its frame but for the edge pixels: the selected size's name, drawn
// at 1.5 times the disc's scale, is as wide as the whole frame ("Medium").
void WheelButton(cairo_t* cr, const Rgb& colour, int blocks) {
    const double c = 32;
    GlossyDisc(cr, c, c, 30, colour, 1.6);
    cairo_arc(cr, c, c, 23.5, 0, 2 * M_PI);
    SetColour(cr, colour.Scaled(0.55), 0.55);
    cairo_fill(cr);
    // Little blocks along the rim: one, two or three, for the level size.
    for (int i = 0; i < blocks; ++i) {
        double x = c - (blocks - 1) * 3.5 + i * 7;
        RoundedRect(cr, x - 2.6, c + 16.5, 5.2, 5.2, 1.2);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
        cairo_fill(cr);
    }
}

}  // namespace

void PaintButton(cairo_t* cr, int frame, int) {
    const double c = 32;
    static const Rgb kDiscs[6] = {FromBytes(70, 200, 90),   FromBytes(250, 176, 50),
                                  FromBytes(236, 84, 96),   FromBytes(70, 140, 240),
                                  FromBytes(160, 100, 230), FromBytes(50, 196, 200)};
    switch (frame) {
        case 0:
        case 1:
        case 2:
            WheelButton(cr, kDiscs[frame], frame + 1);
            break;
        case 3:
        case 4:
        case 5:
            WheelButton(cr, kDiscs[frame], 0);
            break;
        case 6:
        case 7: {  // wide pill buttons
            Rgb col = frame == 6 ? kDiscs[3] : FromBytes(150, 156, 190);
            RoundedRect(cr, 4, 18, 56, 28, 14);
            SetColour(cr, col);
            cairo_fill_preserve(cr);
            SetColour(cr, col.Scaled(0.4));
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
            RoundedRect(cr, 10, 21, 44, 9, 4.5);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.35);
            cairo_fill(cr);
            break;
        }
        // The gear: an outer toothed ring, a middle gear and the hub, all
        // concentric so they turn against each other about one point.
        case 8:
            Gear(cr, c, 30, 19.5, 16, 3.5, 0, kSteel);
            break;
        case 9:
            Gear(cr, c, 19, 9.5, 10, 3, 0, palette::kGold);
            break;
        case 10:
            Gear(cr, c, 9.5, 0, 6, 2.5, 0, FromBytes(240, 110, 110));
            cairo_arc(cr, c, c, 3.5, 0, 2 * M_PI);
            SetColour(cr, palette::kWhite);
            cairo_fill(cr);
            break;
        case 11:  // the three parts together, as one picture
            Gear(cr, c, 30, 19.5, 16, 3.5, 0, kSteel);
            Gear(cr, c, 19, 9.5, 10, 3, 0, palette::kGold);
            Gear(cr, c, 9.5, 0, 6, 2.5, 3.5, FromBytes(240, 110, 110));
            break;
        case 12: {  // "Coded in" footer badge: code brackets on a rounded tile
            RoundedRect(cr, 6, 10, 52, 44, 10);
            SetColour(cr, FromBytes(40, 60, 150));
            cairo_fill_preserve(cr);
            SetColour(cr, palette::kWhite);
            cairo_set_line_width(cr, 2);
            cairo_stroke(cr);
            cairo_move_to(cr, 22, 22);
            cairo_line_to(cr, 13, 32);
            cairo_line_to(cr, 22, 42);
            cairo_move_to(cr, 42, 22);
            cairo_line_to(cr, 51, 32);
            cairo_line_to(cr, 42, 42);
            cairo_move_to(cr, 36, 20);
            cairo_line_to(cr, 28, 44);
            SetColour(cr, palette::kGold);
            cairo_set_line_width(cr, 3.5);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cairo_stroke(cr);
            break;
        }
        case 13:  // star medal
            GlossyDisc(cr, c, c, 26, palette::kGold, 1.5);
            StarPath(cr, c, c + 1, 5, 16, 7, 0);
            SetColour(cr, palette::kWhite);
            cairo_fill(cr);
            break;
        case 14: {  // heart
            cairo_move_to(cr, c, c + 20);
            cairo_curve_to(cr, c - 30, c, c - 18, c - 24, c, c - 10);
            cairo_curve_to(cr, c + 18, c - 24, c + 30, c, c, c + 20);
            SetColour(cr, kDiscs[2]);
            cairo_fill_preserve(cr);
            SetColour(cr, kDiscs[2].Scaled(0.4));
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
            break;
        }
        default:  // plain white disc
            GlossyDisc(cr, c, c, 27, palette::kWhite, 1.5);
            break;
    }
}

void PaintCircle(cairo_t* cr, int frame, int) {
    const double c = 128;
    switch (frame) {
        case 0: {  // soft glow
            cairo_pattern_t* g = cairo_pattern_create_radial(c, c, 0, c, c, 126);
            cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 0.9);
            cairo_pattern_add_color_stop_rgba(g, 0.5, 0.7, 0.8, 1, 0.3);
            cairo_pattern_add_color_stop_rgba(g, 1, 0.5, 0.6, 1, 0);
            cairo_set_source(cr, g);
            cairo_paint(cr);
            cairo_pattern_destroy(g);
            break;
        }
        case 1: {  // the disc behind the gear
            cairo_arc(cr, c, c, 122, 0, 2 * M_PI);
            cairo_pattern_t* g = cairo_pattern_create_radial(c - 30, c - 40, 10, c, c, 122);
            cairo_pattern_add_color_stop_rgb(g, 0, 0.3, 0.42, 0.9);
            cairo_pattern_add_color_stop_rgb(g, 1, 0.1, 0.14, 0.45);
            cairo_set_source(cr, g);
            cairo_fill_preserve(cr);
            cairo_pattern_destroy(g);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
            cairo_set_line_width(cr, 5);
            cairo_stroke(cr);
            break;
        }
        case 2:  // thin ring
            cairo_arc(cr, c, c, 118, 0, 2 * M_PI);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
            cairo_set_line_width(cr, 6);
            cairo_stroke(cr);
            break;
        default: {  // the wheel: a band with ticks and markers, so turning shows
            cairo_arc(cr, c, c, 124, 0, 2 * M_PI);
            cairo_arc_negative(cr, c, c, 70, 2 * M_PI, 0);
            cairo_pattern_t* g = cairo_pattern_create_radial(c, c, 70, c, c, 124);
            cairo_pattern_add_color_stop_rgba(g, 0, 0.25, 0.35, 0.85, 0.25);
            cairo_pattern_add_color_stop_rgba(g, 0.8, 0.35, 0.5, 1.0, 0.55);
            cairo_pattern_add_color_stop_rgba(g, 1, 0.6, 0.75, 1.0, 0.8);
            cairo_set_source(cr, g);
            cairo_fill(cr);
            cairo_pattern_destroy(g);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
            cairo_set_line_width(cr, 3);
            cairo_arc(cr, c, c, 123, 0, 2 * M_PI);
            cairo_stroke(cr);
            cairo_set_line_width(cr, 2);
            cairo_arc(cr, c, c, 71, 0, 2 * M_PI);
            cairo_stroke(cr);
            for (int i = 0; i < 48; ++i) {
                double a = 2 * M_PI * i / 48;
                double r0 = (i % 4 == 0) ? 100 : 112;
                cairo_move_to(cr, c + r0 * std::cos(a), c + r0 * std::sin(a));
                cairo_line_to(cr, c + 120 * std::cos(a), c + 120 * std::sin(a));
            }
            cairo_set_line_width(cr, 2.5);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.8);
            cairo_stroke(cr);
            for (int i = 0; i < 12; ++i) {
                double a = 2 * M_PI * (i + 0.5) / 12;
                cairo_arc(cr, c + 86 * std::cos(a), c + 86 * std::sin(a), i % 3 == 0 ? 6 : 3.5, 0,
                          2 * M_PI);
                SetColour(cr, i % 3 == 0 ? palette::kGold : palette::kWhite, 0.9);
                cairo_fill(cr);
            }
            break;
        }
    }
}

}  // namespace assetgen
