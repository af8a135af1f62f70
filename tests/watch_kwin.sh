#!/usr/bin/env bash
# The idle watcher on KWin (ext-idle-notify-v1): idle for the delay brings
# /s up, the simulator's frame in the output window; a key ends it; while a
# client holds an idle inhibitor no saver comes, and once it lets go the
# saver comes after the delay; the same for an inhibition held by Plasma's
# power management (a stand-in).
#   watch_kwin.sh GLIMMERKIN HELPER SIM INHIBITOR STANDIN
source "$(dirname "$0")/x11_lib.sh"
source "$(dirname "$0")/watch_lib.sh"
GLIMMERKIN=$1
HELPER=$2
SIM=$3
INHIBITOR=$4
STANDIN=$5
need Xvfb kwin_wayland dbus-run-session dbus-daemon xdotool xwininfo compare
export HOME=$TEST_DIR/home XDG_CONFIG_HOME=$TEST_DIR/home/.config XDG_RUNTIME_DIR=$TEST_DIR/run
mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
source "$(dirname "$0")/kwin_lib.sh"
write_watch_settings 2
"$SIM" render --seed 8 --size 800x600 --ticks 12 --out "$TEST_DIR/expected.png" ||
  fail "glimmerkin-sim render failed"
start_kwin 1
export WAYLAND_DISPLAY=$KWIN_SOCKET
measure_resting 2

start_watcher -fixed-seed 8 -frame-limit 12
head -n 1 "$TEST_DIR/watch.log" | grep -q "watching ext-idle-notify-v1 on the Wayland display $KWIN_SOCKET" ||
  fail "the first line does not name the idle source: $(head -n 1 "$TEST_DIR/watch.log")"
wait_saver_count 1 10 || { cat "$TEST_DIR/watch.log" >&2; fail "no saver after the delay"; }
"$HELPER" match "${OUTPUT_WINDOWS[0]}" "$TEST_DIR/expected.png" 20 >/dev/null ||
  fail "the watcher's saver on KWin differs from the simulator's frame"
xdotool key --window "${OUTPUT_WINDOWS[0]}" x
wait_saver_count 0 5 || fail "a key through KWin did not end the saver"
still_running "$WATCHER" "the watcher ended with the saver"
check_resting "$WATCHER" 1

# Back to waiting: a key, then the idle moment to the first frame.
capture() { "$HELPER" snap "${OUTPUT_WINDOWS[0]}" "$1"; }
capture "$TEST_DIR/desktop.png" || fail "cannot capture the output"
xdotool key --window "${OUTPUT_WINDOWS[0]}" z
idle_at=$(( $(date +%s%N) / 1000000 + 2000 ))
first_frame "$idle_at" capture "$TEST_DIR/desktop.png" KWin
xdotool key --window "${OUTPUT_WINDOWS[0]}" x
wait_saver_count 0 5 || fail "a key through KWin did not end the second saver"

# An inhibitor (a video playing): three delays pass without a saver.
xdotool key --window "${OUTPUT_WINDOWS[0]}" y
"$INHIBITOR" >"$TEST_DIR/inhibitor.out" 2>&1 &
inhibitor=$!
PIDS+=("$inhibitor")
for _ in $(seq 100); do grep -q inhibiting "$TEST_DIR/inhibitor.out" && break; sleep 0.05; done
grep -q inhibiting "$TEST_DIR/inhibitor.out" || fail "the inhibitor did not come up: $(cat "$TEST_DIR/inhibitor.out")"
sleep 6
[ -z "$(saver_pids)" ] || fail "a saver started while a client held an idle inhibitor"
kill "$inhibitor"
wait_saver_count 1 10 || fail "no saver after the inhibitor let go"

# An inhibitor through org.freedesktop.ScreenSaver reaches Plasma's power
# management, not KWin: a stand-in for it on a session bus of the test's own.
xdotool key --window "${OUTPUT_WINDOWS[0]}" x
wait_saver_count 0 5 || fail "a key through KWin did not end the saver"
stop_watcher "before Plasma's inhibitor"
dbus-daemon --session --address="unix:path=$TEST_DIR/session_bus" --nofork --nopidfile &
PIDS+=($!)
export DBUS_SESSION_BUS_ADDRESS=unix:path=$TEST_DIR/session_bus
for _ in $(seq 50); do [ -S "$TEST_DIR/session_bus" ] && break; sleep 0.1; done
mkfifo "$TEST_DIR/session.cmd"
"$STANDIN" session <"$TEST_DIR/session.cmd" >"$TEST_DIR/standin.out" 2>&1 &
PIDS+=($!)
exec 7>"$TEST_DIR/session.cmd"
for _ in $(seq 100); do grep -q ready "$TEST_DIR/standin.out" && break; sleep 0.05; done
grep -q ready "$TEST_DIR/standin.out" || fail "the stand-in did not come up: $(cat "$TEST_DIR/standin.out")"
start_watcher
echo kde-inhibit >&7
sleep 4.5
[ -z "$(saver_pids)" ] || fail "a saver started while Plasma's power management held an inhibition"
echo kde-uninhibit >&7
wait_saver_count 1 5 || fail "no saver once Plasma's inhibition went"
exec 7>&-

stop_watcher "with the saver showing"
echo PASS
