#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "animation/stage.h"
#include "draw/bmp_reader.h"
#include "resources/bitmap_resources.h"
#include "scene/alien.h"
#include "scene/random.h"

namespace glimmerkin {
namespace {

struct FakePlatform final : StagePlatform, FrameTimer {
  uint32_t CurrentTimeSeconds() override {
    calls.push_back("time");
    return seed;
  }
  Settings ReadSettings() override {
    calls.push_back("settings");
    return settings;
  }
  int32_t ScreenWidth() override {
    calls.push_back("width");
    return width;
  }
  int32_t ScreenHeight() override {
    calls.push_back("height");
    return height;
  }
  ReferenceContext GetReferenceContext() override {
    calls.push_back("dc");
    return {};
  }
  uint32_t StartTimer(uint32_t intervalMs) override {
    calls.push_back("timer " + std::to_string(intervalMs));
    return timerId;
  }
  void StopTimer(uint32_t id) override { calls.push_back("kill " + std::to_string(id)); }

  uint32_t seed = 1;
  Settings settings;
  int32_t width = 1024;
  int32_t height = 768;
  uint32_t timerId = 1;
  std::vector<std::string> calls;
};

// The whole ground of a stage, composed from the tile and the caption.
Surface Ground(const Stage& stage) {
  Surface ground = CreateWorkSurface(nullptr, stage.screenWidth, stage.screenHeight);
  ComposeGround(stage, Rect{0, 0, stage.screenWidth, stage.screenHeight}, 0, 0, ground);
  return ground;
}

TEST(FrameInterval, SpeedsOneToTenKeepTheFormulaAndTheRestAreBounded) {
  for (int32_t speed = 1; speed <= 10; ++speed)
    EXPECT_EQ(FrameIntervalMs(speed), static_cast<uint32_t>(165 - 15 * speed));
  EXPECT_EQ(FrameIntervalMs(11), 15u);
  EXPECT_EQ(FrameIntervalMs(12), 15u);
  EXPECT_EQ(FrameIntervalMs(INT32_MAX), 15u);
  EXPECT_EQ(FrameIntervalMs(0), 165u);
  EXPECT_EQ(FrameIntervalMs(-3989), 60000u);
  EXPECT_EQ(FrameIntervalMs(-3990), 60000u);
  EXPECT_EQ(FrameIntervalMs(INT32_MIN), 60000u);
}

TEST(CreateStage, RunsItsStepsInOrder) {
  FakePlatform platform;
  platform.settings = {5, 9};
  Stage stage;
  CreateStage(stage, platform, &platform);
  EXPECT_EQ(platform.calls,
            (std::vector<std::string>{"time", "settings", "width", "height", "dc", "timer 90"}));
  EXPECT_EQ(stage.timerId, 1u);
  DestroyStage(stage, &platform);
  EXPECT_EQ(platform.calls.back(), "kill 1");
  EXPECT_EQ(stage.spriteList, nullptr);
  EXPECT_EQ(stage.sheet, nullptr);
}

TEST(CreateStage, WithoutATimerDestroyStopsNothing) {
  FakePlatform platform;
  platform.timerId = 0;
  Stage stage;
  CreateStage(stage, platform, &platform);
  const size_t calls = platform.calls.size();
  DestroyStage(stage, &platform);
  EXPECT_EQ(platform.calls.size(), calls);
  EXPECT_EQ(stage.spriteList, nullptr);
}

TEST(CreateStage, FirstAliensAlternateKindsAndDrawYBeforeX) {
  FakePlatform platform;
  Stage stage;
  CreateStage(stage, platform, &platform);
  SpriteList& list = *stage.spriteList;
  ASSERT_EQ(list.Count(), 9);
  EXPECT_EQ(list.At(0)->x, 742);
  EXPECT_EQ(list.At(0)->y, 319);
  int kindOne = 0;
  for (int32_t i = 0; i < 9; ++i) {
    auto* a = static_cast<Alien*>(list.At(i));
    EXPECT_EQ(a->kind, (i + 1) % 2);
    EXPECT_EQ(a->showFrontOnce, 0);
    EXPECT_GE(a->x, 0);
    EXPECT_LE(a->x, 1024 - 71);
    EXPECT_GE(a->y, 0);
    EXPECT_LE(a->y, 768 - 71);
    kindOne += a->kind;
  }
  EXPECT_EQ(kindOne, 5);
  DestroyStage(stage, &platform);
}

TEST(CreateStage, AbsurdAlienCountStopsAtCapacityWithoutFurtherDraws) {
  FakePlatform platform;
  platform.settings.alienCount = 2'000'000'000;
  platform.width = 640;
  platform.height = 480;
  Stage stage;
  CreateStage(stage, platform, &platform);
  EXPECT_EQ(stage.spriteList->Count(), SpriteList::kCapacity);
  const uint32_t after = RandomState();
  SeedRandom(platform.seed);
  for (int i = 0; i < SpriteList::kCapacity * 10; ++i) RandomStep();
  EXPECT_EQ(after, RandomState());
  DestroyStage(stage, &platform);
}

TEST(CreateStage, TinyOrEmptyScenesStillRun) {
  for (int32_t count : {0, -5}) {
    FakePlatform platform;
    platform.settings.alienCount = count;
    Stage stage;
    CreateStage(stage, platform, &platform);
    EXPECT_EQ(stage.spriteList->Count(), 0);
    EXPECT_EQ(RandomState(), platform.seed);
    DestroyStage(stage, &platform);
  }
  FakePlatform tiny;
  tiny.width = 50;
  tiny.height = 40;
  Stage stage;
  CreateStage(stage, tiny, &tiny);
  for (int32_t i = 0; i < stage.spriteList->Count(); ++i) {
    EXPECT_EQ(stage.spriteList->At(i)->x, 0);
    EXPECT_EQ(stage.spriteList->At(i)->y, 0);
  }
  std::vector<uint32_t> window(50 * 40);
  MemoryTarget target(RasterView{window.data(), 50, 40, 50});
  for (int i = 0; i < 500; ++i) RunFrame(stage, target);
  DestroyStage(stage, &tiny);
}

TEST(RunFrame, ShowsTheBackgroundWhenNothingMovesAndClipsToThePreview) {
  FakePlatform platform;
  platform.settings.alienCount = 0;
  platform.width = 700;
  platform.height = 500;
  Stage stage;
  CreateStage(stage, platform, &platform);
  std::vector<uint32_t> full(700 * 500, 0x123456u);
  MemoryTarget fullTarget(RasterView{full.data(), 700, 500, 700});
  RunFrame(stage, fullTarget);
  const Surface ground = Ground(stage);
  for (int32_t y = 0; y < 500; y += 13)
    for (int32_t x = 0; x < 700; x += 7)
      ASSERT_EQ(full[static_cast<size_t>(y * 700 + x)], ground.At(x, y));
  // A small preview window shows the top-left part of the full frame.
  std::vector<uint32_t> preview(100 * 60 + 1, 0x123456u);
  MemoryTarget previewTarget(RasterView{preview.data(), 100, 60, 100});
  RunFrame(stage, previewTarget);
  std::vector<uint32_t> whole(700 * 500);
  MemoryTarget wholeTarget(RasterView{whole.data(), 700, 500, 700});
  PresentWhole(stage, wholeTarget);
  EXPECT_EQ(preview[99], whole[99]);
  EXPECT_EQ(preview[59 * 100 + 99], whole[59 * 700 + 99]);
  EXPECT_EQ(preview.back(), 0x123456u);
  DestroyStage(stage, &platform);
}

// With the real artwork built in: the ground tiles from the top left and
// the caption strip sits at (W - 325, H - 37).
TEST(CreateStage, BackgroundIsTiledGroundWithTheCaption) {
  DecodedBitmap ground, sheet, mask;
  const ResourceBytes g = FindBitmapResource(kGroundResource);
  const ResourceBytes s = FindBitmapResource(kSheetResource);
  const ResourceBytes m = FindBitmapResource(kSheetMaskResource);
  if (g.data == nullptr || s.data == nullptr || m.data == nullptr)
    GTEST_SKIP() << "artwork not built in";
  ASSERT_TRUE(DecodeBmp(g.data, g.size, ground, nullptr));
  ASSERT_TRUE(DecodeBmp(s.data, s.size, sheet, nullptr));
  ASSERT_TRUE(DecodeBmp(m.data, m.size, mask, nullptr));
  FakePlatform platform;
  platform.settings.alienCount = 0;
  Stage stage;
  CreateStage(stage, platform, &platform);
  const Surface composed = Ground(stage);
  const int32_t capX = 1024 - 325, capY = 768 - 37;
  int captionPixels = 0;
  for (int32_t y = 0; y < 768; ++y) {
    for (int32_t x = 0; x < 1024; ++x) {
      uint32_t expected = ground.pixels[static_cast<size_t>((y % 480) * 640 + x % 640)];
      const int32_t u = x - capX, v = y - capY;
      if (u >= 0 && v >= 0 && u < 345 && v < 32) {
        const size_t i = static_cast<size_t>((490 + v) * 840 + 493 + u);
        if ((mask.pixels[i] & 0xFFFFFF) == 0xFFFFFF) {
          expected = sheet.pixels[i];
          ++captionPixels;
        }
      }
      ASSERT_EQ(composed.At(x, y), expected) << x << "," << y;
    }
  }
  EXPECT_GT(captionPixels, 500);
  DestroyStage(stage, &platform);
}

// The ground as a screen-sized surface holds it: every tile drawn whole at
// (640 j, 480 i), one row and column beyond the stage, then the caption
// cell masked at (W - 325, H - 37).
Surface ScreenSizedGround(const Stage& stage) {
  Surface ground = CreateWorkSurface(nullptr, stage.screenWidth, stage.screenHeight);
  for (int32_t i = 0; i < (stage.screenHeight + 479) / 480 + 1; ++i)
    for (int32_t j = 0; j < (stage.screenWidth + 639) / 640 + 1; ++j)
      stage.ground->DrawWhole(640 * j, 480 * i, ground);
  stage.sheet->DrawCell(493, 490, stage.screenWidth - 325, stage.screenHeight - 37, 345, 32, ground);
  return ground;
}

// Any part of the ground, composed into a small surface standing for any
// place of the stage, is the screen-sized ground there: on stages of one
// pixel, of sizes no multiple of the tile, with the caption partly off the
// stage, and for rectangles partly or wholly off the stage.
TEST(ComposeGround, AnyPartIsTheScreenSizedGround) {
  const struct {
    int32_t width, height;
  } sizes[] = {{1, 1}, {1281, 963}, {300, 20}, {333, 700}, {641, 481}, {213, 160}};
  for (const auto& size : sizes) {
    FakePlatform platform;
    platform.settings.alienCount = 0;
    platform.width = size.width;
    platform.height = size.height;
    Stage stage;
    CreateStage(stage, platform, nullptr);
    ASSERT_TRUE(stage.ground && stage.ground->Loaded() && stage.sheet && stage.sheet->Loaded());
    const Surface whole = ScreenSizedGround(stage);
    const Rect areas[] = {{0, 0, size.width, size.height},
                          {-50, -40, 100, 90},
                          {size.width - 330, size.height - 40, 400, 60},
                          {size.width - 7, 3, 100, 477},
                          {639, 479, 3, 3},
                          {size.width, size.height, 10, 10},
                          {637, 100, 5, 500}};
    for (const Rect& area : areas) {
      // The small surface is bigger than the area and framed by a guard.
      const int32_t w = std::max(area.width, 1) + 4;
      const int32_t h = std::max(area.height, 1) + 4;
      Surface part = CreateWorkSurface(nullptr, w, h);
      for (int32_t i = 0; i < w * h; ++i) part.Pixels()[i] = 0xABCDEFu;
      ComposeGround(stage, area, area.x - 2, area.y - 2, part);
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
          const int32_t sx = area.x - 2 + x, sy = area.y - 2 + y;
          const bool in = sx >= std::max(area.x, 0) && sy >= std::max(area.y, 0) &&
                          sx < std::min<int64_t>(area.Right(), size.width) &&
                          sy < std::min<int64_t>(area.Bottom(), size.height);
          ASSERT_EQ(part.At(x, y), in ? whole.At(sx, sy) : 0xABCDEFu)
              << size.width << "x" << size.height << " area " << area.x << "," << area.y << " at "
              << sx << "," << sy;
        }
    }
    DestroyStage(stage, nullptr);
  }
}

}  // namespace
}  // namespace glimmerkin
