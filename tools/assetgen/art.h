// Every image the game loads, with its frame grid and the code that paints it.
#pragma once

#include <vector>

#include "tools/assetgen/sheet.h"

namespace assetgen {

// All image sheets, in a fixed order.
const std::vector<SheetInfo>& ImageCatalog();

// Painters, one per sheet (frame-level contracts are in each source file).
void PaintLevelPiece(cairo_t* cr, int frame, int tier);
void PaintCubeRed(cairo_t* cr, int frame, int tier);
void PaintCubeGreen(cairo_t* cr, int frame, int tier);
void PaintCubeBlue(cairo_t* cr, int frame, int tier);
void PaintCubeNeutral(cairo_t* cr, int frame, int tier);
void PaintTextGlyph(cairo_t* cr, int frame, int tier);
void PaintDefaultGlyph(cairo_t* cr, int frame, int tier);
void PaintIcon(cairo_t* cr, int frame, int tier);
void PaintDpad(cairo_t* cr, int frame, int tier);
void PaintLight(cairo_t* cr, int frame, int tier);
void PaintButton(cairo_t* cr, int frame, int tier);
void PaintCircle(cairo_t* cr, int frame, int tier);
void PaintTitleLogo(cairo_t* cr, int frame, int tier);
void PaintMakerLogo(cairo_t* cr, int frame, int tier);
void PaintMenuArt(cairo_t* cr, int frame, int tier);
void PaintBadge(cairo_t* cr, int frame, int tier);
void PaintParticle(cairo_t* cr, int frame, int tier);

}  // namespace assetgen
