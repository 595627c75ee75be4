// The title logo, the maker's mark and the four menu pictures.
#include <cmath>

#include "tools/assetgen/art.h"
#include "tools/assetgen/canvas.h"
#include "tools/assetgen/cube.h"
#include "tools/assetgen/pieces.h"

namespace assetgen {
namespace {

// A little cube drawn with the level projection at any size, for decoration.
void MiniCube(cairo_t* cr, double x, double y, double scale, int colour, double tip, int dir) {
    CubePose pose = RollPose(dir, int(tip));
    View view{x, y, scale, pose.straightLine};
    Solid cube = ChamferedBox({0.5, 0.5, 0.5}, 0.09);
    cube.Transform(pose.rotation, pose.centre);
    Rgb base = palette::PlayColour(colour);
    DrawSolid(cr, view, cube, {base, 0.55, 0.8 * scale * 2});
    // The top shows the colour's symbol.
    PushFaceMap(cr, view, pose.centre + pose.rotation({0, 0, 0.5}) - pose.rotation({0.5, 0.5, 0}),
                pose.rotation({1, 0, 0}), pose.rotation({0, 1, 0}));
    PaintSymbol(cr, colour, 0.5, 0.5, 0.28, {1, 1, 1}, base.Scaled(0.5), 0.06);
    cairo_restore(cr);
}

// A small island of floor blocks with gems and a cube, for the menu pictures.
void Scene(cairo_t* cr, double x, double y, double scale, int variant) {
    static const int kLayout[4][5][5] = {
        {{0, 1, 1, 0, 0}, {1, 1, 1, 1, 0}, {1, 2, 1, 1, 1}, {0, 1, 1, 3, 1}, {0, 0, 1, 1, 0}},
        {{1, 1, 0, 1, 1}, {1, 4, 1, 1, 1}, {0, 1, 1, 1, 0}, {1, 1, 1, 5, 1}, {1, 1, 0, 1, 1}},
        {{0, 0, 1, 0, 0}, {0, 1, 6, 1, 0}, {1, 1, 1, 1, 1}, {0, 1, 1, 1, 0}, {0, 0, 1, 0, 0}},
        {{1, 1, 1, 1, 0}, {1, 7, 7, 1, 0}, {1, 7, 7, 1, 1}, {1, 1, 1, 2, 1}, {0, 0, 1, 1, 1}},
    };
    for (int r = 0; r < 5; ++r) {
        for (int col = 4; col >= 0; --col) {
            int t = kLayout[variant][r][col];
            if (!t) continue;
            V3 at{double(col - 2), double(r - 2), 0};
            View view{x, y, scale, {0, 0, 0}};
            Solid block = ChamferedBox({0.5, 0.5, 0.5}, 0.07);
            block.Transform(Rotation::Identity(), at);
            Rgb floor = t == 7
                            ? palette::kGold
                            : ((r + col) % 2 ? FromBytes(238, 228, 206) : FromBytes(222, 214, 238));
            DrawSolid(cr, view, block, {floor, 0.25, 0.5});
        }
    }
    for (int r = 0; r < 5; ++r) {
        for (int col = 4; col >= 0; --col) {
            int t = kLayout[variant][r][col];
            V3 at{double(col - 2), double(r - 2), 0};
            View view{x, y, scale, {0, 0, 0}};
            if (t >= 2 && t <= 5) {
                // The very gem of the level sheet, scaled from its 32-pixel
                // frame (centred on the cell's object layer) to this picture.
                V2 p = view(at + V3{0, 0, 1.0});
                const double k = scale / LevelView({0, 0, 0}).scale;
                cairo_save(cr);
                cairo_translate(cr, p.x - 16 * k, p.y - 16 * k);
                cairo_scale(cr, k, k);
                PaintLevelPiece(cr, 12 + (t - 2) % 3, 1);
                cairo_restore(cr);
            }
            if (t == 6 || (variant != 2 && r == 2 && col == 2)) {
                V2 p = view(at);
                MiniCube(cr, p.x, p.y, scale, variant % 3, variant == 1 ? 6 : 0, 2);
            }
        }
    }
}

void Sparkle(cairo_t* cr, double x, double y, double r, double alpha) {
    StarPath(cr, x, y, 4, r, r * 0.25, 0);
    cairo_set_source_rgba(cr, 1, 1, 0.9, alpha);
    cairo_fill(cr);
}

}  // namespace

void PaintTitleLogo(cairo_t* cr, int, int) {
    // "Tessory" in rounded bold letters, each letter a different play colour,
    // over a soft glow, with a tipping cube for the dot.
    // The glow is an ellipse inside the frame, so no frame edge ever shows.
    cairo_save(cr);
    cairo_translate(cr, 128, 64);
    cairo_scale(cr, 126, 62);
    cairo_pattern_t* glow = cairo_pattern_create_radial(0, 0, 0.1, 0, 0, 1);
    cairo_pattern_add_color_stop_rgba(glow, 0, 0.4, 0.55, 1, 0.45);
    cairo_pattern_add_color_stop_rgba(glow, 1, 0.4, 0.55, 1, 0);
    cairo_set_source(cr, glow);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    cairo_restore(cr);

    const std::string word = "Tessory";
    UseFont(cr, Face::kSansBold, 50);
    cairo_text_extents_t e;
    cairo_text_extents(cr, word.c_str(), &e);
    double x = 128 - e.width / 2 - e.x_bearing, y = 84;
    const Rgb kLetter[7] = {palette::kGold, palette::kRed,   palette::kGreen, palette::kBlue,
                            palette::kRed,  palette::kGreen, palette::kBlue};
    for (size_t i = 0; i < word.size(); ++i) {
        std::string ch(1, word[i]);
        cairo_text_extents_t ce;
        cairo_text_extents(cr, ch.c_str(), &ce);
        double lift = std::sin(i * 1.3) * 3;
        for (int pass = 0; pass < 3; ++pass) {
            cairo_new_path(cr);
            cairo_move_to(cr, x + (pass == 0 ? 2 : 0), y + lift + (pass == 0 ? 3 : 0));
            cairo_text_path(cr, ch.c_str());
            if (pass == 0) {
                cairo_set_source_rgba(cr, 0.02, 0.03, 0.15, 0.6);
                cairo_fill(cr);
            } else if (pass == 1) {
                SetColour(cr, palette::kInk);
                cairo_set_line_width(cr, 5);
                cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
                cairo_stroke(cr);
            } else {
                cairo_pattern_t* g = cairo_pattern_create_linear(0, y - 38, 0, y + 4);
                Rgb hi = kLetter[i].Mixed({1, 1, 1}, 0.55);
                cairo_pattern_add_color_stop_rgb(g, 0, hi.r, hi.g, hi.b);
                cairo_pattern_add_color_stop_rgb(g, 0.55, kLetter[i].r, kLetter[i].g, kLetter[i].b);
                cairo_pattern_add_color_stop_rgb(g, 1, kLetter[i].r * 0.75, kLetter[i].g * 0.75,
                                                 kLetter[i].b * 0.75);
                cairo_set_source(cr, g);
                cairo_fill(cr);
                cairo_pattern_destroy(g);
            }
        }
        x += ce.x_advance;
    }
    MiniCube(cr, 40, 26, 0.55, 0, 5, 2);
    MiniCube(cr, 238, 104, 0.45, 2, 0, 0);  // clear of the "y" tail
    Sparkle(cr, 200, 24, 7, 0.95);
    Sparkle(cr, 60, 108, 5, 0.8);
    Sparkle(cr, 236, 52, 4, 0.7);
}

void PaintMakerLogo(cairo_t* cr, int, int) {
    // The maker's mark: a clock-like ring of twelve tiles around "TOLV",
    // kept inside the middle of the frame so the loading screen's double-size
    // draw leaves room for the spinner around it, even on a wide screen
    // (360 units tall, outer ring at radius 162).
    const double c = 128;
    cairo_translate(cr, c, c);
    cairo_scale(cr, 0.9, 0.9);
    cairo_translate(cr, -c, -c);
    cairo_arc(cr, c, c, 84, 0, 2 * M_PI);
    cairo_pattern_t* g = cairo_pattern_create_radial(c - 20, c - 30, 10, c, c, 84);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.22, 0.3, 0.75);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.08, 0.1, 0.35);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    cairo_set_source_rgb(cr, 0.95, 0.95, 1);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    for (int i = 0; i < 12; ++i) {
        double a = 2 * M_PI * i / 12 - M_PI / 2;
        cairo_save(cr);
        cairo_translate(cr, c + 68 * std::cos(a), c + 68 * std::sin(a));
        cairo_rotate(cr, a + M_PI / 4);
        RoundedRect(cr, -5.5, -5.5, 11, 11, 2.5);
        cairo_restore(cr);
        SetColour(cr, i == 0 ? palette::kGold : palette::PlayColour(i % 3));
        cairo_fill(cr);
    }
    UseFont(cr, Face::kSansBold, 40);
    LabelText(cr, "TOLV", c, c - 4, palette::kWhite, palette::kInk, 4, 3);
    UseFont(cr, Face::kSansBold, 11);
    LabelText(cr, "GAMES", c, c + 30, palette::kGold, palette::kInk, 2, 1);
}

void PaintMenuArt(cairo_t* cr, int frame, int) {
    const double c = 128;
    cairo_arc(cr, c, c, 120, 0, 2 * M_PI);
    cairo_pattern_t* g = cairo_pattern_create_radial(c, c - 30, 20, c, c, 120);
    cairo_pattern_add_color_stop_rgba(g, 0, 0.3, 0.4, 0.95, 0.7);
    cairo_pattern_add_color_stop_rgba(g, 1, 0.1, 0.14, 0.45, 0.0);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Five cells across at this size span the frame with a margin for the
    // outline, so no block is cut off at the edge.
    Scene(cr, c, c + 8, 1.15, frame);
    for (int i = 0; i < 6; ++i) {
        double a = i * 2.1 + frame;
        Sparkle(cr, c + 100 * std::cos(a), c + 90 * std::sin(a), 4 + (i % 3) * 2, 0.85);
    }
}

}  // namespace assetgen
