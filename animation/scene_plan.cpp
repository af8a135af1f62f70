#include "animation/scene_plan.h"

#include <algorithm>

namespace glimmerkin {

int32_t ChoosePixelSize(int32_t setting, int32_t automatic) {
  if (setting >= 1 && setting <= kMaxPixelSize) return setting;
  return std::clamp(automatic, 1, kMaxPixelSize);
}

int32_t StageSide(int32_t side, int32_t pixelSize) {
  if (side <= 0) return 0;
  const int64_t size = std::clamp(pixelSize, 1, kMaxPixelSize);
  return static_cast<int32_t>((int64_t{side} + size - 1) / size);
}

uint32_t SceneSeed(uint32_t clockSeed, size_t index) {
  return clockSeed + static_cast<uint32_t>(index) * 0x9E3779B9u;
}

namespace {

bool Usable(const Monitor& m) {
  return m.width > 0 && m.height > 0 && m.width <= kMaxMonitorSide &&
         m.height <= kMaxMonitorSide && int64_t{m.width} * m.height <= kMaxMonitorPixels;
}

bool SameArea(const SceneArea& a, const Monitor& m) {
  return a.x == m.x && a.y == m.y && a.width == m.width && a.height == m.height;
}

}  // namespace

std::vector<SceneArea> PlanScenes(const std::vector<Monitor>& monitors, int32_t pixelSizeSetting,
                                  uint32_t clockSeed) {
  std::vector<size_t> order;
  size_t primary = monitors.size();
  for (size_t i = 0; i < monitors.size(); ++i)
    if (Usable(monitors[i]) && monitors[i].primary) {
      primary = i;
      break;
    }
  if (primary == monitors.size())
    for (size_t i = 0; i < monitors.size(); ++i)
      if (Usable(monitors[i])) {
        primary = i;
        break;
      }
  if (primary == monitors.size()) return {};

  std::vector<SceneArea> scenes;
  auto plan = [&](const Monitor& m) {
    for (const SceneArea& planned : scenes)
      if (SameArea(planned, m)) return;
    SceneArea area;
    area.x = m.x;
    area.y = m.y;
    area.width = m.width;
    area.height = m.height;
    area.pixelSize = ChoosePixelSize(pixelSizeSetting, m.automaticPixelSize);
    area.stageWidth = StageSide(m.width, area.pixelSize);
    area.stageHeight = StageSide(m.height, area.pixelSize);
    area.seed = SceneSeed(clockSeed, scenes.size());
    scenes.push_back(area);
  };
  plan(monitors[primary]);
  for (size_t i = 0; i < monitors.size() && scenes.size() < kMaxScenes; ++i)
    if (i != primary && Usable(monitors[i])) plan(monitors[i]);
  return scenes;
}

}  // namespace glimmerkin
