#!/usr/bin/env bash
# Glimmerkin as a hack of the real XScreenSaver daemon: an unprivileged user
# (the daemon launches no hacks for root) with its own ~/.xscreensaver naming
# Glimmerkin; `xscreensaver-command -activate`; the screen then shows the
# scene, pixel for pixel the simulator's frame for the same seed and tick.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
HELPER=$2
SIM=$3
need Xvfb xscreensaver xscreensaver-command
add_test_user gkxss$$
mkdir -p "$TEST_DIR/bin"
install -m 755 "$GLIMMERKIN" "$TEST_DIR/bin/glimmerkin"

cat >"$HOME_DIR/.xscreensaver" <<CONFIG
timeout:	1:00:00
cycle:		0
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
mode:		one
selected:	0
programs:	"Glimmerkin" $TEST_DIR/bin/glimmerkin --root -fixed-seed 31 -frame-limit 15 \n
CONFIG
chown -R "$USER_NAME" "$HOME_DIR"

start_xvfb 1024x768x24 -ac
"$SIM" render --seed 31 --size 1024x768 --ticks 15 --out "$TEST_DIR/expected.png" \
  || fail "glimmerkin-sim render failed"

as_user() {
  runuser -u "$USER_NAME" -- env -i HOME="$HOME_DIR" USER="$USER_NAME" LOGNAME="$USER_NAME" \
    PATH=/usr/bin:/bin DISPLAY="$DISPLAY" XDG_CONFIG_HOME="$HOME_DIR/.config" "$@"
}

start_xscreensaver -verbose

as_user xscreensaver-command -activate >/dev/null 2>&1 || fail "xscreensaver-command -activate failed"
if ! "$HELPER" match 0 "$TEST_DIR/expected.png" 60; then
  "$HELPER" snap 0 "$TEST_DIR/shown.png" && cp "$TEST_DIR/shown.png" ./x11_xscreensaver_shown.png
  cat "$TEST_DIR/daemon.log" >&2
  fail "the screen under XScreenSaver does not show Glimmerkin's frame"
fi
"$HELPER" snap 0 ./x11_xscreensaver.png || true
pgrep -u "$USER_NAME" -f "$TEST_DIR/bin/glimmerkin" >/dev/null || fail "no glimmerkin process of the user"
as_user xscreensaver-command -exit >/dev/null 2>&1 || true
echo PASS
