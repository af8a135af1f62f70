#!/usr/bin/env bash
# Displays other than 24-bit TrueColor: 16-bit TrueColor is converted, a
# colour-mapped 8-bit display is refused with a message, and a server
# without MIT-SHM gets plain images.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
HELPER=$2
SIM=$3
need Xvfb
export XDG_CONFIG_HOME=$TEST_DIR/config
"$SIM" render --seed 8 --size 640x480 --ticks 6 --out "$TEST_DIR/expected.png" \
  || fail "glimmerkin-sim render failed"

start_xvfb 640x480x16
"$GLIMMERKIN" -root -fixed-seed 8 -frame-limit 6 &
HACK=$!
PIDS+=("$HACK")
"$HELPER" match 0 "$TEST_DIR/expected.png" 60 || fail "16-bit: the frame differs"
kill "$HACK"

start_xvfb 640x480x24 -extension MIT-SHM
"$GLIMMERKIN" -root -fixed-seed 8 -frame-limit 6 &
HACK=$!
PIDS+=("$HACK")
"$HELPER" match 0 "$TEST_DIR/expected.png" 60 || fail "without MIT-SHM: the frame differs"
kill "$HACK"

start_xvfb 640x480x8
status=0
message=$(timeout 10 "$GLIMMERKIN" -root 2>&1) || status=$?
[ "$status" -eq 1 ] || fail "8-bit: exit status $status, expected 1"
printf '%s\n' "$message" | grep -q "TrueColor" || fail "8-bit: no message ($message)"
echo PASS
