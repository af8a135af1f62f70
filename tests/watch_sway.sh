#!/usr/bin/env bash
# The idle watcher on headless sway 1.7, whose idle notice is KDE's
# org_kde_kwin_idle: idle for the delay brings /s up (the simulator's frame),
# a key ends it, and the watcher waits again, unwoken; SIGTERM leaves nothing.
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
echo PASS
