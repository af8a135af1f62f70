#!/usr/bin/env bash
# A saver nobody can see rests: while the X server's own screen saver
# blanks the screen, or while its window is wholly covered, it does not wake
# for frames; once seen again its frames go on from the tick they reached,
# so after N frames the screen still shows the simulator's tick N.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
HELPER=$2
SIM=$3
need Xvfb xset
start_xvfb 640x480x24
export XDG_CONFIG_HOME=$TEST_DIR/config

wakeups() { awk '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { print n }' "/proc/$1/status"; }
# rests PID WHAT: the process wakes at most 3 times in 2 s.
rests() {
  local before after
  before=$(wakeups "$1")
  sleep 2
  after=$(wakeups "$1")
  [ $(( after - before )) -le 3 ] || fail "$2: woke $(( after - before )) times in 2 s"
}
# runs PID WHAT: the process wakes for frames again (10 or more in a second).
runs() {
  local before after
  before=$(wakeups "$1")
  sleep 1
  after=$(wakeups "$1")
  [ $(( after - before )) -ge 10 ] || fail "$2: only $(( after - before )) wake-ups in 1 s"
}

"$SIM" render --seed 4 --size 640x480 --ticks 40 --out "$TEST_DIR/s.png" \
  || fail "glimmerkin-sim render failed"
# A disabled server saver (as under XScreenSaver) blanks nothing.
xset s off
"$GLIMMERKIN" /s -fixed-seed 4 -frame-limit 40 &
SAVER=$!
PIDS+=("$SAVER")
sleep 1
runs "$SAVER" "/s with the server's saver disabled"
xset s 600
runs "$SAVER" "/s before the server's saver"
xset s activate
rests "$SAVER" "/s while the server's saver blanks the screen"
xset s reset
"$HELPER" match 0 "$TEST_DIR/s.png" 60 || fail "after the rest the frame is not the simulator's tick 40"
kill "$SAVER"

"$GLIMMERKIN" -window -geometry 320x240+50+50 -fixed-seed 4 &
WINDOW=$!
PIDS+=("$WINDOW")
sleep 1
runs "$WINDOW" "-window uncovered"
make_parent 640 480
sleep 0.5
rests "$WINDOW" "-window wholly covered"
kill "$PARENT_PID"
runs "$WINDOW" "-window uncovered again"
echo PASS
