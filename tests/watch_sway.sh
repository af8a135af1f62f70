#!/usr/bin/env bash
# The idle watcher on headless sway 1.7, whose idle notice is KDE's
# org_kde_kwin_idle: idle for the delay brings /s up (the simulator's frame),
# a key ends it, and the watcher waits again, unwoken; SIGTERM leaves nothing;
# with Lock When Ended the lock is asked for before the saver goes.
#   watch_sway.sh GLIMMERKIN HELPER SIM STANDIN
source "$(dirname "$0")/wayland_lib.sh"
source "$(dirname "$0")/watch_lib.sh"
start_sway 640x480
mkdir -p "$XDG_CONFIG_HOME"
write_watch_settings 2
chown -R "$USER_ID:$USER_ID" "$XDG_CONFIG_HOME"
render 21 640x480 20 "$TEST_DIR/expected.png"
WATCH_AS=("${AS_USER[@]}")
measure_resting 2

start_watcher -fixed-seed 21 -frame-limit 20
head -n 1 "$TEST_DIR/watch.log" | grep -q "watching org_kde_kwin_idle on the Wayland display wayland-1" ||
  fail "the first line does not name the idle source: $(head -n 1 "$TEST_DIR/watch.log")"
wait_saver_count 1 10 || { cat "$TEST_DIR/watch.log" >&2; fail "no saver after the delay"; }
expect_frame HEADLESS-1 "$TEST_DIR/expected.png" 10 "the watcher's saver on sway"

as_user wtype x
wait_saver_count 0 5 || fail "a key did not end the saver"
still_running "$WATCHER" "the watcher ended with the saver"
# Waiting again; a key before the delay keeps the saver away, unwoken.
sleep 0.3
shot HEADLESS-1 "$TEST_DIR/desktop.ppm" || fail "grim failed"
as_user wtype y
idle_at=$(( $(date +%s%N) / 1000000 + 2000 ))
check_resting "$WATCHER" 1
[ -z "$(saver_pids)" ] || fail "a saver came before the delay"
capture() { shot HEADLESS-1 "$1"; }
first_frame "$idle_at" capture "$TEST_DIR/desktop.ppm" sway

stop_watcher "with the saver showing"

# Lock When Ended: the key that ends the saver asks logind (a stand-in on a
# system bus of the test's own, answering after 800 ms) for the lock, and
# the saver still covers the output 200 ms later, waiting for the answer.
STANDIN=$(copy_program "$4")
"${AS_USER[@]}" dbus-daemon --session --address="unix:path=$TEST_DIR/system_bus" --nofork --nopidfile &
PIDS+=($!)
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$TEST_DIR/system_bus
for _ in $(seq 50); do [ -S "$TEST_DIR/system_bus" ] && break; sleep 0.1; done
mkfifo "$TEST_DIR/system.cmd"
"${AS_USER[@]}" env STANDIN_LOCK_DELAY_MS=800 "$STANDIN" system <"$TEST_DIR/system.cmd" \
  >"$TEST_DIR/standin.out" 2>&1 &
PIDS+=($!)
exec 7>"$TEST_DIR/system.cmd"
for _ in $(seq 100); do grep -q ready "$TEST_DIR/standin.out" && break; sleep 0.05; done
grep -q ready "$TEST_DIR/standin.out" || fail "the stand-in did not come up: $(cat "$TEST_DIR/standin.out")"
write_watch_settings 2 1
as_user wtype a
start_watcher
wait_saver_count 1 10 || fail "no saver with Lock When Ended"
sleep 0.5
# wtype brings a new keyboard: its keymap reaches the saver before the key.
as_user wtype -s 100 x
sleep 0.2
grep -q lock-asked "$TEST_DIR/standin.out" || fail "no lock asked for 200 ms after the key"
shot HEADLESS-1 "$TEST_DIR/now.ppm" || fail "grim failed"
[ "$(compare -metric AE "$TEST_DIR/now.ppm" "$TEST_DIR/desktop.ppm" null: 2>&1)" != 0 ] ||
  fail "the saver went before the lock was answered"
wait_saver_count 0 5 || fail "the saver did not end after the lock"
stop_watcher "with Lock When Ended"
exec 7>&-
echo PASS
