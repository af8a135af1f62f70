#!/usr/bin/env bash
# Where XScreenSaver's daemon already runs the session's screen saver, the
# idle watcher says so, tells how to choose Glimmerkin there, and exits 0
# without starting anything.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
need Xvfb xscreensaver xscreensaver-command
add_test_user gkwxs$$
printf 'timeout:\t1:00:00\nlock:\t\tFalse\nsplash:\t\tFalse\ndpmsEnabled:\tFalse\nmode:\t\tblank\n' \
  >"$HOME_DIR/.xscreensaver"
chown -R "$USER_NAME" "$HOME_DIR"
start_xvfb 640x480x24 -ac
as_user() {
  runuser -u "$USER_NAME" -- env -i HOME="$HOME_DIR" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" "$@"
}
start_xscreensaver

export XDG_CONFIG_HOME=$TEST_DIR/config XDG_RUNTIME_DIR=$TEST_DIR/run
mkdir -m 0700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY WAYLAND_SOCKET
"$GLIMMERKIN" -watch >"$TEST_DIR/out.log" 2>&1 &
watcher=$!
PIDS+=("$watcher")
status=0
wait_exit "$watcher" 10 || status=$?
[ "$status" -eq 0 ] || fail "the watcher exited $status beside XScreenSaver"
[ "$(wc -l <"$TEST_DIR/out.log")" -eq 1 ] || fail "more than one line: $(cat "$TEST_DIR/out.log")"
grep -q "screen saver is XScreenSaver; to use Glimmerkin, choose Glimmerkin in xscreensaver-settings" \
  "$TEST_DIR/out.log" || fail "the watcher said: $(cat "$TEST_DIR/out.log")"
echo PASS
