#pragma once
#include <cstdint>
#include <optional>

#include "host/frame_clock.h"

namespace glimmerkin {

// No time to be woken at.
inline constexpr int64_t kNoWake = -1;

// What a front end does at each turn of the shared loop: it owns its
// connection, windows, input and present targets; the loop owns the waiting
// and the frame clock.
class LoopClient {
 public:
  // Handles everything its connection has already received, and what that
  // changed (monitors, windows).
  virtual void Dispatch() = 0;
  // Runs the front end's own timers that are due at nowNs and returns when
  // the next one is (monotonic nanoseconds), or kNoWake: "wake me at".
  virtual int64_t RunTimers(int64_t /*nowNs*/) { return kNoWake; }
  // One frame of every scene.
  virtual void Frame() = 0;
  // Just before the wait: sends what is queued for the display and sets what
  // to wait for on its descriptor. False when something already arrived
  // (or the run is ending): the turn then starts over without waiting.
  virtual bool PrepareWait(short& events) = 0;
  // After the wait, with what the display's descriptor reported: 0 when the
  // time ran out or the wait was interrupted.
  virtual void FinishWait(short /*revents*/) {}
  // New scenes in place of the old, as at the start (SIGUSR1): the frame
  // limit already counts anew.
  virtual void Restart() = 0;

 protected:
  ~LoopClient() = default;
};

// The one loop of the Linux front ends: each turn takes the signals that
// came (run_signals.h), handles the display's events, the front end's
// timers and a frame when the clock is due, then waits for the display, a
// signal or the next due time. After -frame-limit frames no more run until
// new scenes count again.
class RunLoop {
 public:
  // Catches the run's signals from here on, so that one coming while the
  // front end connects and opens its windows is answered too.
  explicit RunLoop(std::optional<uint32_t> frameLimit);

  // Turns until End(). A wait that fails, other than by a signal, ends the
  // run as a display lost would; SIGTERM, SIGINT or SIGHUP ends it with
  // kExitSignalled.
  void Run(int displayFd, LoopClient& client);

  // Ends the run after the current step; the first code given is the run's.
  void End(int exitCode);
  bool Ended() const { return ended_; }
  int ExitCode() const { return exitCode_; }

  // Frames every intervalMs from now on, the first within a second (a
  // locker waits for it); a running clock keeps its pace, and none start
  // once the frame limit has been reached.
  void StartFrames(uint32_t intervalMs);
  void StopFrames() { clock_.Stop(); }
  // New scenes: the frame limit counts again from their first frame.
  void CountFramesAnew();

 private:
  void Wait(int displayFd, LoopClient& client, int64_t timerWakeNs);

  std::optional<uint32_t> frameLimit_;
  uint32_t frames_ = 0;
  bool limitReached_ = false;
  FrameClock clock_;
  bool ended_ = false;
  int exitCode_ = 0;
};

}  // namespace glimmerkin
