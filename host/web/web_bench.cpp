// Frame cost in the browser, measured exactly as the native benchmark does
// (same stage, seed and alien count), so that the two can be set side by side.
#include <emscripten/emscripten.h>

#include <cstring>
#include <vector>

#include "animation/stage.h"
#include "host/web/page_options.h"

namespace glimmerkin {
namespace {

struct BenchPlatform final : StagePlatform {
  uint32_t CurrentTimeSeconds() override { return 20261208; }
  Settings ReadSettings() override { return Settings{kDefaultRedrawSpeed, 9, 0}; }
  int32_t ScreenWidth() override { return 1920; }
  int32_t ScreenHeight() override { return 1080; }
  ReferenceContext GetReferenceContext() override { return {}; }
};

// Keeps the optimiser from dropping copies whose results are never read.
volatile uint32_t g_sink = 0;

}  // namespace
}  // namespace glimmerkin

extern "C" {

// Mean microseconds per frame over `frames` frames after a short warm-up.
// kind 0: two memcpys of a 1920x1080 frame (the floor a frame can cost);
// kind 1: RunFrame presented into a separate buffer, as natively measured;
// kind 2: the page's frame: RunFrame, then what changed made canvas pixels.
EMSCRIPTEN_KEEPALIVE double glimmerkin_bench(int kind, int frames) {
  using namespace glimmerkin;
  if (frames < 1 || frames > 100000) return -1;
  constexpr int32_t w = 1920, h = 1080;
  const size_t pixels = static_cast<size_t>(w) * h;
  std::vector<uint32_t> window(pixels, 1);
  const RasterView view{window.data(), w, h, w};
  if (kind == 0) {
    std::vector<uint32_t> a(pixels, 2), b(pixels, 3);
    const double start = emscripten_get_now();
    for (int i = 0; i < frames; ++i) {
      std::memcpy(b.data(), a.data(), pixels * 4);
      g_sink = g_sink + b[static_cast<size_t>(i) % pixels];
      std::memcpy(window.data(), b.data(), pixels * 4);
      g_sink = g_sink + window[static_cast<size_t>(i * 7) % pixels];
    }
    return (emscripten_get_now() - start) * 1000.0 / frames;
  }
  if (kind != 1 && kind != 2) return -1;
  BenchPlatform platform;
  Stage stage;
  CreateStage(stage, platform, nullptr);
  MemoryTarget target(view);
  auto frame = [&] {
    RunFrame(stage, target);
    if (kind == 2)
      for (const Rect& r : target.LastChanged()) ToCanvasPixels(view, r);
    g_sink = g_sink + window[pixels / 2];
  };
  for (int i = 0; i < 10; ++i) frame();
  const double start = emscripten_get_now();
  for (int i = 0; i < frames; ++i) frame();
  const double us = (emscripten_get_now() - start) * 1000.0 / frames;
  DestroyStage(stage, nullptr);
  return us;
}

}  // extern "C"
