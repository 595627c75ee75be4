#include "tools/assetgen/art.h"

namespace assetgen {

const std::vector<SheetInfo>& ImageCatalog() {
    // Grids are kept near square so the largest tier stays within 2048 pixels.
    static const std::vector<SheetInfo> catalog = {
        {"9", 32, 32, 16, 4, PaintLevelPiece},
        {"0", 32, 32, 64, 8, PaintCubeRed},
        {"1", 32, 32, 64, 8, PaintCubeGreen},
        {"2", 32, 32, 64, 8, PaintCubeBlue},
        {"3", 32, 32, 64, 8, PaintCubeNeutral},
        {"fonts/shadow_editundo", 16, 16, 128, 16, PaintTextGlyph},
        {"common/icons", 32, 32, 16, 4, PaintIcon},
        {"common/Buttons", 64, 64, 16, 4, PaintButton},
        {"common/dpad", 32, 32, 16, 4, PaintDpad},
        {"common/TolvLogo", 256, 256, 1, 1, PaintMakerLogo},
        {"common/circle", 256, 256, 4, 2, PaintCircle},
        {"common/light", 32, 32, 4, 2, PaintLight},
        {"menu", 256, 256, 4, 2, PaintMenuArt},
        {"logo", 256, 128, 1, 1, PaintTitleLogo},
        {"BadgesA", 64, 64, 64, 8, PaintBadge},
        {"parts", 8, 8, 256, 16, PaintParticle},
        // The default font: one strip of 96 frames, each 8 pixels of glyph
        // between two empty border columns.
        {"vemo_font", 10, 14, 96, 96, PaintDefaultGlyph, false},
    };
    return catalog;
}

}  // namespace assetgen
