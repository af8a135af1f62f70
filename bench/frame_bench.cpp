// Frame cost: the damage path (a frame touches what moved) against the
// full recomposition of every pixel, and against two plain memcpys of a
// frame, the floor of any whole-frame copy.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "animation/scene_set.h"
#include "animation/stage.h"
#include "animation/scene_plan.h"
#include "scene/random.h"

namespace glimmerkin {
namespace {

struct BenchPlatform final : StagePlatform {
  BenchPlatform(int32_t w, int32_t h, int32_t aliens) : w(w), h(h) { settings.alienCount = aliens; }
  uint32_t CurrentTimeSeconds() override { return 20261208; }
  Settings ReadSettings() override { return settings; }
  int32_t ScreenWidth() override { return w; }
  int32_t ScreenHeight() override { return h; }
  ReferenceContext GetReferenceContext() override { return {}; }
  int32_t w, h;
  Settings settings;
};

void BM_TwoFrameMemcpys(benchmark::State& state) {
  const size_t pixels = static_cast<size_t>(state.range(0)) * static_cast<size_t>(state.range(1));
  std::vector<uint32_t> a(pixels, 1), b(pixels, 2), c(pixels, 3);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), pixels * 4);
    benchmark::ClobberMemory();
    std::memcpy(c.data(), b.data(), pixels * 4);
    benchmark::ClobberMemory();
  }
}

// One frame of a stage into a window-sized memory target: arg 2 is 1 for
// the damage path, 0 for the full recomposition (ground copied whole, the
// whole frame presented) in the same run.
void BM_Frame(benchmark::State& state) {
  const auto w = static_cast<int32_t>(state.range(0));
  const auto h = static_cast<int32_t>(state.range(1));
  const bool damage = state.range(2) != 0;
  BenchPlatform platform(w, h, 9);
  Stage stage;
  CreateStage(stage, platform, nullptr);
  std::vector<uint32_t> window(static_cast<size_t>(w) * static_cast<size_t>(h));
  MemoryTarget target(RasterView{window.data(), w, h, w});
  RunFrame(stage, target);
  for (auto _ : state) {
    if (!damage) RepaintWhole(stage);
    RunFrame(stage, target);
    benchmark::ClobberMemory();
  }
  DestroyStage(stage, nullptr);
}

// Pixels a frame presents against pixels that actually changed from the
// frame before (the floor), over 2000 frames at the default nine aliens.
void BM_PixelsPerFrame(benchmark::State& state) {
  const auto w = static_cast<int32_t>(state.range(0));
  const auto h = static_cast<int32_t>(state.range(1));
  const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
  int64_t presented = 0;
  int64_t changed = 0;
  int frames = 0;
  for (auto _ : state) {
    BenchPlatform platform(w, h, 9);
    Stage stage;
    CreateStage(stage, platform, nullptr);
    std::vector<uint32_t> window(count), last(count);
    MemoryTarget target(RasterView{window.data(), w, h, w});
    RunFrame(stage, target);
    for (int i = 0; i < 2000; ++i) {
      last = window;
      RunFrame(stage, target);
      presented += target.LastArea();
      for (size_t k = 0; k < count; ++k) changed += window[k] != last[k] ? 1 : 0;
      ++frames;
    }
    DestroyStage(stage, nullptr);
  }
  state.counters["presented_px"] = static_cast<double>(presented) / frames;
  state.counters["changed_px"] = static_cast<double>(changed) / frames;
  state.counters["presented_per_changed"] =
      changed > 0 ? static_cast<double>(presented) / static_cast<double>(changed) : 0;
}

// Several monitors through the scene set, as the full-screen savers run them:
// arg 0 is the layout (0: one 1920x1080, 1: two 1920x1080 side by side,
// 2: one 3840x2160 at pixel size 2), the window image covering the screen.
void BM_SceneSetFrame(benchmark::State& state) {
  std::vector<Monitor> monitors;
  int32_t pixelSize = 1;
  switch (state.range(0)) {
    case 0: monitors = {{0, 0, 1920, 1080, true, 1}}; break;
    case 1: monitors = {{0, 0, 1920, 1080, true, 1}, {1920, 0, 1920, 1080, false, 1}}; break;
    default: monitors = {{0, 0, 3840, 2160, true, 1}}; pixelSize = 2; break;
  }
  int32_t w = 0;
  int32_t h = 0;
  for (const Monitor& m : monitors) {
    w = std::max(w, m.x + m.width);
    h = std::max(h, m.y + m.height);
  }
  SceneSet scenes;
  Settings settings;
  scenes.Create(PlanScenes(monitors, pixelSize, 20261208), settings, nullptr, nullptr);
  std::vector<uint32_t> window(static_cast<size_t>(w) * static_cast<size_t>(h));
  std::vector<MemoryTarget> targets;
  for (size_t i = 0; i < scenes.Count(); ++i) {
    const SceneArea& area = scenes.AreaAt(i);
    targets.emplace_back(RasterView{window.data() + static_cast<size_t>(area.y) * static_cast<size_t>(w) +
                                        static_cast<size_t>(area.x),
                                    area.width, area.height, w});
  }
  for (auto _ : state) {
    scenes.RunFrames([&](size_t i) -> PresentTarget& { return targets[i]; });
    benchmark::ClobberMemory();
  }
  scenes.Destroy(nullptr);
}

// The enlargement alone: a 1920x1080 frame doubled into 3840x2160, against
// one plain write of the 4K frame (BM_TwoFrameMemcpys/3840/2160 halved).
void BM_EnlargeTwice(benchmark::State& state) {
  const Surface frame = CreateWorkSurface(nullptr, 1920, 1080);
  std::vector<uint32_t> window(size_t{3840} * 2160);
  const RasterView view{window.data(), 3840, 2160, 3840};
  for (auto _ : state) {
    EnlargeRect(view, frame.View(), Rect{0, 0, 1920, 1080}, 2);
    benchmark::ClobberMemory();
  }
}

void BM_TickFullList(benchmark::State& state) {
  BenchPlatform platform(1920, 1080, SpriteList::kCapacity);
  Stage stage;
  CreateStage(stage, platform, nullptr);
  for (auto _ : state) {
    stage.spriteList->Tick();
    benchmark::ClobberMemory();
  }
  state.counters["sprites"] = stage.spriteList->Count();
  DestroyStage(stage, nullptr);
}

// The same list with drawing left out, to tell the scene's logic from the
// pixel work.
void BM_TickFullListNoDrawing(benchmark::State& state) {
  BenchPlatform platform(1920, 1080, SpriteList::kCapacity);
  Stage stage;
  CreateStage(stage, platform, nullptr);
  stage.spriteList->SetPainter(nullptr);
  for (auto _ : state) {
    stage.spriteList->Tick();
    benchmark::ClobberMemory();
  }
  DestroyStage(stage, nullptr);
}

BENCHMARK(BM_TwoFrameMemcpys)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Frame)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PixelsPerFrame)->Args({1920, 1080})->Args({3840, 2160})->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SceneSetFrame)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnlargeTwice)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickFullList)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickFullListNoDrawing)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace glimmerkin

BENCHMARK_MAIN();
