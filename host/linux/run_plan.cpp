#include "host/linux/run_plan.h"

#include <ctime>

namespace glimmerkin {

uint32_t RunSeed(const RunConfig& config) {
  return config.fixedSeed ? *config.fixedSeed : static_cast<uint32_t>(std::time(nullptr));
}

uint32_t RestartSeed(const RunConfig& config, uint32_t lastSeed) {
  const uint32_t seed = RunSeed(config);
  if (config.fixedSeed || seed != lastSeed) return seed;
  return lastSeed + 1;
}

WindowSize TryOutSize(const RunConfig& config) {
  if (config.geometry) return WindowSize{config.geometry->width, config.geometry->height};
  return kTryOutSize;
}

std::vector<SceneArea> MonitorScenes(const std::vector<Monitor>& monitors,
                                     const RunConfig& config, uint32_t seed) {
  return PlanScenes(monitors, config.settings.pixelSize, seed);
}

std::optional<SceneArea> WindowScene(int32_t width, int32_t height, int32_t automaticPixelSize,
                                     const RunConfig& config, uint32_t seed) {
  Monitor window;
  window.width = width;
  window.height = height;
  window.automaticPixelSize = automaticPixelSize;
  const std::vector<SceneArea> areas = PlanScenes({window}, config.settings.pixelSize, seed);
  if (areas.empty()) return std::nullopt;
  return areas.front();
}

}  // namespace glimmerkin
