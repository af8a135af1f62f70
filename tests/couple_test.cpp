#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "scene/baby.h"
#include "scene/couple.h"
#include "scene_test_support.h"

namespace glimmerkin {
namespace {

struct Emission {
  int tick;
  int32_t kind, variant;
  int32_t babyX, babyY, shadowX, shadowY;
  int32_t targetX, targetY;
};

// Runs a lone couple through full ticks, noting what it emits.
struct CoupleRun {
  explicit CoupleRun(int32_t orientation, int32_t w = 1024, int32_t h = 768)
      : list(w, h, &painter) {
    auto c = std::make_unique<Couple>(300, 200, orientation);
    couple = c.get();
    list.Add(std::move(c));
  }
  testing::RecordingPainter painter;
  SpriteList list;
  Couple* couple;
};

TEST(Couple, TimelineOfFramesEmissionsAndEnd) {
  SeedRandom(42);
  CoupleRun run(0);
  std::vector<Emission> emitted;
  std::vector<int32_t> frames;
  int finishedTick = -1;
  int couplesDrawn = 0;
  for (int tick = 0; tick < 60 && finishedTick < 0; ++tick) {
    const int32_t before = run.list.Count();
    const size_t callsBefore = run.painter.calls.size();
    // The couple's first update is in its creation tick: tick 0.
    run.list.Tick();
    bool coupleLeft = true;
    for (int32_t i = 0; i < run.list.Count(); ++i)
      if (run.list.At(i) == run.couple) coupleLeft = false;
    if (coupleLeft) {
      finishedTick = tick;
      break;
    }
    frames.push_back(run.couple->frame);
    for (size_t c = callsBefore; c < run.painter.calls.size(); ++c)
      if (run.painter.calls[c].width == 120) ++couplesDrawn;
    if (run.list.Count() > before) {
      ASSERT_EQ(run.list.Count(), before + 2);
      Baby* baby = nullptr;
      Shadow* shadow = nullptr;
      for (int32_t i = 0; i < run.list.Count(); ++i) {
        Sprite* s = run.list.At(i);
        if (s->TypeId() == kBabyType && static_cast<Baby*>(s)->leapStep == 0) baby = static_cast<Baby*>(s);
        if (s->TypeId() == kShadowType && static_cast<Shadow*>(s)->step == 0) shadow = static_cast<Shadow*>(s);
      }
      ASSERT_NE(baby, nullptr);
      ASSERT_NE(shadow, nullptr);
      emitted.push_back({tick, baby->kind, baby->variant, baby->startX, baby->startY, shadow->x,
                         shadow->y, baby->targetX, baby->targetY});
    }
  }
  EXPECT_EQ(finishedTick, 52);
  EXPECT_EQ(couplesDrawn, 52);
  ASSERT_EQ(emitted.size(), 4u);
  const int ticks[] = {30, 34, 38, 42};
  const int32_t kinds[][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(emitted[i].tick, ticks[i]);
    EXPECT_EQ(emitted[i].kind, kinds[i][0]);
    EXPECT_EQ(emitted[i].variant, kinds[i][1]);
    EXPECT_EQ(emitted[i].babyX, 344);
    EXPECT_EQ(emitted[i].babyY, 238);
    EXPECT_EQ(emitted[i].shadowX, 344);
    const int32_t distance = std::abs(emitted[i].targetX - 344) + std::abs(emitted[i].targetY - 238);
    EXPECT_GE(distance, 100);
    EXPECT_GE(emitted[i].targetX, 0);
    EXPECT_LE(emitted[i].targetX, 1024 - 33);
    EXPECT_LE(emitted[i].targetY, 768 - 33);
  }
  // Even ticks step the frame; 13 and 14 alternate while emitting.
  EXPECT_EQ(frames[0], 0);
  EXPECT_EQ(frames[1], 0);
  EXPECT_EQ(frames[28], 14);
  EXPECT_EQ(frames[30], 13);
  EXPECT_EQ(frames[46], 15);
  EXPECT_EQ(frames[50], 17);
}

TEST(Couple, BabyIsAppendedJustBeforeItsShadow) {
  SpriteList list(1024, 768, nullptr);
  Couple c(300, 200, 1);
  c.frame = 14;
  c.skipTick = 1;  // the next update works
  SeedRandom(5);
  c.Update(list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.At(0)->TypeId(), kBabyType);
  EXPECT_EQ(list.At(1)->TypeId(), kShadowType);
  EXPECT_EQ(c.frame, 13);
  EXPECT_EQ(c.babiesEmitted, 1);
}

TEST(Couple, LandingPointTooCloseIsDrawnAgainXFirst) {
  // Place the couple so that the first drawn point lies 99 (then 100) away.
  for (int32_t gap : {99, 100}) {
    const uint32_t seed = 77;
    SeedRandom(seed);
    const int32_t tx1 = RandomBelow(992);
    const int32_t ty1 = RandomBelow(736);
    const int32_t tx2 = RandomBelow(992);
    const int32_t ty2 = RandomBelow(736);
    const int32_t sx = tx1 - 60;
    const int32_t sy = ty1 - (gap - 60);
    ASSERT_GE(std::abs(tx2 - sx) + std::abs(ty2 - sy), 100) << "pick another seed";
    SpriteList list(1024, 768, nullptr);
    Couple c(sx - 44, sy - 38, 0);
    c.frame = 14;
    c.skipTick = 1;  // the next update works
    SeedRandom(seed);
    c.Update(list);
    auto* baby = static_cast<Baby*>(list.At(0));
    EXPECT_EQ(baby->targetX, gap == 99 ? tx2 : tx1);
    EXPECT_EQ(baby->targetY, gap == 99 ? ty2 : ty1);
  }
}

TEST(Couple, TinyStageGivesUpAfterAThousandTries) {
  // No point on a 60x60 stage lies 100 from the start: the draw is capped.
  SpriteList list(60, 60, nullptr);
  SeedRandom(3);
  Couple c(0, 0, 0);
  c.frame = 14;
  c.skipTick = 1;  // the next update works
  c.Update(list);
  ASSERT_EQ(list.Count(), 2);
  uint32_t expectedState = 3;
  SeedRandom(expectedState);
  int32_t lastX = 0, lastY = 0;
  for (int i = 0; i < kMaxLandingTries; ++i) {
    lastX = RandomBelow(28);
    lastY = RandomBelow(28);
  }
  auto* baby = static_cast<Baby*>(list.At(0));
  EXPECT_EQ(baby->targetX, lastX);
  EXPECT_EQ(baby->targetY, lastY);
}

TEST(Couple, CellsByFrameAndOrientation) {
  testing::RecordingPainter painter;
  struct Case {
    int32_t frame, orientation, cellX, cellY;
  } cases[] = {{0, 0, 0, 140},   {5, 1, 600, 280}, {6, 0, 0, 210},   {11, 1, 600, 350},
               {12, 0, 720, 140}, {12, 1, 720, 140}, {16, 1, 720, 420}, {17, 0, 600, 420},
               {3, 7, 360, 140}};
  for (const auto& c : cases) {
    Couple couple(10, 20, c.orientation);
    couple.frame = c.frame;
    couple.Draw(painter);
    EXPECT_EQ(painter.calls.back().cellX, c.cellX) << c.frame;
    EXPECT_EQ(painter.calls.back().cellY, c.cellY) << c.frame;
    EXPECT_EQ(couple.DepthKey(), 90);
  }
}

TEST(Couple, FullListStillCountsThePair) {
  SpriteList list(1024, 768, nullptr);
  for (int i = 0; i < SpriteList::kCapacity; ++i) list.Add(std::make_unique<Shadow>(0, 0, 0, 0));
  Couple c(300, 200, 0);
  c.frame = 14;
  c.skipTick = 1;  // the next update works
  c.Update(list);
  EXPECT_EQ(c.babiesEmitted, 1);
  EXPECT_EQ(list.Count(), SpriteList::kCapacity);
}

}  // namespace
}  // namespace glimmerkin
