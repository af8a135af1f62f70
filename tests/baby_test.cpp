#include <gtest/gtest.h>

#include <memory>

#include "scene/alien.h"
#include "scene/baby.h"
#include "scene_test_support.h"

namespace glimmerkin {
namespace {

// A landed baby at a chosen place and facing.
std::unique_ptr<Baby> Landed(int32_t kind, int32_t x, int32_t y, int32_t facingRight,
                             int32_t variant = 0) {
  auto b = std::make_unique<Baby>(kind, variant, x, y, x, y);
  b->leaping = 0;
  b->leapStep = 30;
  b->facingRight = facingRight;
  return b;
}

// Seeds so that the next n wandering ticks make no random turn.
void SeedNoTurn(int n = 1) {
  for (uint32_t seed = 0;; ++seed) {
    SeedRandom(seed);
    bool quiet = true;
    for (int i = 0; i < n && quiet; ++i) quiet = RandomBelow(75) != 1;
    if (quiet) {
      SeedRandom(seed);
      return;
    }
  }
}

TEST(Shadow, SlidesWithTruncationTowardZero) {
  SpriteList list(800, 600, nullptr);
  Shadow s(100, 200, 53, 260);
  s.Update(list);
  EXPECT_EQ(s.x, 100);
  EXPECT_EQ(s.y, 200);
  s.Update(list);
  EXPECT_EQ(s.x, 99);
  EXPECT_EQ(s.y, 202);
  for (int i = 2; i <= 29; ++i) s.Update(list);
  EXPECT_EQ(s.x, 55);
  EXPECT_EQ(s.y, 258);
  EXPECT_FALSE(s.IsFinished());
  s.Update(list);
  EXPECT_EQ(s.x, 53);
  EXPECT_EQ(s.y, 260);
  EXPECT_TRUE(s.IsFinished());
  EXPECT_EQ(s.DepthKey(), -100);
}

TEST(BabyLeap, ArcOverTheShadowTrack) {
  SpriteList list(800, 600, nullptr);
  Baby b(0, 0, 100, 200, 53, 260);
  EXPECT_EQ(b.facingRight, 0);
  EXPECT_EQ(b.headingUp, 0);
  b.Update(list);  // step 0
  EXPECT_EQ(b.x, 100);
  EXPECT_EQ(b.y, 200);
  EXPECT_EQ(b.animFrame, 1);
  b.Update(list);  // step 1
  EXPECT_EQ(b.x, 99);
  EXPECT_EQ(b.y, 189);
  EXPECT_EQ(b.DepthKey(), 234);
  EXPECT_EQ(b.animFrame, 2);
  const int32_t heights[] = {25, 36, 47, 56, 64, 72, 79, 84, 89, 93, 96, 99, 100, 100};
  for (int32_t step = 2; step <= 15; ++step) {
    b.Update(list);
    EXPECT_EQ(b.arcHeight, heights[step - 2]) << step;
  }
  EXPECT_EQ(b.x, 77);
  EXPECT_EQ(b.y, 130);
  EXPECT_EQ(b.DepthKey(), 262);
  for (int32_t step = 16; step <= 30; ++step) b.Update(list);
  EXPECT_EQ(b.leaping, 0);
  EXPECT_EQ(b.x, 53);
  EXPECT_EQ(b.y, 260);
  EXPECT_EQ(b.arcHeight, 0);
  EXPECT_EQ(b.animFrame, 0);
}

TEST(BabyLeap, InitialFacingAndHeading) {
  EXPECT_EQ(Baby(0, 0, 10, 10, 11, 10).facingRight, 1);
  EXPECT_EQ(Baby(0, 0, 10, 10, 10, 10).facingRight, 0);
  EXPECT_EQ(Baby(0, 0, 10, 10, 10, 9).headingUp, 1);
  EXPECT_EQ(Baby(0, 0, 10, 10, 10, 10).headingUp, 0);
}

TEST(BabyLeap, TumbleCellsByKindAndFacing) {
  testing::RecordingPainter painter;
  Baby green(1, 0, 0, 0, 100, 0);
  green.animFrame = 2;
  green.Draw(painter);
  EXPECT_EQ(painter.calls.back().cellX, 140 + 12 * 32);
  EXPECT_EQ(painter.calls.back().cellY, 420);
  Baby cream(0, 0, 100, 0, 0, 0);
  cream.animFrame = 3;
  cream.Draw(painter);
  EXPECT_EQ(painter.calls.back().cellX, 140 + 10 * 32);
  EXPECT_EQ(painter.calls.back().cellY, 484);
}

TEST(BabyWander, EdgesWithMargins) {
  SpriteList list(800, 600, nullptr);
  struct Case {
    int32_t x, y, facingRight, headingUp, endX, endY, endFacing, endHeading;
  } cases[] = {
      {2, 300, 0, 0, 5, 302, 1, 0},    {3, 300, 0, 0, 0, 302, 0, 0},
      {765, 300, 1, 0, 768, 302, 1, 0}, {766, 300, 1, 0, 763, 302, 0, 0},
      {300, 1, 1, 1, 303, 3, 1, 0},    {300, 2, 1, 1, 303, 0, 1, 1},
      {300, 567, 1, 0, 303, 565, 1, 1}, {300, 566, 1, 0, 303, 568, 1, 0},
  };
  for (const auto& c : cases) {
    auto b = Landed(1, c.x, c.y, c.facingRight);
    b->headingUp = c.headingUp;
    SeedNoTurn();
    b->Update(list);
    EXPECT_EQ(b->x, c.endX) << c.x << "," << c.y;
    EXPECT_EQ(b->y, c.endY) << c.x << "," << c.y;
    EXPECT_EQ(b->facingRight, c.endFacing);
    EXPECT_EQ(b->headingUp, c.endHeading);
  }
}

TEST(BabyWander, WalkCycleAndRandomTurnDraws) {
  SpriteList list(800, 600, nullptr);
  auto b = Landed(1, 300, 300, 1);
  ASSERT_TRUE(testing::SeedForDraws({{75, 1}, {2, 0}, {2, 1}}));
  b->Update(list);
  EXPECT_EQ(b->facingRight, 1);
  EXPECT_EQ(b->headingUp, 1);
  EXPECT_EQ(b->y, 298);
  for (int i = 0; i < 4; ++i) b->Update(list);
  EXPECT_EQ(b->animFrame, 0);  // 1, 2, 3, 4, 0
}

TEST(BabyPairing, AcceptanceRules) {
  struct Case {
    int32_t x, y, facingRight, leaping, taken, accepted;
  } cases[] = {
      {226, 300, 0, 0, 0, 1}, {225, 300, 0, 0, 0, 0}, {226, 305, 0, 0, 0, 1},
      {226, 306, 0, 0, 0, 0}, {226, 299, 0, 0, 0, 0}, {226, 300, 1, 0, 0, 0},
      {226, 300, 0, 1, 0, 0}, {226, 300, 0, 0, 1, 0},
  };
  Baby seeker(0, 0, 0, 0, 0, 0);
  for (const auto& c : cases) {
    auto b = Landed(1, c.x, c.y, c.facingRight);
    b->leaping = c.leaping;
    b->hasPartner = c.taken;
    b->animFrame = 3;
    EXPECT_EQ(b->TryAcceptPartner(200, 300, 1, &seeker), c.accepted) << c.x << "," << c.y;
    EXPECT_EQ(b->y, c.accepted ? 300 : c.y);
    EXPECT_EQ(b->animFrame, c.accepted ? 0 : 3);
  }
  for (int32_t x : {374, 375, 400}) {
    auto b = Landed(1, x, 300, 1);
    EXPECT_EQ(b->TryAcceptPartner(400, 300, 0, &seeker), x == 374 ? 1 : 0) << x;
  }
}

TEST(BabyPairing, SeekerPairsWithFirstKindOneAndBothHopTogether) {
  SpriteList list(1024, 768, nullptr);
  auto s = Landed(0, 200, 300, 1);
  Baby* seeker = s.get();
  seeker->headingUp = 0;
  auto cream = Landed(0, 260, 302, 0);
  auto g1 = Landed(1, 300, 302, 0);
  Baby* first = g1.get();
  auto g2 = Landed(1, 280, 302, 0);
  Baby* second = g2.get();
  list.Add(std::move(s));
  list.Add(std::move(cream));
  list.Add(std::move(g1));
  list.Add(std::move(g2));
  SeedNoTurn();
  seeker->Update(list);
  ASSERT_TRUE(seeker->HasPartner());
  EXPECT_EQ(seeker->partner, first);
  EXPECT_TRUE(first->HasPartner());
  EXPECT_FALSE(second->HasPartner());
  EXPECT_EQ(second->animFrame, 0);

  // Approach: both hop through the table and close in by 8 a tick.
  const int32_t y0 = seeker->y;
  int32_t ticks = 0;
  while (!seeker->IsFinished() && ticks < 50) {
    seeker->Update(list);
    if (!seeker->IsFinished()) first->Update(list);
    ++ticks;
    if (ticks == 11) {
      EXPECT_EQ(seeker->y, y0);
    }
  }
  EXPECT_TRUE(seeker->IsFinished());
  EXPECT_EQ(first->growing, 1);
  EXPECT_EQ(first->partner, nullptr);
  EXPECT_TRUE(first->HasPartner());
}

TEST(BabyPairing, ReachRuleIsStrict) {
  for (int32_t facing : {1, 0}) {
    for (int32_t partnerX : {facing ? 203 : 197, facing ? 204 : 196}) {
      SpriteList list(1024, 768, nullptr);
      auto p = Landed(1, partnerX, 300, 1 - facing);
      auto s = Landed(0, facing ? 196 : 204, 300, facing);
      s->partner = p.get();
      s->hasPartner = 1;
      p->hasPartner = 1;
      s->Update(list);
      EXPECT_EQ(s->x, 200);
      const bool reached = partnerX == 203 || partnerX == 197;
      EXPECT_EQ(s->IsFinished(), reached) << facing << " " << partnerX;
      EXPECT_EQ(p->growing, reached ? 1 : 0);
    }
  }
}

TEST(BabyPairing, HopTableReturnsToStart) {
  SpriteList list(1024, 768, nullptr);
  auto p = Landed(1, 900, 300, 0);
  auto s = Landed(0, 100, 300, 1);
  s->partner = p.get();
  s->hasPartner = 1;
  const int32_t deltas[] = {-10, -8, -6, -4, -2, 0, 2, 4, 6, 8, 10};
  for (int32_t d : deltas) {
    const int32_t before = s->y;
    s->Update(list);
    EXPECT_EQ(s->y - before, d);
  }
  EXPECT_EQ(s->y, 300);
  EXPECT_EQ(s->hopIndex, 0);
}

TEST(BabyGrowing, ShowsTheFrontViewOnceThenBecomesAnAlien) {
  for (int32_t variant : {1, 0}) {
    testing::RecordingPainter painter;
    SpriteList list(1024, 768, nullptr);
    auto owned = Landed(1, 400, 300, 1, variant);
    Baby* b = owned.get();
    b->hasPartner = 1;
    b->MarkGrowing();
    list.Add(std::move(owned));
    b->Update(list);  // growing, not yet shown: nothing
    EXPECT_EQ(list.Count(), 1);
    b->Draw(painter);
    EXPECT_EQ(painter.calls.back().cellX, variant == 1 ? 140 : 172);
    EXPECT_EQ(painter.calls.back().cellY, 484);
    SeedRandom(11);
    b->Update(list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_TRUE(b->IsFinished());
    auto* alien = static_cast<Alien*>(list.At(1));
    EXPECT_EQ(alien->TypeId(), kAlienType);
    EXPECT_EQ(alien->kind, variant);
    EXPECT_EQ(alien->x, 416 - (alien->facingRight ? 45 : 23));
    EXPECT_EQ(alien->y, 262);
    EXPECT_EQ(alien->showFrontOnce, 1);
  }
}

TEST(BabyDraw, WalkCellsByKind) {
  testing::RecordingPainter painter;
  auto green = Landed(1, 0, 0, 0);
  green->animFrame = 2;
  green->Draw(painter);
  EXPECT_EQ(painter.calls.back().cellX, 140 + 7 * 32);
  EXPECT_EQ(painter.calls.back().cellY, 452);
  auto cream = Landed(0, 0, 0, 1);
  cream->animFrame = 4;
  cream->Draw(painter);
  EXPECT_EQ(painter.calls.back().cellX, 140 + 4 * 32);
  EXPECT_EQ(painter.calls.back().cellY, 420);
}

}  // namespace
}  // namespace glimmerkin
