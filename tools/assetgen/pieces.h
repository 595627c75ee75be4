// Shared building blocks of the level pieces and the cube, in world units.
#pragma once

#include "tools/assetgen/solid.h"

namespace assetgen {

// View of a 32 x 32 level frame: world point `anchor` at the frame centre,
// drawn at size 2 (half a frame unit per virtual unit).
View LevelView(V3 anchor);
// Maps the unit square onto the horizontal square of cell (0, 0) at height z.
void PushTopMap(cairo_t* cr, const View& view, double z);
// The colour-blind symbol painted flat in face-map units (unit square).
void PaintSymbol(cairo_t* cr, int colour, double cx, double cy, double r, const Rgb& fill,
                 const Rgb& edge, double edgeWidth);

}  // namespace assetgen
