#include "host/watch_rules.h"

#include <gtest/gtest.h>

#include <utility>

namespace glimmerkin {
namespace {

using E = WatchEvent;

TEST(WatchRules, IdleStartsActivityEndsAndTheNextDelayStartsAgain) {
  WatchRules rules(false);
  EXPECT_TRUE(rules.On(E::Idle).startSaver);
  EXPECT_FALSE(rules.On(E::Idle).startSaver);  // already showing
  const WatchDecision active = rules.On(E::Active);
  EXPECT_TRUE(active.endSaver);
  EXPECT_FALSE(active.lockSession);
  EXPECT_FALSE(rules.On(E::SaverEnded).startSaver);
  EXPECT_EQ(rules.Saver(), SaverState::None);
  EXPECT_TRUE(rules.On(E::Idle).startSaver);
}

TEST(WatchRules, SaverEndedByInputBeforeTheActivityIsSeenWaitsForAFreshDelay) {
  WatchRules rules(false);
  ASSERT_TRUE(rules.On(E::Idle).startSaver);
  EXPECT_FALSE(rules.On(E::SaverEnded).startSaver);
  EXPECT_FALSE(rules.On(E::Idle).startSaver);  // a stale report of the same idleness
  EXPECT_FALSE(rules.On(E::Active).endSaver);
  EXPECT_TRUE(rules.On(E::Idle).startSaver);
}

TEST(WatchRules, AFailingSaverIsLoggedAndNotRestartedUntilTheUserComesBack) {
  WatchRules rules(false);
  ASSERT_TRUE(rules.On(E::Idle).startSaver);
  const WatchDecision failed = rules.On(E::SaverFailed);
  EXPECT_TRUE(failed.logFailure);
  EXPECT_FALSE(failed.startSaver);
  EXPECT_FALSE(rules.On(E::Idle).startSaver);
  rules.On(E::Active);
  EXPECT_TRUE(rules.On(E::Idle).startSaver);
}

TEST(WatchRules, AnInhibitorKeepsTheSaverAwayAndEndsOneShowing) {
  WatchRules rules(false);
  rules.On(E::InhibitOn);
  EXPECT_FALSE(rules.On(E::Idle).startSaver);
  // Released while the user is still away: the idleness counts.
  EXPECT_TRUE(rules.On(E::InhibitOff).startSaver);
  EXPECT_TRUE(rules.On(E::InhibitOn).endSaver);
}

TEST(WatchRules, LockSleepAndTheDesktopsBlankEndTheSaverAndNeedActivityAndAWholeDelay) {
  for (const auto& [on, off] :
       {std::pair{E::LockOn, E::LockOff}, std::pair{E::SleepOn, E::SleepOff},
        std::pair{E::DesktopSaverOn, E::DesktopSaverOff}}) {
    WatchRules rules(true);
    ASSERT_TRUE(rules.On(E::Idle).startSaver);
    const WatchDecision ending = rules.On(on);
    EXPECT_TRUE(ending.endSaver);
    EXPECT_FALSE(ending.lockSession);  // the desktop ended it, not the user
    EXPECT_FALSE(rules.On(E::SaverEnded).lockSession);
    EXPECT_FALSE(rules.On(E::Idle).startSaver);
    EXPECT_FALSE(rules.On(off).startSaver);  // idle from before: used up
    EXPECT_FALSE(rules.On(E::Idle).startSaver);
    rules.On(E::Active);
    EXPECT_TRUE(rules.On(E::Idle).startSaver);
  }
}

TEST(WatchRules, NoSaverWhileLockedEvenAfterActivity) {
  WatchRules rules(false);
  rules.On(E::LockOn);
  rules.On(E::Active);
  EXPECT_FALSE(rules.On(E::Idle).startSaver);
  rules.On(E::Active);
  EXPECT_FALSE(rules.On(E::LockOff).startSaver);
  EXPECT_TRUE(rules.On(E::Idle).startSaver);
}

TEST(WatchRules, LockWhenEndedAsksTheLockOnceWhicheverComesFirst) {
  WatchRules rules(true);
  ASSERT_TRUE(rules.On(E::Idle).startSaver);
  const WatchDecision active = rules.On(E::Active);
  EXPECT_TRUE(active.lockSession);
  EXPECT_TRUE(active.endSaver);
  EXPECT_FALSE(rules.On(E::SaverEnded).lockSession);

  // The saver closed by input before the activity was reported.
  ASSERT_TRUE(rules.On(E::Idle).startSaver);
  EXPECT_TRUE(rules.On(E::SaverEnded).lockSession);
  EXPECT_FALSE(rules.On(E::Active).lockSession);
}

}  // namespace
}  // namespace glimmerkin

namespace glimmerkin {
namespace {

TEST(FitIdleDelay, TheDefaultComesBeforeTheDesktopsBlankAStoredValueIsKeptAndFlagged) {
  EXPECT_EQ(FitIdleDelay(0, false, std::nullopt).seconds, 240);
  EXPECT_EQ(FitIdleDelay(0, false, 600).seconds, 240);
  EXPECT_EQ(FitIdleDelay(0, false, 120).seconds, 90);
  EXPECT_FALSE(FitIdleDelay(0, false, 120).beyondDesktop);
  EXPECT_EQ(FitIdleDelay(0, false, 1).seconds, 1);
  const FittedDelay longer = FitIdleDelay(900, true, 600);
  EXPECT_EQ(longer.seconds, 900);
  EXPECT_TRUE(longer.beyondDesktop);
  EXPECT_FALSE(FitIdleDelay(300, true, 600).beyondDesktop);
  EXPECT_FALSE(FitIdleDelay(300, true, std::nullopt).beyondDesktop);
  // Out of range: kept within 1 s .. 2 h.
  EXPECT_EQ(FitIdleDelay(-5, true, std::nullopt).seconds, 1);
  EXPECT_EQ(FitIdleDelay(1 << 30, true, std::nullopt).seconds, 7200);
  EXPECT_EQ(FitIdleDelay(0, true, -3).seconds, 1);
}

}  // namespace
}  // namespace glimmerkin
