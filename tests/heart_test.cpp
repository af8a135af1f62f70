#include <gtest/gtest.h>

#include <memory>

#include "scene/alien.h"
#include "scene/heart.h"
#include "scene_test_support.h"

namespace glimmerkin {
namespace {

struct Pair {
  std::unique_ptr<Alien> suitor;
  std::unique_ptr<Alien> mate;
};

Pair MakePair(int32_t suitorX, int32_t mateX, int32_t facingRight) {
  SeedRandom(1);
  Pair p{std::make_unique<Alien>(suitorX, 300, 0, 1), std::make_unique<Alien>(mateX, 300, 1, 1)};
  p.suitor->facingRight = facingRight;
  p.suitor->state = Courting;
  p.mate->facingRight = 1 - facingRight;
  p.mate->state = Waiting;
  return p;
}

Heart MakeHeart(Pair& p, int32_t index) {
  const int32_t f = p.suitor->facingRight;
  return Heart(f ? p.suitor->x + 70 : p.suitor->x - 16, p.suitor->y + 35, index, f,
               p.suitor.get(), p.mate.get());
}

int UpdatesUntilArrival(Heart& h, SpriteList& list, int limit = 200) {
  for (int k = 1; k <= limit; ++k) {
    h.Update(list);
    if (h.IsFinished()) return k;
  }
  return -1;
}

TEST(Heart, BobsThroughItsTwelveTickCycle) {
  SpriteList list(4000, 768, nullptr);
  Pair p = MakePair(200, 3000, 1);
  Heart h = MakeHeart(p, 2);
  const int32_t offsets[] = {-2, -6, -12, -16, -18, -18, -16, -12, -6, -2, 0, 0};
  for (int32_t offset : offsets) {
    h.Update(list);
    EXPECT_EQ(h.y - 335, offset);
  }
  EXPECT_EQ(h.x, 270 + 12 * 6);
}

TEST(Heart, ArrivesOnlyAtFullBobSpeed) {
  SpriteList list(1024, 768, nullptr);
  Pair near = MakePair(200, 305, 1);
  Heart h = MakeHeart(near, 3);
  EXPECT_EQ(UpdatesUntilArrival(h, list), 3);
  EXPECT_EQ(h.x, 288);
  EXPECT_EQ(h.y, 335 - 12);

  Pair far = MakePair(200, 311, 1);
  Heart g = MakeHeart(far, 3);
  EXPECT_EQ(UpdatesUntilArrival(g, list), 9);
  EXPECT_EQ(g.x, 324);
  EXPECT_EQ(g.y, 335 - 6);

  Pair mirror = MakePair(400, 295, 0);
  Heart m = MakeHeart(mirror, 3);
  EXPECT_EQ(m.x, 384);
  EXPECT_EQ(UpdatesUntilArrival(m, list), 3);
  EXPECT_EQ(m.x, 366);
}

TEST(Heart, ArrivalUpdateFollowsTheDistanceRule) {
  SpriteList list(4000, 768, nullptr);
  for (int32_t d = 101; d <= 400; ++d) {
    for (int32_t facing : {1, 0}) {
      Pair p = MakePair(1000, facing ? 1000 + d : 1000 - d, facing);
      Heart h = MakeHeart(p, 2);
      int expected = 3;
      while (!(6 * expected > d - 93)) expected += 6;
      EXPECT_EQ(UpdatesUntilArrival(h, list), expected) << "D " << d << " facing " << facing;
    }
  }
}

TEST(Heart, FirstHeartMakesTheMateSmittenAndLastStartsTheApproach) {
  SpriteList list(1024, 768, nullptr);
  for (int32_t index = 0; index <= 5; ++index) {
    Pair p = MakePair(200, 305, 1);
    Heart h = MakeHeart(p, index);
    UpdatesUntilArrival(h, list);
    EXPECT_EQ(p.mate->state, index == 5 ? Smitten : Waiting) << index;
    EXPECT_EQ(p.suitor->state, index == 0 ? Approaching : Courting) << index;
  }
}

TEST(Heart, FinishedHeartStaysPut) {
  SpriteList list(1024, 768, nullptr);
  Pair p = MakePair(200, 305, 1);
  Heart h = MakeHeart(p, 1);
  UpdatesUntilArrival(h, list);
  const int32_t x = h.x, y = h.y;
  h.Update(list);
  EXPECT_EQ(h.x, x);
  EXPECT_EQ(h.y, y);
  EXPECT_TRUE(h.IsFinished());
}

TEST(Heart, CellGrowsWithIndex) {
  testing::RecordingPainter painter;
  Pair p = MakePair(200, 305, 1);
  const int32_t expected[6][2] = {{0, 490}, {16, 490}, {32, 490}, {0, 506}, {16, 506}, {32, 506}};
  for (int32_t i = 0; i < 6; ++i) {
    Heart h = MakeHeart(p, i);
    h.Draw(painter);
    EXPECT_EQ(painter.calls.back().cellX, expected[i][0]);
    EXPECT_EQ(painter.calls.back().cellY, expected[i][1]);
    EXPECT_EQ(painter.calls.back().width, 16);
    EXPECT_EQ(h.DepthKey(), h.y + 16);
  }
}

}  // namespace
}  // namespace glimmerkin
