#!/usr/bin/env bash
# An output that comes and goes every 10 ms while /s runs: the saver gives
# each its view and scene and drops them again, without a message, a crash
# or growing memory, and still ends when its surfaces are closed.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
FAKE=$2
export XDG_RUNTIME_DIR=$TEST_DIR/run XDG_CONFIG_HOME=$TEST_DIR/config
mkdir -m 0700 "$XDG_RUNTIME_DIR"
unset DISPLAY

"$FAKE" fake-churn churn 2>"$TEST_DIR/fake.log" &
FAKE_PID=$!
PIDS+=("$FAKE_PID")
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/fake-churn" ] && break; sleep 0.05; done
[ -S "$XDG_RUNTIME_DIR/fake-churn" ] || fail "the fake compositor did not start"
WAYLAND_DISPLAY=fake-churn "$GLIMMERKIN" /s -fixed-seed 3 -redraw-speed 10 2>"$TEST_DIR/saver.log" &
SAVER=$!
PIDS+=("$SAVER")

rss() { sed -n 's/^VmRSS:[^0-9]*\([0-9]*\).*/\1/p' "/proc/$SAVER/status"; }
sleep 1
still_running "$SAVER" "the saver ended while outputs came and went"
before=$(rss)
sleep 3
still_running "$SAVER" "the saver ended while outputs came and went"
after=$(rss)
echo "resident: $before kB, 3 s of changes later $after kB"
# The sanitizers hold freed memory back on purpose; there the leak check at
# the saver's exit stands in.
if ! ldd "$GLIMMERKIN" | grep -q libasan; then
  [ $((after - before)) -lt 16384 ] || fail "memory grew from $before kB to $after kB"
fi
kill -USR1 "$FAKE_PID"
status=0
wait_exit "$SAVER" 10 || status=$?
[ "$status" -eq 0 ] || fail "closed: exit status $status, expected 0 ($(cat "$TEST_DIR/saver.log"))"
grep . "$TEST_DIR/saver.log" && fail "the saver wrote messages"
made=$(sed -n 's/^toplevels=//p' "$TEST_DIR/fake.log")
echo "toplevels made: $made"
[ "${made:-0}" -ge 10 ] || fail "the saver did not follow the outputs: ${made:-no} toplevels"
echo PASS
