#!/usr/bin/env bash
# Frames paced by the compositor's frame callbacks: a compositor answering
# them at 100 Hz does not raise the frame rate above the redraw interval;
# one that withholds them (an output powered down) gets no commit, and the
# saver does not wake for frames meanwhile; once they come again so do the
# frames. A signal still ends a saver left waiting.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
FAKE=$2
export XDG_RUNTIME_DIR=$TEST_DIR/run XDG_CONFIG_HOME=$TEST_DIR/config
mkdir -m 0700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_SOCKET

"$FAKE" fake-frames frames >"$TEST_DIR/commits.log" 2>"$TEST_DIR/fake.log" &
FAKE_PID=$!
PIDS+=("$FAKE_PID")
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/fake-frames" ] && break; sleep 0.05; done
[ -S "$XDG_RUNTIME_DIR/fake-frames" ] || fail "the fake compositor did not start"
WAYLAND_DISPLAY=fake-frames "$GLIMMERKIN" /s -fixed-seed 3 2>"$TEST_DIR/saver.log" &
SAVER=$!
PIDS+=("$SAVER")

commits() { wc -l <"$TEST_DIR/commits.log"; }
wakeups() {
  awk '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { print n }' "/proc/$SAVER/status"
}
for _ in $(seq 100); do [ "$(commits)" -ge 3 ] && break; sleep 0.05; done
[ "$(commits)" -ge 3 ] || fail "no frames ($(cat "$TEST_DIR/saver.log"))"

# Two seconds of 90 ms frames are some 22 commits, not 200.
before=$(commits)
sleep 2
running=$(( $(commits) - before ))
[ "$running" -ge 5 ] && [ "$running" -le 30 ] || fail "$running commits in 2 s with callbacks at 100 Hz"

kill -USR1 "$FAKE_PID"
sleep 0.5
held=$(commits)
woke=$(wakeups)
sleep 3
still_running "$SAVER" "the saver ended while its callbacks were withheld"
[ "$(commits)" -eq "$held" ] || fail "$(( $(commits) - held )) commits without a frame callback"
idle=$(( $(wakeups) - woke ))
[ "$idle" -le 3 ] || fail "the saver woke $idle times in 3 s waiting for a callback"

kill -USR2 "$FAKE_PID"
sleep 1
[ "$(commits)" -gt "$((held + 3))" ] || fail "frames did not resume once callbacks came again"

kill -USR1 "$FAKE_PID"
sleep 0.3
kill -TERM "$SAVER"
ends_status=0
wait_exit "$SAVER" 5 || ends_status=$?
[ "$ends_status" -ne 124 ] || fail "a saver waiting for a callback does not end on SIGTERM"
echo "PASS: $running commits in 2 s running, none and $idle wake-ups in 3 s withheld"
