// The game's random stream: a 32-bit linear congruential generator shared by the level
// generator, the effects and the sound pitches, so a seed replays the same game.
#pragma once

extern int qo_random_Seed;

// One step: seed = seed * 1664525 + 1013904223 (mod 2^32); then a value in [0, 1).
float qo_random_Rnd();
float qo_random_Rnd2(float lo, float hi);
float qo_random_Rnd3(float range);

// The float constants the generator multiplies by, as the 32-bit floats they are.
constexpr float kRnd199 = 1.98999977f;
constexpr float kRnd299 = 2.99000001f;
constexpr float kRnd299Gem = 2.98999977f;
constexpr float kRnd399 = 3.98999977f;
constexpr float kRnd499 = 4.98999977f;
constexpr float kRnd099 = 0.99000001f;
