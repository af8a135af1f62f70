#include "host/watch_rules.h"

#include <algorithm>

#include "settings/ini_settings.h"

namespace glimmerkin {

void WatchRules::EndFor(WatchDecision& decision) {
  if (saver_ == SaverState::Showing) {
    decision.endSaver = true;
    saver_ = SaverState::Ending;
  }
}

WatchDecision WatchRules::On(WatchEvent event) {
  WatchDecision decision;
  switch (event) {
    case WatchEvent::Idle:
      idle_ = true;
      break;
    case WatchEvent::Active:
      idle_ = false;
      needFreshIdle_ = false;
      if (saver_ == SaverState::Showing) {
        // The user ends the saver: with the lock asked first, the desktop
        // behind it is never shown unlocked.
        if (lockWhenEnded_ && !lockAsked_) {
          decision.lockSession = true;
          lockAsked_ = true;
        }
        EndFor(decision);
      }
      return decision;
    case WatchEvent::InhibitOn:
      inhibited_ = true;
      EndFor(decision);
      return decision;
    case WatchEvent::InhibitOff:
      inhibited_ = false;
      break;
    case WatchEvent::DesktopSaverOn:
    case WatchEvent::LockOn:
    case WatchEvent::SleepOn:
      if (event == WatchEvent::DesktopSaverOn) desktopSaver_ = true;
      if (event == WatchEvent::LockOn) locked_ = true;
      if (event == WatchEvent::SleepOn) asleep_ = true;
      needFreshIdle_ = true;
      EndFor(decision);
      return decision;
    case WatchEvent::DesktopSaverOff:
    case WatchEvent::LockOff:
    case WatchEvent::SleepOff:
      if (event == WatchEvent::DesktopSaverOff) desktopSaver_ = false;
      if (event == WatchEvent::LockOff) locked_ = false;
      if (event == WatchEvent::SleepOff) asleep_ = false;
      // Idleness stays used up until activity (unlocking is activity); an
      // inhibitor or a blank that outlasted it does not count.
      break;
    case WatchEvent::SaverEnded:
    case WatchEvent::SaverFailed: {
      const bool byUser = saver_ == SaverState::Showing;
      saver_ = SaverState::None;
      // Still reported idle: the saver ended without the activity having
      // been seen yet (or it failed), so the idleness is used up.
      needFreshIdle_ = idle_;
      if (event == WatchEvent::SaverFailed) {
        decision.logFailure = true;
      } else if (byUser && lockWhenEnded_ && !lockAsked_ && Clear()) {
        // Input closed the saver before the activity was reported.
        decision.lockSession = true;
      }
      lockAsked_ = false;
      return decision;
    }
  }
  if (idle_ && !needFreshIdle_ && Clear() && saver_ == SaverState::None) {
    decision.startSaver = true;
    saver_ = SaverState::Showing;
    lockAsked_ = false;
  }
  return decision;
}

FittedDelay FitIdleDelay(int32_t stored, bool storedSet, std::optional<int32_t> desktopSeconds) {
  FittedDelay fitted;
  fitted.seconds = storedSet ? std::clamp(stored, kMinIdleDelay, kMaxIdleDelay) : kDefaultIdleDelay;
  if (!desktopSeconds || *desktopSeconds <= 0) return fitted;
  if (!storedSet) {
    // Three quarters of the desktop's delay: the saver shows well before it.
    if (fitted.seconds >= *desktopSeconds)
      fitted.seconds =
          std::max(kMinIdleDelay, static_cast<int32_t>(int64_t{*desktopSeconds} * 3 / 4));
  } else {
    fitted.beyondDesktop = fitted.seconds >= *desktopSeconds;
  }
  return fitted;
}

}  // namespace glimmerkin
