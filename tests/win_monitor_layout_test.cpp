#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "host/display_rules.h"
#include "host/win32/monitor_layout.h"

namespace glimmerkin {
namespace {

MonitorRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom, bool primary = false,
                 uint32_t dpi = 96) {
  MonitorRect r;
  r.left = left;
  r.top = top;
  r.right = right;
  r.bottom = bottom;
  r.primary = primary;
  r.dpi = dpi;
  return r;
}

void ExpectMonitor(const Monitor& m, int32_t x, int32_t y, int32_t w, int32_t h, bool primary,
                   int32_t pixelSize) {
  EXPECT_EQ(m.x, x);
  EXPECT_EQ(m.y, y);
  EXPECT_EQ(m.width, w);
  EXPECT_EQ(m.height, h);
  EXPECT_EQ(m.primary, primary);
  EXPECT_EQ(m.automaticPixelSize, pixelSize);
}

TEST(CoveredArea, IsTheVirtualScreenWhenItHasAnArea) {
  const WindowArea a = CoveredArea(-1280, -200, 3200, 1400, 1920, 1200);
  EXPECT_EQ(a.x, -1280);
  EXPECT_EQ(a.y, -200);
  EXPECT_EQ(a.width, 3200);
  EXPECT_EQ(a.height, 1400);
}

TEST(CoveredArea, FallsBackToThePrimaryScreenWithoutVirtualMetrics) {
  for (const auto& [w, h] : {std::pair{0, 1200}, std::pair{3200, 0}, std::pair{-5, -5}}) {
    const WindowArea a = CoveredArea(-1280, 0, w, h, 1920, 1200);
    EXPECT_EQ(a.x, 0);
    EXPECT_EQ(a.y, 0);
    EXPECT_EQ(a.width, 1920);
    EXPECT_EQ(a.height, 1200);
  }
  EXPECT_EQ(CoveredArea(0, 0, 0, 0, -3, -4).width, 0);
}

TEST(MonitorsInWindow, OneMonitorIsTheWholeWindowAndPlansTodaysScene) {
  const WindowArea area{0, 0, 1024, 768};
  const auto monitors = MonitorsInWindow({Rect(0, 0, 1024, 768, true)}, area, 1024, 768, 96);
  ASSERT_EQ(monitors.size(), 1u);
  ExpectMonitor(monitors[0], 0, 0, 1024, 768, true, 1);
  const auto scenes = PlanScenes(monitors, 0, 12345);
  ASSERT_EQ(scenes.size(), 1u);
  EXPECT_EQ(scenes[0].seed, 12345u);
  EXPECT_EQ(scenes[0].stageWidth, 1024);
  EXPECT_EQ(scenes[0].stageHeight, 768);
  EXPECT_EQ(scenes[0].pixelSize, 1);
}

TEST(MonitorsInWindow, OffsetsAreFromTheWindowsCorner) {
  // Primary at the origin, the other to its left: the window starts at -1280.
  const WindowArea area{-1280, 0, 3200, 1200};
  const auto monitors = MonitorsInWindow(
      {Rect(0, 0, 1920, 1200, true), Rect(-1280, 0, 0, 1024)}, area, 1920, 1200, 96);
  ASSERT_EQ(monitors.size(), 2u);
  ExpectMonitor(monitors[0], 1280, 0, 1920, 1200, true, 1);
  ExpectMonitor(monitors[1], 0, 0, 1280, 1024, false, 1);
  const auto scenes = PlanScenes(monitors, 0, 7);
  ASSERT_EQ(scenes.size(), 2u);
  EXPECT_EQ(scenes[0].x, 1280);
  EXPECT_EQ(scenes[0].seed, 7u);
  EXPECT_EQ(scenes[1].x, 0);
  EXPECT_EQ(scenes[1].width, 1280);
  EXPECT_EQ(scenes[1].seed, 7u + 0x9E3779B9u);
}

TEST(MonitorsInWindow, EachMonitorTakesThePixelSizeOfItsOwnDensity) {
  const WindowArea area{0, 0, 5760, 2160};
  const auto monitors = MonitorsInWindow(
      {Rect(0, 0, 1920, 1080, true, 96), Rect(1920, 0, 5760, 2160, false, 192),
       Rect(0, 1080, 100, 1180, false, 0), Rect(100, 1080, 200, 1180, false, 167),
       Rect(200, 1080, 300, 1180, false, 168), Rect(300, 1080, 400, 1180, false, 5000)},
      area, 1920, 1080, 96);
  ASSERT_EQ(monitors.size(), 6u);
  EXPECT_EQ(monitors[0].automaticPixelSize, 1);
  EXPECT_EQ(monitors[1].automaticPixelSize, 2);
  EXPECT_EQ(monitors[2].automaticPixelSize, 1);  // density unknown: 96
  EXPECT_EQ(monitors[3].automaticPixelSize, 1);
  EXPECT_EQ(monitors[4].automaticPixelSize, 2);
  EXPECT_EQ(monitors[5].automaticPixelSize, kMaxPixelSize);
  // The 3840 x 2160 monitor at pixel size 2 runs a 1920 x 1080 stage.
  const auto scenes = PlanScenes(monitors, 0, 1);
  ASSERT_GE(scenes.size(), 2u);
  EXPECT_EQ(scenes[1].pixelSize, 2);
  EXPECT_EQ(scenes[1].stageWidth, 1920);
  EXPECT_EQ(scenes[1].stageHeight, 1080);
  // A fixed "Pixel Size" wins over every density; junk leaves it automatic.
  for (const SceneArea& s : PlanScenes(monitors, 3, 1)) EXPECT_EQ(s.pixelSize, 3);
  for (int32_t junk : {-1, 5, 1000, INT32_MIN, INT32_MAX})
    EXPECT_EQ(PlanScenes(monitors, junk, 1)[1].pixelSize, 2) << junk;
}

TEST(MonitorsInWindow, RectanglesWithoutAreaOrBeyond32BitsGetNoSize) {
  const WindowArea area{INT32_MAX - 10, 0, 10, 10};
  const auto monitors = MonitorsInWindow(
      {Rect(INT32_MAX - 10, 0, INT32_MAX, 10, true), Rect(5, 5, 5, 50), Rect(50, 50, 10, 10),
       Rect(INT32_MIN, 0, INT32_MIN + 20, 10), Rect(INT32_MIN, 0, INT32_MAX, 10)},
      area, 10, 10, 96);
  ASSERT_EQ(monitors.size(), 5u);
  ExpectMonitor(monitors[0], 0, 0, 10, 10, true, 1);
  for (size_t i = 1; i < monitors.size(); ++i) {
    EXPECT_EQ(monitors[i].width, 0) << i;
    EXPECT_EQ(monitors[i].height, 0) << i;
  }
  EXPECT_EQ(PlanScenes(monitors, 0, 1).size(), 1u);
}

TEST(MonitorsInWindow, NothingUsableGivesThePrimaryScreenAtTheOrigin) {
  const WindowArea area{-1280, -100, 3200, 1300};
  for (const auto& rects : {std::vector<MonitorRect>{},
                            std::vector<MonitorRect>{Rect(0, 0, 0, 0), Rect(9, 9, -9, -9)}}) {
    const auto monitors = MonitorsInWindow(rects, area, 1920, 1200, 192);
    ASSERT_EQ(monitors.size(), 1u);
    ExpectMonitor(monitors[0], 1280, 100, 1920, 1200, true, 2);
  }
  // Not even a screen size: one monitor of no size, which plans no scene.
  const auto none = MonitorsInWindow({}, WindowArea{}, 0, -1, 0);
  ASSERT_EQ(none.size(), 1u);
  EXPECT_TRUE(PlanScenes(none, 0, 1).empty());
}

TEST(MonitorsInWindow, HundredsOfMonitorsAreBoundedAndPlanAtMostTheSceneLimit) {
  std::vector<MonitorRect> rects;
  for (int32_t i = 0; i < 500; ++i) rects.push_back(Rect(i * 10, 0, i * 10 + 10, 10, i == 0));
  const auto monitors = MonitorsInWindow(rects, WindowArea{0, 0, 5000, 10}, 10, 10, 96);
  EXPECT_EQ(monitors.size(), kMaxMonitorsRead);
  const auto scenes = PlanScenes(monitors, 0, 99);
  EXPECT_EQ(scenes.size(), kMaxScenes);
  for (size_t i = 0; i < scenes.size(); ++i) {
    EXPECT_EQ(scenes[i].x, static_cast<int32_t>(i) * 10);
    EXPECT_EQ(scenes[i].seed, SceneSeed(99, i));
  }
}

}  // namespace
}  // namespace glimmerkin
