#!/usr/bin/env bash
# Signals as lockers send them, in every X11 mode: SIGTERM, SIGINT and SIGHUP
# end the saver at once with 0 and leave nothing behind (no process, window
# or shared memory segment); SIGUSR1 starts new scenes in the running
# process, shown whole from their first frame; a server that stops
# answering cannot keep a saver alive once it has been told to end.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
HELPER=$2
SIM=$3
need Xvfb ipcs
start_xvfb 1024x768x24
XVFB=${PIDS[-1]}
# A stopped server must go on before the cleanup can end it.
trap 'kill -CONT "$XVFB" 2>/dev/null; cleanup' EXIT
export XDG_CONFIG_HOME=$TEST_DIR/config
unset XSCREENSAVER_WINDOW WAYLAND_DISPLAY WAYLAND_SOCKET

# segments PID: shared memory segments that process created.
segments() { ipcs -m -p | awk -v pid="$1" '$3 == pid' | wc -l; }

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# The saver, started with ARGS... (and NAME=VALUE settings before them);
# once it has its frame image in shared memory, it is drawing.
start() {
  env "$@" 2>"$TEST_DIR/saver.log" &
  SAVER=$!
  PIDS+=("$SAVER")
  for _ in $(seq 200); do
    [ "$(segments "$SAVER")" -ge 1 ] && return 0
    kill -0 "$SAVER" 2>/dev/null || break
    sleep 0.05
  done
  fail "$*: no frame image in shared memory ($(cat "$TEST_DIR/saver.log"))"
}

# ends_cleanly SIGNAL WHAT: the saver ends within a second of the signal,
# with 0, having said nothing and leaving no segment.
ends_cleanly() {
  sleep 0.3
  local sent status=0
  sent=$(now_ms)
  kill -"$1" "$SAVER"
  wait_exit "$SAVER" 5 || status=$?
  local took=$(( $(now_ms) - sent ))
  [ "$status" -eq 0 ] || fail "$2: SIG$1 gave exit status $status, expected 0"
  [ "$took" -lt 1000 ] || fail "$2: SIG$1 took $took ms to end it"
  [ -s "$TEST_DIR/saver.log" ] && fail "$2: the saver wrote: $(cat "$TEST_DIR/saver.log")"
  for _ in $(seq 40); do [ "$(segments "$SAVER")" -eq 0 ] && return 0; sleep 0.05; done
  fail "$2: a shared memory segment is left"
}

make_parent 320 200

start "$GLIMMERKIN" /s -fixed-seed 3
"$HELPER" wait-saver 20 >/dev/null || fail "no full-screen window"
ends_cleanly TERM "/s"
[ "$("$HELPER" saver-window)" = 0 ] || fail "/s: its window is left"
start "$GLIMMERKIN" -root -fixed-seed 3
ends_cleanly TERM "-root"
start XSCREENSAVER_WINDOW="$PARENT" "$GLIMMERKIN" -root -fixed-seed 3
ends_cleanly TERM "-root into \$XSCREENSAVER_WINDOW"
start "$GLIMMERKIN" -background -fixed-seed 3
ends_cleanly INT "-background on the root window"
start "$GLIMMERKIN" -window-id "$PARENT" -fixed-seed 3
ends_cleanly HUP "-window-id"
start "$GLIMMERKIN" /p "$PARENT" -fixed-seed 3
ends_cleanly INT "/p"
"$HELPER" wait-child "$PARENT" 1 >/dev/null && fail "/p: its window is left"
start "$GLIMMERKIN" -window -fixed-seed 3
ends_cleanly TERM "-window"
kill "$PARENT_PID"
wait "$PARENT_PID" 2>/dev/null

# SIGUSR1, at a redraw speed of one frame every 1065 ms: after the second
# frame (where -frame-limit stops them) the scenes start afresh, the first
# frame of the new scene comes whole within a second, then the second again.
"$SIM" render --seed 4 --size 1024x768 --ticks 1 --out "$TEST_DIR/tick1.png" || fail "render failed"
"$SIM" render --seed 4 --size 1024x768 --ticks 2 --out "$TEST_DIR/tick2.png" || fail "render failed"
for args in "/s" "-root"; do
  # shellcheck disable=SC2086
  start "$GLIMMERKIN" $args -fixed-seed 4 -frame-limit 2 -redraw-speed -60
  "$HELPER" match 0 "$TEST_DIR/tick2.png" 20 >/dev/null || fail "$args: not the second frame"
  kill -USR1 "$SAVER"
  "$HELPER" match 0 "$TEST_DIR/tick1.png" 5 >/dev/null || fail "$args: no new scene after SIGUSR1"
  "$HELPER" match 0 "$TEST_DIR/tick2.png" 5 >/dev/null || fail "$args: the new scene did not go on"
  still_running "$SAVER" "$args: SIGUSR1 ended the saver"
  ends_cleanly TERM "$args after SIGUSR1"
done

# The server stops answering; SIGTERM still ends the saver within a few
# seconds (it cannot say goodbye to a server that does not answer: 1).
start "$GLIMMERKIN" /s -fixed-seed 3
"$HELPER" wait-saver 20 >/dev/null || fail "no full-screen window"
kill -STOP "$XVFB"
kill -TERM "$SAVER"
status=0
wait_exit "$SAVER" 5 || status=$?
kill -CONT "$XVFB"
[ "$status" -eq 124 ] && fail "a server that does not answer kept the saver after SIGTERM"
[ "$status" -eq 1 ] || fail "SIGTERM with the server stopped: exit status $status, expected 1"
grep -q "did not answer" "$TEST_DIR/saver.log" || fail "the saver said '$(cat "$TEST_DIR/saver.log")'"
for _ in $(seq 40); do [ "$(segments "$SAVER")" -eq 0 ] && break; sleep 0.05; done
[ "$(segments "$SAVER")" -eq 0 ] || fail "a shared memory segment is left after the server went on"
echo PASS
