// The numbered image and sound slots the screens share, and degree-based trigonometry
// for the screens' circular layouts.
#pragma once

#include <cmath>

#include "graphics/graphics.h"

namespace slots {
constexpr int kImgCircle = 85;
constexpr int kImgMakerLogo = 93;
constexpr int kImgButtons = 95;
constexpr int kImgIcons = 97;
constexpr int kImgTitle = 98;

constexpr int kSfxConfirm = 98;
constexpr int kSfxBlip = 99;
}  // namespace slots

inline float SinD(float degrees) { return std::sin(degrees * D2R); }
inline float CosD(float degrees) { return std::cos(degrees * D2R); }
