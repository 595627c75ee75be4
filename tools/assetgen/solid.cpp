#include "tools/assetgen/solid.h"

#include <algorithm>
#include <cmath>

#include "game/vocabulary.h"

namespace assetgen {

V3 Normalized(V3 v) {
    double l = std::sqrt(Dot(v, v));
    return l > 0 ? v * (1.0 / l) : v;
}

// The game's isometric view, in double precision.
V2 ProjectVirtual(V3 d) {
    using namespace iso;
    return {kColX * d.x + kRowX * d.y, -kColY * d.x + kRowY * d.y - kLayerY * d.z};
}

V3 TowardViewer() {
    // Cross product of the projection's two rows: the direction it flattens.
    static const V3 v =
        Normalized(Cross({iso::kColX, iso::kRowX, 0}, {-iso::kColY, iso::kRowY, -iso::kLayerY}));
    return v;
}

V3 TowardLight() {
    static const V3 l = Normalized({-0.55, 0.3, 1.0});
    return l;
}

Rotation Rotation::Identity() {
    return {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

Rotation Rotation::About(V3 k, double a) {
    double c = std::cos(a), s = std::sin(a), t = 1 - c;
    return {{{t * k.x * k.x + c, t * k.x * k.y - s * k.z, t * k.x * k.z + s * k.y},
             {t * k.x * k.y + s * k.z, t * k.y * k.y + c, t * k.y * k.z - s * k.x},
             {t * k.x * k.z - s * k.y, t * k.y * k.z + s * k.x, t * k.z * k.z + c}}};
}

V3 Rotation::operator()(V3 v) const {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
            m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

V2 View::operator()(V3 p) const {
    V2 d = ProjectVirtual(p - anchor);
    return {cx + d.x * scale, cy + d.y * scale};
}

Solid& Solid::Transform(const Rotation& r, V3 offset) {
    for (V3& v : verts) v = r(v) + offset;
    return *this;
}

V3 Solid::Centre() const {
    V3 c{0, 0, 0};
    for (const V3& v : verts) c = c + v;
    return c * (1.0 / double(verts.size()));
}

Solid Box(V3 h) {
    return ChamferedBox(h, 0);
}

Solid ChamferedBox(V3 h, double e) {
    Solid s;
    if (e <= 0) {
        for (int i = 0; i < 8; ++i)
            s.verts.push_back({(i & 1) ? h.x : -h.x, (i & 2) ? h.y : -h.y, (i & 4) ? h.z : -h.z});
        s.faces = {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4},
                   {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}};
        return s;
    }
    // Each corner of the box becomes three vertices, one pushed in along each axis.
    auto idx = [](int corner, int axis) { return corner * 3 + axis; };
    for (int c = 0; c < 8; ++c) {
        double sx = (c & 1) ? 1 : -1, sy = (c & 2) ? 1 : -1, sz = (c & 4) ? 1 : -1;
        s.verts.push_back({sx * h.x, sy * (h.y - e), sz * (h.z - e)});  // on the x face
        s.verts.push_back({sx * (h.x - e), sy * h.y, sz * (h.z - e)});  // on the y face
        s.verts.push_back({sx * (h.x - e), sy * (h.y - e), sz * h.z});  // on the z face
    }
    // Main faces: the four corners with that axis fixed.
    for (int axis = 0; axis < 3; ++axis) {
        int bit = 1 << axis, a1 = 1 << ((axis + 1) % 3), a2 = 1 << ((axis + 2) % 3);
        for (int side = 0; side < 2; ++side) {
            int base = side ? bit : 0;
            s.faces.push_back({idx(base, axis), idx(base | a1, axis), idx(base | a1 | a2, axis),
                               idx(base | a2, axis)});
        }
    }
    // Edge faces: between two main faces along each box edge.
    for (int axis = 0; axis < 3; ++axis) {  // the edge runs along `axis`
        int bit = 1 << axis;
        int p = (axis + 1) % 3, q = (axis + 2) % 3;
        for (int c = 0; c < 8; ++c) {
            if (c & bit) continue;
            int d = c | bit;
            s.faces.push_back({idx(c, p), idx(c, q), idx(d, q), idx(d, p)});
        }
    }
    for (int c = 0; c < 8; ++c) s.faces.push_back({idx(c, 0), idx(c, 1), idx(c, 2)});
    return s;
}

Solid Prism(int n, double r, double half, double phase) {
    Solid s;
    for (int i = 0; i < n; ++i) {
        double a = phase + 2 * M_PI * i / n;
        s.verts.push_back({r * std::cos(a), r * std::sin(a), -half});
        s.verts.push_back({r * std::cos(a), r * std::sin(a), half});
    }
    std::vector<int> top, bottom;
    for (int i = 0; i < n; ++i) {
        int j = (i + 1) % n;
        s.faces.push_back({2 * i, 2 * j, 2 * j + 1, 2 * i + 1});
        bottom.push_back(2 * i);
        top.push_back(2 * i + 1);
    }
    s.faces.push_back(top);
    s.faces.push_back(bottom);
    return s;
}

Solid Bipyramid(int n, double r, double top, double bottom, double phase) {
    Solid s;
    for (int i = 0; i < n; ++i) {
        double a = phase + 2 * M_PI * i / n;
        s.verts.push_back({r * std::cos(a), r * std::sin(a), 0});
    }
    s.verts.push_back({0, 0, top});
    s.verts.push_back({0, 0, -bottom});
    for (int i = 0; i < n; ++i) {
        int j = (i + 1) % n;
        s.faces.push_back({i, j, n});
        s.faces.push_back({i, j, n + 1});
    }
    return s;
}

Solid Pyramid(int n, double r, double height, double phase) {
    Solid s;
    std::vector<int> base;
    for (int i = 0; i < n; ++i) {
        double a = phase + 2 * M_PI * i / n;
        s.verts.push_back({r * std::cos(a), r * std::sin(a), 0});
        base.push_back(i);
    }
    s.verts.push_back({0, 0, height});
    for (int i = 0; i < n; ++i) s.faces.push_back({i, (i + 1) % n, n});
    s.faces.push_back(base);
    return s;
}

V3 FaceNormal(const Solid& s, int f) {
    const auto& face = s.faces[size_t(f)];
    V3 n{0, 0, 0}, c{0, 0, 0};
    for (size_t i = 0; i < face.size(); ++i) {  // Newell's method
        V3 a = s.verts[size_t(face[i])], b = s.verts[size_t(face[(i + 1) % face.size()])];
        n = n + V3{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
        c = c + a;
    }
    c = c * (1.0 / double(face.size()));
    n = Normalized(n);
    if (Dot(n, c - s.Centre()) < 0) n = n * -1.0;
    return n;
}

double Shade(V3 n) {
    // Ambient high enough that the faces turned from the light stay colourful:
    // a toy in a bright room, not a rock under a spotlight.
    return 0.7 + 0.4 * std::max(0.0, Dot(n, TowardLight()));
}

void DrawSolid(cairo_t* cr, const View& view, const Solid& s, const Material& m,
               FaceDecorator decorate, void* user) {
    const V3 eye = TowardViewer();
    const V3 half = Normalized(TowardLight() + eye);
    for (int f = 0; f < int(s.faces.size()); ++f) {
        V3 n = FaceNormal(s, f);
        if (Dot(n, eye) <= 1e-6) continue;
        const auto& face = s.faces[size_t(f)];
        double shade = Shade(n);
        double highlight = std::pow(std::max(0.0, Dot(n, half)), 12) * m.gloss;
        // Faces in shade lean toward the blue of the night sky instead of grey.
        const double cool = std::max(0.0, 1.0 - shade);
        Rgb c = m.base.Scaled(shade).Mixed({1, 1, 1}, std::min(1.0, highlight));
        c = {std::min(1.0, c.r), std::min(1.0, c.g), std::min(1.0, c.b + 0.25 * cool)};
        cairo_new_path(cr);
        double minx = 1e9, maxx = -1e9, miny = 1e9, maxy = -1e9;
        for (int i : face) {
            V2 p = view(s.verts[size_t(i)]);
            cairo_line_to(cr, p.x, p.y);
            minx = std::min(minx, p.x), maxx = std::max(maxx, p.x);
            miny = std::min(miny, p.y), maxy = std::max(maxy, p.y);
        }
        cairo_close_path(cr);
        // A gentle gradient across the face toward the light keeps it from looking flat.
        cairo_pattern_t* g = cairo_pattern_create_linear(minx, miny, maxx * 0.6 + minx * 0.4, maxy);
        Rgb lit = c.Mixed({1, 1, 1}, 0.1), dim = c.Scaled(0.94);
        cairo_pattern_add_color_stop_rgba(g, 0, lit.r, lit.g, lit.b, m.alpha);
        cairo_pattern_add_color_stop_rgba(g, 1, dim.r, dim.g, dim.b, m.alpha);
        cairo_set_source(cr, g);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(g);
        if (m.outline > 0) {
            SetColour(cr, m.base.Scaled(0.38), std::min(1.0, m.alpha + 0.2));
            cairo_set_line_width(cr, m.outline);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cairo_stroke(cr);
        }
        cairo_new_path(cr);
        if (decorate) decorate(cr, view, s, f, user);
    }
}

void PushFaceMap(cairo_t* cr, const View& view, V3 o, V3 u, V3 v) {
    cairo_save(cr);
    V2 po = view(o);
    V2 pu = ProjectVirtual(u), pv = ProjectVirtual(v);
    cairo_matrix_t mtx;
    cairo_matrix_init(&mtx, pu.x * view.scale, pu.y * view.scale, pv.x * view.scale,
                      pv.y * view.scale, po.x, po.y);
    cairo_transform(cr, &mtx);
}

void DropShadow(cairo_t* cr, const View& view, V3 at, double radius, double alpha) {
    PushFaceMap(cr, view, at, {radius, 0, 0}, {0, radius, 0});
    cairo_pattern_t* g = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
    cairo_pattern_add_color_stop_rgba(g, 0, 0.02, 0.02, 0.12, alpha);
    cairo_pattern_add_color_stop_rgba(g, 1, 0.02, 0.02, 0.12, 0);
    cairo_set_source(cr, g);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    cairo_restore(cr);
}

}  // namespace assetgen
