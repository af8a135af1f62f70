#include "host/win32/monitor_layout.h"

#include <algorithm>
#include <limits>

namespace glimmerkin {

namespace {

constexpr uint32_t kDefaultDpi = 96;

bool FitsInt32(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

int32_t PixelSizeFor(uint32_t dpi) { return PixelSizeForDpi(dpi == 0 ? kDefaultDpi : dpi); }

}  // namespace

WindowArea CoveredArea(int32_t virtualX, int32_t virtualY, int32_t virtualWidth,
                       int32_t virtualHeight, int32_t screenWidth, int32_t screenHeight) {
  if (virtualWidth > 0 && virtualHeight > 0) return {virtualX, virtualY, virtualWidth, virtualHeight};
  return {0, 0, std::max(screenWidth, 0), std::max(screenHeight, 0)};
}

std::vector<Monitor> MonitorsInWindow(const std::vector<MonitorRect>& rects, const WindowArea& area,
                                      int32_t screenWidth, int32_t screenHeight,
                                      uint32_t screenDpi) {
  std::vector<Monitor> monitors;
  const size_t count = std::min(rects.size(), kMaxMonitorsRead);
  monitors.reserve(count);
  bool anyUsable = false;
  for (size_t i = 0; i < count; ++i) {
    const MonitorRect& r = rects[i];
    const int64_t x = int64_t{r.left} - area.x;
    const int64_t y = int64_t{r.top} - area.y;
    const int64_t width = int64_t{r.right} - r.left;
    const int64_t height = int64_t{r.bottom} - r.top;
    Monitor m;
    m.primary = r.primary;
    m.automaticPixelSize = PixelSizeFor(r.dpi);
    if (FitsInt32(x) && FitsInt32(y) && width > 0 && height > 0 && FitsInt32(width) &&
        FitsInt32(height)) {
      m.x = static_cast<int32_t>(x);
      m.y = static_cast<int32_t>(y);
      m.width = static_cast<int32_t>(width);
      m.height = static_cast<int32_t>(height);
      anyUsable = true;
    }
    monitors.push_back(m);
  }
  if (!anyUsable) {
    // The system told nothing usable: the primary screen, where it always is
    // (at the virtual screen's origin 0, 0).
    monitors.clear();
    Monitor m;
    const int64_t x = -int64_t{area.x};
    const int64_t y = -int64_t{area.y};
    if (FitsInt32(x) && FitsInt32(y)) {
      m.x = static_cast<int32_t>(x);
      m.y = static_cast<int32_t>(y);
      m.width = std::max(screenWidth, 0);
      m.height = std::max(screenHeight, 0);
    }
    m.primary = true;
    m.automaticPixelSize = PixelSizeFor(screenDpi);
    monitors.push_back(m);
  }
  return monitors;
}

}  // namespace glimmerkin
