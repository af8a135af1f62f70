#pragma once
#include <cstdint>

namespace glimmerkin {

// One process-wide generator: every random choice of the scene comes from it,
// in a fixed order of draws, so a seed and a screen size fix the animation.
void SeedRandom(uint32_t seed);
int32_t RandomStep();
// 0..n-1, or 0 without a step when n <= 0; always two steps otherwise.
int32_t RandomBelow(int32_t n);
uint32_t RandomState();

}  // namespace glimmerkin
