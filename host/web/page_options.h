#pragma once
#include <cstdint>
#include <string_view>

#include "draw/backend.h"

namespace glimmerkin {

// Limits on what the page's address may ask for, so that no value makes it
// hang or run out of memory.
inline constexpr int32_t kMaxPageStageSide = 8192;
inline constexpr int64_t kMaxPageStagePixels = int64_t{1} << 25;
inline constexpr int32_t kMaxCanvasSide = 16384;
inline constexpr int64_t kMaxCanvasPixels = int64_t{1} << 25;
inline constexpr uint32_t kMaxPageTicks = 20000;

// The page's settings from its query string. A value that is missing, not
// a plain decimal number, or out of range leaves its default.
struct PageOptions {
  bool hasSeed = false;  // else the clock
  uint32_t seed = 0;
  int32_t aliens = 9;
  int32_t speed = 5;
  bool fixedSize = false;  // else the window's size
  int32_t width = 0;
  int32_t height = 0;
  bool hasTicks = false;  // run this many ticks at once, show the frame, stop
  uint32_t ticks = 0;
  bool bench = false;
};

// `query` as in location.search, with or without the leading '?'. The first
// occurrence of a key counts; unknown keys are ignored.
PageOptions ParsePageQuery(std::string_view query);

// How the stage and the canvas are sized: the canvas in device pixels, the
// stage in pixels of pixelSize device pixels each.
struct CanvasPlan {
  int32_t pixelSize = 1;
  int32_t stageWidth = 0;
  int32_t stageHeight = 0;
  int32_t canvasWidth = 0;
  int32_t canvasHeight = 0;
};

// The pixel size follows the device pixel ratio as the desktop savers follow
// the density (96 dpi per unit of ratio). Without a fixed size the canvas
// covers the window (cssWidth x cssHeight CSS pixels) and the stage is what
// covers it at the pixel size; with one the stage has that size and the
// canvas is the stage enlarged. Non-finite or absurd inputs give a 1x1 stage
// at pixel size 1 at worst.
CanvasPlan PlanCanvas(const PageOptions& options, double cssWidth, double cssHeight,
                      double devicePixelRatio);

// Canvas pixels: bytes R, G, B, A (255) as the 2D context's image data wants
// them, that is 0xAABBGGRR read as a little-endian word.
inline uint32_t ToCanvasPixel(uint32_t rgb) {
  return 0xFF000000u | ((rgb & 0xFFu) << 16) | (rgb & 0xFF00u) | ((rgb >> 16) & 0xFFu);
}

// Rectangle r of the canvas, as the frame path wrote it (0x00RRGGBB), made
// canvas pixels in place; cut to the canvas.
void ToCanvasPixels(const RasterView& canvas, const Rect& r);

}  // namespace glimmerkin
