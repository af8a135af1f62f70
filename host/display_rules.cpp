#include "host/display_rules.h"

#include <algorithm>

namespace glimmerkin {

int32_t PixelSizeForDpi(int64_t dpi) {
  const int64_t size = (std::clamp<int64_t>(dpi, 0, 1 << 20) + 24) / 96;
  return static_cast<int32_t>(std::clamp<int64_t>(size, 1, kMaxPixelSize));
}

int32_t PixelSizeForPhysical(int64_t pixels, int64_t millimetres) {
  if (pixels <= 0 || millimetres <= 0 || pixels > kMaxMonitorSide || millimetres > 1000000)
    return 1;
  // dpi = pixels / (mm / 25.4), rounded to the nearest whole dot per inch.
  const int64_t dpi = (pixels * 254 + millimetres * 5) / (millimetres * 10);
  if (dpi < 50 || dpi > 600) return 1;
  return PixelSizeForDpi(dpi);
}

const Monitor* MonitorHolding(const std::vector<Monitor>& monitors, int32_t x, int32_t y) {
  const Monitor* found = nullptr;
  int64_t foundArea = 0;
  for (const Monitor& m : monitors) {
    if (m.width <= 0 || m.height <= 0) continue;
    const bool holds = int64_t{x} >= m.x && int64_t{y} >= m.y && int64_t{x} - m.x < m.width &&
                       int64_t{y} - m.y < m.height;
    const int64_t area = int64_t{m.width} * m.height;
    if (holds && (found == nullptr || area < foundArea)) {
      found = &m;
      foundArea = area;
    }
  }
  if (found == nullptr && !monitors.empty()) found = &monitors.front();
  return found;
}

AreaSize WindowStageArea(int32_t windowWidth, int32_t windowHeight, const Monitor& monitor) {
  const int32_t width = std::max(windowWidth, 0);
  const int32_t height = std::max(windowHeight, 0);
  if (width < monitor.width || height < monitor.height) return {width, height};
  return {std::max(monitor.width, 0), std::max(monitor.height, 0)};
}

}  // namespace glimmerkin
