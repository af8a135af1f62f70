#!/usr/bin/env bash
# As swaylock-plugin runs it beneath the lock, under headless sway with two
# outputs: `glimmerkin -background` handed a connection in WAYLAND_SOCKET
# alone (no WAYLAND_DISPLAY, no DISPLAY, a session of its own) covers each
# output with its scene, pixel for pixel the simulator's; SIGUSR1 starts the
# scenes afresh in the same process; SIGTERM ends it, and /s, at once with 0,
# leaving nothing in the runtime folder.
source "$(dirname "$0")/wayland_lib.sh"
need python3
GOLDEN=$((0x9E3779B9))
LAUNCH=$(copy_program "$(dirname "$0")/wayland_socket.py")
start_sway 1024x768
printf 'output HEADLESS-2 mode --custom 640x480 position 1024 0\n' >>"$TEST_DIR/sway.conf"
sway_msg reload >/dev/null || fail "sway did not take the second output's place"
sway_msg create_output >/dev/null || fail "sway did not add an output"

SEED=6
for tick in 1 2; do
  render $SEED 1024x768 $tick "$TEST_DIR/first$tick.png"
  render $(( (SEED + GOLDEN) % 4294967296 )) 640x480 $tick "$TEST_DIR/second$tick.png"
done

# expect_both TICK SECONDS WHAT: both outputs show that tick of their scenes,
# each looked at until it does (a tick shows for about two seconds).
expect_both() {
  local first='' second=''
  for _ in $(seq $(( $2 * 5 ))); do
    [ -n "$first" ] || { [ "$(differing HEADLESS-1 "$TEST_DIR/first$1.png")" = 0 ] && first=1; }
    [ -n "$second" ] || { [ "$(differing HEADLESS-2 "$TEST_DIR/second$1.png")" = 0 ] && second=1; }
    [ -n "$first" ] && [ -n "$second" ] && return 0
    sleep 0.1
  done
  fail "$3 (first output: ${first:-differs}, second: ${second:-differs})"
}

before=$(ls -A "$XDG_RUNTIME_DIR")
# One frame every 1965 ms, the first within a second; -frame-limit stops
# them at the second.
"${AS_USER[@]}" env -u WAYLAND_DISPLAY -u DISPLAY python3 "$LAUNCH" "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" \
  "$GLIMMERKIN" -background -fixed-seed $SEED -frame-limit 2 -redraw-speed -120 2>"$TEST_DIR/saver.log" &
SAVER=$!
PIDS+=("$SAVER")
expect_both 2 20 "-background through WAYLAND_SOCKET: not each output's scene"
[ "$(ps -o sid= -p "$SAVER" | tr -d ' ')" = "$SAVER" ] || fail "the saver was not started in a session of its own"
tr '\0' '\n' <"/proc/$SAVER/environ" | grep -q '^WAYLAND_SOCKET=' || fail "the saver was not handed WAYLAND_SOCKET"
tr '\0' '\n' <"/proc/$SAVER/environ" | grep -Eq '^(WAYLAND_DISPLAY|DISPLAY)=' && fail "the saver was given a display name"
kill -USR1 "$SAVER"
expect_both 1 4 "after SIGUSR1: not the new scenes' first frame"
expect_both 2 6 "after SIGUSR1: the new scenes did not go on"
still_running "$SAVER" "SIGUSR1 ended the saver"
kill -TERM "$SAVER"
ends_within "$SAVER" 1 0 "-background after SIGTERM"
grep . "$TEST_DIR/saver.log" && fail "the saver wrote messages"
[ "$(ls -A "$XDG_RUNTIME_DIR")" = "$before" ] || fail "left in the runtime folder: $(ls -A "$XDG_RUNTIME_DIR")"

# /s, the usual way (WAYLAND_DISPLAY), ends on SIGTERM as at once.
start_saver /s -fixed-seed $SEED -frame-limit 2 -redraw-speed -120
expect_frame HEADLESS-2 "$TEST_DIR/second2.png" 20 "/s: not the second output's scene"
kill -TERM "$SAVER"
ends_within "$SAVER" 1 0 "/s after SIGTERM"
[ "$(ls -A "$XDG_RUNTIME_DIR")" = "$before" ] || fail "/s left in the runtime folder: $(ls -A "$XDG_RUNTIME_DIR")"
echo PASS
