#pragma once
// Helpers shared by the scene tests.
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "scene/random.h"
#include "scene/sprite.h"

namespace glimmerkin::testing {

// Seeds the generator so that the next RandomBelow calls, with the given
// bounds, return the given values. Searches seeds from 0 upwards.
inline bool SeedForDraws(std::initializer_list<std::pair<int32_t, int32_t>> draws) {
  for (uint32_t seed = 0; seed < 50'000'000u; ++seed) {
    SeedRandom(seed);
    bool ok = true;
    for (const auto& [bound, wanted] : draws) {
      if (RandomBelow(bound) != wanted) {
        ok = false;
        break;
      }
    }
    if (ok) {
      SeedRandom(seed);
      return true;
    }
  }
  return false;
}

// Records every cell a sprite asks for.
struct RecordingPainter final : CellPainter {
  struct Call {
    int32_t cellX, cellY, x, y, width, height;
  };
  void DrawSheetCell(int32_t cellX, int32_t cellY, int32_t x, int32_t y, int32_t width,
                     int32_t height) override {
    calls.push_back({cellX, cellY, x, y, width, height});
  }
  std::vector<Call> calls;
};

}  // namespace glimmerkin::testing
