#include "host/display_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "host/frame_clock.h"

namespace glimmerkin {
namespace {

TEST(PixelSizeRule, DpiBandsAndBounds) {
  for (int64_t dpi = 96; dpi <= 167; ++dpi) EXPECT_EQ(PixelSizeForDpi(dpi), 1) << dpi;
  for (int64_t dpi = 168; dpi <= 263; ++dpi) EXPECT_EQ(PixelSizeForDpi(dpi), 2) << dpi;
  for (int64_t dpi = 264; dpi <= 359; ++dpi) EXPECT_EQ(PixelSizeForDpi(dpi), 3) << dpi;
  EXPECT_EQ(PixelSizeForDpi(360), 4);
  EXPECT_EQ(PixelSizeForDpi(1000000), 4);
  EXPECT_EQ(PixelSizeForDpi(0), 1);
  EXPECT_EQ(PixelSizeForDpi(-500), 1);
  EXPECT_EQ(PixelSizeForDpi(INT64_MIN), 1);
  EXPECT_EQ(PixelSizeForDpi(INT64_MAX), 4);
}

TEST(PixelSizeRule, PhysicalSize) {
  EXPECT_EQ(PixelSizeForPhysical(1920, 508), 1);   // 96 dpi
  EXPECT_EQ(PixelSizeForPhysical(3840, 508), 2);   // 192 dpi
  EXPECT_EQ(PixelSizeForPhysical(2880, 286), 2);   // 256 dpi
  EXPECT_EQ(PixelSizeForPhysical(2880, 270), 3);   // 271 dpi
  EXPECT_EQ(PixelSizeForPhysical(1920, 0), 1);     // unknown size
  EXPECT_EQ(PixelSizeForPhysical(1920, -3), 1);
  EXPECT_EQ(PixelSizeForPhysical(1920, 1000), 1);  // 49 dpi: implausible
  EXPECT_EQ(PixelSizeForPhysical(3840, 160), 1);   // 610 dpi: implausible
  EXPECT_EQ(PixelSizeForPhysical(3840, 163), 4);   // 598 dpi
  EXPECT_EQ(PixelSizeForPhysical(0, 300), 1);
  EXPECT_EQ(PixelSizeForPhysical(INT64_MAX, INT64_MAX), 1);
}

TEST(PixelSizeRule, SettingFixesOneToFourElseAutomatic) {
  for (int32_t s = 1; s <= 4; ++s) EXPECT_EQ(ChoosePixelSize(s, 3), s);
  for (int32_t s : {0, -1, 5, 99, INT32_MIN, INT32_MAX}) EXPECT_EQ(ChoosePixelSize(s, 3), 3) << s;
  EXPECT_EQ(ChoosePixelSize(0, 0), 1);
  EXPECT_EQ(ChoosePixelSize(0, 77), 4);
}

TEST(PixelSizeRule, StageSidesRoundUp) {
  EXPECT_EQ(StageSide(1920, 1), 1920);
  EXPECT_EQ(StageSide(1920, 2), 960);
  EXPECT_EQ(StageSide(1921, 2), 961);
  EXPECT_EQ(StageSide(1080, 4), 270);
  EXPECT_EQ(StageSide(1, 4), 1);
  EXPECT_EQ(StageSide(0, 2), 0);
  EXPECT_EQ(StageSide(-5, 2), 0);
  EXPECT_EQ(StageSide(INT32_MAX, 3), 715827883);
}

TEST(SceneSeeds, PrimaryKeepsTheClockOthersDiffer) {
  EXPECT_EQ(SceneSeed(12345, 0), 12345u);
  EXPECT_EQ(SceneSeed(0, 1), 0x9E3779B9u);
  EXPECT_EQ(SceneSeed(UINT32_MAX, 1), 0x9E3779B8u);  // wraps
  std::set<uint32_t> seeds;
  for (size_t i = 0; i < kMaxScenes * 64; ++i) seeds.insert(SceneSeed(777, i));
  EXPECT_EQ(seeds.size(), kMaxScenes * 64);
}

Monitor M(int32_t x, int32_t y, int32_t w, int32_t h, bool primary = false, int32_t pixel = 1) {
  Monitor m;
  m.x = x;
  m.y = y;
  m.width = w;
  m.height = h;
  m.primary = primary;
  m.automaticPixelSize = pixel;
  return m;
}

TEST(PlanScenes, PrimaryFirstThenTheRestInOrder) {
  const auto plan = PlanScenes({M(0, 0, 1280, 1024), M(1280, 0, 1920, 1200, true, 2),
                                M(-800, 0, 800, 600)},
                               0, 1000);
  ASSERT_EQ(plan.size(), 3u);
  EXPECT_EQ(plan[0].x, 1280);
  EXPECT_EQ(plan[0].pixelSize, 2);
  EXPECT_EQ(plan[0].stageWidth, 960);
  EXPECT_EQ(plan[0].stageHeight, 600);
  EXPECT_EQ(plan[0].seed, 1000u);
  EXPECT_EQ(plan[1].x, 0);
  EXPECT_EQ(plan[1].stageWidth, 1280);
  EXPECT_EQ(plan[1].seed, SceneSeed(1000, 1));
  EXPECT_EQ(plan[2].x, -800);
  EXPECT_EQ(plan[2].seed, SceneSeed(1000, 2));
}

TEST(PlanScenes, WithoutAPrimaryTheFirstUsableLeads) {
  const auto plan = PlanScenes({M(0, 0, 0, 768), M(10, 0, 640, 480), M(700, 0, 640, 480)}, 3, 5);
  ASSERT_EQ(plan.size(), 2u);
  EXPECT_EQ(plan[0].x, 10);
  EXPECT_EQ(plan[0].seed, 5u);
  EXPECT_EQ(plan[0].pixelSize, 3);  // the setting wins over the density
  EXPECT_EQ(plan[0].stageWidth, 214);
  EXPECT_EQ(plan[0].stageHeight, 160);
}

TEST(PlanScenes, BadMonitorsAreLeftOut) {
  EXPECT_TRUE(PlanScenes({}, 0, 1).empty());
  EXPECT_TRUE(PlanScenes({M(0, 0, 0, 0), M(0, 0, -5, 100, true), M(0, 0, 70000, 10),
                          M(0, 0, 65536, 65536)},
                         0, 1)
                  .empty());
  // A mirrored output is one scene, not two drawn over each other.
  EXPECT_EQ(PlanScenes({M(0, 0, 800, 600, true), M(0, 0, 800, 600)}, 0, 1).size(), 1u);
  // Hundreds of monitors: at most kMaxScenes scenes, the primary among them.
  std::vector<Monitor> many;
  for (int32_t i = 0; i < 500; ++i) many.push_back(M(i * 100, 0, 100, 100, i == 321));
  const auto plan = PlanScenes(many, 0, 1);
  ASSERT_EQ(plan.size(), kMaxScenes);
  EXPECT_EQ(plan[0].x, 32100);
}

TEST(WindowMonitor, SmallestHoldingMonitorElseTheFirst) {
  // A large monitor with a small one overlapping its right part, and a third
  // far off to the left at negative coordinates.
  const std::vector<Monitor> monitors = {{0, 0, 1920, 1080, true, 1},
                                         {1280, 0, 640, 480, false, 2},
                                         {-1024, 0, 1024, 768, false, 1},
                                         {5000, 0, 0, 0, false, 1}};
  EXPECT_EQ(MonitorHolding(monitors, 100, 100), &monitors[0]);
  EXPECT_EQ(MonitorHolding(monitors, 1300, 10), &monitors[1]);
  EXPECT_EQ(MonitorHolding(monitors, 1919, 1079), &monitors[0]);
  EXPECT_EQ(MonitorHolding(monitors, -1, 767), &monitors[2]);
  // Right and bottom edges belong to no monitor; an empty monitor holds nothing.
  EXPECT_EQ(MonitorHolding(monitors, 1920, 500), &monitors[0]);
  EXPECT_EQ(MonitorHolding(monitors, 5000, 0), &monitors[0]);
  EXPECT_EQ(MonitorHolding(monitors, INT32_MIN, INT32_MAX), &monitors[0]);
  EXPECT_EQ(MonitorHolding({}, 0, 0), nullptr);
}

TEST(WindowMonitor, SmallWindowsGetTheirOwnStage) {
  const Monitor monitor{0, 0, 1920, 1080, true, 1};
  const AreaSize preview = WindowStageArea(320, 200, monitor);
  EXPECT_EQ(preview.width, 320);
  EXPECT_EQ(preview.height, 200);
  // Smaller one way only is still a window of its own.
  EXPECT_EQ(WindowStageArea(1920, 600, monitor).height, 600);
  EXPECT_EQ(WindowStageArea(2000, 600, monitor).width, 2000);
  // A window covering its monitor (a hack on the root) shows the monitor's scene.
  const AreaSize whole = WindowStageArea(3840, 1080, monitor);
  EXPECT_EQ(whole.width, 1920);
  EXPECT_EQ(whole.height, 1080);
  EXPECT_EQ(WindowStageArea(-5, 10, monitor).width, 0);
}

TEST(FrameClockTest, AbsoluteDeadlinesWithoutBursts) {
  FrameClock clock;
  EXPECT_FALSE(clock.Due(0));
  EXPECT_EQ(clock.TimeoutMs(0), -1);
  clock.Start(1000, 90);
  EXPECT_FALSE(clock.Due(1000 + 89999999));
  EXPECT_EQ(clock.TimeoutMs(1000), 90);
  EXPECT_EQ(clock.TimeoutMs(1000 + 89000001), 1);  // rounded up, never early
  EXPECT_TRUE(clock.Due(1000 + 90000000));
  // A late frame does not move the deadlines after it.
  clock.Advance(1000 + 95000000);
  EXPECT_EQ(clock.NextNs(), 1000 + 180000000);
  // A stall of several intervals gives one frame, then the interval again.
  clock.Advance(1000 + 900000000);
  EXPECT_EQ(clock.NextNs(), 1000 + 990000000);
  EXPECT_EQ(clock.TimeoutMs(2000000000), 0);
  clock.Stop();
  EXPECT_FALSE(clock.Due(INT64_MAX));
}

}  // namespace
}  // namespace glimmerkin
