#!/usr/bin/env bash
# Beneath swaylock-plugin: the saver is handed a connection in WAYLAND_SOCKET
# (no WAYLAND_DISPLAY, no DISPLAY, a session of its own) to a compositor with
# just the globals swaylock-plugin offers (no wl_seat, no xdg_wm_base). On
# every output it shows a frame of the scene within a second, however slow
# its redraw speed; SIGUSR1 gives each output a new scene, drawn whole;
# SIGTERM ends it with 0 and leaves nothing; a hang-up ends it with one line
# and exit 1, without spinning.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
FAKE=$2
LAUNCH=$3
need python3
export XDG_RUNTIME_DIR=$TEST_DIR/run XDG_CONFIG_HOME=$TEST_DIR/config
mkdir -m 0700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY WAYLAND_SOCKET
SOCKET=$XDG_RUNTIME_DIR/plugin
OUT=$TEST_DIR/fake.out

start_fake() {
  "$FAKE" plugin plugin >"$OUT" 2>"$TEST_DIR/fake.log" &
  FAKE_PID=$!
  PIDS+=("$FAKE_PID")
  for _ in $(seq 100); do [ -S "$SOCKET" ] && break; sleep 0.05; done
  [ -S "$SOCKET" ] || fail "the fake compositor did not start"
}

stop_fake() {
  kill "$FAKE_PID" 2>/dev/null
  wait "$FAKE_PID" 2>/dev/null || true
}

# commits OUTPUT KIND: how many commits of that kind ("drawn whole"...) the
# output has had.
commits() { grep -c "^commit $1 [0-9x]* $2 " "$OUT" || true; }

# wait_commits OUTPUT KIND COUNT SECONDS WHAT
wait_commits() {
  for _ in $(seq $(( $4 * 20 ))); do
    [ "$(commits "$1" "$2")" -ge "$3" ] && return 0
    sleep 0.05
  done
  fail "$5 ($(cat "$OUT"))"
}

# A redraw speed slower than any menu offers: one frame a minute.
SLOW=(-redraw-speed -1000 -fixed-seed 5)

# -background, as swaylock-plugin --command-each runs it.
start_fake
before=$(ls -A "$XDG_RUNTIME_DIR")
SWAYLOCK_PLUGIN_OUTPUT_NAME=FAKE-1 python3 "$LAUNCH" "$SOCKET" "$GLIMMERKIN" -background "${SLOW[@]}" \
  2>"$TEST_DIR/saver.log" &
SAVER=$!
PIDS+=("$SAVER")
for output in FAKE-1 FAKE-2; do
  wait_commits $output "drawn whole" 1 5 "no frame of the scene on $output"
  ms=$(grep -m1 "^commit $output [0-9x]* drawn " "$OUT" | cut -d' ' -f6)
  [ "$ms" -lt 1500 ] || fail "the first frame on $output came $ms ms after connecting"
done
grep -q '^commit FAKE-1 640x480 ' "$OUT" || fail "FAKE-1 was not drawn at its size"
grep -q '^commit FAKE-2 320x240 ' "$OUT" || fail "FAKE-2 was not drawn at its size"
# SIGUSR1: the same process goes on, and each output soon shows a new
# scene's first frame, whole (the old scene's next frame was a minute away).
kill -USR1 "$SAVER"
for output in FAKE-1 FAKE-2; do
  wait_commits $output "drawn whole" 2 3 "no new scene on $output after SIGUSR1"
done
still_running "$SAVER" "SIGUSR1 ended the saver"
kill -TERM "$SAVER"
status=0
wait_exit "$SAVER" 2 || status=$?
[ "$status" -eq 0 ] || fail "-background after SIGTERM: exit status $status, expected 0 at once"
[ -s "$TEST_DIR/saver.log" ] && fail "the saver wrote: $(cat "$TEST_DIR/saver.log")"
[ "$(ls -A "$XDG_RUNTIME_DIR")" = "$before" ] || fail "left in the runtime folder: $(ls -A "$XDG_RUNTIME_DIR")"
stop_fake

# /s on the same compositor: no seat, no xdg_wm_base, and still both outputs
# drawn. Then the compositor hangs up.
start_fake
python3 "$LAUNCH" --rusage "$TEST_DIR/rusage" --pid "$TEST_DIR/pid" "$SOCKET" "$GLIMMERKIN" /s \
  "${SLOW[@]}" 2>"$TEST_DIR/saver.log" &
LAUNCHER=$!
PIDS+=("$LAUNCHER")
for _ in $(seq 100); do [ -s "$TEST_DIR/pid" ] && break; sleep 0.05; done
PIDS+=("$(cat "$TEST_DIR/pid")")
for output in FAKE-1 FAKE-2; do
  wait_commits $output "drawn whole" 1 5 "/s: no frame of the scene on $output"
done
kill -USR1 "$FAKE_PID"
status=0
wait_exit "$LAUNCHER" 3 || status=$?
[ "$status" -eq 124 ] && fail "a hang-up did not end the saver"
[ "$status" -eq 1 ] || fail "a hang-up: exit status $status, expected 1 ($(cat "$TEST_DIR/saver.log"))"
[ "$(wc -l <"$TEST_DIR/saver.log")" -eq 1 ] || fail "a hang-up: not one line: $(cat "$TEST_DIR/saver.log")"
grep -q "lost the connection" "$TEST_DIR/saver.log" || fail "a hang-up: said '$(cat "$TEST_DIR/saver.log")'"
# Everything it did, a second of drawing included, cost little: a loop that
# spun on the closed connection would not.
read -r user system <"$TEST_DIR/rusage" || fail "no CPU times from the launcher"
awk -v u="$user" -v s="$system" 'BEGIN { exit !(u + s < 1.0) }' \
  || fail "the saver used $user s + $system s of CPU"
stop_fake
echo PASS
