#pragma once
// The monitors of the virtual screen as the full-screen window sees them.
// Free of windows.h so the rules are tested natively.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/display_rules.h"

namespace glimmerkin {

// A monitor as the system reports it: its rectangle in virtual-screen
// coordinates and its density, 0 when the system could not say.
struct MonitorRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool primary = false;
  uint32_t dpi = 0;
};

// Enumeration stops after this many monitors: far more than get a scene, and
// a bound on what a broken driver can make the saver hold.
inline constexpr size_t kMaxMonitorsRead = 64;

// The area the full-screen window covers, in virtual-screen coordinates.
struct WindowArea {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// The virtual screen, or the primary screen (at 0, 0) when the virtual
// screen's metrics give no area.
WindowArea CoveredArea(int32_t virtualX, int32_t virtualY, int32_t virtualWidth,
                       int32_t virtualHeight, int32_t screenWidth, int32_t screenHeight);

// The monitors in the coordinates of a window whose top-left corner is at
// `area` (x, y): each at its offset, with the pixel size its density asks for
// (96 dpi when unknown). A rectangle with no area, or one whose offset or
// size does not fit 32 bits, comes out with no size, which gets no scene.
// No monitor at all (or none usable) yields the primary screen as one
// monitor at the virtual screen's origin.
std::vector<Monitor> MonitorsInWindow(const std::vector<MonitorRect>& rects, const WindowArea& area,
                                      int32_t screenWidth, int32_t screenHeight,
                                      uint32_t screenDpi);

}  // namespace glimmerkin
