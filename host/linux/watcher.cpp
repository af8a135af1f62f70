#include "host/linux/watcher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "host/frame_clock.h"
#include "host/linux/run_config.h"
#include "host/linux/run_loop.h"

namespace glimmerkin {
namespace {

// How long a saver asked to end may take before it is killed.
constexpr int64_t kSaverEndGraceNs = 1500 * int64_t{1000000};

// The saver as a child process, watched through a pidfd (no SIGCHLD, no
// timer: the descriptor becomes readable when it ends).
class SaverChild {
 public:
  ~SaverChild() { Stop(); }

  bool Running() const { return pid_ > 0; }
  int Fd() const { return pidfd_; }

  bool Start(const std::vector<std::string>& command, bool lockOnClose) {
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
      // A watcher killed outright still takes its saver along.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(1);
      if (lockOnClose)
        setenv(kLockOnCloseVariable, "1", 1);
      else
        unsetenv(kLockOnCloseVariable);
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      // The program's own image, even after a package upgrade replaced
      // the file; argv[0] still names it.
      execv("/proc/self/exe", argv.data());
      execv(argv[0], argv.data());
      _exit(127);
    }
    pid_ = pid;
    pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    return true;
  }

  void Terminate() {
    if (pid_ > 0) kill(pid_, SIGTERM);
  }
  void Kill() {
    if (pid_ > 0) kill(pid_, SIGKILL);
  }

  // The wait status once it has ended, else -1; the pid is then free.
  int Reap() {
    if (pid_ <= 0) return -1;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return -1;
    pid_ = -1;
    if (pidfd_ >= 0) close(pidfd_);
    pidfd_ = -1;
    return status;
  }

  // Ends it whatever it does: SIGTERM, then SIGKILL after the grace time.
  void Stop() {
    if (pid_ <= 0) return;
    Terminate();
    const int64_t deadline = MonotonicNowNs() + kSaverEndGraceNs;
    while (Reap() < 0 && pid_ > 0) {
      const int64_t left = deadline - MonotonicNowNs();
      if (left <= 0) {
        Kill();
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        break;
      }
      pollfd wait = {pidfd_, POLLIN, 0};
      poll(&wait, pidfd_ >= 0 ? 1 : 0, static_cast<int>(std::min<int64_t>(left / 1000000 + 1, 50)));
    }
    if (pidfd_ >= 0) close(pidfd_);
    pidfd_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int pidfd_ = -1;
};

class Watcher final : public LoopClient {
 public:
  Watcher(WatchSetup setup, RunLoop& loop)
      : setup_(std::move(setup)), loop_(loop), rules_(setup_.lockWhenEnded) {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    for (const auto& source : setup_.sources) Watch(source->Fd());
  }
  ~Watcher() {
    saver_.Stop();
    if (epoll_ >= 0) close(epoll_);
  }

  int Fd() const { return epoll_; }

  void Dispatch() override {
    std::vector<WatchEvent> events;
    for (const auto& source : setup_.sources) {
      if (!source->Dispatch(events)) {
        std::fprintf(stderr, "glimmerkin: lost %s; the watcher ends\n", source->Name().c_str());
        loop_.End(kExitNoDisplay);
        return;
      }
    }
    if (saver_.Running()) {
      const int status = saver_.Reap();
      if (status >= 0) events.push_back(Ended(status));
    }
    for (const WatchEvent event : events) Act(rules_.On(event));
  }

  int64_t RunTimers(int64_t nowNs) override {
    if (!saver_.Running() || endDeadline_ == kNoWake) return kNoWake;
    if (nowNs < endDeadline_) return endDeadline_;
    saver_.Kill();
    endDeadline_ = kNoWake;
    return kNoWake;
  }

  bool Frame(int64_t) override { return false; }
  int64_t NextFrameNs() override { return kNoWake; }

  bool PrepareWait(short& events) override {
    events = POLLIN;
    bool nothingQueued = true;
    for (const auto& source : setup_.sources) nothingQueued = source->Flush() && nothingQueued;
    return nothingQueued;
  }

  void FinishWait(short revents) override {
    // The epoll set is level-triggered: emptying it is Dispatch's work.
    if (revents == 0) return;
    epoll_event ready[8];
    static_cast<void>(epoll_wait(epoll_, ready, 8, 0));
  }

  void Restart() override {}

 private:
  void Watch(int fd) {
    if (fd < 0 || epoll_ < 0) return;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event);
  }

  WatchEvent Ended(int status) {
    endDeadline_ = kNoWake;
    const bool asked = asked_;
    asked_ = false;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return WatchEvent::SaverEnded;
    // Our own SIGTERM (or SIGKILL after it) is an end we asked for.
    if (asked && WIFSIGNALED(status) &&
        (WTERMSIG(status) == SIGTERM || WTERMSIG(status) == SIGKILL))
      return WatchEvent::SaverEnded;
    if (WIFSIGNALED(status))
      std::fprintf(stderr, "glimmerkin: the saver was killed by signal %d; waiting again\n",
                   WTERMSIG(status));
    else
      std::fprintf(stderr, "glimmerkin: the saver failed with exit status %d; waiting again\n",
                   WEXITSTATUS(status));
    return WatchEvent::SaverFailed;
  }

  void Act(const WatchDecision& decision) {
    if (decision.lockSession && setup_.lockSession) setup_.lockSession();
    if (decision.endSaver && saver_.Running()) {
      asked_ = true;
      saver_.Terminate();
      endDeadline_ = MonotonicNowNs() + kSaverEndGraceNs;
    }
    if (decision.startSaver) {
      if (saver_.Start(setup_.saverCommand, setup_.lockWhenEnded)) {
        Watch(saver_.Fd());
      } else {
        std::fprintf(stderr, "glimmerkin: cannot start the saver; waiting again\n");
        Act(rules_.On(WatchEvent::SaverFailed));
      }
    }
    std::fflush(stderr);
  }

  WatchSetup setup_;
  RunLoop& loop_;
  WatchRules rules_;
  SaverChild saver_;
  int epoll_ = -1;
  bool asked_ = false;
  int64_t endDeadline_ = kNoWake;
};

std::string SessionKey() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* x11 = std::getenv("DISPLAY");
  std::string key = wayland != nullptr && wayland[0] != '\0' ? std::string("wayland-") + wayland
                    : x11 != nullptr && x11[0] != '\0'       ? std::string("x11-") + x11
                                                             : std::string("none");
  for (char& c : key)
    if (c == '/') c = '_';
  return key;
}

}  // namespace

bool TakeWatcherLock() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string dir = runtime != nullptr && runtime[0] == '/'
                              ? std::string(runtime)
                              : "/tmp/glimmerkin-" + std::to_string(getuid());
  if (runtime == nullptr || runtime[0] != '/') mkdir(dir.c_str(), 0700);
  const std::string path = dir + "/glimmerkin-watch." + SessionKey() + ".lock";
  // Left open (and locked) until the process ends; the kernel lets go then,
  // even after a crash.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // no place for a lock: never refuse to watch for it
  return flock(fd, LOCK_EX | LOCK_NB) == 0;
}

int RunWatcher(WatchSetup setup) {
  RunLoop loop;
  int exitCode = 0;
  {
    Watcher watcher(std::move(setup), loop);
    loop.Run(watcher.Fd(), watcher);
    exitCode = loop.ExitCode();
  }
  return exitCode;
}

}  // namespace glimmerkin
