#pragma once
#include <cstdint>
#include <optional>

#include "animation/scene_pace.h"
#include "host/frame_clock.h"

namespace glimmerkin {

// What a front end does at each turn of the shared loop: it owns its
// connection, windows, input and present targets, and its scenes' paces
// (scene_pace.h); the loop owns the waiting.
class LoopClient {
 public:
  // Handles everything its connection has already received, and what that
  // changed (monitors, windows).
  virtual void Dispatch() = 0;
  // Runs the front end's own timers that are due at nowNs and returns when
  // the next one is (monotonic nanoseconds), or kNoWake: "wake me at".
  virtual int64_t RunTimers(int64_t /*nowNs*/) { return kNoWake; }
  // A frame of every scene that is due at nowNs; false when none was.
  virtual bool Frame(int64_t nowNs) = 0;
  // When the next frame is due, kNoWake while no scene can be seen: the
  // loop then wakes only for the display and the signals.
  virtual int64_t NextFrameNs() = 0;
  // Just before the wait: sends what is queued for the display and sets what
  // to wait for on its descriptor. False when something already arrived
  // (or the run is ending): the turn then starts over without waiting.
  virtual bool PrepareWait(short& events) = 0;
  // After the wait, with what the display's descriptor reported: 0 when the
  // time ran out or the wait was interrupted.
  virtual void FinishWait(short /*revents*/) {}
  // New scenes in place of the old, as at the start (SIGUSR1).
  virtual void Restart() = 0;

 protected:
  ~LoopClient() = default;
};

// The one loop of the Linux front ends: each turn takes the signals that
// came (run_signals.h), handles the display's events, the front end's
// timers and the frames that are due, then waits for the display, a signal
// or the next due time.
class RunLoop {
 public:
  // Catches the run's signals from here on, so that one coming while the
  // front end connects and opens its windows is answered too.
  RunLoop();

  // Turns until End(). A wait that fails, other than by a signal, ends the
  // run as a display lost would; SIGTERM, SIGINT or SIGHUP ends it with
  // kExitSignalled.
  void Run(int displayFd, LoopClient& client);

  // Ends the run after the current step; the first code given is the run's.
  void End(int exitCode);
  bool Ended() const { return ended_; }
  int ExitCode() const { return exitCode_; }

 private:
  void Wait(int displayFd, LoopClient& client, int64_t wakeNs);

  bool ended_ = false;
  int exitCode_ = 0;
};

}  // namespace glimmerkin
