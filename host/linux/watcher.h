#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/linux/idle_source.h"

namespace glimmerkin {

// The idle watcher's run: one idle source armed with the delay, any others
// that report inhibitors, blanks, locks and sleep, and the saver started as
// a process of its own (so that a crash never takes the watcher with it).
// Set in the saver's environment when the session is to be locked as the
// user ends it.
inline constexpr const char* kLockOnCloseVariable = "GLIMMERKIN_LOCK_ON_CLOSE";

struct WatchSetup {
  // The saver's arguments, the first naming the program (the full-screen
  // switch among them); the program run is this process's own image.
  std::vector<std::string> saverCommand;
  bool lockWhenEnded = false;
  std::vector<std::unique_ptr<IdleSource>> sources;
  // Asks the desktop's own locker to lock the session; true once asked.
  std::function<bool()> lockSession;
};

// Waits until SIGTERM, SIGINT or SIGHUP (exit 0) or until a source's
// connection is lost (exit 1); no saver process outlives it.
int RunWatcher(WatchSetup setup);

// Holds the session's one watcher lock for the life of the process: false
// when another watcher of this session holds it.
bool TakeWatcherLock();

}  // namespace glimmerkin
