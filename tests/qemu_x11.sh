#!/usr/bin/env bash
# The saver built for another architecture, under qemu-user on this
# machine's Xvfb: full screen and as a hack in the root window it shows the
# simulator's frame pixel for pixel.
#   qemu_x11.sh QEMU CROSS_GLIMMERKIN HELPER SIM
source "$(dirname "$0")/x11_lib.sh"
QEMU=$1
CROSS=$2
HELPER=$3
SIM=$4
[ -x "$QEMU" ] || { echo "SKIP: $QEMU is not installed"; exit $SKIP; }
[ -x "$CROSS" ] || fail "no cross-built saver at $CROSS"
need Xvfb
# ends_within PID SECONDS STATUS WHAT: the process ends in time with that status.
ends_within() { local s=0; wait_exit "$1" "$2" || s=$?; [ "$s" -eq "$3" ] || fail "$4: exit status $s"; }
start_xvfb 800x600x24
export XDG_CONFIG_HOME=$TEST_DIR/config

"$SIM" render --seed 1234 --size 800x600 --ticks 30 --out "$TEST_DIR/s.png" || fail "glimmerkin-sim render failed"
"$QEMU" -L / "$CROSS" /s -fixed-seed 1234 -frame-limit 30 &
SAVER=$!
PIDS+=("$SAVER")
# qemu starts slowly: a generous but bounded wait.
"$HELPER" match 0 "$TEST_DIR/s.png" 60 || fail "the emulated full-screen frame differs from the simulator's"
kill "$SAVER"
ends_within "$SAVER" 10 0 "SIGTERM to the emulated /s"

"$SIM" render --seed 8 --size 800x600 --ticks 12 --aliens 25 --out "$TEST_DIR/root.png" ||
  fail "glimmerkin-sim render failed"
"$QEMU" -L / "$CROSS" -root -fixed-seed 8 -frame-limit 12 -num-aliens 25 &
HACK=$!
PIDS+=("$HACK")
"$HELPER" match 0 "$TEST_DIR/root.png" 60 || fail "the emulated hack's frame differs from the simulator's"
kill "$HACK"
ends_within "$HACK" 10 0 "SIGTERM to the emulated hack"
echo PASS
