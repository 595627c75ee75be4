#include "game/random.h"

#include <cstdint>

int qo_random_Seed = 0;

float qo_random_Rnd() {
    uint32_t seed = static_cast<uint32_t>(qo_random_Seed) * 1664525u + 1013904223u;
    qo_random_Seed = static_cast<int>(seed);
    // The top 24 bits: exactly representable, so r < 1 always.
    return static_cast<float>(seed >> 8) * (1.0f / 16777216.0f);
}

float qo_random_Rnd2(float lo, float hi) {
    return lo + (hi - lo) * qo_random_Rnd();
}
float qo_random_Rnd3(float range) {
    return qo_random_Rnd() * range;
}
