#pragma once
#include <cstdint>
#include <ostream>

#include "scene/sprite.h"

namespace glimmerkin {

struct TraceOptions {
  uint32_t seed = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t ticks = 0;
  int32_t aliens = 9;
};

// Prints the scene tick by tick in the plain-text trace format.
void WriteTrace(const TraceOptions& options, std::ostream& out);
void WriteTraceBlock(uint32_t tick, const SpriteList& list, std::ostream& out);

}  // namespace glimmerkin
