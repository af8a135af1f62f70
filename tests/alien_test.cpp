#include <gtest/gtest.h>

#include <memory>

#include "scene/alien.h"
#include "scene/couple.h"
#include "scene/heart.h"
#include "scene_test_support.h"

namespace glimmerkin {
namespace {

using testing::SeedForDraws;

// Builds an alien with chosen fields; the constructor's draws are spent on a
// throwaway seed.
std::unique_ptr<Alien> MakeAlien(int32_t x, int32_t y, int32_t kind, int32_t facingRight,
                                 int32_t speedY = 1) {
  SeedRandom(1);
  auto a = std::make_unique<Alien>(x, y, kind, 1);
  a->facingRight = facingRight;
  a->speedY = speedY;
  return a;
}

// Seeds so that a wandering tick makes no drift and no reversal.
void SeedQuietWander(int ticks = 1) {
  // RandomBelow(5) != 1 and RandomBelow(100) != 1 on every tick.
  for (uint32_t seed = 0;; ++seed) {
    SeedRandom(seed);
    bool quiet = true;
    for (int t = 0; t < ticks && quiet; ++t) {
      if (RandomBelow(5) == 1) quiet = false;
      else if (RandomBelow(100) == 1) quiet = false;
    }
    if (quiet) {
      SeedRandom(seed);
      return;
    }
  }
}

TEST(AlienConstruction, DrawsFacingThenSignThenMagnitude) {
  ASSERT_TRUE(SeedForDraws({{2, 1}, {2, 0}, {5, 4}}));
  Alien a(100, 100, 0, 1);
  EXPECT_EQ(a.facingRight, 1);
  EXPECT_EQ(a.speedY, -5);

  ASSERT_TRUE(SeedForDraws({{2, 0}, {2, 1}, {5, 0}}));
  Alien b(100, 100, 0, 1);
  EXPECT_EQ(b.facingRight, 0);
  EXPECT_EQ(b.speedY, 1);
}

TEST(AlienConstruction, GrownAlienShiftsAndShowsItsFrontOnce) {
  testing::RecordingPainter painter;
  ASSERT_TRUE(SeedForDraws({{2, 1}, {2, 1}, {5, 0}}));
  Alien right(200, 50, 1, 0);
  EXPECT_EQ(right.x, 155);
  right.Draw(painter);
  right.Draw(painter);
  ASSERT_EQ(painter.calls.size(), 2u);
  EXPECT_EQ(painter.calls[0].cellX, 11 * 70);
  EXPECT_EQ(painter.calls[0].cellY, 0);
  EXPECT_EQ(painter.calls[1].cellX, 6 * 70);

  ASSERT_TRUE(SeedForDraws({{2, 0}, {2, 1}, {5, 0}}));
  Alien left(200, 50, 0, 0);
  EXPECT_EQ(left.x, 177);
  left.Draw(painter);
  EXPECT_EQ(painter.calls[2].cellX, 350);
  EXPECT_EQ(painter.calls[2].cellY, 70);

  Alien initial(200, 50, 0, 7);  // any nonzero flag
  EXPECT_EQ(initial.x, 200);
  EXPECT_EQ(initial.showFrontOnce, 0);
}

TEST(AlienWander, TurnsAtTheLeftEdgeShowingItsFront) {
  SpriteList list(1024, 768, nullptr);
  auto owned = MakeAlien(5, 300, 0, 0);
  Alien* a = owned.get();
  a->walkFrame = 4;
  list.Add(std::move(owned));
  SeedQuietWander(2);
  a->Update(list);
  EXPECT_EQ(a->facingRight, 1);
  EXPECT_EQ(a->x, 5 + 7 - 27);
  EXPECT_EQ(a->walkFrame, 5);
  a->Update(list);
  EXPECT_EQ(a->walkFrame, 0);
  EXPECT_EQ(a->x, -15 + 7);
}

TEST(AlienWander, BouncesOnlyPastTheEdges) {
  SpriteList list(800, 600, nullptr);
  auto top = MakeAlien(300, -1, 1, 1, -3);
  SeedQuietWander();
  top->Update(list);
  EXPECT_EQ(top->speedY, 3);
  EXPECT_EQ(top->y, 2);

  auto bottom = MakeAlien(300, 530, 1, 1, 2);  // y + 70 == 600: no bounce
  SeedQuietWander();
  bottom->Update(list);
  EXPECT_EQ(bottom->speedY, 2);

  auto right = MakeAlien(720, 300, 1, 1);  // x + 80 == 800: no turn
  SeedQuietWander();
  right->Update(list);
  EXPECT_EQ(right->facingRight, 1);
  auto past = MakeAlien(721, 300, 1, 1);
  SeedQuietWander();
  past->Update(list);
  EXPECT_EQ(past->facingRight, 0);
  EXPECT_EQ(past->walkFrame, 5);
}

TEST(AlienWander, SpeedDriftNeverReachesZeroOrPastFive) {
  SpriteList list(800, 600, nullptr);
  struct Case {
    int32_t speed, s, expected;
  } cases[] = {{1, 0, 1}, {5, 2, 5}, {-5, 0, -5}, {3, 2, 4}, {-2, 0, -3}, {2, 1, 2}};
  for (const auto& c : cases) {
    auto a = MakeAlien(300, 300, 1, 1, c.speed);
    ASSERT_TRUE(SeedForDraws({{5, 1}, {3, c.s}, {100, 0}}));
    a->Update(list);
    EXPECT_EQ(a->speedY, c.expected) << "from " << c.speed << " with s " << c.s;
  }
}

TEST(AlienWander, RandomReversalUndoingAnEdgeTurnIsNoTurn) {
  SpriteList list(800, 600, nullptr);
  auto a = MakeAlien(5, 300, 1, 0, 2);
  ASSERT_TRUE(SeedForDraws({{5, 0}, {100, 1}, {2, 1}, {2, 1}}));
  a->Update(list);
  EXPECT_EQ(a->facingRight, 0);
  EXPECT_EQ(a->speedY, -2);
  EXPECT_NE(a->walkFrame, 5);
  EXPECT_EQ(a->x, 5 - 5);
}

struct AcceptCase {
  int32_t x, y, facingRight, state;
  int32_t accepted;
};

TEST(AlienCourtship, AcceptanceRules) {
  const AcceptCase cases[] = {
      {301, 300, 0, Wandering, 1}, {300, 300, 0, Wandering, 0}, {301, 303, 0, Wandering, 1},
      {301, 304, 0, Wandering, 0}, {301, 299, 0, Wandering, 0}, {301, 300, 1, Wandering, 0},
      {301, 300, 0, Waiting, 0},   {99, 300, 0, Wandering, 0},
  };
  for (const auto& c : cases) {
    auto candidate = MakeAlien(c.x, c.y, 1, c.facingRight);
    candidate->state = c.state;
    candidate->walkFrame = 3;
    EXPECT_EQ(candidate->TryAcceptSuitor(200, 300, 1), c.accepted) << c.x << "," << c.y;
    if (c.accepted) {
      EXPECT_EQ(candidate->y, 300);
      EXPECT_EQ(candidate->walkFrame, 0);
      EXPECT_EQ(candidate->state, Waiting);
    } else {
      EXPECT_EQ(candidate->y, c.y);
      EXPECT_EQ(candidate->walkFrame, 3);
    }
  }
  auto left = MakeAlien(299, 300, 1, 1);
  EXPECT_EQ(left->TryAcceptSuitor(400, 300, 0), 1);
  auto tooClose = MakeAlien(300, 300, 1, 1);
  EXPECT_EQ(tooClose->TryAcceptSuitor(400, 300, 0), 0);
}

TEST(AlienCourtship, SuitorTakesTheFirstQualifyingKindOneInListOrder) {
  SpriteList list(1024, 768, nullptr);
  auto suitorOwned = MakeAlien(100, 299, 0, 1);  // steps down to y 300
  Alien* suitor = suitorOwned.get();
  auto kindZero = MakeAlien(400, 300, 0, 0);
  Alien* zero = kindZero.get();
  auto first = MakeAlien(500, 300, 1, 0);
  Alien* firstPtr = first.get();
  auto second = MakeAlien(450, 300, 1, 0);
  Alien* secondPtr = second.get();
  list.Add(std::move(kindZero));
  list.Add(std::move(suitorOwned));
  list.Add(std::move(first));
  list.Add(std::move(second));
  SeedQuietWander();
  suitor->walkFrame = 2;
  suitor->Update(list);
  EXPECT_EQ(suitor->state, Courting);
  EXPECT_EQ(suitor->mate, firstPtr);
  EXPECT_EQ(suitor->walkFrame, 0);
  EXPECT_EQ(firstPtr->state, Waiting);
  EXPECT_EQ(secondPtr->state, Wandering);
  EXPECT_EQ(zero->state, Wandering);
  EXPECT_EQ(zero->y, 300);
}

TEST(AlienCourtship, KindOneNeverSearches) {
  SpriteList list(1024, 768, nullptr);
  auto oneOwned = MakeAlien(100, 300, 1, 1);
  Alien* one = oneOwned.get();
  auto other = MakeAlien(500, 300, 1, 0);
  Alien* otherPtr = other.get();
  list.Add(std::move(oneOwned));
  list.Add(std::move(other));
  SeedQuietWander();
  one->Update(list);
  EXPECT_EQ(one->state, Wandering);
  EXPECT_EQ(otherPtr->state, Wandering);
}

TEST(AlienCourtship, SixHeartsOnEveryOtherTickFromTheFront) {
  for (int32_t facing : {1, 0}) {
    SpriteList list(1024, 768, nullptr);
    auto suitorOwned = MakeAlien(200, 300, 0, facing);
    Alien* suitor = suitorOwned.get();
    auto mateOwned = MakeAlien(facing ? 400 : 0, 300, 1, 1 - facing);
    Alien* mate = mateOwned.get();
    list.Add(std::move(suitorOwned));
    list.Add(std::move(mateOwned));
    suitor->state = Courting;
    suitor->mate = mate;
    std::vector<int32_t> indices;
    for (int tick = 1; tick <= 16; ++tick) {
      const int32_t before = list.Count();
      suitor->Update(list);
      if (list.Count() > before) {
        EXPECT_EQ(tick % 2, 0) << "heart on tick " << tick;
        auto* h = static_cast<Heart*>(list.At(list.Count() - 1));
        indices.push_back(h->index);
        EXPECT_EQ(h->x, facing ? 270 : 184);
        EXPECT_EQ(h->y, 335);
        EXPECT_EQ(h->suitor, suitor);
        EXPECT_EQ(h->mate, mate);
        EXPECT_EQ(h->facingRight, facing);
      }
    }
    EXPECT_EQ(indices, (std::vector<int32_t>{5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(suitor->heartsSent, 6);
    EXPECT_EQ(suitor->x, 200);
  }
}

TEST(AlienCourtship, ApproachCouplesOnceCloserThan78AndStillSteps) {
  SpriteList list(1024, 768, nullptr);
  auto suitorOwned = MakeAlien(220, 300, 0, 1);
  Alien* suitor = suitorOwned.get();
  auto mateOwned = MakeAlien(300, 300, 1, 0);
  Alien* mate = mateOwned.get();
  list.Add(std::move(suitorOwned));
  list.Add(std::move(mateOwned));
  suitor->mate = mate;
  suitor->state = Approaching;
  mate->state = Smitten;
  suitor->Update(list);
  EXPECT_EQ(suitor->x, 225);  // 80 apart: no couple, steps 5
  EXPECT_EQ(list.Count(), 2);
  suitor->Update(list);
  EXPECT_EQ(suitor->x, 232);  // 75 apart: couples and still steps 7
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(suitor->state, Coupled);
  EXPECT_EQ(mate->state, Coupled);
  EXPECT_TRUE(suitor->IsFinished());
  auto* couple = static_cast<Couple*>(list.At(2));
  EXPECT_EQ(couple->TypeId(), kCoupleType);
  EXPECT_EQ(couple->x, (300 + 225 - 50) / 2);
  EXPECT_EQ(couple->orientation, 0);
}

TEST(AlienCourtship, FormCoupleTruncatesTowardZero) {
  SpriteList list(1024, 768, nullptr);
  auto mate = MakeAlien(300, 120, 1, 0);
  auto suitor = MakeAlien(180, 120, 0, 1);
  mate->FormCouple(*suitor, list);
  auto* c = static_cast<Couple*>(list.At(0));
  EXPECT_EQ(c->x, 215);
  EXPECT_EQ(c->y, 120);
  EXPECT_EQ(c->orientation, 0);
  EXPECT_EQ(mate->state, Coupled);

  auto mate2 = MakeAlien(-20, 40, 1, 1);
  auto suitor2 = MakeAlien(55, 40, 0, 0);
  mate2->FormCouple(*suitor2, list);
  auto* c2 = static_cast<Couple*>(list.At(1));
  EXPECT_EQ(c2->x, -7);
  EXPECT_EQ(c2->orientation, 1);
}

TEST(AlienCourtship, CoupledIsFinalAndSmittenDrawsBlushing) {
  testing::RecordingPainter painter;
  auto a = MakeAlien(0, 0, 0, 1);
  a->state = Coupled;
  a->BecomeSmitten();
  a->StartApproach();
  EXPECT_EQ(a->state, Coupled);

  auto m = MakeAlien(0, 0, 0, 0);
  m->showFrontOnce = 1;
  m->BecomeSmitten();
  m->Draw(painter);
  EXPECT_EQ(painter.calls.back().cellX, 70);
  EXPECT_EQ(painter.calls.back().cellY, 420);
  EXPECT_EQ(m->showFrontOnce, 0);
  m->facingRight = 1;
  m->Draw(painter);
  EXPECT_EQ(painter.calls.back().cellX, 0);
}

TEST(AlienDraw, CellsByKindFacingAndFrame) {
  testing::RecordingPainter painter;
  auto a = MakeAlien(0, 0, 1, 0);
  a->walkFrame = 3;
  a->Draw(painter);
  EXPECT_EQ(painter.calls.back().cellX, 420 + 210);
  EXPECT_EQ(painter.calls.back().cellY, 70);
  a->walkFrame = 5;  // turn tick
  a->Draw(painter);
  EXPECT_EQ(painter.calls.back().cellX, 770);
  EXPECT_EQ(painter.calls.back().width, 70);
}

}  // namespace
}  // namespace glimmerkin
