#pragma once
#include <cstdint>
#include <vector>

#include "animation/scene_plan.h"

namespace glimmerkin {

// What the front ends read off their displays: the pixel size a density asks
// for, which monitor holds a window, and how large a window's stage is.

// The pixel size a display density asks for: max(1, (dpi + 24) / 96), so
// 96..167 dpi draw at 1, 168..263 at 2, 264..359 at 3, never beyond 4.
int32_t PixelSizeForDpi(int64_t dpi);

// The pixel size from a monitor's size in pixels and millimetres along one
// side; 1 where the physical size is missing (0 mm) or gives an implausible
// density (below 50 or above 600 dpi).
int32_t PixelSizeForPhysical(int64_t pixels, int64_t millimetres);

// The monitor that holds a point: the smallest where monitors overlap, the
// first one where the point lies on none (so a window placed off every
// monitor still gets a stage), nullptr only for an empty list.
const Monitor* MonitorHolding(const std::vector<Monitor>& monitors, int32_t x, int32_t y);

// A drawing area of a window: the window's own size when it is smaller
// than its monitor either way (a settings preview, a try-out window), else
// the monitor's, so a window that covers its monitor shows the scene the
// full screen would.
struct AreaSize {
  int32_t width = 0;
  int32_t height = 0;
};
AreaSize WindowStageArea(int32_t windowWidth, int32_t windowHeight, const Monitor& monitor);

}  // namespace glimmerkin
