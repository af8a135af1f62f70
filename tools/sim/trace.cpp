#include "tools/sim/trace.h"

#include "animation/stage.h"
#include "scene/random.h"

namespace glimmerkin {

void WriteTraceBlock(uint32_t tick, const SpriteList& list, std::ostream& out) {
  out << "tick " << tick << " sprites " << list.Count() << " rng " << RandomState() << '\n';
  for (int32_t i = 0; i < list.Count(); ++i) {
    const Sprite& s = *list.At(i);
    out << s.TypeId() << ' ' << s.x << ' ' << s.y << ' ' << s.cellX << ' ' << s.cellY << '\n';
  }
}

void WriteTrace(const TraceOptions& options, std::ostream& out) {
  out << "glimmerkin-trace 1 seed " << options.seed << " size " << options.width << ' '
      << options.height << " aliens " << options.aliens << '\n';
  // The pixels do not change the scene, so the trace runs it without
  // composing any: a painter-less list still runs every draw pass.
  SeedRandom(options.seed);
  SpriteList list(options.width, options.height, nullptr);
  PlaceFirstAliens(list, options.aliens);
  WriteTraceBlock(0, list, out);
  for (uint32_t t = 1; t <= options.ticks && t != 0; ++t) {
    list.Tick();
    WriteTraceBlock(t, list, out);
  }
}

}  // namespace glimmerkin
