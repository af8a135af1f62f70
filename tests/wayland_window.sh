#!/usr/bin/env bash
# -window under headless sway: a toplevel titled "Glimmerkin" whose scene is
# its own size, closed by q or Escape and by nothing else; -background: a
# background-layer scene that input never ends; the compositor going away
# ends the saver at once with a message.
source "$(dirname "$0")/wayland_lib.sh"
start_sway 800x600
EXTENT=800x600

# window_geometry: "X,Y WxH" of the saver's toplevel content, from sway's tree.
window_geometry() {
  sway_msg -t get_tree | python3 -c '
import json, sys
def walk(n):
    if n.get("app_id") == "org.glimmerkin.Glimmerkin":
        r, w = n["rect"], n["window_rect"]
        print("%s %d,%d %dx%d" % (n.get("name"), r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"]))
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        walk(c)
walk(json.load(sys.stdin))'
}

# Tiled, the window takes the size sway gives it; floating, its -geometry.
for quit in q Escape; do
  if [ "$quit" = q ]; then
    start_saver -window -fixed-seed 21 -frame-limit 15
  else
    sway_msg 'for_window [app_id="org.glimmerkin.Glimmerkin"] floating enable' >/dev/null || fail "no floating rule"
    start_saver -window -geometry 640x400 -fixed-seed 21 -frame-limit 15
  fi
  info=
  for _ in $(seq 100); do
    info=$(window_geometry)
    [ -n "$info" ] && break
    sleep 0.1
  done
  [ -n "$info" ] || fail "no toplevel of app id glimmerkin"
  read -r title where size <<<"$info"
  [ "$quit" = q ] || [ "$size" = 640x400 ] || fail "the floating window is $size, not 640x400"
  [ "$title" = Glimmerkin ] || fail "the window is titled '$title', not Glimmerkin"
  render 21 "$size" 15 "$TEST_DIR/window.png"
  expect_region "$where" "$size" "$TEST_DIR/window.png" "the window's $size frame differs from the simulator's"
  # Other keys, buttons and movement leave it open.
  as_user wtype -s 100 a
  pointer $EXTENT wait=300 move=100,100 wait=100 move=400,300 click=left wheel=2 wait=100
  sleep 0.3
  still_running "$SAVER" "input other than q or Escape closed the window"
  as_user wtype -s 100 -k "$quit"
  ends_within "$SAVER" 5 0 "$quit in the window"
done

# On an output of scale 2 the window draws at pixel size 2 in buffers of
# twice its size (grim captures the output's own pixels).
sway_msg output HEADLESS-1 scale 2 >/dev/null || fail "cannot set the scale"
start_saver -window -geometry 300x200 -fixed-seed 8 -frame-limit 10
info=
for _ in $(seq 100); do
  info=$(window_geometry)
  [ -n "$info" ] && break
  sleep 0.1
done
read -r title where size <<<"$info"
[ "$size" = 300x200 ] || fail "the window at scale 2 is '$size', not 300x200"
render 8 600x400 10 "$TEST_DIR/window2.png" --pixel-size 2
expect_region "$where" "$size" "$TEST_DIR/window2.png" \
  "the window at scale 2 differs from the simulator's 600x400 frame at pixel size 2"
as_user wtype -s 100 q
ends_within "$SAVER" 5 0 "q in the window at scale 2"
sway_msg output HEADLESS-1 scale 1 >/dev/null || fail "cannot set the scale back"

# The background goes on through every kind of input.
render 3 800x600 6 "$TEST_DIR/background.png"
start_saver -background -fixed-seed 3 -frame-limit 6
expect_frame HEADLESS-1 "$TEST_DIR/background.png" 20 "the background differs from the simulator's"
as_user wtype -s 100 x -k Escape q
pointer $EXTENT wait=300 move=10,10 wait=100 move=700,500 click=left click=middle click=right wheel=1 wait=100
sleep 0.5
still_running "$SAVER" "input ended the background"
expect_frame HEADLESS-1 "$TEST_DIR/background.png" 5 "the background after input"

# The compositor goes: the saver ends at once, with one line and exit 1.
kill "$SWAY"
ends_within "$SAVER" 3 1 "the compositor went away"
[ "$(wc -l <"$TEST_DIR/saver.log")" -eq 1 ] || fail "not one line of message: $(cat "$TEST_DIR/saver.log")"
grep -q "lost the connection" "$TEST_DIR/saver.log" || fail "message: $(cat "$TEST_DIR/saver.log")"
wait_exit "$SWAY" 5 || true
leftover=$(ls -A "$XDG_RUNTIME_DIR")
[ -z "$leftover" ] || fail "left behind in the runtime folder: $leftover"
echo PASS
