#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "animation/scene_plan.h"
#include "host/linux/run_config.h"

namespace glimmerkin {

// What the X11 and the Wayland front end decide alike about a run.

// The scenes' seed: -fixed-seed as given, else the clock.
uint32_t RunSeed(const RunConfig& config);
// The seed of scenes started afresh (SIGUSR1): -fixed-seed's again, so a
// fixed run stays reproducible; else the clock's, never the last one again,
// so that the user sees a new scene even within the same second.
uint32_t RestartSeed(const RunConfig& config, uint32_t lastSeed);

// The try-out window's size: -geometry's, else 960x600.
struct WindowSize {
  int32_t width = 0;
  int32_t height = 0;
};
inline constexpr WindowSize kTryOutSize{960, 600};
WindowSize TryOutSize(const RunConfig& config);

// The full screen: a scene per monitor, the primary's first.
std::vector<SceneArea> MonitorScenes(const std::vector<Monitor>& monitors,
                                     const RunConfig& config, uint32_t seed);

// The one scene of a window that shows width x height pixels, at the pixel
// size the settings or its monitor (automaticPixelSize) ask for; none when
// the size is beyond what a scene may have.
std::optional<SceneArea> WindowScene(int32_t width, int32_t height, int32_t automaticPixelSize,
                                     const RunConfig& config, uint32_t seed);

}  // namespace glimmerkin
