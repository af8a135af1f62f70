#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/watch_rules.h"

namespace glimmerkin {

// One thing the idle watcher listens to: a display's or a bus's connection
// that reports idleness, activity, inhibitors, locks or sleep as they come.
// It only reports; WatchRules decides.
class IdleSource {
 public:
  virtual ~IdleSource() = default;
  // For the watcher's first line: what idleness is learned from.
  virtual std::string Name() const = 0;
  // The desktop's own blanking delay where it can be read.
  virtual std::optional<int32_t> DesktopDelaySeconds() { return std::nullopt; }
  // Starts reporting Idle after delaySeconds without input, and Active on
  // the input after that. Sources that report only other things ignore it.
  virtual bool Arm(int32_t /*delaySeconds*/) { return true; }
  // The descriptor the watcher polls for it.
  virtual int Fd() const = 0;
  // Before the wait: sends what is queued. False when events are already
  // waiting to be read (the watcher then dispatches again without waiting).
  virtual bool Flush() { return true; }
  // Reads what arrived without blocking, appending what it reports. False
  // once the connection is lost.
  virtual bool Dispatch(std::vector<WatchEvent>& events) = 0;
};

// Where a session already has a screen saver of its own: which one, and how
// to choose Glimmerkin in it instead. Empty when there is none.
struct OtherSaver {
  std::string name;
  std::string howToChoose;
};

}  // namespace glimmerkin
