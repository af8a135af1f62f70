#pragma once
#include <cstdint>

namespace glimmerkin {

// The signals a Linux run answers: SIGTERM, SIGINT and SIGHUP end it
// cleanly (lockers end their saver with SIGTERM); SIGUSR1 starts its scenes
// afresh (xsecurelock sends it to reset its saver). The handlers only note
// the signal and wake the run loop through a descriptor it polls.

// What arrived since the last call.
struct SignalRequests {
  bool end = false;
  bool restart = false;
};

// Catches the signals from now on, for the rest of the process; later calls
// do nothing. Until then they keep their usual effect.
void CatchRunSignals();

// Readable while a caught signal has arrived and not been drained; -1 before
// CatchRunSignals.
int RunSignalFd();

// Empties RunSignalFd (it stays readable for a signal that comes after).
void DrainRunSignalFd();

// Takes what the signals ask for; each signal is told once.
SignalRequests TakeRunSignals();

// Once an ending signal has come, a run that has not ended within this many
// seconds (a display that no longer answers holds it) is ended anyway, with
// exit status 1. 0 turns this off; the default is kEndBackstopSeconds.
inline constexpr unsigned kEndBackstopSeconds = 2;
void SetEndBackstopSeconds(unsigned seconds);

}  // namespace glimmerkin
