#!/usr/bin/env bash
# The full-screen saver (/s): which input closes it, which does not, and a
# second /s on the same display.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
HELPER=$2
need Xvfb xdotool
start_xvfb 800x600x24
export XDG_CONFIG_HOME=$TEST_DIR/config

# start_saver: runs /s in the background (pid in SAVER) and waits until it
# holds the keyboard and the pointer.
start_saver() {
  xdotool mousemove 200 200
  "$GLIMMERKIN" /s &
  SAVER=$!
  PIDS+=("$SAVER")
  "$HELPER" wait-saver 20 >/dev/null || fail "the saver window did not come up with input grabbed"
}

# expect_exit CODE WHAT
expect_exit() {
  local status=0
  wait_exit "$SAVER" 10 || status=$?
  [ "$status" -eq "$1" ] || fail "$2: exit status $status, expected $1"
}

# A key closes it with status 0.
start_saver
xdotool key x
expect_exit 0 "key press"

# Each of the three buttons closes it.
for button in 1 2 3; do
  start_saver
  xdotool click "$button"
  expect_exit 0 "button $button"
done

# Four one-pixel moves stay within the threshold; the fifth goes past it.
start_saver
for i in 1 2 3 4; do
  xdotool mousemove_relative 1 0
done
sleep 0.5
still_running "$SAVER" "four one-pixel moves closed the saver"
xdotool mousemove_relative 1 0
expect_exit 0 "fifth one-pixel move"

# A diagonal of 2 + 2 stays; 3 + 2 closes.
start_saver
xdotool mousemove_relative 2 2
sleep 0.5
still_running "$SAVER" "a 2+2 move closed the saver"
xdotool mousemove_relative 1 0
expect_exit 0 "a 3+2 move"

# Releases and the wheel do not close it; a second /s exits 0 at once and
# leaves the first running.
start_saver
xdotool mouseup 1
xdotool mouseup 3
xdotool click 4
xdotool click 5
xdotool click 6
xdotool click 7
sleep 0.5
still_running "$SAVER" "a button release or the wheel closed the saver"
first=$("$HELPER" saver-window)
status=0
timeout 10 "$GLIMMERKIN" /s || status=$?
[ "$status" -eq 0 ] || fail "second /s: exit status $status, expected 0"
sleep 0.5
still_running "$SAVER" "a second /s closed the first"
[ "$("$HELPER" saver-window)" = "$first" ] || fail "the second /s replaced the first window"
# The window covers the monitor and hides the pointer; a system key closes too.
xdotool key alt+Tab
expect_exit 0 "alt+Tab"
[ "$("$HELPER" saver-window)" = 0 ] || fail "the saver's window outlived it"
echo "PASS"
