#!/usr/bin/env bash
# Full screen (/s) over two outputs under headless sway: the first shows the
# seed's own scene at its size, pixel for pixel, the second a scene of its
# own size and seed; movement on either is measured as one; an output added
# while the saver runs gets its scene, one taken away leaves the rest going.
source "$(dirname "$0")/wayland_lib.sh"
GOLDEN=$((0x9E3779B9))
start_sway 1024x768
printf 'output HEADLESS-2 mode --custom 640x480 position 1024 0\n' >>"$TEST_DIR/sway.conf"
sway_msg reload >/dev/null || fail "sway did not take the second output's place"
sway_msg create_output >/dev/null || fail "sway did not add an output"
EXTENT=1664x768

pointer $EXTENT move=1300,200
render 4 1024x768 10 "$TEST_DIR/first.png"
render $(( (4 + GOLDEN) % 4294967296 )) 640x480 10 "$TEST_DIR/second.png"
start_saver /s -fixed-seed 4 -frame-limit 10
expect_frame HEADLESS-1 "$TEST_DIR/first.png" 20 "the first output differs from the seed's scene"
expect_frame HEADLESS-2 "$TEST_DIR/second.png" 20 "the second output differs from its own scene"
# Small movement on the second output goes on; onto the first, far, ends it.
pointer $EXTENT wait=300 move=1302,202 wait=100
sleep 0.3
still_running "$SAVER" "movement of 4 px on the second output ended the saver"
pointer $EXTENT wait=300 move=1000,200 wait=100
ends_within "$SAVER" 5 0 "movement from the second output to the first"

# Outputs that come and go while it runs. Without aliens every frame is the
# ground and caption alone, whatever the tick.
mkdir -p "$XDG_CONFIG_HOME/glimmerkin"
printf '[Glimmerkin]\nNum Sprites=0\n' >"$XDG_CONFIG_HOME/glimmerkin/glimmerkin.i"
chmod -R a+rX "$XDG_CONFIG_HOME"
sway_msg output HEADLESS-2 disable >/dev/null || fail "cannot disable the second output"
render 9 1024x768 1 "$TEST_DIR/ground1.png" --aliens 0
render $(( (9 + GOLDEN) % 4294967296 )) 640x480 1 "$TEST_DIR/ground2.png" --aliens 0
start_saver /s -fixed-seed 9
expect_frame HEADLESS-1 "$TEST_DIR/ground1.png" 20 "the lone output before the other came"
sway_msg output HEADLESS-2 enable >/dev/null || fail "cannot enable the second output"
expect_frame HEADLESS-2 "$TEST_DIR/ground2.png" 20 "the output that came while running"
sway_msg create_output >/dev/null || fail "sway did not add a third output"
for _ in $(seq 50); do
  sway_msg -t get_outputs | grep -q '"HEADLESS-3"' && break
  sleep 0.1
done
sleep 1
shot HEADLESS-3 "$TEST_DIR/third.ppm" || fail "no third output to capture"
size=$(head -c 20 "$TEST_DIR/third.ppm" | sed -n 2p)
render $(( (9 + 2 * GOLDEN) % 4294967296 )) "${size/ /x}" 1 "$TEST_DIR/ground3.png" --aliens 0
expect_frame HEADLESS-3 "$TEST_DIR/ground3.png" 20 "the third output"
sway_msg output HEADLESS-2 disable >/dev/null || fail "cannot disable the second output"
sleep 0.5
still_running "$SAVER" "an output taken away ended the saver"
expect_frame HEADLESS-1 "$TEST_DIR/ground1.png" 5 "the first output after another went"
grep . "$TEST_DIR/saver.log" && fail "the saver wrote messages"
as_user wtype -s 100 k
ends_within "$SAVER" 5 0 "a key after the outputs changed"
echo PASS
