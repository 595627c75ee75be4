// Small drawing vocabulary shared by every sheet: colours, rounded shapes,
// the colour-blind symbols and DejaVu lettering through Cairo.
#pragma once

#include <cairo.h>

#include <string>

namespace assetgen {

struct Rgb {
    double r, g, b;
    Rgb Scaled(double k) const { return {r * k, g * k, b * k}; }
    Rgb Mixed(const Rgb& o, double t) const {
        return {r + (o.r - r) * t, g + (o.g - g) * t, b + (o.b - b) * t};
    }
};

inline Rgb FromBytes(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0};
}

// The three play colours and their shapes, plus neutral art colours.
namespace palette {
inline const Rgb kRed = FromBytes(236, 62, 70);
inline const Rgb kGreen = FromBytes(64, 196, 84);
inline const Rgb kBlue = FromBytes(58, 138, 242);
inline const Rgb kWhite = FromBytes(244, 244, 250);
inline const Rgb kGold = FromBytes(255, 204, 64);
inline const Rgb kNight = FromBytes(16, 24, 72);
inline const Rgb kInk = FromBytes(24, 22, 48);
// Colour 1..3 (index 0..2), anything else neutral.
Rgb PlayColour(int index);
}  // namespace palette

enum class Shape { kDiamond, kCircle, kTriangle, kStar };
// Colour index 0..2 -> its shape; anything else -> star.
Shape ShapeOf(int index);

void SetColour(cairo_t* cr, const Rgb& c, double alpha = 1.0);
// Sets the source to the game's night sky, from its lighter top at y0 to night at y1.
void SetNightSky(cairo_t* cr, double y0, double y1);
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
void StarPath(cairo_t* cr, double cx, double cy, int points, double outer, double inner,
              double rotation);
// Adds the path of a shape symbol centred at (cx, cy) with radius r.
void ShapePath(cairo_t* cr, Shape shape, double cx, double cy, double r);
// A shaded, outlined glossy disc used by icons and buttons.
void GlossyDisc(cairo_t* cr, double cx, double cy, double r, const Rgb& base, double outline);

// Only faces of the fonts-dejavu-core package, present on every fresh machine.
enum class Face { kSans, kSansBold, kMono, kMonoBold, kSerifBold };
// Sets the current font (DejaVu loaded directly from its file, so the choice of
// face never depends on fontconfig); thread-safe, cached per thread.
// `hinted` snaps outlines to the pixel grid, for lettering drawn at its final size.
void UseFont(cairo_t* cr, Face face, double size, bool hinted = false);
// Where the DejaVu .ttf files live; set once before drawing starts.
void SetFontDirectory(const std::string& dir);
// Adds the path of a text line centred at (cx, cy) on its ink box.
void CenteredTextPath(cairo_t* cr, const std::string& text, double cx, double cy);
// Filled text with a thin outline and a soft drop shadow.
void LabelText(cairo_t* cr, const std::string& text, double cx, double cy, const Rgb& fill,
               const Rgb& outline, double outlineWidth, double shadow);

}  // namespace assetgen
