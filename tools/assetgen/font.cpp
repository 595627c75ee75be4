// The text font (frame n = character n + 32): a pixel face with a drop shadow,
// drawn from the bitmap table below; its controller and key glyphs; and the
// runtime's default font strip.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/assetgen/art.h"
#include "tools/assetgen/canvas.h"

namespace assetgen {
namespace {

constexpr double kCentre = 8;  // frames are 16 x 16

// Extra advance the text drawer gives some characters on top of the 7 of the rest.
int Kern(int c) {
    switch (c) {
        case 'w':
        case 'm':
            return 2;
        case 'W':
        case 'M':
            return 1;
        case 'i':
        case 'f':
        case 'l':
            return -3;
        case 'j':
        case 's':
        case 'k':
        case 'r':
        case 'z':
        case 't':
        case 'n':
            return -1;
        default:
            return 0;
    }
}

const Rgb kShadow = FromBytes(10, 12, 40);

// The text drawer centres each frame on its pen and then moves the pen on by 7 + kern,
// so the space between two glyphs is set only by where their ink lies in the frame.
// Every glyph has a box 5 + kern pixels wide; with the shadow one pixel right of the
// face, that leaves one empty column before the next glyph's box. Letters and digits
// reach the last column of their box and begin in its first or second, so any two of
// them stand 1 or 2 pixels apart, shadow included; other symbols may sit anywhere
// inside their box. The box starts 7 pixels left of the pen: the drawer measures and
// places a text as if a space came first, so the first pen is 7 right of where the text
// begins, and only ink from there on starts left-aligned text at its x and centres
// centred text (the wheel's labels in their bubbles) on its x.
constexpr int kBoxLeft = 1;  // frame column of a box's first column
constexpr int kCapTop = 4;   // frame row of the cap line: capitals and shadow centre on 8
constexpr int kRows = 9;     // cap height 7 (baseline on row 6), descenders 2

// Glyphs drawn side by side, one string per pixel row: "#" ink, "." empty, a space
// between glyphs.
struct Strip {
    const char* characters;
    const char* rows[kRows];
};

constexpr Strip kStrips[] = {
    // Capitals; M and W are one wider.
    {"ABCDEFGHIJKLM",
     {".###. ####. .###. ####. ##### ##### .###. #...# ##### ....# #...# #.... #....#",
      "#...# #...# #...# #...# #.... #.... #...# #...# ..#.. ....# #..#. #.... ##..##",
      "#...# #...# #.... #...# #.... #.... #.... #...# ..#.. ....# #.#.. #.... #.##.#",
      "##### ####. #.... #...# ####. ####. #.### ##### ..#.. ....# ##... #.... #....#",
      "#...# #...# #.... #...# #.... #.... #...# #...# ..#.. #...# #.#.. #.... #....#",
      "#...# #...# #...# #...# #.... #.... #...# #...# ..#.. #...# #..#. #.... #....#",
      "#...# ####. .###. ####. ##### #.... .#### #...# ##### .###. #...# ##### #....#",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ......",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ......"}},
    {"NOPQRSTUVWXYZ",
     {"#...# .###. ####. .###. ####. .#### ##### #...# #...# #....# #...# #...# #####",
      "##..# #...# #...# #...# #...# #.... ..#.. #...# #...# #....# #...# #...# ....#",
      "#.#.# #...# #...# #...# #...# #.... ..#.. #...# #...# #....# .#.#. .#.#. ...#.",
      "#..## #...# ####. #...# ####. .###. ..#.. #...# #...# #.##.# ..#.. ..#.. ..#..",
      "#...# #...# #.... #.#.# #.#.. ....# ..#.. #...# #...# #.##.# .#.#. ..#.. .#...",
      "#...# #...# #.... #..#. #..#. ....# ..#.. #...# .#.#. #.##.# #...# ..#.. #....",
      "#...# .###. #.... .##.# #...# ####. ..#.. .###. ..#.. .#..#. #...# ..#.. #####",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... ...... ..... ..... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... ...... ..... ..... ....."}},
    // Small letters: x-height 5, descenders 2.
    {"abcdefghijklm",
     {"..... #.... ..... ....# ..... .# ..... #.... .# ...# #... .# .......",
      "..... #.... ..... ....# ..... #. ..... #.... .. .... #... .# .......",
      ".###. ####. .#### .#### .###. ## .#### ####. .# ...# #..# .# ###.##.",
      "....# #...# #.... #...# #...# #. #...# #...# .# ...# #.#. .# #..#..#",
      ".#### #...# #.... #...# ##### #. #...# #...# .# ...# ##.. .# #..#..#",
      "#...# #...# #.... #...# #.... #. #...# #...# .# ...# #.#. .# #..#..#",
      ".#### ####. .#### .#### .#### #. .#### #...# .# ...# #..# .# #..#..#",
      "..... ..... ..... ..... ..... .. ....# ..... .. #..# .... .. .......",
      "..... ..... ..... ..... ..... .. ####. ..... .. .##. .... .. ......."}},
    {"nopqrstuvwxyz",
     {".... ..... ..... ..... .... .... .#.. ..... ..... ....... ..... ..... ....",
      ".... ..... ..... ..... .... .... .#.. ..... ..... ....... ..... ..... ....",
      "###. .###. ####. .#### #.## .### #### #...# #...# #.....# #...# #...# ####",
      "#..# #...# #...# #...# ##.. #... .#.. #...# #...# #.....# .#.#. #...# ...#",
      "#..# #...# #...# #...# #... .##. .#.. #...# #...# #..#..# ..#.. #...# ..#.",
      "#..# #...# #...# #...# #... ...# .#.. #...# .#.#. #..#..# .#.#. #...# .#..",
      "#..# .###. ####. .#### #... ###. ..## .#### ..#.. .##.##. #...# .#### ####",
      ".... ..... #.... ....# .... .... .... ..... ..... ....... ..... ....# ....",
      ".... ..... #.... ....# .... .... .... ..... ..... ....... ..... ####. ...."}},
    // Digits.
    {"0123456789",
     {".###. ...#. .###. .###. ...#. ##### ..##. ##### .###. .###.",
      "#...# ..##. #...# #...# ..##. #.... .#... ....# #...# #...#",
      "#...# .#.#. ....# ....# .#.#. ####. #.... ...#. #...# #...#",
      "#.#.# ...#. ...#. ..##. #..#. ....# ####. ..#.. .###. .####",
      "#...# ...#. ..#.. ....# ##### ....# #...# .#... #...# ....#",
      "#...# ...#. .#... #...# ...#. #...# #...# .#... #...# ...#.",
      ".###. ..### ##### .###. ...#. .###. .###. .#... .###. .##..",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... ....."}},
    // Punctuation and symbols: anywhere inside their box.
    {"!\"#$%&'()*+",
     {"..#.. .#.#. .#.#. ..#.. ##... .##.. ..#.. ...#. .#... ..... .....",
      "..#.. .#.#. .#.#. .#### ##..# #..#. ..#.. ..#.. ..#.. ..#.. ..#..",
      "..#.. ..... ##### #.#.. ...#. #.#.. ..... .#... ...#. #.#.# ..#..",
      "..#.. ..... .#.#. .###. ..#.. .#... ..... .#... ...#. .###. #####",
      "..#.. ..... ##### ..#.# .#... #.#.# ..... .#... ...#. #.#.# ..#..",
      "..... ..... .#.#. ####. #..## #..#. ..... ..#.. ..#.. ..#.. ..#..",
      "..#.. ..... .#.#. ..#.. ...## .##.# ..... ...#. .#... ..... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... ..... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... ..... ....."}},
    {",-./:;<=>?@",
     {"..... ..... ..... ....# ..... ..... ...#. ..... .#... .###. .###.",
      "..... ..... ..... ...#. ..... ..... ..#.. ..... ..#.. #...# #...#",
      "..... ..... ..... ...#. .##.. .##.. .#... ##### ...#. ....# #.###",
      "..... .###. ..... ..#.. .##.. .##.. #.... ..... ....# ...#. #.#.#",
      "..... ..... ..... .#... ..... ..... .#... ##### ...#. ..#.. #.###",
      ".##.. ..... .##.. .#... .##.. .##.. ..#.. ..... ..#.. ..... #....",
      ".##.. ..... .##.. #.... .##.. .##.. ...#. ..... .#... ..#.. .####",
      "..#.. ..... ..... ..... ..... ..#.. ..... ..... ..... ..... .....",
      ".#... ..... ..... ..... ..... .#... ..... ..... ..... ..... ....."}},
    {"[\\]^_`{|}~",
     {".###. #.... .###. ..#.. ..... .#... ...#. ..#.. .#... .....",
      ".#... .#... ...#. .#.#. ..... ..#.. ..#.. ..#.. ..#.. .....",
      ".#... .#... ...#. #...# ..... ..... ..#.. ..#.. ..#.. .#...",
      ".#... ..#.. ...#. ..... ..... ..... .#... ..#.. ...#. #.#.#",
      ".#... ...#. ...#. ..... ..... ..... ..#.. ..#.. ..#.. ...#.",
      ".#... ...#. ...#. ..... ..... ..... ..#.. ..#.. ..#.. .....",
      ".###. ....# .###. ..... ..... ..... ...#. ..#.. .#... .....",
      "..... ..... ..... ..... ##### ..... ..... ..#.. ..... .....",
      "..... ..... ..... ..... ..... ..... ..... ..... ..... ....."}},
};

struct Glyph {
    int width = 0;
    std::string rows[kRows];
    bool Ink(int x, int y) const { return rows[y][x] == '#'; }
};

[[noreturn]] void BadGlyph(int c, const char* why) {
    std::fprintf(stderr, "assetgen: text font glyph '%c' %s\n", c, why);
    std::abort();
}

// The spacing rule above, checked once for every glyph of the table.
void CheckGlyph(int c, const Glyph& g) {
    if (g.width != 5 + Kern(c)) BadGlyph(c, "is not 5 + kern pixels wide");
    if (!std::isalnum(c)) return;
    int first = g.width, last = -1;
    for (int y = 0; y < kRows; ++y) {
        for (int x = 0; x < g.width; ++x) {
            if (!g.Ink(x, y)) continue;
            first = std::min(first, x);
            last = std::max(last, x);
        }
    }
    if (first > 1 || last != g.width - 1) BadGlyph(c, "does not fill its box");
}

// Glyphs by character code; a code without one has width 0.
const Glyph& GlyphOf(int c) {
    static const std::vector<Glyph> table = [] {
        std::vector<Glyph> glyphs(128);
        for (const Strip& strip : kStrips) {
            const size_t count = std::strlen(strip.characters);
            for (int y = 0; y < kRows; ++y) {
                const std::string row = strip.rows[y];
                size_t at = 0;
                for (size_t i = 0; i < count; ++i) {
                    const int c = static_cast<unsigned char>(strip.characters[i]);
                    const size_t end = std::min(row.find(' ', at), row.size());
                    const int width = static_cast<int>(end - at);
                    Glyph& g = glyphs[c];
                    if (y == 0) g.width = width;
                    if (width != g.width) BadGlyph(c, "has rows of unequal width");
                    g.rows[y] = row.substr(at, end - at);
                    at = end + 1;
                }
            }
            for (size_t i = 0; i < count; ++i) {
                const int c = static_cast<unsigned char>(strip.characters[i]);
                CheckGlyph(c, glyphs[c]);
            }
        }
        return glyphs;
    }();
    return table[c];
}

void AddPixels(cairo_t* cr, const Glyph& g, int offset) {
    for (int y = 0; y < kRows; ++y) {
        for (int x = 0; x < g.width; ++x) {
            if (g.Ink(x, y)) cairo_rectangle(cr, kBoxLeft + x + offset, kCapTop + y + offset, 1, 1);
        }
    }
}

// Whole pixels of the design; the higher tiers repeat each one as a 2 x 2 or 4 x 4
// block, so every tier shows the same face and the same gaps.
void Letter(cairo_t* cr, const Glyph& g) {
    AddPixels(cr, g, 1);
    SetColour(cr, kShadow, 0.85);
    cairo_fill(cr);
    AddPixels(cr, g, 0);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
}

// Controller and keyboard symbols share the glyph frame; `w` is their width.
void Shadowed(cairo_t* cr, void (*path)(cairo_t*, double, double, int), int arg) {
    path(cr, kCentre + 0.8, kCentre + 0.8, arg);
    SetColour(cr, kShadow, 0.8);
    cairo_fill(cr);
    path(cr, kCentre, kCentre, arg);
}

void Disc(cairo_t* cr, double cx, double cy, int) {
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, 5.2, 0, 2 * M_PI);
}

// Four face buttons on a diamond; `which` 0 bottom, 1 right, 2 left, 3 top, 4 all.
void FaceButton(cairo_t* cr, int which) {
    static const Rgb kColours[4] = {FromBytes(80, 210, 90), FromBytes(240, 80, 80),
                                    FromBytes(80, 150, 250), FromBytes(250, 210, 60)};
    static const double kPos[4][2] = {{0, 1}, {1, 0}, {-1, 0}, {0, -1}};
    Shadowed(cr, Disc, 0);
    SetColour(cr, which < 4 ? kColours[which] : FromBytes(220, 220, 235));
    cairo_fill_preserve(cr);
    SetColour(cr, kShadow);
    cairo_set_line_width(cr, 0.7);
    cairo_stroke(cr);
    for (int i = 0; i < 4; ++i) {
        cairo_arc(cr, kCentre + kPos[i][0] * 2.6, kCentre + kPos[i][1] * 2.6, 1.25, 0, 2 * M_PI);
        bool lit = which == 4 || which == i;
        cairo_set_source_rgba(cr, 1, 1, 1, lit ? 1.0 : 0.35);
        cairo_fill(cr);
    }
}

void Pill(cairo_t* cr, double cx, double cy, int wide) {
    cairo_new_path(cr);
    double w = wide ? 12.5 : 11;
    RoundedRect(cr, cx - w / 2, cy - 4.2, w, 8.4, 3.5);
}

void Key(cairo_t* cr, double cx, double cy, int wide) {
    cairo_new_path(cr);
    double w = wide ? 12.5 : 10.5;
    RoundedRect(cr, cx - w / 2, cy - 5.2, w, 10.4, 2);
}

void Label(cairo_t* cr, const std::string& text, double size, const Rgb& colour, double dy = 0) {
    UseFont(cr, Face::kSansBold, size);
    cairo_new_path(cr);
    CenteredTextPath(cr, text, kCentre, kCentre + dy);
    SetColour(cr, colour);
    cairo_fill(cr);
}

void Shoulder(cairo_t* cr, const std::string& name) {
    Shadowed(cr, Pill, 1);
    SetColour(cr, FromBytes(200, 200, 215));
    cairo_fill_preserve(cr);
    SetColour(cr, kShadow);
    cairo_set_line_width(cr, 0.7);
    cairo_stroke(cr);
    Label(cr, name, 7, kShadow);
}

void Keycap(cairo_t* cr, const std::string& text, bool wide = false) {
    Shadowed(cr, Key, wide ? 1 : 0);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, kCentre - 5, 0, kCentre + 5);
    cairo_pattern_add_color_stop_rgb(g, 0, 1, 1, 1);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.78, 0.8, 0.88);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    SetColour(cr, kShadow);
    cairo_set_line_width(cr, 0.7);
    cairo_stroke(cr);
    Label(cr, text, text.size() > 1 ? 4.2 : 7, kShadow, -0.4);
}

void ArrowPath(cairo_t* cr, double cx, double cy, int dir, double s) {
    // dir 0 up, 1 down, 2 left, 3 right
    static const double kRot[4] = {0, M_PI, -M_PI / 2, M_PI / 2};
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, kRot[dir]);
    cairo_move_to(cr, 0, -s);
    cairo_line_to(cr, s, s * 0.6);
    cairo_line_to(cr, -s, s * 0.6);
    cairo_close_path(cr);
    cairo_restore(cr);
}

void DpadPath(cairo_t* cr, double cx, double cy, int) {
    cairo_new_path(cr);
    cairo_rectangle(cr, cx - 1.9, cy - 5.5, 3.8, 11);
    cairo_rectangle(cr, cx - 5.5, cy - 1.9, 11, 3.8);
}

// `lit` -1 none, 0..3 up, down, left, right.
void Dpad(cairo_t* cr, int lit) {
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    Shadowed(cr, DpadPath, 0);
    SetColour(cr, FromBytes(200, 200, 215));
    cairo_fill(cr);
    static const double kArm[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    for (int i = 0; i < 4; ++i) {
        ArrowPath(cr, kCentre + kArm[i][0] * 3.5, kCentre + kArm[i][1] * 3.5, i, 1.4);
        if (i == lit) {
            SetColour(cr, FromBytes(255, 220, 60));
        } else {
            SetColour(cr, kShadow, 0.55);
        }
        cairo_fill(cr);
    }
}

void ArrowKeys(cairo_t* cr) {
    for (int i = 0; i < 4; ++i) {
        static const double kAt[4][2] = {{0, -3}, {0, 3}, {-4, 3}, {4, 3}};
        double x = kCentre + kAt[i][0], y = kCentre + kAt[i][1];
        RoundedRect(cr, x - 1.8 + 0.6, y - 1.8 + 0.6, 3.6, 3.6, 0.7);
        SetColour(cr, kShadow, 0.8);
        cairo_fill(cr);
        RoundedRect(cr, x - 1.8, y - 1.8, 3.6, 3.6, 0.7);
        cairo_set_source_rgb(cr, 0.95, 0.95, 1);
        cairo_fill(cr);
        ArrowPath(cr, x, y, i, 0.9);
        SetColour(cr, kShadow);
        cairo_fill(cr);
    }
}

void Stick(cairo_t* cr) {
    Shadowed(cr, Disc, 0);
    SetColour(cr, FromBytes(90, 94, 120));
    cairo_fill(cr);
    cairo_arc(cr, kCentre - 0.8, kCentre - 0.8, 3.2, 0, 2 * M_PI);
    SetColour(cr, FromBytes(220, 220, 235));
    cairo_fill(cr);
}

void Mouse(cairo_t* cr) {
    RoundedRect(cr, kCentre - 3.5 + 0.8, kCentre - 5.5 + 0.8, 7, 11, 3.4);
    SetColour(cr, kShadow, 0.8);
    cairo_fill(cr);
    RoundedRect(cr, kCentre - 3.5, kCentre - 5.5, 7, 11, 3.4);
    cairo_set_source_rgb(cr, 0.95, 0.95, 1);
    cairo_fill(cr);
    cairo_move_to(cr, kCentre, kCentre - 5.5);
    cairo_line_to(cr, kCentre, kCentre - 1.5);
    cairo_move_to(cr, kCentre - 3.5, kCentre - 1.5);
    cairo_line_to(cr, kCentre + 3.5, kCentre - 1.5);
    SetColour(cr, kShadow);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);
}

void MenuButton(cairo_t* cr, bool back) {
    Shadowed(cr, Pill, 0);
    SetColour(cr, FromBytes(200, 200, 215));
    cairo_fill(cr);
    SetColour(cr, kShadow);
    if (back) {
        ArrowPath(cr, kCentre - 1, kCentre, 2, 2.2);
        cairo_fill(cr);
        cairo_rectangle(cr, kCentre - 0.5, kCentre - 0.8, 3.5, 1.6);
        cairo_fill(cr);
    } else {
        for (int i = -1; i <= 1; ++i) cairo_rectangle(cr, kCentre - 3, kCentre + i * 2 - 0.5, 6, 1);
        cairo_fill(cr);
    }
}

void EscapeGlyph(cairo_t* cr, int frame) {
    static const char* kKeys = "ZXCVBN";
    switch (frame) {
        case 96:
        case 97:
        case 98:
        case 99:
            FaceButton(cr, frame - 96);
            break;
        case 100:
            Shoulder(cr, "L");
            break;
        case 101:
            Shoulder(cr, "R");
            break;
        case 102:
            MenuButton(cr, false);
            break;
        case 103:
            MenuButton(cr, true);
            break;
        case 104:
            Dpad(cr, -1);
            break;
        case 105:
        case 106:
        case 107:
        case 108:
            Dpad(cr, frame - 105);
            break;
        case 109:
            FaceButton(cr, 4);
            break;
        case 110:
            Shoulder(cr, "LR");
            break;
        case 111:
            Stick(cr);
            break;
        case 112:
        case 113:
        case 114:
        case 115:
        case 116:
        case 117:
            Keycap(cr, std::string(1, kKeys[frame - 112]));
            break;
        case 118:
            Keycap(cr, "Esc", true);
            break;
        case 119:
            Keycap(cr, "Ent", true);
            break;
        case 120:
            ArrowKeys(cr);
            break;
        case 121:
        case 122:
        case 123:
        case 124: {
            Keycap(cr, "");
            ArrowPath(cr, kCentre, kCentre - 0.3, frame - 121, 2.6);
            SetColour(cr, kShadow);
            cairo_fill(cr);
            break;
        }
        case 125:
            Keycap(cr, "Spc", true);
            break;
        case 126:
            Keycap(cr, "Sh", true);
            break;
        default:
            Mouse(cr);
            break;
    }
}

}  // namespace

void PaintTextGlyph(cairo_t* cr, int frame, int /*tier*/) {
    const int c = frame + 32;
    if (c == 32) return;  // the space: never drawn, only advanced over
    if (c < 127) {
        Letter(cr, GlyphOf(c));
    } else if (c == 127) {
        // DEL shows as a text cursor block.
        Glyph block;
        block.width = 5;
        for (int y = 0; y < kRows; ++y) block.rows[y] = y < 7 ? ".####" : ".....";
        Letter(cr, block);
    } else {
        EscapeGlyph(cr, frame);
    }
}

void PaintDefaultGlyph(cairo_t* cr, int frame, int tier) {
    // Columns 0 and 9 are the border that flag 2 trims; the glyph lives in 1..8.
    cairo_rectangle(cr, 1, 0, 8, 14);
    cairo_clip(cr);
    const int c = frame + 32;
    if (c == 127) {
        cairo_rectangle(cr, 2, 2, 6, 10);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_fill(cr);
        return;
    }
    const std::string text(1, char(c));
    UseFont(cr, Face::kMonoBold, 11.5, tier == 1);
    cairo_text_extents_t e;
    cairo_text_extents(cr, "M", &e);
    double x = std::round(5 - e.x_advance / 2);
    cairo_move_to(cr, x, 11);
    cairo_text_path(cr, text.c_str());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
}

}  // namespace assetgen
