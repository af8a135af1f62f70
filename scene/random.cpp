#include "scene/random.h"

namespace glimmerkin {
namespace {
uint32_t state = 1;
}

void SeedRandom(uint32_t seed) { state = seed; }

int32_t RandomStep() {
  state = state * 214013u + 2531011u;
  return static_cast<int32_t>((state >> 16) & 0x7FFFu);
}

int32_t RandomBelow(int32_t n) {
  if (n <= 0) return 0;
  RandomStep();  // a sign test in the original arithmetic; the output is never negative
  return RandomStep() % n;
}

uint32_t RandomState() { return state; }

}  // namespace glimmerkin
