#pragma once
#include <cstdint>
#include <optional>

namespace glimmerkin {

// No time to be woken at.
inline constexpr int64_t kNoWake = -1;

// What can keep a scene from being seen. A front end reports each as its
// platform tells it; a scene is seen while none of them holds.
enum class Unseen : uint32_t {
  DisplayOff = 1u << 0,       // the monitor is powered down
  ScreenBlanked = 1u << 1,    // the display server's own saver covers it
  WindowUnmapped = 1u << 2,   // its window is not shown at all
  WindowObscured = 1u << 3,   // its window is wholly covered
  AwaitingCallback = 1u << 4  // the compositor has not asked for the next frame
};

// Whether one scene can be seen: the one rule every front end's reports go
// through.
class SceneSight {
 public:
  // True when the scene's seen-ness changed.
  bool Report(Unseen why, bool holds) {
    const bool was = Seen();
    const uint32_t bit = static_cast<uint32_t>(why);
    hidden_ = holds ? (hidden_ | bit) : (hidden_ & ~bit);
    return was != Seen();
  }
  bool Seen() const { return hidden_ == 0; }
  bool Holds(Unseen why) const { return (hidden_ & static_cast<uint32_t>(why)) != 0; }

 private:
  uint32_t hidden_ = 0;
};

// When a scene's frames come, for front ends that wait for them themselves:
// one interval apart on absolute deadlines while it is seen, none while it
// is not (and then no wake-up either), none after the frame limit. A scene
// seen again has its next frame at once if its interval has passed, and
// never a burst: missed frames are not made up.
class ScenePace {
 public:
  // The first frame within a second, whatever the interval (a locker waits
  // for it); limit frames at most, counted from here.
  void Start(int64_t nowNs, uint32_t intervalMs, std::optional<uint32_t> limit);
  void Stop() { running_ = false; }
  bool Running() const { return running_; }

  bool Report(Unseen why, bool holds) { return sight_.Report(why, holds); }
  const SceneSight& Sight() const { return sight_; }

  bool Due(int64_t nowNs) const { return running_ && sight_.Seen() && nowNs >= nextNs_; }
  // When the next frame is due; kNoWake while none can come.
  int64_t WakeNs() const { return running_ && sight_.Seen() ? nextNs_ : kNoWake; }
  // After a frame that ran at nowNs.
  void Ran(int64_t nowNs);
  uint32_t Frames() const { return frames_; }

 private:
  SceneSight sight_;
  bool running_ = false;
  int64_t intervalNs_ = 1;
  int64_t nextNs_ = 0;
  uint32_t frames_ = 0;
  std::optional<uint32_t> limit_;
};

// The earlier of two wake-up times.
inline int64_t EarlierWake(int64_t a, int64_t b) {
  if (a == kNoWake) return b;
  if (b == kNoWake) return a;
  return a < b ? a : b;
}

}  // namespace glimmerkin
