// An image sheet: equal frames on a grid, painted once per resolution tier
// from vector drawing code, so each tier is drawn at its own resolution.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

// Draws one frame. The context's origin is the frame's top-left corner and its
// unit is one tier-1 pixel (the tier scale is already applied); drawing is
// clipped to the frame. `tier` is 1, 2 or 4, for painters that snap to pixels.
using FramePainter = void (*)(cairo_t* cr, int frame, int tier);

struct SheetInfo {
    std::string name;  // path below data/ without tier suffix or extension
    int frameWidth;    // tier-1 pixels
    int frameHeight;
    int frames;
    int columns;  // frames per grid row
    FramePainter paint;
    bool allTiers = true;  // false: one file without "-hd"/"-hd2" variants
};

struct Pixels {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // straight alpha
};

// "name.png", "name-hd.png" or "name-hd2.png".
std::string TierFileName(const std::string& name, int tier);
Pixels RenderSheet(const SheetInfo& info, int tier);
// Frames enlarged on a labelled grid, for looking at the art; returns PNG bytes.
std::vector<uint8_t> RenderContactSheet(const SheetInfo& info, int tier, const Pixels& sheet);

}  // namespace assetgen
