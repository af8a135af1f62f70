#pragma once
#include <cstdint>
#include <optional>

namespace glimmerkin {

// What the idle watcher learns from the session. The front ends only report
// these; WatchRules decides what happens.
enum class WatchEvent {
  Idle,       // the user has been idle for the whole delay
  Active,     // the user did something
  InhibitOn,  // an application holds an idle inhibitor (video, call)
  InhibitOff,
  DesktopSaverOn,  // the desktop blanked or shielded the screen itself
  DesktopSaverOff,
  LockOn,  // the session is locked
  LockOff,
  SleepOn,      // the machine is about to suspend
  SleepOff,     // it has resumed
  SaverEnded,   // the saver process ended with success
  SaverFailed,  // it failed or crashed
};

// What the watcher does about one event; any combination may be asked.
struct WatchDecision {
  bool startSaver = false;
  bool endSaver = false;     // ask the running saver to end
  bool lockSession = false;  // ask the desktop's own locker to lock
  bool logFailure = false;   // one line: the saver failed, waiting again
};

enum class SaverState { None, Showing, Ending };

class WatchRules {
 public:
  explicit WatchRules(bool lockWhenEnded) : lockWhenEnded_(lockWhenEnded) {}

  WatchDecision On(WatchEvent event);

  SaverState Saver() const { return saver_; }
  bool Inhibited() const { return inhibited_; }

 private:
  // Nothing of the desktop stands against a saver now.
  bool Clear() const { return !inhibited_ && !desktopSaver_ && !locked_ && !asleep_; }
  void EndFor(WatchDecision& decision);

  bool lockWhenEnded_;
  bool idle_ = false;
  bool inhibited_ = false;
  bool desktopSaver_ = false;
  bool locked_ = false;
  bool asleep_ = false;
  // After a lock, a resume, a failed saver or a saver ended by the user, an
  // idleness already reported counts for nothing: only activity followed by
  // a whole new delay starts the saver again.
  bool needFreshIdle_ = false;
  // The lock was asked for on this activity; the saver ended by the same
  // input must not ask twice.
  bool lockAsked_ = false;
  SaverState saver_ = SaverState::None;
};

// The delay the watcher waits, from the settings file's value (kept within
// 1 s .. 2 h) and the desktop's own blanking delay where it is known: with no
// value stored, the default is brought under the desktop's so that the saver
// comes before the blank; a stored value is kept, and one at or beyond the
// desktop's is flagged for a warning.
struct FittedDelay {
  int32_t seconds = 0;
  bool beyondDesktop = false;
};
FittedDelay FitIdleDelay(int32_t stored, bool storedSet, std::optional<int32_t> desktopSeconds);

}  // namespace glimmerkin
