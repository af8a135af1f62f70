#!/usr/bin/env bash
# XScreenSaver's ways of naming the window: -window-id (decimal or 0x hex),
# XSCREENSAVER_WINDOW, -root; and -window for trying it out.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
HELPER=$2
SIM=$3
need Xvfb xdotool
start_xvfb 640x480x24
export XDG_CONFIG_HOME=$TEST_DIR/config
# A window smaller than the monitor (as XScreenSaver's settings preview is)
# gets a stage of its own size; the root window shows the monitor's scene.
"$SIM" render --seed 21 --size 400x300 --ticks 8 --out "$TEST_DIR/expected.png" \
  || fail "glimmerkin-sim render failed"
"$SIM" render --seed 21 --size 640x480 --ticks 8 --out "$TEST_DIR/root.png" \
  || fail "glimmerkin-sim render failed"

# run_into WHAT COMMAND...: the hack draws the expected frame into the window
# PARENT, input does not end it, and it ends with 0 when the window goes.
run_into() {
  local what=$1
  shift
  "$@" -fixed-seed 21 -frame-limit 8 &
  local hack=$!
  PIDS+=("$hack")
  "$HELPER" match "$PARENT" "$TEST_DIR/expected.png" 60 || fail "$what: the window does not show the frame"
  xdotool mousemove 30 30 mousemove 300 200 click 1 key x
  sleep 0.3
  still_running "$hack" "$what: input ended the hack"
  kill "$PARENT_PID"
  local status=0
  wait_exit "$hack" 10 || status=$?
  [ "$status" -eq 0 ] || fail "$what: exit status $status after the window went away"
}

# tryout_window: the id of the window titled Glimmerkin, once there is one.
tryout_window() {
  local win=""
  for _ in $(seq 200); do
    win=$(xdotool search --name '^Glimmerkin$' 2>/dev/null | head -n 1) && [ -n "$win" ] && break
    sleep 0.05
  done
  echo "$win"
}

make_parent 400 300
run_into "-window-id decimal" "$GLIMMERKIN" -window-id "$PARENT"
make_parent 400 300
run_into "--window-id hex" "$GLIMMERKIN" --window-id "$(printf '0x%x' "$PARENT")"
make_parent 400 300
run_into "XSCREENSAVER_WINDOW" env XSCREENSAVER_WINDOW="$PARENT" "$GLIMMERKIN"
make_parent 400 300
run_into "--root with XSCREENSAVER_WINDOW" env XSCREENSAVER_WINDOW="$(printf '0x%x' "$PARENT")" "$GLIMMERKIN" --root

# -root alone draws into the root window; it runs until it is ended.
"$GLIMMERKIN" -root -fixed-seed 21 -frame-limit 8 &
HACK=$!
PIDS+=("$HACK")
"$HELPER" match 0 "$TEST_DIR/root.png" 60 || fail "-root: the root window does not show the frame"
kill -TERM "$HACK"
wait_exit "$HACK" 10 || true

# -window opens a window of its own, closed by the window manager's request
# or by q.
"$GLIMMERKIN" -window &
TRY=$!
PIDS+=("$TRY")
WIN=$(tryout_window)
[ -n "$WIN" ] || fail "-window: no window titled Glimmerkin"
xdotool mousemove 100 100 click 1
sleep 0.3
still_running "$TRY" "-window: a click closed it"
xdotool key --window "$WIN" q
status=0
wait_exit "$TRY" 10 || status=$?
[ "$status" -eq 0 ] || fail "-window: exit status $status after q"

# The try-out window is as large as -geometry asks, placed where it asks,
# and shows the scene of its own size.
"$GLIMMERKIN" -window -geometry 400x300+20+30 -fixed-seed 21 -frame-limit 8 &
TRY=$!
PIDS+=("$TRY")
WIN=$(tryout_window)
[ -n "$WIN" ] || fail "-window -geometry: no window titled Glimmerkin"
geometry=$("$HELPER" geometry "$WIN")
[ "$geometry" = "400x300+20+30" ] || fail "-geometry 400x300+20+30 gave a window of $geometry"
"$HELPER" match "$WIN" "$TEST_DIR/expected.png" 60 || fail "-window: not the scene of its own size"
kill "$TRY"
wait_exit "$TRY" 10 || true

# Resized, the window's stage follows: the ground is composed anew at the
# new size, so all but the aliens (under a sixth of the pixels) matches the
# simulator's 600x400 frame; a stage left at 300x200 would differ in 3/4.
need compare
"$SIM" render --seed 21 --size 600x400 --ticks 1 --out "$TEST_DIR/ground.png" \
  || fail "glimmerkin-sim render failed"
"$GLIMMERKIN" -window -geometry 300x200 -fixed-seed 21 &
TRY=$!
PIDS+=("$TRY")
WIN=$(tryout_window)
[ -n "$WIN" ] || fail "-window resized: no window titled Glimmerkin"
sleep 0.3
xdotool windowsize "$WIN" 600 400
for _ in $(seq 100); do
  [ "$("$HELPER" geometry "$WIN" | cut -d+ -f1)" = "600x400" ] && break
  sleep 0.05
done
sleep 0.5
"$HELPER" snap "$WIN" "$TEST_DIR/resized.png" || fail "no snapshot of the resized window"
differ=$(compare -metric AE "$TEST_DIR/resized.png" "$TEST_DIR/ground.png" null: 2>&1 || true)
[ "${differ%%.*}" -lt 36000 ] 2>/dev/null || fail "resized to 600x400: $differ of 240000 pixels differ from the ground"
still_running "$TRY" "-window: resizing ended it"
kill "$TRY"
wait_exit "$TRY" 10 || true

# Malformed window ids are usage errors (2); a well-formed id that names no
# window gives -1 (255); nothing drawn either way.
for args in "-window-id 0" "-window-id junk" "-window-id" "-window-id 12 /s"; do
  status=0
  # shellcheck disable=SC2086
  timeout 10 "$GLIMMERKIN" $args 2>/dev/null || status=$?
  [ "$status" -eq 2 ] || fail "'$args': exit status $status, expected 2"
done
status=0
timeout 10 "$GLIMMERKIN" -window-id 0x7fffffff 2>/dev/null || status=$?
[ "$status" -eq 255 ] || fail "'-window-id 0x7fffffff': exit status $status, expected 255"
for value in junk 0 0x7fffffff; do
  status=0
  XSCREENSAVER_WINDOW=$value timeout 10 "$GLIMMERKIN" 2>/dev/null || status=$?
  [ "$status" -eq 255 ] || fail "XSCREENSAVER_WINDOW=$value: exit status $status, expected 255"
done
echo PASS
