#!/usr/bin/env bash
# Where mate-screensaver is the session's saver (its name on the session
# bus), the idle watcher says so and how to choose Glimmerkin there, in one
# line, and exits 0 without starting anything.
#   watch_mate.sh GLIMMERKIN
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
need Xvfb mate-screensaver mate-screensaver-command dbus-run-session
export HOME=$TEST_DIR/home XDG_CONFIG_HOME=$TEST_DIR/home/.config XDG_CACHE_HOME=$TEST_DIR/home/.cache
export XDG_RUNTIME_DIR=$TEST_DIR/run NO_AT_BRIDGE=1
unset WAYLAND_DISPLAY WAYLAND_SOCKET
mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
start_xvfb 640x480x24
cat >"$TEST_DIR/session.sh" <<'SESSION'
mate-screensaver --no-daemon >"$1/daemon.log" 2>&1 &
for _ in $(seq 100); do
  mate-screensaver-command --query >/dev/null 2>&1 && break
  sleep 0.1
done
status=0
timeout 10 "$2" -watch >"$1/out" 2>&1 || status=$?
echo "$status" >"$1/status"
SESSION
setsid dbus-run-session -- bash "$TEST_DIR/session.sh" "$TEST_DIR" "$GLIMMERKIN" >"$TEST_DIR/session.log" 2>&1 &
GROUPS_STARTED+=($!)
for _ in $(seq 300); do [ -f "$TEST_DIR/status" ] && break; sleep 0.1; done
[ -f "$TEST_DIR/status" ] || fail "the session did not finish"
[ "$(cat "$TEST_DIR/status")" = 0 ] || fail "the watcher exited $(cat "$TEST_DIR/status") beside mate-screensaver: $(cat "$TEST_DIR/out")"
[ "$(wc -l <"$TEST_DIR/out")" -eq 1 ] || fail "not one line: $(cat "$TEST_DIR/out")"
grep -q "this session's screen saver is mate-screensaver; to use Glimmerkin, choose Glimmerkin" "$TEST_DIR/out" ||
  fail "the watcher said: $(cat "$TEST_DIR/out")"
echo PASS
