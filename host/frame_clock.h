#pragma once
#include <algorithm>
#include <chrono>
#include <cstdint>

namespace glimmerkin {

inline int64_t MonotonicNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The frame timer of the front ends that wait for it themselves (X11,
// Wayland, the web page): absolute deadlines one interval apart, so frames
// neither drift nor come in a burst after a stall.
class FrameClock {
 public:
  void Start(int64_t nowNs, uint32_t intervalMs) {
    intervalNs_ = std::max<int64_t>(1, int64_t{intervalMs} * 1000000);
    nextNs_ = nowNs + intervalNs_;
    running_ = true;
  }
  void Stop() { running_ = false; }
  bool Running() const { return running_; }
  bool Due(int64_t nowNs) const { return running_ && nowNs >= nextNs_; }
  int64_t NextNs() const { return nextNs_; }
  int64_t IntervalNs() const { return intervalNs_; }

  // After a frame ran at nowNs: the next deadline, one interval on; after a
  // stall, one interval from now.
  void Advance(int64_t nowNs) {
    nextNs_ += intervalNs_;
    if (nextNs_ <= nowNs) nextNs_ = nowNs + intervalNs_;
  }

  // Milliseconds to wait (rounded up) until the deadline; -1 when stopped.
  int TimeoutMs(int64_t nowNs) const {
    if (!running_) return -1;
    const int64_t ms = (nextNs_ - nowNs + 999999) / 1000000;
    return static_cast<int>(std::clamp<int64_t>(ms, 0, 1 << 30));
  }

 private:
  bool running_ = false;
  int64_t intervalNs_ = 0;
  int64_t nextNs_ = 0;
};

}  // namespace glimmerkin
