#!/usr/bin/env bash
# A frame on the screen is, pixel for pixel, the frame glimmerkin-sim renders
# for the same seed, size and tick; a preview shows its top-left part.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
HELPER=$2
SIM=$3
need Xvfb
start_xvfb 1024x768x24
export XDG_CONFIG_HOME=$TEST_DIR/config

# The full screen (/s) after 40 frames, seed 1234, the default 9 aliens.
"$SIM" render --seed 1234 --size 1024x768 --ticks 40 --out "$TEST_DIR/s.png" \
  || fail "glimmerkin-sim render failed"
"$GLIMMERKIN" /s -fixed-seed 1234 -frame-limit 40 &
SAVER=$!
PIDS+=("$SAVER")
"$HELPER" match 0 "$TEST_DIR/s.png" 60 || fail "the full-screen frame differs from the simulator's"
kill "$SAVER"

# Drawing into the root window with other settings from the command line.
"$SIM" render --seed 77 --size 1024x768 --ticks 25 --aliens 4 --out "$TEST_DIR/root.png" \
  || fail "glimmerkin-sim render failed"
"$GLIMMERKIN" -root -fixed-seed 77 -frame-limit 25 -num-aliens 4 -redraw-speed 10 &
HACK=$!
PIDS+=("$HACK")
"$HELPER" match 0 "$TEST_DIR/root.png" 60 || fail "the root window frame differs from the simulator's"
kill "$HACK"

# Settings from the file: 3 aliens, the fastest speed.
mkdir -p "$XDG_CONFIG_HOME/glimmerkin"
printf '[glimmerkin]\r\nredraw speed=10\r\nnum sprites=3\r\n' >"$XDG_CONFIG_HOME/glimmerkin/glimmerkin.i"
"$SIM" render --seed 5 --size 1024x768 --ticks 12 --aliens 3 --out "$TEST_DIR/file.png" \
  || fail "glimmerkin-sim render failed"
"$GLIMMERKIN" --root --fixed-seed 5 --frame-limit 12 &
HACK=$!
PIDS+=("$HACK")
"$HELPER" match 0 "$TEST_DIR/file.png" 60 || fail "the settings file was not used"
kill "$HACK"
rm -rf "$XDG_CONFIG_HOME"

# A dense monitor (1024 pixels on 130 mm, 200 dpi): a hack on the root
# window draws at pixel size 2, the simulator's --pixel-size 2 frame.
need xrandr
xrandr --setmonitor DENSE 1024/130x768/98+0+0 screen >/dev/null 2>&1 || fail "xrandr --setmonitor failed"
"$SIM" render --seed 77 --size 1024x768 --ticks 6 --pixel-size 2 --out "$TEST_DIR/dense.png" \
  || fail "glimmerkin-sim render failed"
"$GLIMMERKIN" -root -fixed-seed 77 -frame-limit 6 &
HACK=$!
PIDS+=("$HACK")
"$HELPER" match 0 "$TEST_DIR/dense.png" 60 || fail "the dense monitor's frame is not at pixel size 2"
kill "$HACK"
xrandr --delmonitor DENSE >/dev/null 2>&1 || fail "xrandr --delmonitor failed"

# A preview shows the top-left of the full-screen frame.
PARENT_OUT=$TEST_DIR/parent.txt
"$HELPER" parent 320 200 >"$PARENT_OUT" &
PIDS+=($!)
for _ in $(seq 100); do [ -s "$PARENT_OUT" ] && break; sleep 0.05; done
PARENT=$(cat "$PARENT_OUT")
[ -n "$PARENT" ] || fail "no parent window"
"$SIM" render --seed 99 --size 1024x768 --ticks 30 --out "$TEST_DIR/preview.png" \
  || fail "glimmerkin-sim render failed"
"$GLIMMERKIN" /p "$PARENT" -fixed-seed 99 -frame-limit 30 &
PREVIEW=$!
PIDS+=("$PREVIEW")
CHILD=$("$HELPER" wait-child "$PARENT" 20) || fail "no preview window"
"$HELPER" match "$CHILD" "$TEST_DIR/preview.png" 60 || fail "the preview differs from the frame's top-left"
kill "$PREVIEW"

# Two monitors, the primary on the left, the pointer on the right: /s covers
# both; the primary shows the seed's scene of its size, the other a scene of
# its own seeded with the seed + 0x9E3779B9; a key ends it.
need xdotool convert xrandr
start_xvfb 1600x600x24
"$HELPER" split-monitors >/dev/null
"$SIM" render --seed 4 --size 800x600 --ticks 10 --out "$TEST_DIR/left.png" \
  || fail "glimmerkin-sim render failed"
"$SIM" render --seed $(( (4 + 0x9E3779B9) % 4294967296 )) --size 800x600 --ticks 10 \
  --out "$TEST_DIR/right.png" || fail "glimmerkin-sim render failed"
convert "$TEST_DIR/left.png" "$TEST_DIR/right.png" +append "PNG24:$TEST_DIR/both.png"
xdotool mousemove 1000 300
"$GLIMMERKIN" /s -fixed-seed 4 -frame-limit 10 &
SAVER=$!
PIDS+=("$SAVER")
WINDOW=$("$HELPER" wait-saver 20 | cut -d' ' -f1) || fail "no full-screen window"
geometry=$("$HELPER" geometry "$WINDOW")
[ "$geometry" = "1600x600+0+0" ] || fail "the saver covers $geometry, not both monitors 1600x600+0+0"
"$HELPER" match "$WINDOW" "$TEST_DIR/both.png" 60 || fail "the two monitors' frames differ"
cmp -s "$TEST_DIR/left.png" "$TEST_DIR/right.png" && fail "both monitors show the same scene"
# The screen changes while it runs (RandR tells of it): a 1200x600 screen
# with no monitors listed, then one monitor of 1600x600; each layout gets
# its scenes anew, and the window covers it.
"$SIM" render --seed 4 --size 1200x600 --ticks 10 --out "$TEST_DIR/narrow.png" \
  || fail "glimmerkin-sim render failed"
"$HELPER" join-monitors
# Xvfb turns its only output off for a smaller screen (xrandr says so, and fails).
xrandr --fb 1200x600 >/dev/null 2>&1 || true
"$HELPER" match "$WINDOW" "$TEST_DIR/narrow.png" 60 || fail "1200x600: not the seed's scene of that size"
geometry=$("$HELPER" geometry "$WINDOW")
[ "$geometry" = "1200x600+0+0" ] || fail "after the change the saver covers $geometry, not 1200x600+0+0"
"$SIM" render --seed 4 --size 1600x600 --ticks 10 --out "$TEST_DIR/wide.png" \
  || fail "glimmerkin-sim render failed"
xrandr --fb 1600x600 --output screen --mode 1600x600 >/dev/null 2>&1 || fail "xrandr could not widen the screen"
"$HELPER" match "$WINDOW" "$TEST_DIR/wide.png" 60 || fail "1600x600 again: not the seed's scene of that size"
still_running "$SAVER" "a change of monitors ended the saver"
xdotool key x
status=0
wait_exit "$SAVER" 10 || status=$?
[ "$status" -eq 0 ] || fail "a key on the right monitor: exit status $status, expected 0"
echo PASS
