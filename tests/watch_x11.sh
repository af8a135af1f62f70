#!/usr/bin/env bash
# The idle watcher on a bare X server (the SYNC IDLETIME counter): idle for
# the delay brings up the full-screen saver, the simulator's frame; xdotool
# input ends it and the watcher waits again; a crashing saver costs one line;
# a second watcher declines; SIGTERM, with or without a saver, leaves nothing.
source "$(dirname "$0")/x11_lib.sh"
source "$(dirname "$0")/watch_lib.sh"
GLIMMERKIN=$1
HELPER=$2
SIM=$3
need Xvfb xdotool xset
export XDG_CONFIG_HOME=$TEST_DIR/config XDG_RUNTIME_DIR=$TEST_DIR/run
mkdir -m 0700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY WAYLAND_SOCKET
start_xvfb 800x600x24
write_watch_settings 2
"$SIM" render --seed 31 --size 800x600 --ticks 15 --out "$TEST_DIR/expected.png" \
  || fail "glimmerkin-sim render failed"

measure_resting 2
xdotool mousemove 100 100
start_watcher -fixed-seed 31 -frame-limit 15
head -n 1 "$TEST_DIR/watch.log" | grep -q "watching the X server's idle time" ||
  fail "the first line does not name the idle source: $(head -n 1 "$TEST_DIR/watch.log")"

# Waiting: no wake-ups, little memory, no saver (the delay is 2 s, so this
# runs while input keeps it away).
xdotool mousemove 101 100
check_resting "$WATCHER" 1
sleep 0.5
[ -z "$(saver_pids)" ] || fail "a saver started before the delay"

# The idle moment is the last input plus the delay.
xdotool mousemove 120 120
idle_at=$(( $(date +%s%N) / 1000000 + 2000 ))
"$HELPER" wait-saver 10 >/dev/null || { cat "$TEST_DIR/watch.log" >&2; fail "no saver after the delay"; }
shown_at=$(( $(date +%s%N) / 1000000 ))
echo "idle moment to the saver holding input: $((shown_at - idle_at)) ms"
[ $((shown_at - idle_at)) -lt 1500 ] || fail "the saver came $((shown_at - idle_at)) ms after the idle moment"
"$HELPER" match 0 "$TEST_DIR/expected.png" 20 >/dev/null ||
  fail "the watcher's saver does not show the simulator's frame"

xdotool mousemove 300 300
wait_saver_count 0 5 || fail "input did not end the saver"
still_running "$WATCHER" "the watcher ended with the saver"
# It waits again: the next idle delay brings the saver back.
"$HELPER" wait-saver 10 >/dev/null || fail "no saver after the second delay"

# One watcher a session: the second says so in one line and exits 0.
second=0
"$GLIMMERKIN" -watch >"$TEST_DIR/second.log" 2>&1 || second=$?
[ "$second" -eq 0 ] || fail "a second watcher exited $second"
[ "$(wc -l <"$TEST_DIR/second.log")" -eq 1 ] && grep -q "already runs" "$TEST_DIR/second.log" ||
  fail "a second watcher said: $(cat "$TEST_DIR/second.log")"

# A saver that crashes: one line, the watcher waits, and no new saver comes
# until the user has been back and idle for the delay again.
kill -SEGV "$(saver_pids)"
wait_saver_count 0 5 || fail "the crashed saver is still there"
sleep 3
still_running "$WATCHER" "a crashing saver took the watcher along"
[ -z "$(saver_pids)" ] || fail "a saver started again without the user coming back"
# (A sanitizer build catches the signal itself and exits with a status.)
grep -Eq "the saver (was killed by signal 11|failed with exit status [0-9]+); waiting again" \
  "$TEST_DIR/watch.log" || fail "no line about the crash"
xdotool mousemove 10 10
"$HELPER" wait-saver 10 >/dev/null || fail "no saver after the user came back and left"

# The server's own screen saver (xset s activate) ends it; the idleness is
# then used up until the user comes back.
xset s activate
wait_saver_count 0 5 || fail "the server's own blanking did not end the saver"
sleep 2.5
[ -z "$(saver_pids)" ] || fail "a saver came back over the server's blank without the user"
xset s reset
xdotool mousemove 20 20
"$HELPER" wait-saver 10 >/dev/null || fail "no saver after the blank ended and a new delay"

# SIGTERM while the saver shows: both gone, no saver window left.
stop_watcher "with the saver showing"
[ "$("$HELPER" saver-window)" = 0 ] || fail "a saver window is left"

# In a Wayland session the X server (Xwayland there) is never the idle
# source: it sees only the input that goes to X clients.
status=0
WAYLAND_DISPLAY=gk-no-such-display timeout 10 "$GLIMMERKIN" -watch 2>"$TEST_DIR/wayland.log" || status=$?
[ "$status" -eq 1 ] && grep -q "this session tells no idleness" "$TEST_DIR/wayland.log" ||
  fail "a Wayland session without idle protocols gave $status: $(cat "$TEST_DIR/wayland.log")"

# SIGTERM at any moment of the start: the watcher ends (0, or 143 when the
# signal came before it could catch it) and leaves no saver behind.
for moment in 0 0.01 0.03 0.06 0.1 0.2; do
  "$GLIMMERKIN" -watch 2>/dev/null &
  early=$!
  PIDS+=("$early")
  sleep "$moment"
  kill -TERM "$early"
  status=0
  wait_exit "$early" 5 || status=$?
  [ "$status" -eq 0 ] || [ "$status" -eq 143 ] || fail "SIGTERM after $moment s: status $status"
done
pgrep -f "^$GLIMMERKIN /s" >/dev/null && fail "a saver is left after the early SIGTERMs"

# SIGTERM while waiting.
xdotool mousemove 50 50
start_watcher
sleep 0.5
stop_watcher "waiting"
echo PASS
