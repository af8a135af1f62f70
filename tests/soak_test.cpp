// Long scenes with invariants checked on every tick.
#include <gtest/gtest.h>

#include <unordered_set>

#include "animation/stage.h"
#include "scene/alien.h"
#include "scene/baby.h"
#include "scene/couple.h"
#include "scene/heart.h"
#include "scene/random.h"

namespace glimmerkin {
namespace {

struct CellChecker final : CellPainter {
  void DrawSheetCell(int32_t cellX, int32_t cellY, int32_t, int32_t, int32_t width,
                     int32_t height) override {
    ++draws;
    if (cellX < 0 || cellY < 0 || cellX + width > kSheetWidth || cellY + height > kSheetHeight)
      ++outside;
  }
  long draws = 0;
  long outside = 0;
};

struct SoakCase {
  uint32_t seed;
  int32_t width, height, aliens, ticks;
};

class Soak : public ::testing::TestWithParam<SoakCase> {};

TEST_P(Soak, InvariantsHoldAndThePopulationRenews) {
  const SoakCase c = GetParam();
  CellChecker cells;
  SeedRandom(c.seed);
  SpriteList list(c.width, c.height, &cells);
  PlaceFirstAliens(list, c.aliens);
  std::unordered_set<const Sprite*> present, firstAliens;
  for (int32_t i = 0; i < list.Count(); ++i) firstAliens.insert(list.At(i));
  long couples = 0, grown = 0;
  std::unordered_set<const Sprite*> seenCouples, seenAliens(firstAliens);

  for (int32_t tick = 1; tick <= c.ticks; ++tick) {
    list.Tick();
    ASSERT_LE(list.Count(), SpriteList::kCapacity);
    present.clear();
    for (int32_t i = 0; i < list.Count(); ++i) present.insert(list.At(i));
    for (int32_t i = 0; i < list.Count(); ++i) {
      const Sprite* s = list.At(i);
      switch (s->TypeId()) {
        case kAlienType: {
          auto* a = static_cast<const Alien*>(s);
          if (a->state == Courting || a->state == Approaching) {
            ASSERT_TRUE(present.count(a->mate)) << "tick " << tick;
          }
          ASSERT_TRUE(a->speedY != 0 && a->speedY >= -5 && a->speedY <= 5);
          if (seenAliens.insert(a).second) ++grown;
          break;
        }
        case kHeartType: {
          auto* h = static_cast<const Heart*>(s);
          ASSERT_TRUE(present.count(h->suitor)) << "tick " << tick;
          ASSERT_TRUE(present.count(h->mate)) << "tick " << tick;
          break;
        }
        case kCoupleType:
          if (seenCouples.insert(s).second) ++couples;
          break;
        case kBabyType: {
          auto* b = static_cast<const Baby*>(s);
          // A sought baby drops its link when its seeker leaves; a live link
          // always names a baby still in the scene.
          if (b->partner != nullptr) {
            ASSERT_TRUE(present.count(b->partner)) << "tick " << tick;
          }
          if (b->kind == 0 && b->hasPartner) {
            ASSERT_NE(b->partner, nullptr);
          }
          break;
        }
        case kShadowType:
          break;
        default:
          FAIL() << "unknown sprite type " << s->TypeId();
      }
    }
    ASSERT_EQ(cells.outside, 0) << "tick " << tick;
  }
  EXPECT_GT(cells.draws, 0);
  EXPECT_GT(couples, 0) << "no couple formed";
  EXPECT_GT(grown, 0) << "no baby grew into an alien";
}

INSTANTIATE_TEST_SUITE_P(LongScenes, Soak,
                         ::testing::Values(SoakCase{1, 1024, 768, 9, 30000},
                                           SoakCase{20261208, 1920, 1080, 25, 30000},
                                           SoakCase{7, 640, 480, 9, 30000},
                                           SoakCase{4242, 800, 600, 2, 40000},
                                           SoakCase{99, 3840, 2160, 25, 20000}));

// Stages smaller than a sprite must still neither hang nor misbehave.
TEST(SoakTiny, MinuteStagesRunSafely) {
  for (int32_t size : {1, 20, 71, 100, 140}) {
    CellChecker cells;
    SeedRandom(static_cast<uint32_t>(size));
    SpriteList list(size, size, &cells);
    PlaceFirstAliens(list, 25);
    for (int tick = 0; tick < 3000; ++tick) list.Tick();
    EXPECT_LE(list.Count(), SpriteList::kCapacity);
    EXPECT_EQ(cells.outside, 0);
  }
}

}  // namespace
}  // namespace glimmerkin
