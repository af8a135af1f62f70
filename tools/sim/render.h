#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <span>
#include <vector>

#include "draw/damage.h"
#include "tools/sim/trace.h"

namespace glimmerkin {

// A frame as the screen shows it: the picture (width x height, rows
// packed) and the rectangles of it that the frame changed.
struct RenderedFrame {
  uint32_t tick = 0;
  const uint32_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  std::span<const Rect> changed;
};

// Runs a stage as the saver does (seed, size and alien count from the
// options; at pixel size P a stage P times smaller, enlarged by whole
// pixels) through the one frame path into memory, and hands the picture
// after each of the given ticks to `frame`. Tick 0 is the picture before
// the first frame (black). Returns false when the stage cannot be built.
bool RenderTicks(const TraceOptions& options, int32_t pixelSize, uint32_t firstTick,
                 uint32_t count, const std::function<bool(const RenderedFrame&)>& frame,
                 std::string* error);

// A one-pixel frame just inside rectangle r of the picture, cut to it.
void OutlineRect(uint32_t* pixels, int32_t width, int32_t height, const Rect& r, uint32_t colour);

// Every listed sheet cell drawn masked over the ground, enlarged, labelled.
bool RenderContactSheet(int32_t scale, std::vector<uint32_t>& pixels, int32_t& width,
                        int32_t& height, std::string* error);

}  // namespace glimmerkin
