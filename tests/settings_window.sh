#!/usr/bin/env bash
# The settings window on a private Xvfb, driven by keys as a user drives it:
# its preview is the simulator's frame, a save changes what the saver then
# shows and keeps every foreign line, a damaged file and a read-only folder
# are told and lose nothing, the window leaves no process behind, and while
# it is hidden the preview rests.
#   settings_window.sh SETTINGS GLIMMERKIN HELPER SIM
# GLIMMERKIN_SCREENSHOTS=DIR keeps screenshots of the window there.
source "$(dirname "$0")/x11_lib.sh"
SETTINGS=$1
GLIMMERKIN=$2
HELPER=$3
SIM=$4
source "$(dirname "$0")/settings_lib.sh"
need Xvfb xdotool setpriv xprop
start_xvfb 1280x1000x24
export GDK_BACKEND=x11
grab_screen() { import -window root -depth 8 "$1"; }
export HOME=$TEST_DIR/home XDG_CONFIG_HOME=$TEST_DIR/home/config XDG_CACHE_HOME=$TEST_DIR/home/cache
mkdir -p "$HOME"
CONF=$XDG_CONFIG_HOME/glimmerkin/glimmerkin.i

shot() {
  [ -n "${GLIMMERKIN_SCREENSHOTS:-}" ] || return 0
  mkdir -p "$GLIMMERKIN_SCREENSHOTS"
  import -window root "$GLIMMERKIN_SCREENSHOTS/$1.png"
}

# start_window [ARGS...]: the window (run by $RUN_AS when set), shown and
# focused; its pid in WINDOW_PID.
RUN_AS=()
start_window() {
  "${RUN_AS[@]}" "$SETTINGS" "$@" >"$TEST_DIR/window.log" 2>&1 &
  WINDOW_PID=$!
  PIDS+=("$WINDOW_PID")
  WINDOW_ID=
  for _ in $(seq 200); do
    WINDOW_ID=$(xdotool search --onlyvisible --name '^Glimmerkin$' 2>/dev/null | head -1)
    [ -n "$WINDOW_ID" ] && break
    still_running "$WINDOW_PID" "the settings window ended before it was shown"
    sleep 0.05
  done
  [ -n "$WINDOW_ID" ] || fail "the settings window was not shown within 10 s"
  xdotool windowfocus --sync "$WINDOW_ID"
  sleep 0.3
}

# keys KEY...: each key, with a moment for the window to take it.
keys() {
  local key
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.15
  done
}

# close_window: Ctrl+W ends the program, and nothing it started is left.
close_window() {
  xdotool windowfocus --sync "$WINDOW_ID" 2>/dev/null || true
  keys ctrl+w
  window_ended
  ! pgrep -u "$(id -u)" -f '^[^ ]*dbus-daemon .*--autolaunch' >/dev/null ||
    fail "the window started a session bus"
}

# wait_log TEXT: the window's error output says TEXT within 5 s.
wait_log() {
  for _ in $(seq 100); do
    grep -qF "$1" "$TEST_DIR/window.log" && return 0
    sleep 0.05
  done
  cat "$TEST_DIR/window.log" >&2
  fail "the window did not say: $1"
}

# ---- The preview is the shared frame path's frame: seed 1234, tick 40 ----
start_window --fixed-seed 1234 --frame-limit 40
# Docks find the menu entry by the window's class.
xprop -id "$WINDOW_ID" WM_CLASS | grep -q '"org.glimmerkin.Glimmerkin"$' ||
  fail "the window's WM_CLASS is $(xprop -id "$WINDOW_ID" WM_CLASS)"
expect_preview 1234 40 1
shot settings-defaults
[ ! -e "$CONF" ] || fail "opening the window wrote the settings file"
close_window

# At scale 2 each stage pixel is two by two: the frame at pixel size 2.
RUN_AS=(env GDK_SCALE=2)
start_window --fixed-seed 77 --frame-limit 30
RUN_AS=()
expect_preview 77 30 2
shot settings-scale2
close_window

# ---- A damaged file with foreign lines: told, untouched until saved ----
mkdir -p "$(dirname "$CONF")"
printf '; my own notes\n[Glimmerkin]\nRedraw Speed=99\nNum Sprites=abc\nPixel Size=2\nMy Key=kept\n[Elsewhere]\nx=1\n' >"$CONF"
cp "$CONF" "$TEST_DIR/damaged.i"
start_window
wait_log "holds values Glimmerkin cannot use"
sleep 1
shot settings-damaged
cmp -s "$CONF" "$TEST_DIR/damaged.i" || fail "the damaged file was changed before a save"

# The preview rests while the window is hidden, and goes on when it is back.
expect_rest xdotool windowunmap --sync "$WINDOW_ID"
xdotool windowmap --sync "$WINDOW_ID"
xdotool windowfocus --sync "$WINDOW_ID"
sleep 0.3

# Speed to its end, aliens to their start, start when idle on, a 60 s
# delay, lock on: each row by its mnemonic; then Ctrl+S.
keys alt+s End alt+n Home alt+i alt+t ctrl+a
xdotool type 60
keys Return alt+l
shot settings-changed
keys ctrl+s
for _ in $(seq 100); do grep -q '^Num Sprites=2$' "$CONF" && break; sleep 0.05; done
shot settings-saved
for line in '^Redraw Speed=10$' '^Num Sprites=2$' '^Idle Delay=60$' '^Lock When Ended=1$' \
    '^; my own notes$' '^Pixel Size=2$' '^My Key=kept$' '^\[Elsewhere\]$' '^x=1$'; do
  grep -q "$line" "$CONF" || { cat "$CONF" >&2; fail "after the save the file lacks $line"; }
done
grep -q '^Exec=/.*/glimmerkin -watch$' "$XDG_CONFIG_HOME/autostart/glimmerkin-watch.desktop" ||
  fail "start when idle did not write the autostart entry"

# Try Full Screen starts the saver at the window's values; a key ends it.
keys alt+f
saver=
for _ in $(seq 200); do
  saver=$(xdotool search --onlyvisible --name '^Screen Saver$' 2>/dev/null | head -1)
  [ -n "$saver" ] && break
  sleep 0.05
done
[ -n "$saver" ] || fail "Try Full Screen showed no saver"
xprop -id "$saver" WM_CLASS | grep -q '"org.glimmerkin.Glimmerkin"$' ||
  fail "the saver's WM_CLASS is $(xprop -id "$saver" WM_CLASS)"
sleep 0.5
xdotool key --window "$saver" space 2>/dev/null || xdotool key space
for _ in $(seq 100); do pgrep -P "$WINDOW_PID" >/dev/null || break; sleep 0.05; done
! pgrep -P "$WINDOW_PID" >/dev/null || fail "the tried-out saver did not end on a key"
close_window

# The saver runs with what the window saved: two aliens, at the pixel size
# the file held beforehand.
"$SIM" render --seed 5 --size 1280x1000 --ticks 12 --aliens 2 --pixel-size 2 --out "$TEST_DIR/saved.png" ||
  fail "glimmerkin-sim render failed"
"$GLIMMERKIN" -root -fixed-seed 5 -frame-limit 12 &
HACK=$!
PIDS+=("$HACK")
"$HELPER" match 0 "$TEST_DIR/saved.png" 60 || fail "the saver did not run with the saved settings"
kill "$HACK"

# ---- A read-only settings folder: the failure is told, nothing is lost ----
# Root writes anywhere: the window runs as an unprivileged user here.
USER_ID=65534
ro=$TEST_DIR/ro
mkdir -p "$ro/config/glimmerkin"
chmod 0755 "$TEST_DIR"
chown "$USER_ID:$USER_ID" "$ro"
printf '[Glimmerkin]\nRedraw Speed=3\nNum Sprites=7\n# mine\n' >"$ro/config/glimmerkin/glimmerkin.i"
cp "$ro/config/glimmerkin/glimmerkin.i" "$TEST_DIR/readonly.i"
cp "$SETTINGS" "$ro/glimmerkin-settings"
chmod 0755 "$ro/glimmerkin-settings"
SETTINGS=$ro/glimmerkin-settings
RUN_AS=(setpriv --reuid=$USER_ID --regid=$USER_ID --clear-groups
        env HOME="$ro" XDG_CONFIG_HOME="$ro/config" XDG_CACHE_HOME="$ro/cache")
start_window
keys alt+s End ctrl+s
wait_log "could not be saved"
sleep 0.5
shot settings-readonly
cmp -s "$ro/config/glimmerkin/glimmerkin.i" "$TEST_DIR/readonly.i" ||
  fail "the failed save changed the settings file"
[ -z "$(ls -A "$ro/config/glimmerkin" | grep -v '^glimmerkin.i$')" ] ||
  fail "the failed save left a file behind"
still_running "$WINDOW_PID" "the window ended after the failed save"
close_window
echo "PASS"
