#include "host/linux/run_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace glimmerkin {
namespace {

// Only lock-free atomics may be touched from a handler.
static_assert(std::atomic<uint32_t>::is_always_lock_free);
static_assert(std::atomic<unsigned>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

// Counts, not flags: the loop compares them with what it has seen, so a
// signal that comes while it takes the last one is never lost.
std::atomic<uint32_t> g_ends{0};
std::atomic<uint32_t> g_restarts{0};
std::atomic<unsigned> g_backstopSeconds{kEndBackstopSeconds};
std::atomic<bool> g_backstopArmed{false};
// The self-pipe; set once before the handlers are installed.
int g_wake[2] = {-1, -1};
uint32_t g_endsSeen = 0;
uint32_t g_restartsSeen = 0;

constexpr int kCaught[] = {SIGTERM, SIGINT, SIGHUP, SIGUSR1};

void OnSignal(int number) {
  const int savedErrno = errno;
  if (number == SIGUSR1) {
    g_restarts.fetch_add(1);
  } else {
    g_ends.fetch_add(1);
    const unsigned backstop = g_backstopSeconds.load();
    if (backstop != 0 && !g_backstopArmed.exchange(true)) alarm(backstop);
  }
  // A full pipe is readable already: the byte is not needed then.
  const char byte = 0;
  const ssize_t written = write(g_wake[1], &byte, 1);
  static_cast<void>(written);
  errno = savedErrno;
}

// The run did not end in time after an ending signal.
void OnBackstop(int) {
  static const char kLine[] = "glimmerkin: the display did not answer; ended without it\n";
  const ssize_t written = write(STDERR_FILENO, kLine, sizeof kLine - 1);
  static_cast<void>(written);
  _exit(1);
}

void Install(int number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  for (const int other : kCaught) sigaddset(&action.sa_mask, other);
  // Calls inside the display libraries go on after a signal; the loop's
  // own poll wakes anyway through the pipe.
  action.sa_flags = SA_RESTART;
  sigaction(number, &action, nullptr);
}

}  // namespace

void CatchRunSignals() {
  if (g_wake[0] >= 0) return;
  int fds[2] = {-1, -1};
  // Without the pipe nothing could wake the loop: the signals keep their
  // usual effect (ending the process) instead.
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  g_wake[0] = fds[0];
  g_wake[1] = fds[1];
  Install(SIGALRM, OnBackstop);
  for (const int number : kCaught) Install(number, OnSignal);
}

int RunSignalFd() { return g_wake[0]; }

void DrainRunSignalFd() {
  if (g_wake[0] < 0) return;
  char bytes[64];
  while (read(g_wake[0], bytes, sizeof bytes) > 0) {
  }
}

SignalRequests TakeRunSignals() {
  SignalRequests requests;
  const uint32_t ends = g_ends.load();
  if (ends != g_endsSeen) {
    g_endsSeen = ends;
    requests.end = true;
  }
  const uint32_t restarts = g_restarts.load();
  if (restarts != g_restartsSeen) {
    g_restartsSeen = restarts;
    requests.restart = true;
  }
  return requests;
}

void SetEndBackstopSeconds(unsigned seconds) { g_backstopSeconds.store(seconds); }

}  // namespace glimmerkin
