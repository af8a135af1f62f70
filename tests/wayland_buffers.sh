#!/usr/bin/env bash
# Wayland shm buffers drawn by their age: a compositor that lets buffers go
# late and out of order hands the saver new, recent and long-unused ones,
# and over the last frames it holds every buffer for a second, so the last
# frame finds nowhere to draw. Every commit must be right whatever the
# compositor shows: the buffer's pixels outside the damage equal what the
# surface showed before (so a buffer of unknown contents gets the whole
# frame), and once the buffers come back the surface shows the last frame,
# exactly the simulator's. Most commits damage less than the whole.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
FAKE=$2
SIM=$3
need compare
export XDG_RUNTIME_DIR=$TEST_DIR/run XDG_CONFIG_HOME=$TEST_DIR/config
mkdir -m 0700 "$XDG_RUNTIME_DIR"
unset DISPLAY

FRAMES=40
"$SIM" render --seed 5 --size 640x480 --ticks $FRAMES --out "$TEST_DIR/expected.png" \
  || fail "glimmerkin-sim render failed"
OUT=$TEST_DIR/shown
# Commit 1 is the black surface, commit K + 1 frame K: from frame
# FRAMES - 4 on, the saver's four buffers are all held by frame FRAMES.
"$FAKE" fake-buffers buffers "$OUT" $((FRAMES - 3)) 2>"$TEST_DIR/fake.log" &
PIDS+=($!)
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/fake-buffers" ] && break; sleep 0.05; done
[ -S "$XDG_RUNTIME_DIR/fake-buffers" ] || fail "the fake compositor did not start"
WAYLAND_DISPLAY=fake-buffers "$GLIMMERKIN" /s -fixed-seed 5 -frame-limit $FRAMES \
  2>"$TEST_DIR/saver.log" &
SAVER=$!
PIDS+=("$SAVER")

diff=
for _ in $(seq 100); do
  still_running "$SAVER" "the saver ended ($(cat "$TEST_DIR/saver.log"))"
  diff=$(compare -metric AE "$OUT.ppm" "$TEST_DIR/expected.png" null: 2>&1)
  [ "$diff" = 0 ] && break
  sleep 0.2
done
counts=$(cat "$OUT.txt")
echo "$counts"
count() { sed -n "s/.*\b$1=\([0-9]*\).*/\1/p" <<<"$counts"; }
[ "$(count wrong)" -eq 0 ] || fail "$(count wrong) pixels outside the damage differ from what was shown"
[ "$diff" = 0 ] || fail "the surface does not show the simulator's last frame: $diff pixels differ"
# The compositor's release order gave every kind of buffer.
recent=$(( $(count age1) + $(count age2) + $(count age3) + $(count age4) ))
[ "$(count fresh)" -ge 2 ] && [ "$(count older)" -ge 1 ] && [ "$(count age1)" -ge 1 ] \
  && [ $(( $(count age2) + $(count age3) + $(count age4) )) -ge 1 ] \
  || fail "the compositor did not give new, old and recent buffers: $counts"
[ $(( 2 * $(count partial) )) -ge "$recent" ] || fail "too few commits damage less than the whole: $counts"
still_running "$SAVER" "the saver ended after its frames"
echo PASS
