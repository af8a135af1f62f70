#!/usr/bin/env bash
# Full screen (/s) on one output under headless sway: the frame is pixel for
# pixel the simulator's; each closing rule ends it with 0, and the input that
# must not end it (the wheel, movement of 4 px or less) does not.
source "$(dirname "$0")/wayland_lib.sh"
start_sway 1024x768
EXTENT=1024x768

# The pointer rests at (500, 400) before the saver starts: the first
# position the saver sees.
pointer $EXTENT move=500,400
render 1234 1024x768 40 "$TEST_DIR/s.png"
WAYLAND_DEBUG=client start_saver /s -fixed-seed 1234 -frame-limit 40
expect_frame HEADLESS-1 "$TEST_DIR/s.png" 20 "the full-screen frame differs from the simulator's"
# 2 + 2 px away, and the wheel both ways: it goes on.
pointer $EXTENT wait=300 move=502,402 wheel=1 wheel=-1 move=498,400 wait=100
sleep 0.5
still_running "$SAVER" "movement of 4 px or the wheel ended the saver"
grep -v '^\[' "$TEST_DIR/saver.log" && fail "the saver wrote messages"
# Its own log of requests and events: at least two buffers, and none
# attached (so drawn into) again before the compositor released it.
awk '/-> wl_surface@[0-9]+\.attach\(wl_buffer@/ {
       match($0, /wl_buffer@[0-9]+/); b = substr($0, RSTART, RLENGTH)
       if (held[b]) reused = 1
       held[b] = 1; seen[b] = 1; attached++ }
     !/->/ && /wl_buffer@[0-9]+\.release\(\)/ {
       match($0, /wl_buffer@[0-9]+/); held[substr($0, RSTART, RLENGTH)] = 0 }
     END { for (b in seen) buffers++
           printf "%d frames attached from %d buffers\n", attached, buffers
           exit (reused || buffers < 2 || attached < 40) }' "$TEST_DIR/saver.log" \
  || fail "buffers: fewer than two, or one drawn into while the compositor held it"
# 3 + 2 px from where it started: it ends.
pointer $EXTENT wait=300 move=503,402 wait=100
ends_within "$SAVER" 5 0 "movement of 5 px"

# Each button ends it; a keyboard that arrives while it runs (wtype brings
# its own, with its own keymap) does too.
render 1234 1024x768 2 "$TEST_DIR/s2.png"
for button in left middle right; do
  # The left button's run logs its requests: an overlay surface anchored to
  # all four edges with the keyboard to itself, and the pointer hidden.
  if [ $button = left ]; then
    WAYLAND_DEBUG=client start_saver /s -fixed-seed 1234 -frame-limit 2
  else
    start_saver /s -fixed-seed 1234 -frame-limit 2
  fi
  expect_frame HEADLESS-1 "$TEST_DIR/s2.png" 20 "no frame before the $button button"
  pointer $EXTENT wait=300 click=$button wait=100
  ends_within "$SAVER" 5 0 "the $button button"
  [ $button = left ] || continue
  log=$TEST_DIR/saver.log
  grep -Eq 'zwlr_layer_shell_v1@[0-9]+\.get_layer_surface\(new id zwlr_layer_surface_v1@[0-9]+, wl_surface@[0-9]+, wl_output@[0-9]+, 3, "screensaver"\)' "$log" \
    || fail "no overlay layer surface on the output"
  grep -Eq 'zwlr_layer_surface_v1@[0-9]+\.set_anchor\(15\)' "$log" || fail "not anchored to all edges"
  grep -Eq 'zwlr_layer_surface_v1@[0-9]+\.set_keyboard_interactivity\(1\)' "$log" \
    || fail "no exclusive keyboard focus asked for"
  grep -Eq 'wl_pointer@[0-9]+\.set_cursor\([0-9]+, nil, 0, 0\)' "$log" || fail "the pointer was not hidden"
done
start_saver /s -fixed-seed 1234 -frame-limit 2
expect_frame HEADLESS-1 "$TEST_DIR/s2.png" 20 "no frame before the key"
as_user wtype -s 100 x
ends_within "$SAVER" 5 0 "a key"

# An output of scale 2 draws at pixel size 2, into buffers of its full
# resolution.
sway_msg output HEADLESS-1 scale 2 >/dev/null || fail "cannot set the scale"
render 55 1024x768 12 "$TEST_DIR/scale2.png" --pixel-size 2
start_saver /s -fixed-seed 55 -frame-limit 12
expect_frame HEADLESS-1 "$TEST_DIR/scale2.png" 20 "the frame at scale 2 differs from the simulator's at pixel size 2"
# Back to scale 1 while it runs: the scene starts again at pixel size 1.
render 55 1024x768 12 "$TEST_DIR/scale1.png"
sway_msg output HEADLESS-1 scale 1 >/dev/null || fail "cannot set the scale back"
expect_frame HEADLESS-1 "$TEST_DIR/scale1.png" 20 "after the scale went back to 1 the frame is not the pixel size 1 scene"
as_user wtype -s 100 Escape
ends_within "$SAVER" 5 0 "a key after the scale changed"
echo PASS
