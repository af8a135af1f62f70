#include <gtest/gtest.h>

#include "scene/random.h"

namespace glimmerkin {
namespace {

TEST(Random, FirstOutputsFromTheUnseededState) {
  SeedRandom(1);
  const int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
  for (int32_t value : expected) EXPECT_EQ(RandomStep(), value);
}

TEST(Random, RandomBelowDiscardsTheOddOutputs) {
  SeedRandom(1);
  EXPECT_EQ(RandomBelow(10), 7);   // 41 discarded, 18467 % 10
  EXPECT_EQ(RandomBelow(100), 0);  // 6334 discarded, 26500 % 100
}

TEST(Random, NonPositiveBoundTakesNoStep) {
  SeedRandom(12345);
  EXPECT_EQ(RandomBelow(0), 0);
  EXPECT_EQ(RandomBelow(-5), 0);
  EXPECT_EQ(RandomBelow(INT32_MIN), 0);
  EXPECT_EQ(RandomState(), 12345u);
}

TEST(Random, BoundOfOneStillTakesTwoSteps) {
  SeedRandom(7);
  RandomStep();
  RandomStep();
  const uint32_t afterTwo = RandomState();
  SeedRandom(7);
  EXPECT_EQ(RandomBelow(1), 0);
  EXPECT_EQ(RandomState(), afterTwo);
}

TEST(Random, LargeBoundsNeverExceedFifteenBits) {
  SeedRandom(99);
  for (int i = 0; i < 20000; ++i) {
    const int32_t v = RandomBelow(INT32_MAX);
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 32767);
  }
}

TEST(Random, StateWrapsModuloTwoToThe32) {
  SeedRandom(0xFFFFFFFFu);
  RandomStep();
  EXPECT_EQ(RandomState(), 0xFFFFFFFFu * 214013u + 2531011u);
}

}  // namespace
}  // namespace glimmerkin
