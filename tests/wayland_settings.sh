#!/usr/bin/env bash
# The settings window under headless sway: its toplevel carries the desktop
# entry's app id, its preview is the simulator's frame, keys typed with wtype
# change and save the settings, the preview rests while its workspace is not
# shown, and closing it leaves no process.
#   wayland_settings.sh GLIMMERKIN HELPER SIM SETTINGS
source "$(dirname "$0")/wayland_lib.sh"
source "$(dirname "$0")/settings_lib.sh"
SETTINGS=$(copy_program "$4")
start_sway 1280x1000
export GDK_BACKEND=wayland XDG_CACHE_HOME=$TEST_DIR/cache
grab_screen() { shot HEADLESS-1 "$1"; }
CONF=$XDG_CONFIG_HOME/glimmerkin/glimmerkin.i

# app_ids: the app id of every toplevel sway holds, one a line.
app_ids() {
  sway_msg -t get_tree | python3 -c '
import json, sys
def walk(n):
    if n.get("app_id") is not None and n.get("type") in ("con", "floating_con"):
        print(n["app_id"])
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        walk(c)
walk(json.load(sys.stdin))'
}
# keep NAME: a screenshot of the output in $GLIMMERKIN_SCREENSHOTS, if set.
keep() {
  [ -n "${GLIMMERKIN_SCREENSHOTS:-}" ] || return 0
  mkdir -p "$GLIMMERKIN_SCREENSHOTS"
  as_user grim -o HEADLESS-1 - >"$GLIMMERKIN_SCREENSHOTS/$1.png"
}
# A new virtual keyboard each time: the window needs a moment for its keymap.
type_keys() { as_user wtype -s 200 "$@" || fail "wtype $* failed"; sleep 0.2; }

# start_window [ARGS...]: the window as the unprivileged user, shown; its
# pid in WINDOW.
start_window() {
  "${AS_USER[@]}" "$SETTINGS" "$@" >"$TEST_DIR/window.log" 2>&1 &
  WINDOW=$!
  WINDOW_PID=$WINDOW
  PIDS+=("$WINDOW")
  local ids=
  for _ in $(seq 100); do
    ids=$(app_ids)
    [ -n "$ids" ] && break
    still_running "$WINDOW" "the settings window ended before it was shown"
    sleep 0.1
  done
  [ "$ids" = org.glimmerkin.Glimmerkin ] || fail "the window's app id is '$ids'"
  sleep 2
}

# close_window: Ctrl+W ends the program, and nothing it started is left.
close_window() {
  type_keys -M ctrl w -m ctrl
  window_ended
}

start_window --fixed-seed 1234 --frame-limit 40
expect_preview 1234 40 1
[ ! -e "$CONF" ] || fail "opening the window wrote the settings file"
close_window

start_window

# Fewer aliens, by the row's mnemonic and the scale's Home key; then Ctrl+S.
type_keys -M alt n -m alt
keep wayland-alt-n
type_keys -k Home
keep wayland-changed
type_keys -M ctrl s -m ctrl
for _ in $(seq 50); do grep -q '^Num Sprites=2$' "$CONF" 2>/dev/null && break; sleep 0.1; done
grep -q '^Num Sprites=2$' "$CONF" || fail "the keys did not save 2 aliens: $(cat "$CONF" 2>&1)"
grep -q '^Redraw Speed=5$' "$CONF" || fail "the save changed the speed: $(cat "$CONF")"

# The preview runs while shown and rests on a workspace that is not.
expect_rest sway_msg '[app_id="org.glimmerkin.Glimmerkin"] move to workspace 2'
sway_msg 'workspace 2' >/dev/null
sleep 0.5
close_window
echo PASS
