#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace glimmerkin {

// How the stages are laid over the monitors: one scene per monitor, each
// drawn with a whole pixel size so that sprites stay crisp on high-density
// panels. Every front end (Windows, X11, Wayland, the web page) plans its
// scenes with these same rules.

inline constexpr int32_t kMaxPixelSize = 4;
// More monitors than this are left black: each scene costs two surfaces.
inline constexpr size_t kMaxScenes = 16;
// A monitor side or area beyond these gets no scene of its own (it stays black).
inline constexpr int32_t kMaxMonitorSide = 65536;
inline constexpr int64_t kMaxMonitorPixels = int64_t{1} << 26;

// The "Pixel Size" setting: 1..4 fix the size; 0, missing and anything else
// leave it to the monitor (automatic).
int32_t ChoosePixelSize(int32_t setting, int32_t automatic);

// One side of the stage for a monitor side at a pixel size: ceil(side / size).
int32_t StageSide(int32_t side, int32_t pixelSize);

// The seed of the scene at `index` in the plan (0 is the primary monitor):
// the primary takes the clock value as it is, so a single monitor sees the
// same scene as always; each further monitor adds index x 0x9E3779B9 (the
// golden-ratio constant, modulo 2^32), which differs for every index below
// 2^32 and spreads neighbouring indices far apart.
uint32_t SceneSeed(uint32_t clockSeed, size_t index);

// A monitor as a front end reports it, in the coordinates of the window that
// covers the screen. automaticPixelSize comes from its density.
struct Monitor {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool primary = false;
  int32_t automaticPixelSize = 1;
};

// What one scene covers and how it is drawn.
struct SceneArea {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t pixelSize = 1;
  int32_t stageWidth = 0;
  int32_t stageHeight = 0;
  uint32_t seed = 0;
};

// The scenes for a set of monitors: the primary (the first marked primary,
// else the first usable one) first, then the others in the order given.
// Monitors of no size or beyond the limits above get no scene; so do exact
// duplicates of one already planned (mirrored outputs) and every monitor past
// kMaxScenes.
std::vector<SceneArea> PlanScenes(const std::vector<Monitor>& monitors, int32_t pixelSizeSetting,
                                  uint32_t clockSeed);

}  // namespace glimmerkin
