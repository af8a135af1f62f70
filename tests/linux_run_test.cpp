#include "host/linux/run_loop.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "host/linux/run_plan.h"

namespace glimmerkin {
namespace {

constexpr int64_t kMs = 1'000'000;

// A display that is a pipe: readable only when the test writes to it. A
// watchdog writes after a few seconds, so a loop that would wait for ever
// ends the test instead of hanging it.
class PipeClient : public LoopClient {
 public:
  explicit PipeClient(RunLoop& loop) : loop_(loop) {
    EXPECT_EQ(pipe(fds_), 0);
    watchdog_ = std::thread([this] {
      for (int i = 0; i < 500 && !done_; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (!done_) Write();
    });
  }
  ~PipeClient() {
    done_ = true;
    watchdog_.join();
    close(fds_[0]);
    close(fds_[1]);
  }
  int Fd() const { return fds_[0]; }
  void Write() { EXPECT_EQ(write(fds_[1], "x", 1), 1); }
  // A timer that runs the action this long from now.
  void After(int64_t ms, std::function<void()> action) {
    timers_.push_back({MonotonicNowNs() + ms * kMs, std::move(action)});
  }
  void Run() {
    loop_.Run(Fd(), *this);
    done_ = true;
  }

  void Dispatch() override {
    pollfd readable{fds_[0], POLLIN, 0};
    if (poll(&readable, 1, 0) == 1) {
      char byte = 0;
      EXPECT_EQ(read(fds_[0], &byte, 1), 1);
      ++dispatched;
      if (!endOnEvent) ADD_FAILURE() << "the loop waited for an event that never comes";
      loop_.End(7);
    }
  }
  int64_t RunTimers(int64_t nowNs) override {
    int64_t wake = kNoWake;
    // Actions may add timers: the list is walked by index.
    for (size_t i = 0; i < timers_.size(); ++i) {
      if (!timers_[i].second) continue;
      const int64_t due = timers_[i].first;
      if (nowNs >= due) {
        auto run = std::move(timers_[i].second);
        timers_[i].second = nullptr;
        run();
      } else if (wake == kNoWake || due < wake) {
        wake = due;
      }
    }
    return wake;
  }
  void Frame() override {
    ++frames;
    if (onFrame) onFrame();
  }
  bool PrepareWait(short& events) override {
    events = POLLIN;
    return true;
  }
  void FinishWait(short revents) override { lastRevents = revents; }

  int frames = 0;
  std::function<void()> onFrame;
  int dispatched = 0;
  bool endOnEvent = false;
  short lastRevents = 0;

 private:
  RunLoop& loop_;
  int fds_[2] = {-1, -1};
  std::atomic<bool> done_ = false;
  std::thread watchdog_;
  std::vector<std::pair<int64_t, std::function<void()>>> timers_;
};

// Frames are 1 ms apart: each check comes some tens of frame intervals
// after the frame that reached the limit.
TEST(RunLoop, FramesStopAtTheLimitAndNewScenesCountAgain) {
  RunLoop loop(3);
  PipeClient client(loop);
  loop.StartFrames(1);
  client.onFrame = [&] {
    if (client.frames == 3) {
      client.After(30, [&] {
        EXPECT_EQ(client.frames, 3);
        // The limit holds until new scenes count again.
        loop.StartFrames(1);
        client.After(30, [&] {
          EXPECT_EQ(client.frames, 3);
          loop.CountFramesAnew();
          loop.StartFrames(1);
        });
      });
    }
    if (client.frames == 6) client.After(30, [&] { loop.End(0); });
  };
  client.Run();
  EXPECT_EQ(client.frames, 6);
  EXPECT_EQ(client.dispatched, 0);
  EXPECT_EQ(loop.ExitCode(), 0);
}

TEST(RunLoop, ALimitOfZeroRunsNoFrame) {
  RunLoop loop(0);
  PipeClient client(loop);
  loop.StartFrames(1);
  client.After(30, [&] {
    loop.CountFramesAnew();
    loop.StartFrames(1);
  });
  client.After(60, [&] { loop.End(0); });
  client.Run();
  EXPECT_EQ(client.frames, 0);
}

TEST(RunLoop, TheDisplayWakesTheWaitAndTheFirstEndCounts) {
  RunLoop loop(std::nullopt);
  PipeClient client(loop);
  client.endOnEvent = true;
  // No frames and no timers: only the display ends the wait.
  client.After(40, [&] { client.Write(); });
  client.Run();
  EXPECT_EQ(client.dispatched, 1);
  EXPECT_NE(client.lastRevents & POLLIN, 0);
  loop.End(3);
  EXPECT_EQ(loop.ExitCode(), 7);
}

TEST(RunPlan, TryOutSizeAndWindowScene) {
  RunConfig config;
  EXPECT_EQ(TryOutSize(config).width, 960);
  EXPECT_EQ(TryOutSize(config).height, 600);
  config.geometry = Geometry{300, 200};
  EXPECT_EQ(TryOutSize(config).width, 300);
  EXPECT_EQ(TryOutSize(config).height, 200);

  // The monitor's density decides unless the setting fixes the pixel size.
  config.settings.pixelSize = 0;
  auto area = WindowScene(801, 600, 2, config, 41);
  ASSERT_TRUE(area.has_value());
  EXPECT_EQ(area->pixelSize, 2);
  EXPECT_EQ(area->stageWidth, 401);
  EXPECT_EQ(area->stageHeight, 300);
  EXPECT_EQ(area->seed, 41u);
  config.settings.pixelSize = 3;
  EXPECT_EQ(WindowScene(801, 600, 2, config, 41)->stageWidth, 267);
  EXPECT_FALSE(WindowScene(0, 600, 1, config, 41).has_value());
  EXPECT_FALSE(WindowScene(70000, 600, 1, config, 41).has_value());
}

}  // namespace
}  // namespace glimmerkin
