#!/usr/bin/env bash
# A scene the compositor does not show rests: a desktop background wholly
# covered by a fullscreen window gets no frame callbacks from sway, and over
# 20 s the saver then hardly wakes and hardly uses the processor; uncovered,
# frames come within a second and go on from the tick reached, so the last
# frame is still the simulator's. With two outputs, the one covered rests
# and the other keeps its frames.
# (sway 1.7's headless outputs cannot be powered down: wlroots 0.15's
# headless backend refuses "dpms off", so a covered background stands in.)
source "$(dirname "$0")/wayland_lib.sh"
start_sway 640x480

# Clock ticks (user + system) and wake-ups of a process so far.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
wakeups() { awk '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { print n }' "/proc/$1/status"; }
# changes OUTPUT SECONDS: whether the output's picture changes within that time.
changes() {
  local _
  shot "$1" "$TEST_DIR/a.ppm" || return 1
  for _ in $(seq $(( $2 * 10 ))); do
    sleep 0.1
    shot "$1" "$TEST_DIR/b.ppm" || return 1
    [ "$(compare -metric AE "$TEST_DIR/a.ppm" "$TEST_DIR/b.ppm" null: 2>&1)" != 0 ] && return 0
  done
  return 1
}
# cover OUTPUT: a fullscreen window over that output (pid in COVER).
cover() {
  sway_msg focus output "$1" >/dev/null
  "${AS_USER[@]}" "$GLIMMERKIN" -window -redraw-speed 1 2>/dev/null &
  COVER=$!
  PIDS+=("$COVER")
  local _
  for _ in $(seq 50); do
    sway_msg "[pid=$COVER] fullscreen enable" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  fail "no fullscreen window over $1"
}

render 21 640x480 80 "$TEST_DIR/s.png"
start_saver -background -fixed-seed 21 -frame-limit 80
BACKGROUND=$SAVER
changes HEADLESS-1 5 || fail "no frames before the background was covered"
cover HEADLESS-1
sleep 1
t0=$(ticks "$BACKGROUND")
w0=$(wakeups "$BACKGROUND")
sleep 20
still_running "$BACKGROUND" "the background ended while covered"
used=$(( ($(ticks "$BACKGROUND") - t0) * 1000 / $(getconf CLK_TCK) ))
woke=$(( $(wakeups "$BACKGROUND") - w0 ))
# 0.1 % of a core over 20 s is 20 ms.
[ "$used" -le 20 ] || fail "the covered background used $used ms in 20 s"
[ "$woke" -le 20 ] || fail "the covered background woke $woke times in 20 s"
kill "$COVER"
changes HEADLESS-1 1 || fail "no frame within a second of the background being uncovered"
expect_frame HEADLESS-1 "$TEST_DIR/s.png" 20 "after the rest the last frame is not the simulator's tick 80"
kill "$BACKGROUND"
echo "covered for 20 s: $used ms, $woke wake-ups"

# Two outputs, the first covered: the second keeps its frames.
printf 'output HEADLESS-2 mode --custom 640x480 position 640 0\n' >>"$TEST_DIR/sway.conf"
sway_msg reload >/dev/null || fail "sway did not take the second output's place"
sway_msg create_output >/dev/null || fail "sway did not add an output"
start_saver -background -fixed-seed 21
changes HEADLESS-2 5 || fail "no frames on the second output"
cover HEADLESS-1
sleep 0.5
changes HEADLESS-2 2 || fail "the second output stopped when the first was covered"
still_running "$SAVER" "the background ended with one output covered"
echo PASS
