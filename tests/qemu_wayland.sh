#!/usr/bin/env bash
# The saver built for another architecture, under qemu-user, on this
# machine's headless sway: /s shows the simulator's frame pixel for pixel.
#   qemu_wayland.sh QEMU CROSS_GLIMMERKIN WAYLAND_HELPER SIM
QEMU=$1
[ -x "$QEMU" ] || { echo "SKIP: $QEMU is not installed"; exit 77; }
shift
source "$(dirname "$0")/wayland_lib.sh"
# The copied program, run through the emulator by a wrapper the
# unprivileged user may run (exec keeps the pid).
CROSS=$GLIMMERKIN
GLIMMERKIN=$TEST_DIR/glimmerkin-emulated
printf '#!/bin/sh\nexec %s -L / %s "$@"\n' "$QEMU" "$CROSS" >"$GLIMMERKIN"
chmod 0755 "$GLIMMERKIN"
chown "$USER_ID:$USER_ID" "$GLIMMERKIN"

start_sway 800x600
render 1234 800x600 30 "$TEST_DIR/s.png"
start_saver /s -fixed-seed 1234 -frame-limit 30
expect_frame HEADLESS-1 "$TEST_DIR/s.png" 60 "the emulated /s frame differs from the simulator's"
as_user wtype -s 100 x
ends_within "$SAVER" 10 0 "a key under emulation"
grep -v '^\[' "$TEST_DIR/saver.log" && fail "the emulated saver wrote messages"
echo PASS
