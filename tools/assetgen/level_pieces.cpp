// Sheet "9": floor blocks, trap tiles, stones, the trail mark, the exit and
// the gems. Floor pieces are unit cubes centred on the frame; objects stand
// on the floor top (z = 0.5) and are centred one layer up.
#include <cmath>

#include "tools/assetgen/art.h"
#include "tools/assetgen/pieces.h"

namespace assetgen {

View LevelView(V3 anchor) {
    return View{16, 16, 0.5, anchor};
}

void PushTopMap(cairo_t* cr, const View& view, double z) {
    PushFaceMap(cr, view, {-0.5, -0.5, z}, {1, 0, 0}, {0, 1, 0});
}

void PaintSymbol(cairo_t* cr, int colour, double cx, double cy, double r, const Rgb& fill,
                 const Rgb& edge, double edgeWidth) {
    cairo_new_path(cr);
    ShapePath(cr, ShapeOf(colour), cx, cy, r);
    SetColour(cr, fill);
    cairo_fill_preserve(cr);
    SetColour(cr, edge);
    cairo_set_line_width(cr, edgeWidth);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

namespace {

const Rgb kFloorA = FromBytes(238, 228, 206);
const Rgb kFloorB = FromBytes(222, 214, 238);
const Rgb kSlate = FromBytes(150, 158, 196);
const Rgb kSandstone = FromBytes(214, 156, 104);

const View kFloorView = LevelView({0, 0, 0});
const View kObjectView = LevelView({0, 0, 1});

Solid FloorCube() {
    return ChamferedBox({0.5, 0.5, 0.5}, 0.07);
}

void PillowTop(cairo_t* cr, const Rgb& base) {
    // A slightly raised inner square: lighter centre, soft rim.
    RoundedRect(cr, 0.14, 0.14, 0.72, 0.72, 0.14);
    cairo_pattern_t* g = cairo_pattern_create_linear(0.1, 0.1, 0.9, 0.9);
    Rgb hi = base.Mixed({1, 1, 1}, 0.5), lo = base.Scaled(0.93);
    cairo_pattern_add_color_stop_rgb(g, 0, hi.r, hi.g, hi.b);
    cairo_pattern_add_color_stop_rgb(g, 1, lo.r, lo.g, lo.b);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    SetColour(cr, base.Scaled(0.78), 0.8);
    cairo_set_line_width(cr, 0.035);
    cairo_stroke(cr);
}

void PaintFloor(cairo_t* cr, bool second) {
    Rgb base = second ? kFloorB : kFloorA;
    DrawSolid(cr, kFloorView, FloorCube(), {base, 0.25, 0.6});
    PushTopMap(cr, kFloorView, 0.5);
    PillowTop(cr, base);
    if (second) {
        // A two-by-two inlay tells the second look apart at a glance.
        for (int i = 0; i < 4; ++i) {
            double x = (i % 2) ? 0.52 : 0.24, y = (i / 2) ? 0.52 : 0.24;
            RoundedRect(cr, x, y, 0.24, 0.24, 0.05);
            SetColour(cr, (i == 0 || i == 3) ? base.Mixed({1, 1, 1}, 0.6) : base.Scaled(0.9));
            cairo_fill(cr);
        }
    }
    cairo_restore(cr);
}

void Cracks(cairo_t* cr, double width, double alpha) {
    // Fixed crack pattern: branches from an off-centre impact point.
    static const double kLines[][4] = {
        {0.38, 0.42, 0.05, 0.20}, {0.38, 0.42, 0.30, 0.95}, {0.38, 0.42, 0.96, 0.30},
        {0.38, 0.42, 0.70, 0.97}, {0.38, 0.42, 0.02, 0.62}, {0.18, 0.30, 0.22, 0.04},
        {0.68, 0.36, 0.80, 0.08}, {0.58, 0.74, 0.95, 0.66}, {0.20, 0.55, 0.12, 0.80},
    };
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const auto& l : kLines) {
        double mx = (l[0] + l[2]) / 2 + (l[3] - l[1]) * 0.08;
        double my = (l[1] + l[3]) / 2 - (l[2] - l[0]) * 0.08;
        cairo_move_to(cr, l[0], l[1]);
        cairo_line_to(cr, mx, my);
        cairo_line_to(cr, l[2], l[3]);
    }
    cairo_set_source_rgba(cr, 1, 1, 1, alpha);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

void PaintTrapTile(cairo_t* cr, int colour, int tier) {
    Rgb glass = palette::PlayColour(colour).Mixed({1, 1, 1}, colour > 2 ? 0.0 : 0.18);
    if (colour > 2) glass = FromBytes(170, 176, 200);
    // A thinner glass slab than the floor: it looks like it could give way.
    Solid slab = ChamferedBox({0.5, 0.5, 0.5}, 0.07);
    DrawSolid(cr, kFloorView, slab, {glass, 0.6, 0.6, 0.92});
    PushTopMap(cr, kFloorView, 0.5);
    RoundedRect(cr, 0.08, 0.08, 0.84, 0.84, 0.1);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 1, 1);
    Rgb hi = glass.Mixed({1, 1, 1}, 0.55);
    cairo_pattern_add_color_stop_rgba(g, 0, hi.r, hi.g, hi.b, 0.9);
    cairo_pattern_add_color_stop_rgba(g, 1, glass.r, glass.g, glass.b, 0.6);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // With only 16 pixels across the top at tier 1, fine cracks would drown
    // the shape that tells the colours apart: there they are fainter and the
    // shape larger and solid.
    const bool small = tier == 1;
    Cracks(cr, 0.05, small ? 0.45 : 0.75);
    if (small)  // solid white: an outlined shape this small closes up into a ring
        PaintSymbol(cr, colour, 0.5, 0.5, 0.36, {1, 1, 1}, glass.Scaled(0.45), 0.05);
    else
        PaintSymbol(cr, colour, 0.5, 0.5, 0.3, glass.Scaled(0.55), {1, 1, 1}, 0.06);
    cairo_restore(cr);
    // Front edge chips: small bites out of the rim.
    PushFaceMap(cr, kFloorView, {-0.5, 0.5, 0.5}, {1, 0, 0}, {0, 0, -1});
    Cracks(cr, 0.04, 0.5);
    cairo_restore(cr);
}

void PaintStone(cairo_t* cr, bool pillar) {
    if (!pillar) {
        Solid rock = ChamferedBox({0.45, 0.45, 0.4}, 0.14);
        rock.Transform(Rotation::About({0, 0, 1}, 0.12), {0, 0, 0.9});
        DrawSolid(cr, kObjectView, rock, {kSlate, 0.3, 0.7});
        // Speckles on the top make it read as stone rather than plastic.
        PushTopMap(cr, kObjectView, 1.3);
        static const double kDots[][3] = {
            {0.35, 0.4, 0.05}, {0.6, 0.3, 0.04}, {0.55, 0.62, 0.06}, {0.3, 0.65, 0.035}};
        for (const auto& d : kDots) {
            cairo_arc(cr, d[0], d[1], d[2], 0, 2 * M_PI);
            SetColour(cr, kSlate.Scaled(0.75), 0.8);
            cairo_fill(cr);
        }
        cairo_restore(cr);
    } else {
        Solid base = Prism(8, 0.46, 0.07, M_PI / 8);
        base.Transform(Rotation::Identity(), {0, 0, 0.57});
        Solid column = Prism(8, 0.33, 0.45, M_PI / 8);
        column.Transform(Rotation::Identity(), {0, 0, 1.09});
        Solid cap = Prism(8, 0.43, 0.07, M_PI / 8);
        cap.Transform(Rotation::Identity(), {0, 0, 1.6});
        Material m{kSandstone, 0.25, 0.7};
        DrawSolid(cr, kObjectView, base, m);
        DrawSolid(cr, kObjectView, column, m);
        DrawSolid(cr, kObjectView, cap, m);
    }
}

void PaintTrail(cairo_t* cr) {
    PushTopMap(cr, kObjectView, 0.5);  // painted on the floor top
    RoundedRect(cr, 0.1, 0.1, 0.8, 0.8, 0.16);
    cairo_set_source_rgba(cr, 0.55, 0.9, 1.0, 0.35);
    cairo_fill_preserve(cr);
    cairo_set_source_rgba(cr, 0.85, 0.98, 1.0, 0.95);
    cairo_set_line_width(cr, 0.09);
    cairo_stroke(cr);
    RoundedRect(cr, 0.3, 0.3, 0.4, 0.4, 0.08);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.7);
    cairo_set_line_width(cr, 0.05);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void PaintExit(cairo_t* cr, int state) {
    const Rgb frame = FromBytes(120, 110, 170);
    DrawSolid(cr, kFloorView, FloorCube(), {frame, 0.3, 0.6});
    PushTopMap(cr, kFloorView, 0.5);
    RoundedRect(cr, 0.08, 0.08, 0.84, 0.84, 0.12);
    SetColour(cr, FromBytes(30, 26, 70));
    cairo_fill(cr);
    const Rgb ring = state == 0 ? FromBytes(90, 100, 150) : palette::kGold;
    if (state > 0) {
        cairo_pattern_t* g = cairo_pattern_create_radial(0.5, 0.5, 0, 0.5, 0.5, 0.48);
        cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 0.85, state == 2 ? 1.0 : 0.9);
        cairo_pattern_add_color_stop_rgba(g, 1, 1, 0.75, 0.2, 0.0);
        cairo_set_source(cr, g);
        cairo_arc(cr, 0.5, 0.5, 0.48, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
    }
    cairo_arc(cr, 0.5, 0.5, 0.3, 0, 2 * M_PI);
    SetColour(cr, ring);
    cairo_set_line_width(cr, 0.1);
    cairo_stroke(cr);
    StarPath(cr, 0.5, 0.5, 4, 0.16, 0.06, 0);
    SetColour(cr, state == 0 ? ring.Scaled(0.8) : Rgb{1, 1, 1});
    cairo_fill(cr);
    cairo_restore(cr);
    if (state > 0) {
        // A beam of light rising from the open exit.
        V2 l = kFloorView({-0.32, 0.0, 0.5}), r = kFloorView({0.32, 0.0, 0.5});
        // Fades out just inside the frame: a beam cut off by the frame's top
        // edge would show a hard line.
        double top = l.y - 10.5;
        cairo_move_to(cr, l.x, l.y);
        cairo_line_to(cr, r.x, r.y);
        cairo_line_to(cr, r.x - 1, top);
        cairo_line_to(cr, l.x + 1, top);
        cairo_close_path(cr);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, l.y, 0, top);
        cairo_pattern_add_color_stop_rgba(g, 0, 1, 0.95, 0.6, state == 2 ? 0.7 : 0.55);
        cairo_pattern_add_color_stop_rgba(g, 1, 1, 0.95, 0.6, 0.0);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
    }
    if (state == 2) {
        for (int i = 0; i < 5; ++i) {
            // Low enough that the highest sparkle stays whole inside the frame.
            V2 p = kFloorView({0.3 * std::cos(i * 1.3), 0.3 * std::sin(i * 1.3), 0.75 + 0.1 * i});
            StarPath(cr, p.x, p.y, 4, 1.6, 0.5, 0);
            cairo_set_source_rgba(cr, 1, 1, 0.9, 0.9);
            cairo_fill(cr);
        }
    }
}

void Halo(cairo_t* cr, V2 at, double radius, const Rgb& colour) {
    cairo_pattern_t* g = cairo_pattern_create_radial(at.x, at.y, 0, at.x, at.y, radius);
    cairo_pattern_add_color_stop_rgba(g, 0, colour.r, colour.g, colour.b, 0.7);
    cairo_pattern_add_color_stop_rgba(g, 1, colour.r, colour.g, colour.b, 0.0);
    cairo_set_source(cr, g);
    cairo_arc(cr, at.x, at.y, radius, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
}

void PaintGem(cairo_t* cr, int colour) {
    const Rgb c = palette::PlayColour(colour);
    const V3 centre{0, 0, 1.02};  // floats above the floor top
    DropShadow(cr, kObjectView, {0, 0, 0.5}, 0.34, 0.45);
    Halo(cr, kObjectView(centre), 10, c.Mixed({1, 1, 1}, 0.5));
    Material m{c.Mixed({1, 1, 1}, 0.12), 0.9, 0.55};
    switch (ShapeOf(colour)) {
        case Shape::kDiamond: {
            Solid s = Bipyramid(4, 0.34, 0.5, 0.5, 0.25);
            DrawSolid(cr, kObjectView, s.Transform(Rotation::Identity(), centre), m);
            break;
        }
        case Shape::kTriangle: {
            // A thick triangular token turned to face the viewer, tilted a
            // little so its sides catch the light.
            Solid s = Prism(3, 0.4, 0.09, -M_PI / 2);
            V3 eye = Normalized(TowardViewer() + V3{0.25, 0, 0});
            V3 axis = Normalized(Cross({0, 0, 1}, eye));
            double angle = std::acos(eye.z);
            Rotation turn = Rotation::About(axis, angle);
            // Keep the triangle's apex pointing up on screen after the turn.
            double spin = 0, best = 1e9;
            for (int i = 0; i < 360; ++i) {
                double a = i * M_PI / 180;
                V2 apex = ProjectVirtual(
                    turn({0.4 * std::cos(a - M_PI / 2), 0.4 * std::sin(a - M_PI / 2), 0}));
                if (apex.y < best) best = apex.y, spin = a;
            }
            s.Transform(Rotation::About({0, 0, 1}, spin), {0, 0, 0});
            s.Transform(turn, centre);
            DrawSolid(cr, kObjectView, s, m);
            break;
        }
        case Shape::kCircle: {
            // A sphere: under this projection an axis-aligned ellipse.
            V2 p = kObjectView(centre);
            double rx = 0.36 * std::hypot(32.0, 8.0) * 0.5, ry = 0.36 * 28.95 * 0.5;
            cairo_save(cr);
            cairo_translate(cr, p.x, p.y);
            cairo_scale(cr, rx, ry);
            cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
            cairo_restore(cr);
            cairo_pattern_t* g =
                cairo_pattern_create_radial(p.x - rx * 0.35, p.y - ry * 0.4, 0.3, p.x, p.y, rx);
            Rgb hi = c.Mixed({1, 1, 1}, 0.75), lo = c.Scaled(0.55);
            cairo_pattern_add_color_stop_rgb(g, 0, hi.r, hi.g, hi.b);
            cairo_pattern_add_color_stop_rgb(g, 0.45, c.r, c.g, c.b);
            cairo_pattern_add_color_stop_rgb(g, 1, lo.r, lo.g, lo.b);
            cairo_set_source(cr, g);
            cairo_fill_preserve(cr);
            cairo_pattern_destroy(g);
            SetColour(cr, c.Scaled(0.38));
            cairo_set_line_width(cr, 0.55);
            cairo_stroke(cr);
            cairo_arc(cr, p.x - rx * 0.35, p.y - ry * 0.4, rx * 0.2, 0, 2 * M_PI);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
            cairo_fill(cr);
            break;
        }
        case Shape::kStar: {
            Solid s = Bipyramid(6, 0.34, 0.42, 0.42, 0.2);
            DrawSolid(cr, kObjectView, s.Transform(Rotation::Identity(), centre), m);
            break;
        }
    }
}

}  // namespace

void PaintLevelPiece(cairo_t* cr, int frame, int tier) {
    switch (frame) {
        case 0:
        case 1:
        case 2:
        case 3:
            PaintTrapTile(cr, frame, tier);
            break;
        case 4:
            PaintFloor(cr, false);
            break;
        case 5:
            PaintFloor(cr, true);
            break;
        case 6:
            PaintStone(cr, false);
            break;
        case 7:
            PaintStone(cr, true);
            break;
        case 8:
            PaintTrail(cr);
            break;
        case 9:
            PaintExit(cr, 0);
            break;
        case 10:
            PaintExit(cr, 1);
            break;
        case 11:
            PaintExit(cr, 2);
            break;
        default:
            PaintGem(cr, frame - 12);
            break;  // 12..14 colours 1..3, 15 neutral
    }
}

}  // namespace assetgen
