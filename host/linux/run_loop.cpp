#include "host/linux/run_loop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "host/linux/run_config.h"
#include "host/linux/run_signals.h"

namespace glimmerkin {
namespace {

// The longest the first frame of new scenes waits, whatever the interval.
constexpr int64_t kFirstFrameNs = 1'000'000'000;

}  // namespace

RunLoop::RunLoop(std::optional<uint32_t> frameLimit)
    : frameLimit_(frameLimit), limitReached_(frameLimit && *frameLimit == 0) {
  CatchRunSignals();
}

void RunLoop::End(int exitCode) {
  if (!ended_) exitCode_ = exitCode;
  ended_ = true;
}

void RunLoop::StartFrames(uint32_t intervalMs) {
  if (clock_.Running() || limitReached_) return;
  // A clock started that much earlier has its first deadline a second from
  // now, and its pace from there on.
  const int64_t early = std::max<int64_t>(0, int64_t{intervalMs} * 1'000'000 - kFirstFrameNs);
  clock_.Start(MonotonicNowNs() - early, intervalMs);
}

void RunLoop::CountFramesAnew() {
  frames_ = 0;
  limitReached_ = frameLimit_ && *frameLimit_ == 0;
  if (limitReached_) clock_.Stop();
}

void RunLoop::Run(int displayFd, LoopClient& client) {
  while (!ended_) {
    const SignalRequests signals = TakeRunSignals();
    if (signals.end) {
      End(kExitSignalled);
      break;
    }
    if (signals.restart) {
      CountFramesAnew();
      client.Restart();
      if (ended_) break;
    }
    client.Dispatch();
    if (ended_) break;
    const int64_t now = MonotonicNowNs();
    const int64_t timerWake = client.RunTimers(now);
    if (ended_) break;
    if (clock_.Due(now)) {
      clock_.Advance(now);
      client.Frame();
      ++frames_;
      if (frameLimit_ && frames_ >= *frameLimit_) {
        limitReached_ = true;
        clock_.Stop();
      }
      // What arrived while the frame was put is handled before any wait.
      continue;
    }
    Wait(displayFd, client, timerWake);
  }
}

void RunLoop::Wait(int displayFd, LoopClient& client, int64_t timerWakeNs) {
  short events = 0;
  if (!client.PrepareWait(events)) return;
  int64_t wake = clock_.Running() ? clock_.NextNs() : kNoWake;
  if (timerWakeNs != kNoWake && (wake == kNoWake || timerWakeNs < wake)) wake = timerWakeNs;
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
