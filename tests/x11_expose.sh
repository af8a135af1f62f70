#!/usr/bin/env bash
# After -frame-limit has stopped the frames, a window that another window
# covered shows its last frame again, pixel for pixel, once uncovered; one
# resized shows its stage at the new size.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
HELPER=$2
SIM=$3
need Xvfb xdotool
start_xvfb 800x600x24
export XDG_CONFIG_HOME=$TEST_DIR/config

# cover_and_uncover WHAT WINDOW EXPECTED.png: WINDOW shows the picture; a
# window over part of it changes what it shows; once that window has gone,
# WINDOW shows the picture again.
cover_and_uncover() {
  local what=$1 window=$2 expected=$3
  "$HELPER" match "$window" "$expected" 60 >/dev/null || fail "$what: not the simulator's frame"
  make_parent 300 200
  "$HELPER" match "$window" "$expected" 0.2 >/dev/null && fail "$what: the covering window did not show"
  kill "$PARENT_PID"
  wait "$PARENT_PID" 2>/dev/null
  "$HELPER" match "$window" "$expected" 5 || fail "$what: the uncovered part does not show the last frame"
}

# The full screen.
"$SIM" render --seed 31 --size 800x600 --ticks 15 --out "$TEST_DIR/s.png" \
  || fail "glimmerkin-sim render failed"
"$GLIMMERKIN" /s -fixed-seed 31 -frame-limit 15 &
SAVER=$!
PIDS+=("$SAVER")
WINDOW=$("$HELPER" wait-saver 20 | cut -d' ' -f1) || fail "no full-screen window"
cover_and_uncover "/s" "$WINDOW" "$TEST_DIR/s.png"
kill "$SAVER"
wait_exit "$SAVER" 10 || true

# A try-out window drawn at pixel size 2.
"$SIM" render --seed 32 --size 500x400 --ticks 9 --pixel-size 2 --out "$TEST_DIR/window.png" \
  || fail "glimmerkin-sim render failed"
"$GLIMMERKIN" -window -geometry 500x400+0+0 -pixel-size 2 -fixed-seed 32 -frame-limit 9 &
TRY=$!
PIDS+=("$TRY")
WINDOW=
for _ in $(seq 200); do
  WINDOW=$(xdotool search --name '^Glimmerkin$' 2>/dev/null | head -n 1) && [ -n "$WINDOW" ] && break
  sleep 0.05
done
[ -n "$WINDOW" ] || fail "-window: no window titled Glimmerkin"
cover_and_uncover "-window" "$WINDOW" "$TEST_DIR/window.png"
# Resized with its frames stopped, the window shows its stage at the new
# size: the ground, composed anew, until a frame would draw the aliens.
"$SIM" render --seed 32 --size 400x300 --ticks 1 --pixel-size 2 --aliens 0 \
  --out "$TEST_DIR/ground.png" || fail "glimmerkin-sim render failed"
xdotool windowsize "$WINDOW" 400 300 || fail "xdotool could not resize the window"
"$HELPER" match "$WINDOW" "$TEST_DIR/ground.png" 5 || fail "-window: resized, it does not show its ground"
echo PASS
