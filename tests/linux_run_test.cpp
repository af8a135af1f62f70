#include "host/linux/run_loop.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "host/linux/run_config.h"
#include "host/linux/run_plan.h"
#include "host/linux/run_signals.h"

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
  // One scene, paced as a front end paces its scenes.
  bool Frame(int64_t nowNs) override {
    if (!pace.Due(nowNs)) return false;
    pace.Ran(nowNs);
    ++frames;
    if (onFrame) onFrame();
    return true;
  }
  int64_t NextFrameNs() override { return pace.WakeNs(); }
  void StartFrames(uint32_t intervalMs, std::optional<uint32_t> limit = std::nullopt) {
    pace.Start(MonotonicNowNs(), intervalMs, limit);
  }
  bool PrepareWait(short& events) override {
    ++waits;
    events = POLLIN;
    return true;
  }
  void FinishWait(short revents) override { lastRevents = revents; }
  void Restart() override {
    ++restarts;
    if (onRestart) onRestart();
  }

  ScenePace pace;
  int frames = 0;
  int waits = 0;
  std::function<void()> onFrame;
  std::atomic<int> restarts = 0;
  std::function<void()> onRestart;
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
  RunLoop loop;
  PipeClient client(loop);
  client.StartFrames(1, 3);
  client.onFrame = [&] {
    if (client.frames == 3) {
      client.After(30, [&] {
        EXPECT_EQ(client.frames, 3);
        // New scenes count again.
        client.StartFrames(1, 3);
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
  RunLoop loop;
  PipeClient client(loop);
  client.StartFrames(1, 0);
  client.After(30, [&] { client.StartFrames(1, 0); });
  client.After(60, [&] { loop.End(0); });
  client.Run();
  EXPECT_EQ(client.frames, 0);
}

TEST(RunLoop, TheDisplayWakesTheWaitAndTheFirstEndCounts) {
  RunLoop loop;
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

// The signal tests raise SIGTERM, SIGINT and SIGHUP in this process: the
// backstop that ends a run left hanging after one would end the test binary.
class RunSignals : public ::testing::Test {
 protected:
  void SetUp() override { SetEndBackstopSeconds(0); }
};

// Each ending signal ends the run at its next turn, before another frame,
// with the exit status of a clean end.
TEST_F(RunSignals, EachEndingSignalEndsTheRunBeforeAnotherFrame) {
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    RunLoop loop;
    PipeClient client(loop);
    client.StartFrames(1);
    int framesAtSignal = -1;
    client.onFrame = [&] {
      if (client.frames == 5) {
        framesAtSignal = client.frames;
        ASSERT_EQ(raise(number), 0);
      }
    };
    const auto start = std::chrono::steady_clock::now();
    client.Run();
    EXPECT_EQ(client.frames, framesAtSignal) << "signal " << number;
    EXPECT_EQ(loop.ExitCode(), kExitSignalled);
    EXPECT_EQ(client.dispatched, 0) << "the watchdog had to end the run";
    EXPECT_EQ(client.restarts, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  }
}

// A signal that comes while the loop waits, with no frame or timer due,
// wakes it at once: SIGUSR1 restarts, SIGTERM ends. Each is raised in (and
// handled by) another thread, so the loop's wait is not interrupted: only
// the descriptor of the signals can wake it.
TEST_F(RunSignals, ASignalWakesTheWaitingLoop) {
  RunLoop loop;
  PipeClient client(loop);
  std::atomic<bool> timedOut = false;
  std::thread sender([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    raise(SIGUSR1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (client.restarts == 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    timedOut = client.restarts == 0;
    raise(SIGTERM);
  });
  client.Run();
  sender.join();
  EXPECT_FALSE(timedOut) << "SIGUSR1 did not wake the loop";
  EXPECT_EQ(client.restarts, 1);
  EXPECT_EQ(client.dispatched, 0) << "SIGTERM did not wake the loop";
  EXPECT_EQ(loop.ExitCode(), kExitSignalled);
}

// SIGUSR1 restarts the scenes and the frame limit counts from them: the
// client starts its frames again, as a front end does for its new scenes.
TEST_F(RunSignals, RestartCountsFramesAnew) {
  RunLoop loop;
  PipeClient client(loop);
  client.StartFrames(1, 3);
  client.onFrame = [&] {
    if (client.frames == 3) client.After(30, [] { raise(SIGUSR1); });
    if (client.frames == 6) client.After(30, [&] { loop.End(0); });
  };
  client.onRestart = [&] {
    EXPECT_EQ(client.frames, 3);
    client.StartFrames(1, 3);
  };
  client.Run();
  EXPECT_EQ(client.restarts, 1);
  EXPECT_EQ(client.frames, 6);
  EXPECT_EQ(client.dispatched, 0);
}

// A signal that came while the front end was still connecting ends the run
// at its first turn.
TEST_F(RunSignals, ASignalBeforeTheRunEndsItAtOnce) {
  RunLoop loop;
  PipeClient client(loop);
  client.StartFrames(1);
  ASSERT_EQ(raise(SIGTERM), 0);
  client.Run();
  EXPECT_EQ(client.frames, 0);
  EXPECT_EQ(loop.ExitCode(), kExitSignalled);
  EXPECT_EQ(client.dispatched, 0);
}

// A run whose display no longer answers after SIGTERM (here: one that never
// comes back to its loop) is ended by the backstop, with status 1.
TEST(RunSignalsBackstop, EndsARunThatHangsAfterSIGTERM) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SetEndBackstopSeconds(1);
    RunLoop loop;
    raise(SIGTERM);
    // Hung: only the backstop can end this.
    for (int i = 0; i < 10; ++i) sleep(1);
    _exit(42);
  }
  int status = 0;
  pid_t done = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while ((done = waitpid(child, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (done == 0) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "the backstop did not end the hanging run";
  }
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
}

// A scene that cannot be seen costs the loop no wake-up; seen again, its
// next frame comes at once (its interval long passed) and the pace holds
// from there.
TEST(RunLoop, AnUnseenSceneWakesNothingAndResumes) {
  RunLoop loop;
  PipeClient client(loop);
  client.StartFrames(10);
  client.pace.Report(Unseen::DisplayOff, true);
  int waitsWhileUnseen = -1;
  int waitsAtFirstFrame = -1;
  client.After(300, [&] {
    waitsWhileUnseen = client.waits;
    client.pace.Report(Unseen::DisplayOff, false);
  });
  client.onFrame = [&] {
    if (client.frames == 1) waitsAtFirstFrame = client.waits;
    if (client.frames == 3) loop.End(0);
  };
  client.Run();
  EXPECT_EQ(client.frames, 3);
  // One wait, until the client's own timer: no frame woke the loop.
  EXPECT_EQ(waitsWhileUnseen, 1);
  // The frame came in the same turn, without another wait.
  EXPECT_EQ(waitsAtFirstFrame, waitsWhileUnseen);
}

// However slow the frames, the first comes within a second: a locker waits
// for it.
TEST(RunLoop, TheFirstFrameComesWithinASecond) {
  RunLoop loop;
  PipeClient client(loop);
  const auto start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration firstAfter{};
  client.StartFrames(60000);
  client.onFrame = [&] {
    firstAfter = std::chrono::steady_clock::now() - start;
    loop.End(0);
  };
  client.Run();
  ASSERT_EQ(client.frames, 1);
  EXPECT_GE(firstAfter, std::chrono::milliseconds(990));
  EXPECT_LT(firstAfter, std::chrono::milliseconds(1500));
}

TEST(RunPlan, RestartSeed) {
  RunConfig config;
  config.fixedSeed = 77;
  EXPECT_EQ(RestartSeed(config, 77), 77u);
  config.fixedSeed.reset();
  // From the clock, and never the seed the scenes had.
  const auto now = static_cast<uint32_t>(std::time(nullptr));
  for (const uint32_t last : {now, now + 1, now - 1, uint32_t{0xffffffff}}) {
    const uint32_t seed = RestartSeed(config, last);
    EXPECT_NE(seed, last);
    EXPECT_LE(seed - now, 2u) << "not the clock's";
  }
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
