// "BadgesA" (64 medals: four medal shapes by sixteen emblems, so no two
// are alike) and "parts" (256 star and sparkle shapes for the star field
// and particles, white-based so the game can tint them).
#include <cmath>
#include <string>

#include "tools/assetgen/art.h"
#include "tools/assetgen/canvas.h"

namespace assetgen {
namespace {

const Rgb kMetals[4] = {FromBytes(205, 127, 50), FromBytes(200, 206, 222), FromBytes(255, 204, 64),
                        FromBytes(150, 230, 255)};
const Rgb kFaces[8] = {FromBytes(236, 62, 70),   FromBytes(64, 196, 84),  FromBytes(58, 138, 242),
                       FromBytes(160, 100, 230), FromBytes(250, 150, 40), FromBytes(40, 190, 190),
                       FromBytes(230, 90, 170),  FromBytes(90, 100, 200)};

void MedalShape(cairo_t* cr, int shape, double c, double r) {
    cairo_new_path(cr);
    switch (shape) {
        case 0:
            cairo_arc(cr, c, c, r, 0, 2 * M_PI);
            break;
        case 1:  // shield
            cairo_move_to(cr, c - r, c - r * 0.8);
            cairo_line_to(cr, c + r, c - r * 0.8);
            cairo_curve_to(cr, c + r, c + r * 0.3, c + r * 0.4, c + r * 0.8, c, c + r * 1.05);
            cairo_curve_to(cr, c - r * 0.4, c + r * 0.8, c - r, c + r * 0.3, c - r, c - r * 0.8);
            cairo_close_path(cr);
            break;
        case 2:
            StarPath(cr, c, c, 12, r * 1.05, r * 0.85, 0);
            break;
        default:
            for (int i = 0; i < 6; ++i) {
                double a = M_PI / 3 * i;
                cairo_line_to(cr, c + r * std::cos(a), c + r * std::sin(a));
            }
            cairo_close_path(cr);
            break;
    }
}

void Emblem(cairo_t* cr, int e, double c) {
    cairo_new_path(cr);
    switch (e) {
        case 0:
            RoundedRect(cr, c - 7, c - 7, 14, 14, 3);
            break;
        case 1:
            ShapePath(cr, Shape::kDiamond, c, c, 9);
            break;
        case 2:
            ShapePath(cr, Shape::kCircle, c, c, 9);
            break;
        case 3:
            ShapePath(cr, Shape::kTriangle, c, c + 1, 9);
            break;
        case 4:
            StarPath(cr, c, c + 1, 5, 10, 4.2, 0);
            break;
        case 5:  // lightning
            cairo_move_to(cr, c + 2, c - 10);
            cairo_line_to(cr, c - 6, c + 2);
            cairo_line_to(cr, c - 0.5, c + 2);
            cairo_line_to(cr, c - 2, c + 10);
            cairo_line_to(cr, c + 6, c - 2);
            cairo_line_to(cr, c + 0.5, c - 2);
            cairo_close_path(cr);
            break;
        case 6:  // heart
            cairo_move_to(cr, c, c + 8);
            cairo_curve_to(cr, c - 13, c, c - 7, c - 10, c, c - 4);
            cairo_curve_to(cr, c + 7, c - 10, c + 13, c, c, c + 8);
            break;
        case 7:  // crown
            cairo_move_to(cr, c - 9, c + 6);
            cairo_line_to(cr, c - 9, c - 5);
            cairo_line_to(cr, c - 4.5, c);
            cairo_line_to(cr, c, c - 8);
            cairo_line_to(cr, c + 4.5, c);
            cairo_line_to(cr, c + 9, c - 5);
            cairo_line_to(cr, c + 9, c + 6);
            cairo_close_path(cr);
            break;
        case 8:  // clock
            cairo_arc(cr, c, c, 9, 0, 2 * M_PI);
            cairo_close_path(cr);
            // Both hands cut out as one outline: overlapping cut-outs would
            // cancel each other where they cross under the even-odd rule.
            cairo_move_to(cr, c - 1.3, c - 7);
            cairo_line_to(cr, c + 1.3, c - 7);
            cairo_line_to(cr, c + 1.3, c - 1.3);
            cairo_line_to(cr, c + 5.5, c - 1.3);
            cairo_line_to(cr, c + 5.5, c + 1.3);
            cairo_line_to(cr, c - 1.3, c + 1.3);
            cairo_close_path(cr);
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
            break;
        case 9:  // flag
            cairo_rectangle(cr, c - 7, c - 9, 2, 19);
            cairo_move_to(cr, c - 5, c - 9);
            cairo_line_to(cr, c + 8, c - 5);
            cairo_line_to(cr, c - 5, c);
            cairo_close_path(cr);
            break;
        case 10:  // arrow up
            cairo_move_to(cr, c, c - 10);
            cairo_line_to(cr, c + 8, c - 1);
            cairo_line_to(cr, c + 3, c - 1);
            cairo_line_to(cr, c + 3, c + 9);
            cairo_line_to(cr, c - 3, c + 9);
            cairo_line_to(cr, c - 3, c - 1);
            cairo_line_to(cr, c - 8, c - 1);
            cairo_close_path(cr);
            break;
        default: {  // numbers: 5 levels, 10, 25, 50, 100 gems
            static const char* kNumbers[5] = {"5", "10", "25", "50", "99"};
            UseFont(cr, Face::kSansBold, e == 11 ? 20 : 15);
            CenteredTextPath(cr, kNumbers[e - 11], c, c);
            break;
        }
    }
}

}  // namespace

void PaintBadge(cairo_t* cr, int frame, int) {
    const double c = 32;
    const int shape = frame / 16, emblem = frame % 16;
    const Rgb metal = kMetals[shape];
    const Rgb face = kFaces[(frame * 3 + shape) % 8];
    // Ribbon tails behind the medal, ending two pixels above the frame's edge.
    for (int side = -1; side <= 1; side += 2) {
        cairo_move_to(cr, c + side * 4, c + 10);
        cairo_line_to(cr, c + side * 15, c + 28.5);
        cairo_line_to(cr, c + side * 9, c + 26);
        cairo_line_to(cr, c + side * 6, c + 29.5);
        cairo_line_to(cr, c - side * 2, c + 12);
        cairo_close_path(cr);
        SetColour(cr, face.Scaled(0.8));
        cairo_fill_preserve(cr);
        SetColour(cr, face.Scaled(0.35));
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    MedalShape(cr, shape, c, 24);
    cairo_pattern_t* g = cairo_pattern_create_linear(c - 24, c - 24, c + 24, c + 24);
    Rgb hi = metal.Mixed({1, 1, 1}, 0.5);
    cairo_pattern_add_color_stop_rgb(g, 0, hi.r, hi.g, hi.b);
    cairo_pattern_add_color_stop_rgb(g, 1, metal.r * 0.6, metal.g * 0.6, metal.b * 0.6);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    SetColour(cr, metal.Scaled(0.35));
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    MedalShape(cr, shape, c, 18);
    SetColour(cr, face);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, 0.6, 1);
    Emblem(cr, emblem, c);
    SetColour(cr, palette::kInk, 0.5);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    Emblem(cr, emblem, c);
    SetColour(cr, palette::kWhite);
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    // A highlight across the upper half of the medal.
    cairo_save(cr);
    MedalShape(cr, shape, c, 18);
    cairo_clip(cr);
    cairo_arc(cr, c - 6, c - 22, 22, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.18);
    cairo_fill(cr);
    cairo_restore(cr);
}

namespace {

// An 8-pixel frame at tier 1 has too few pixels for a five- or six-pointed
// star: anti-aliased, it comes out as a round blob. At that size each family
// is drawn as the sparkle it stands for: thin arms along the pixel rows and
// columns through one pixel's centre (so each arm is one crisp pixel wide),
// shorter diagonal glints for the many-pointed stars, and a white core.
// Half a pixel off the frame centre is far below what a spinning star shows.
void PaintTinyParticle(cairo_t* cr, int family, double size, const Rgb& tint) {
    const double c = 3.5;
    // Three pixels reach from the centre pixel to the frame's first column.
    const double arm = std::min(3.0, size);
    auto sparkle = [&](double length, double turn, double alpha) {
        StarPath(cr, c, c, 4, length, 0.72, turn);
        SetColour(cr, tint, alpha);
        cairo_fill(cr);
    };
    switch (family) {
        case 3:  // round dot
            cairo_arc(cr, c, c, 0.45 * size, 0, 2 * M_PI);
            SetColour(cr, tint);
            cairo_fill(cr);
            break;
        case 4:  // diamond
            ShapePath(cr, Shape::kDiamond, c, c, arm - 0.4);
            SetColour(cr, tint);
            cairo_fill(cr);
            break;
        case 6:  // a thin cross turned on its corner
            sparkle(arm, M_PI / 4, 0.9);
            break;
        case 7: {  // soft dot
            cairo_pattern_t* g = cairo_pattern_create_radial(c, c, 0, c, c, std::min(3.2, size));
            cairo_pattern_add_color_stop_rgba(g, 0, tint.r, tint.g, tint.b, 1);
            cairo_pattern_add_color_stop_rgba(g, 1, tint.r, tint.g, tint.b, 0);
            cairo_set_source(cr, g);
            cairo_arc(cr, c, c, std::min(3.2, size), 0, 2 * M_PI);
            cairo_fill(cr);
            cairo_pattern_destroy(g);
            return;
        }
        case 1:  // four-pointed star
            sparkle(arm, 0, 1);
            break;
        default:  // five-, six- and eight-pointed stars: cross plus glints
            sparkle(0.65 * arm + 0.4, M_PI / 4, 0.6 + 0.1 * family / 5);
            sparkle(arm, 0, 1);
            break;
    }
    cairo_rectangle(cr, 3, 3, 1, 1);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
}

}  // namespace

void PaintParticle(cairo_t* cr, int frame, int tier) {
    // Eight families, each in 32 sizes, turns and soft tints.
    const double c = 4;
    const int family = frame % 8, k = frame / 8;
    const double size = 2.2 + 1.6 * ((k * 7) % 11) / 10.0;
    const double turn = k * 0.37;
    static const Rgb kTints[4] = {{1, 1, 1}, {1, 0.95, 0.8}, {0.85, 0.92, 1}, {1, 0.88, 0.95}};
    const Rgb tint = kTints[k % 4];
    if (tier == 1) {
        PaintTinyParticle(cr, family, size, tint);
        return;
    }
    cairo_new_path(cr);
    switch (family) {
        case 0:
            StarPath(cr, c, c, 5, size, size * 0.45, turn);
            break;
        case 1:
            StarPath(cr, c, c, 4, size, size * 0.28, turn);
            break;
        case 2:
            StarPath(cr, c, c, 6, size, size * 0.5, turn);
            break;
        case 3:
            cairo_arc(cr, c, c, size * 0.6, 0, 2 * M_PI);
            break;
        case 4:
            ShapePath(cr, Shape::kDiamond, c, c, size);
            break;
        case 5:
            StarPath(cr, c, c, 8, size, size * 0.4, turn);
            break;
        case 6:
            StarPath(cr, c, c, 4, size, size * 0.12, turn + M_PI / 4);
            break;
        default: {  // soft dot
            cairo_pattern_t* g = cairo_pattern_create_radial(c, c, 0, c, c, size);
            cairo_pattern_add_color_stop_rgba(g, 0, tint.r, tint.g, tint.b, 1);
            cairo_pattern_add_color_stop_rgba(g, 1, tint.r, tint.g, tint.b, 0);
            cairo_set_source(cr, g);
            cairo_arc(cr, c, c, size, 0, 2 * M_PI);
            cairo_fill(cr);
            cairo_pattern_destroy(g);
            return;
        }
    }
    SetColour(cr, tint);
    cairo_fill(cr);
    // A bright core keeps tiny stars from looking flat.
    cairo_arc(cr, c, c, size * 0.22, 0, 2 * M_PI);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
}

}  // namespace assetgen
