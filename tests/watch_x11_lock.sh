#!/usr/bin/env bash
# "Lock When Ended": a key ends the watcher's saver, and the session's lock
# (logind's, a stand-in on a system bus of the test's own that answers only
# after 800 ms) is asked for while the saver still covers the screen; the
# saver goes after that. Without the setting no lock is asked for.
#   watch_x11_lock.sh GLIMMERKIN HELPER STANDIN
source "$(dirname "$0")/x11_lib.sh"
source "$(dirname "$0")/watch_lib.sh"
GLIMMERKIN=$1
HELPER=$2
STANDIN=$3
need Xvfb xdotool dbus-daemon
export XDG_CONFIG_HOME=$TEST_DIR/config XDG_RUNTIME_DIR=$TEST_DIR/run
mkdir -m 0700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY WAYLAND_SOCKET XDG_SESSION_ID DBUS_SESSION_BUS_ADDRESS
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$TEST_DIR/system_bus
dbus-daemon --session --address="$DBUS_SYSTEM_BUS_ADDRESS" --nofork --nopidfile &
PIDS+=($!)
for _ in $(seq 50); do [ -S "$TEST_DIR/system_bus" ] && break; sleep 0.1; done
mkfifo "$TEST_DIR/system.cmd"
STANDIN_LOCK_DELAY_MS=800 "$STANDIN" system <"$TEST_DIR/system.cmd" >"$TEST_DIR/standin.out" 2>&1 &
PIDS+=($!)
exec 7>"$TEST_DIR/system.cmd"
for _ in $(seq 100); do grep -q ready "$TEST_DIR/standin.out" && break; sleep 0.05; done
grep -q ready "$TEST_DIR/standin.out" || fail "the stand-in did not come up: $(cat "$TEST_DIR/standin.out")"
start_xvfb 640x480x24

# Off: a key ends the saver and nothing is locked.
write_watch_settings 2 0
xdotool mousemove 10 10
start_watcher
"$HELPER" wait-saver 10 >/dev/null || fail "no saver after the delay"
xdotool key x
wait_saver_count 0 5 || fail "a key did not end the saver"
sleep 0.5
grep -q lock-asked "$TEST_DIR/standin.out" && fail "the session was locked with Lock When Ended off"
stop_watcher "with Lock When Ended off"

# On: the lock is asked for first, and the saver's window still covers the
# screen 300 ms later, the saver waiting for the answer.
write_watch_settings 2 1
xdotool mousemove 20 20
start_watcher
"$HELPER" wait-saver 10 >/dev/null || fail "no saver with Lock When Ended"
xdotool key x
sleep 0.3
grep -q lock-asked "$TEST_DIR/standin.out" || fail "no lock asked for 300 ms after the key"
[ "$("$HELPER" saver-window)" != 0 ] || fail "the saver's window went before the lock was answered"
wait_saver_count 0 5 || fail "the saver did not end after the lock"
still_running "$WATCHER" "the watcher ended with the saver"
stop_watcher "with Lock When Ended on"
exec 7>&-
echo PASS
