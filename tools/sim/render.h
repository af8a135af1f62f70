#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/sim/trace.h"

namespace glimmerkin {

// Runs a stage as the saver does (seed, size and alien count from the
// options) and hands the finished frame after each of the given ticks to
// `frame`. Returns false when the stage cannot be built.
bool RenderTicks(const TraceOptions& options, uint32_t firstTick, uint32_t count,
                 const std::function<bool(uint32_t tick, const uint32_t* pixels)>& frame,
                 std::string* error);

// Every listed sheet cell drawn masked over the ground, enlarged, labelled.
bool RenderContactSheet(int32_t scale, std::vector<uint32_t>& pixels, int32_t& width,
                        int32_t& height, std::string* error);

}  // namespace glimmerkin
