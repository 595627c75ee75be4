// Sheets "0".."2" (cube bodies of colours 1..3) and "3" (neutral): frame
// 16 d + k shows the cube tipped 90 degrees * k / 16 in roll direction d.
#include "tools/assetgen/cube.h"

#include <cmath>

#include "tools/assetgen/art.h"
#include "tools/assetgen/pieces.h"

namespace assetgen {

V3 RollDirection(int d) {
    switch (d) {
        case 0:
            return {0, 1, 0};
        case 1:
            return {0, -1, 0};
        case 2:
            return {1, 0, 0};
        default:
            return {-1, 0, 0};
    }
}

CubePose RollPose(int direction, int step) {
    const V3 start{0, 0, 1}, up{0, 0, 1};
    const V3 d = RollDirection(direction);
    const double t = step / 16.0;
    const V3 pivot = start + d * 0.5 - up * 0.5;  // leading bottom edge
    // Tipping forward turns "up" into "d": the axis is up x d.
    Rotation r = Rotation::About(Cross(up, d), t * M_PI / 2);
    return {pivot + r(start - pivot), start + d * t, r};
}

namespace {

struct CubeLook {
    int colour;  // 0..2, or 3 neutral
    Rotation rotation;
    V3 centre;
};

void DecorateFace(cairo_t* cr, const View& view, const Solid&, int face, void* user) {
    if (face >= 6) return;  // bevels and corners stay plain
    const CubeLook& look = *static_cast<const CubeLook*>(user);
    const int axis = face / 2;
    const double side = (face % 2) ? 0.5 : -0.5;
    V3 e[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    V3 n = look.rotation(e[axis]) * side;
    V3 u = look.rotation(e[(axis + 1) % 3]), v = look.rotation(e[(axis + 2) % 3]);
    PushFaceMap(cr, view, look.centre + n - u * 0.5 - v * 0.5, u, v);
    const Rgb base = palette::PlayColour(look.colour);
    // A raised inner panel and the colour's symbol, so shape alone tells colours apart.
    RoundedRect(cr, 0.13, 0.13, 0.74, 0.74, 0.16);
    SetColour(cr, base.Mixed({1, 1, 1}, 0.22), 0.55);
    cairo_fill_preserve(cr);
    SetColour(cr, base.Scaled(0.6), 0.5);
    cairo_set_line_width(cr, 0.035);
    cairo_stroke(cr);
    Rgb edge = look.colour > 2 ? FromBytes(120, 120, 150) : base.Scaled(0.5);
    Rgb fill = look.colour > 2 ? palette::kGold : Rgb{1, 1, 1};
    PaintSymbol(cr, look.colour, 0.5, 0.5, 0.27, fill, edge, 0.05);
    cairo_restore(cr);
}

void PaintCube(cairo_t* cr, int colour, int frame) {
    CubePose pose = RollPose(frame / 16, frame % 16);
    View view = LevelView(pose.straightLine);
    DropShadow(cr, view, {pose.centre.x, pose.centre.y, 0.5}, 0.62, 0.4);
    Solid cube = ChamferedBox({0.5, 0.5, 0.5}, 0.09);
    cube.Transform(pose.rotation, pose.centre);
    CubeLook look{colour, pose.rotation, pose.centre};
    Rgb base = palette::PlayColour(colour);
    if (colour > 2) base = FromBytes(226, 226, 240);
    DrawSolid(cr, view, cube, {base, 0.55, 0.6}, DecorateFace, &look);
}

}  // namespace

void PaintCubeRed(cairo_t* cr, int frame, int) {
    PaintCube(cr, 0, frame);
}
void PaintCubeGreen(cairo_t* cr, int frame, int) {
    PaintCube(cr, 1, frame);
}
void PaintCubeBlue(cairo_t* cr, int frame, int) {
    PaintCube(cr, 2, frame);
}
void PaintCubeNeutral(cairo_t* cr, int frame, int) {
    PaintCube(cr, 3, frame);
}

}  // namespace assetgen
