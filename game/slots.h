// Degree-based trigonometry for the screens' circular layouts, beside the shared names
// of the game's slots and codes.
#pragma once

#include <cmath>

#include "game/vocabulary.h"
#include "graphics/graphics.h"

inline float SinD(float degrees) {
    return std::sin(degrees * D2R);
}
inline float CosD(float degrees) {
    return std::cos(degrees * D2R);
}
