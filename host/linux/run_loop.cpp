#include "host/linux/run_loop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "host/linux/run_config.h"
#include "host/linux/run_signals.h"

namespace glimmerkin {
RunLoop::RunLoop() { CatchRunSignals(); }

void RunLoop::End(int exitCode) {
  if (!ended_) exitCode_ = exitCode;
  ended_ = true;
}

void RunLoop::Run(int displayFd, LoopClient& client) {
  while (!ended_) {
    const SignalRequests signals = TakeRunSignals();
    if (signals.end) {
      End(kExitSignalled);
      break;
    }
    if (signals.restart) {
      client.Restart();
      if (ended_) break;
    }
    client.Dispatch();
    if (ended_) break;
    const int64_t now = MonotonicNowNs();
    const int64_t timerWake = client.RunTimers(now);
    if (ended_) break;
    // What arrived while a frame was put is handled before any wait.
    if (client.Frame(now)) continue;
    if (ended_) break;
    Wait(displayFd, client, EarlierWake(timerWake, client.NextFrameNs()));
  }
}

void RunLoop::Wait(int displayFd, LoopClient& client, int64_t wake) {
  short events = 0;
  if (!client.PrepareWait(events)) return;
  int timeoutMs = -1;
  if (wake != kNoWake)
    timeoutMs = static_cast<int>(
        std::clamp<int64_t>((wake - MonotonicNowNs() + 999999) / 1000000, 0, 1 << 30));
  // Everything the run waits on is in this one set: the display and the
  // signals (a descriptor of -1 is left out by poll).
  pollfd waiting[] = {{displayFd, events, 0}, {RunSignalFd(), POLLIN, 0}};
  const int ready = poll(waiting, 2, timeoutMs);
  if (ready < 0 && errno != EINTR) End(kExitNoDisplay);
  if (ready > 0 && (waiting[1].revents & POLLIN) != 0) DrainRunSignalFd();
  client.FinishWait(ready > 0 ? waiting[0].revents : 0);
}

}  // namespace glimmerkin
