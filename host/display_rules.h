#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace glimmerkin {

// How the saver covers the displays: one scene per monitor, each drawn with a
// whole pixel size so that sprites stay crisp on high-density panels. Every
// front end (Windows, X11, Wayland, the web page) applies these same rules.

inline constexpr int32_t kMaxPixelSize = 4;
// More monitors than this are left black: each scene costs two surfaces.
inline constexpr size_t kMaxScenes = 16;
// A monitor side or area beyond these gets no scene of its own (it stays black).
inline constexpr int32_t kMaxMonitorSide = 65536;
inline constexpr int64_t kMaxMonitorPixels = int64_t{1} << 26;

// The pixel size a display density asks for: max(1, (dpi + 24) / 96), so
// 96..167 dpi draw at 1, 168..263 at 2, 264..359 at 3, never beyond 4.
int32_t PixelSizeForDpi(int64_t dpi);

// The pixel size from a monitor's size in pixels and millimetres along one
// side; 1 where the physical size is missing (0 mm) or gives an implausible
// density (below 50 or above 600 dpi).
int32_t PixelSizeForPhysical(int64_t pixels, int64_t millimetres);

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
