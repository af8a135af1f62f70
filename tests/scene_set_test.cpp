#include "animation/scene_set.h"

#include <gtest/gtest.h>

#include <vector>

#include "scene/random.h"

namespace glimmerkin {
namespace {

struct Platform final : StagePlatform, FrameTimer {
  uint32_t CurrentTimeSeconds() override { return seed; }
  Settings ReadSettings() override { return settings; }
  int32_t ScreenWidth() override { return width; }
  int32_t ScreenHeight() override { return height; }
  ReferenceContext GetReferenceContext() override { return {}; }
  uint32_t StartTimer(uint32_t) override { return ++timersStarted; }
  void StopTimer(uint32_t) override { ++timersStopped; }
  uint32_t seed = 1;
  int32_t width = 0;
  int32_t height = 0;
  Settings settings;
  uint32_t timersStarted = 0;
  int timersStopped = 0;
};

// A target with nowhere to show: the scenes step and compose all the same.
MemoryTarget nowhere;

std::vector<uint32_t> Pixels(const Surface& s) {
  return std::vector<uint32_t>(s.Pixels(), s.Pixels() + static_cast<size_t>(s.Width()) * s.Height());
}

// The frame a stage shows as it stands, one value a stage pixel.
std::vector<uint32_t> StagePixels(Stage& stage) {
  const int32_t p = stage.pixelSize;
  const int32_t w = stage.screenWidth * p, h = stage.screenHeight * p;
  std::vector<uint32_t> shown(static_cast<size_t>(w) * h);
  MemoryTarget target(RasterView{shown.data(), w, h, w});
  PresentWhole(stage, target);
  std::vector<uint32_t> out(static_cast<size_t>(stage.screenWidth) * stage.screenHeight);
  for (int32_t y = 0; y < stage.screenHeight; ++y)
    for (int32_t x = 0; x < stage.screenWidth; ++x)
      out[static_cast<size_t>(y) * stage.screenWidth + x] =
          shown[static_cast<size_t>(y) * p * w + static_cast<size_t>(x) * p];
  return out;
}

// The frames of a lone stage, as a single-monitor screen shows them.
std::vector<std::vector<uint32_t>> LoneFrames(uint32_t seed, int32_t w, int32_t h, int frames) {
  Platform platform;
  platform.seed = seed;
  platform.width = w;
  platform.height = h;
  Stage stage;
  CreateStage(stage, platform, &platform);
  std::vector<std::vector<uint32_t>> out;
  for (int i = 0; i < frames; ++i) {
    RunFrame(stage, nowhere);
    out.push_back(StagePixels(stage));
  }
  DestroyStage(stage, &platform);
  return out;
}

TEST(SceneSetTest, PrimaryIsTheLoneSceneAndOthersDiffer) {
  Monitor left;
  left.width = 320;
  left.height = 240;
  left.primary = true;
  Monitor right = left;
  right.x = 320;
  right.primary = false;
  const auto plan = PlanScenes({right, left}, 0, 4242);
  ASSERT_EQ(plan.size(), 2u);

  Platform platform;
  SceneSet scenes;
  scenes.Create(plan, platform.ReadSettings(), nullptr, &platform);
  ASSERT_EQ(scenes.Count(), 2u);
  EXPECT_EQ(scenes.StageAt(1).settings.alienCount, platform.settings.alienCount);
  EXPECT_EQ(platform.timersStarted, 1u);  // one timer drives every scene
  EXPECT_EQ(scenes.StageAt(0).timerId, 1u);
  EXPECT_EQ(scenes.StageAt(1).timerId, 0u);

  const auto lone = LoneFrames(4242, 320, 240, 60);
  bool othersDiffer = false;
  for (int frame = 0; frame < 60; ++frame) {
    // Something else using the generator between frames changes nothing.
    SeedRandom(99);
    scenes.RunFrames([&](size_t) -> PresentTarget& { return nowhere; });
    ASSERT_EQ(StagePixels(scenes.StageAt(0)), lone[static_cast<size_t>(frame)])
        << "frame " << frame;
    if (StagePixels(scenes.StageAt(1)) != lone[static_cast<size_t>(frame)])
      othersDiffer = true;
  }
  EXPECT_TRUE(othersDiffer);
  scenes.Destroy(&platform);
  EXPECT_EQ(platform.timersStopped, 1);
  EXPECT_EQ(scenes.Count(), 0u);
}

TEST(SceneSetTest, EachSceneIsItsOwnSeedsLoneScene) {
  Monitor a;
  a.width = 200;
  a.height = 150;
  Monitor b = a;
  b.x = 200;
  b.width = 260;
  const auto plan = PlanScenes({a, b}, 0, 7);
  Platform platform;
  SceneSet scenes;
  scenes.Create(plan, platform.ReadSettings(), nullptr, &platform);
  const auto second = LoneFrames(plan[1].seed, 260, 150, 30);
  for (int frame = 0; frame < 30; ++frame) {
    scenes.RunFrames([&](size_t) -> PresentTarget& { return nowhere; });
    ASSERT_EQ(StagePixels(scenes.StageAt(1)), second[static_cast<size_t>(frame)]);
  }
  scenes.Destroy(&platform);
}

// Where every sprite stands: the scene's state, whatever its pixels.
std::vector<int32_t> Positions(const Stage& stage) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < stage.spriteList->Count(); ++i) {
    const Sprite* s = stage.spriteList->At(i);
    out.insert(out.end(), {s->TypeId(), s->x, s->y});
  }
  return out;
}

// A scene that cannot be seen does not step while the other goes on, the
// timer rests while neither is seen, and a scene seen again continues from
// the tick it reached: after N frames it is the lone scene after N ticks.
TEST(SceneSetTest, AnUnseenSceneRestsAndGoesOnWhereItStopped) {
  Monitor a;
  a.width = 240;
  a.height = 180;
  a.primary = true;
  Monitor b = a;
  b.x = 240;
  b.primary = false;
  const auto plan = PlanScenes({a, b}, 0, 99);
  Platform platform;
  SceneSet scenes;
  scenes.Create(plan, platform.ReadSettings(), nullptr, &platform);
  ASSERT_EQ(scenes.Count(), 2u);
  auto frames = [&](int n) {
    for (int i = 0; i < n; ++i) scenes.RunFrames([&](size_t) -> PresentTarget& { return nowhere; });
  };
  frames(20);
  scenes.Report(1, Unseen::DisplayOff, true);
  frames(30);
  EXPECT_EQ(platform.timersStopped, 0);
  scenes.Report(Unseen::ScreenBlanked, true);
  EXPECT_EQ(platform.timersStopped, 1);  // nothing seen: no timer
  frames(5);                              // a timer message already queued
  scenes.Report(Unseen::ScreenBlanked, false);
  EXPECT_EQ(platform.timersStarted, 2u);  // the primary is seen again
  EXPECT_NE(scenes.StageAt(0).timerId, 0u);
  frames(10);
  scenes.Report(1, Unseen::DisplayOff, false);
  frames(7);

  for (size_t i = 0; i < 2; ++i) {
    Platform lone;
    lone.seed = plan[i].seed;
    lone.width = plan[i].stageWidth;
    lone.height = plan[i].stageHeight;
    Stage stage;
    CreateStage(stage, lone, nullptr);
    const int ticks = i == 0 ? 20 + 30 + 10 + 7 : 20 + 7;
    for (int t = 0; t < ticks; ++t) RunFrame(stage, nowhere);
    EXPECT_EQ(Positions(scenes.StageAt(i)), Positions(stage)) << "scene " << i;
    DestroyStage(stage, nullptr);
  }
  scenes.Destroy(&platform);
}

// Seen and unseen flipping many times an interval never brings a burst of
// frames, and after a long rest one frame comes at once, not the missed ones.
TEST(ScenePaceTest, NoBurstAfterFlipsOrARest) {
  constexpr int64_t kMs = 1'000'000;
  ScenePace pace;
  pace.Start(0, 90, std::nullopt);
  int frames = 0;
  for (int64_t now = 0; now < 900 * kMs; now += kMs) {
    pace.Report(Unseen::AwaitingCallback, (now / kMs) % 3 == 0);
    if (pace.Due(now)) {
      pace.Ran(now);
      ++frames;
    }
  }
  EXPECT_GE(frames, 9);
  EXPECT_LE(frames, 10);
  pace.Report(Unseen::DisplayOff, true);
  EXPECT_EQ(pace.WakeNs(), kNoWake);
  pace.Report(Unseen::AwaitingCallback, false);
  EXPECT_EQ(pace.WakeNs(), kNoWake);  // still off
  const int64_t later = 3'600'000 * kMs;  // an hour dark
  pace.Report(Unseen::DisplayOff, false);
  ASSERT_TRUE(pace.Due(later));
  pace.Ran(later);
  EXPECT_FALSE(pace.Due(later + 89 * kMs));
  EXPECT_TRUE(pace.Due(later + 90 * kMs));
}

TEST(SceneSetTest, PixelSizeEnlargesIntoItsArea) {
  Monitor m;
  m.width = 101;  // not a multiple of the pixel size: the last column is cut
  m.height = 75;
  m.automaticPixelSize = 2;
  const auto plan = PlanScenes({m}, 0, 3);
  ASSERT_EQ(plan[0].stageWidth, 51);
  ASSERT_EQ(plan[0].stageHeight, 38);
  Platform platform;
  SceneSet scenes;
  scenes.Create(plan, platform.ReadSettings(), nullptr, &platform);
  const uint32_t guard = 0xDEADBEEF;
  std::vector<uint32_t> screen(static_cast<size_t>(110) * 80, guard);
  MemoryTarget area(RasterView{screen.data(), 101, 75, 110});
  for (int i = 0; i < 5; ++i) scenes.RunFrames([&](size_t) -> PresentTarget& { return area; });
  const std::vector<uint32_t> back = StagePixels(scenes.StageAt(0));
  for (int32_t y = 0; y < 80; ++y)
    for (int32_t x = 0; x < 110; ++x) {
      const uint32_t got = screen[static_cast<size_t>(y) * 110 + static_cast<size_t>(x)];
      if (x < 101 && y < 75)
        ASSERT_EQ(got, back[static_cast<size_t>(y / 2) * 51 + static_cast<size_t>(x / 2)])
            << x << "," << y;
      else
        ASSERT_EQ(got, guard) << "outside the area at " << x << "," << y;
    }
  scenes.Destroy(&platform);
}

TEST(StageResize, BackgroundAnewAndSpritesWithinTheNewBounds) {
  Platform platform;
  platform.width = 1024;
  platform.height = 768;
  platform.settings.alienCount = 25;
  Stage stage;
  CreateStage(stage, platform, &platform);
  for (int i = 0; i < 20; ++i) RunFrame(stage, nowhere);

  ResizeStage(stage, 400, 300);
  ASSERT_EQ(stage.screenWidth, 400);
  ASSERT_EQ(stage.screenHeight, 300);
  EXPECT_EQ(stage.spriteList->ScreenWidth(), 400);
  EXPECT_EQ(stage.spriteList->ScreenHeight(), 300);
  // Until the next frame the stage shows the ground a new stage of that size
  // composes.
  Platform small = platform;
  small.width = 400;
  small.height = 300;
  Stage fresh;
  CreateStage(fresh, small, &small);
  Surface freshGround = CreateWorkSurface(nullptr, 400, 300);
  ComposeGround(fresh, Rect{0, 0, 400, 300}, 0, 0, freshGround);
  EXPECT_EQ(StagePixels(stage), Pixels(freshGround));
  DestroyStage(fresh, &small);

  // Aliens that were outside the new bounds walk back in and stay there.
  for (int i = 0; i < 600; ++i) RunFrame(stage, nowhere);
  for (int32_t i = 0; i < stage.spriteList->Count(); ++i) {
    const Sprite* s = stage.spriteList->At(i);
    if (s->TypeId() != kAlienType) continue;
    EXPECT_LT(s->x, 400) << i;
    EXPECT_LT(s->y, 300) << i;
  }
  // Growing again, and absurd sizes, are safe.
  ResizeStage(stage, 1200, 900);
  RunFrame(stage, nowhere);
  ResizeStage(stage, 0, 0);
  RunFrame(stage, nowhere);
  ResizeStage(stage, 300, 200);
  RunFrame(stage, nowhere);
  EXPECT_EQ(stage.screenWidth, 300);
  DestroyStage(stage, &platform);
}

}  // namespace
}  // namespace glimmerkin
