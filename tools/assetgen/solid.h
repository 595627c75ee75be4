// Flat-faced 3-D solids drawn with the play screen's orthographic view: one
// column is (32, -5.5) virtual units on screen, one row (8, 22), one layer up
// (0, -18). World axes: x = column, y = row, z = layer, one unit per cell.
#pragma once

#include <cairo.h>

#include <vector>

#include "tools/assetgen/canvas.h"

namespace assetgen {

struct V3 {
    double x, y, z;
};
inline V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator*(V3 a, double k) {
    return {a.x * k, a.y * k, a.z * k};
}
inline double Dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline V3 Cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
V3 Normalized(V3 v);

struct V2 {
    double x, y;
};

// Screen offset in virtual units of a world displacement.
V2 ProjectVirtual(V3 d);
// Unit vector from the scene toward the viewer (the projection's null direction).
V3 TowardViewer();
// Unit vector toward the key light: above, a little left and in front.
V3 TowardLight();

// Rotation by `angle` radians about the unit axis `axis` (right-handed).
struct Rotation {
    double m[3][3];
    static Rotation Identity();
    static Rotation About(V3 axis, double angle);
    V3 operator()(V3 v) const;
};

// Where a frame sees the world: world point `anchor` lands on frame point
// (cx, cy); `scale` frame units per virtual unit (0.5 for pieces drawn at size 2).
struct View {
    double cx, cy, scale;
    V3 anchor;
    V2 operator()(V3 p) const;
};

struct Material {
    Rgb base;
    double gloss = 0.35;   // strength of the soft highlight
    double outline = 0.6;  // outline width in frame units
    double alpha = 1.0;
};

// Convex solid: faces list vertex indices in any winding order.
struct Solid {
    std::vector<V3> verts;
    std::vector<std::vector<int>> faces;
    Solid& Transform(const Rotation& r, V3 offset);
    V3 Centre() const;
};

Solid Box(V3 half);
// A box with its edges cut at 45 degrees by `bevel`.
Solid ChamferedBox(V3 half, double bevel);
// n-sided prism around z; `radius` in x and y, `half` height.
Solid Prism(int sides, double radius, double half, double phase);
// Two pyramids joined at a ring of `sides` vertices.
Solid Bipyramid(int sides, double radius, double top, double bottom, double phase);
Solid Pyramid(int sides, double radius, double height, double phase);

// Outward unit normal of face `f`.
V3 FaceNormal(const Solid& s, int f);
// Light factor of a surface normal, ambient included.
double Shade(V3 normal);
// Fills the visible faces with smooth light and a thin darker outline.
// `decorate` (optional) is called after each visible face with the face index.
using FaceDecorator = void (*)(cairo_t* cr, const View& view, const Solid& s, int face, void* user);
void DrawSolid(cairo_t* cr, const View& view, const Solid& s, const Material& m,
               FaceDecorator decorate = nullptr, void* user = nullptr);
// Maps (u, v) in the unit square to origin + u*U + v*V on screen for the
// following drawing (orthographic, so the map is affine). Saves the context;
// pair with cairo_restore.
void PushFaceMap(cairo_t* cr, const View& view, V3 origin, V3 u, V3 v);
// Soft elliptical shadow on the plane z = `z` under the point `at`.
void DropShadow(cairo_t* cr, const View& view, V3 at, double radius, double alpha);

}  // namespace assetgen
