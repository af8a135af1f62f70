# Shared by the idle watcher's tests (source after x11_lib.sh or
# wayland_lib.sh): the settings file with a short delay, the watcher started
# with its log, and the readings of a waiting watcher.

# write_watch_settings DELAY [LOCK]: the settings file in $XDG_CONFIG_HOME.
write_watch_settings() {
  mkdir -p "$XDG_CONFIG_HOME/glimmerkin"
  printf '[Glimmerkin]\nIdle Delay=%s\nLock When Ended=%s\n' "$1" "${2:-0}" \
    >"$XDG_CONFIG_HOME/glimmerkin/glimmerkin.i"
}

# start_watcher ARGS...: the watcher in the background (through the command
# in the array WATCH_AS, when set), pid in WATCHER, its messages in
# $TEST_DIR/watch.log; waits (bounded) for its first line.
start_watcher() {
  : >"$TEST_DIR/watch.log"
  ${WATCH_AS[@]+"${WATCH_AS[@]}"} "$GLIMMERKIN" -watch "$@" 2>"$TEST_DIR/watch.log" &
  WATCHER=$!
  PIDS+=("$WATCHER")
  local _
  for _ in $(seq 100); do
    [ -s "$TEST_DIR/watch.log" ] && return 0
    kill -0 "$WATCHER" 2>/dev/null || break
    sleep 0.05
  done
  cat "$TEST_DIR/watch.log" >&2
  fail "the watcher did not start"
}

# saver_pids: the watcher's saver processes (its children), one a line.
saver_pids() { pgrep -P "$WATCHER" 2>/dev/null || true; }

# wait_saver_count N SECONDS: until the watcher has N saver children.
wait_saver_count() {
  local limit=$(( $2 * 20 )) i=0
  while [ "$(saver_pids | wc -l)" -ne "$1" ]; do
    [ $i -ge "$limit" ] && return 1
    sleep 0.05
    i=$((i + 1))
  done
}

# check_resting PID SECONDS: the waiting watcher wakes no more than once in
# the time and holds at most 8 MB; prints the readings.
check_resting() {
  local pid=$1 seconds=$2
  local before after ticks_before ticks_after rss
  before=$(awk '/^voluntary_ctxt_switches/ { v = $2 } /^nonvoluntary_ctxt_switches/ { n = $2 }
                END { print v + n }' "/proc/$pid/status")
  ticks_before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  sleep "$seconds"
  after=$(awk '/^voluntary_ctxt_switches/ { v = $2 } /^nonvoluntary_ctxt_switches/ { n = $2 }
               END { print v + n }' "/proc/$pid/status")
  ticks_after=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
  echo "resting watcher: $((after - before)) wake-ups and $((ticks_after - ticks_before)) clock ticks of processor time in $seconds s; VmRSS $rss kB"
  [ $((after - before)) -le 1 ] || fail "the waiting watcher woke $((after - before)) times in $seconds s"
  # A sanitizer's shadow memory is no part of the program's own.
  [ -n "${GLIMMERKIN_SANITIZED:-}" ] || [ "$rss" -le 8192 ] ||
    fail "the waiting watcher holds $rss kB, more than 8 MB"
}

# stop_watcher WHAT: SIGTERM to the watcher; it ends with status 0 within
# 5 s, and no saver it had outlives it.
stop_watcher() {
  local savers status=0 pid
  savers=$(saver_pids)
  kill -TERM "$WATCHER"
  wait_exit "$WATCHER" 5 || status=$?
  [ "$status" -eq 0 ] || fail "$1: the watcher ended with $status on SIGTERM"
  for pid in $savers; do
    kill -0 "$pid" 2>/dev/null && fail "$1: the saver $pid outlived the watcher"
  done
  return 0
}

# measure_resting DELAY [ARGS...]: a watcher whose delay is far off, read
# while it waits for ${WATCH_REST_SECONDS:-1} s (10 for a measurement), then
# ended with SIGTERM; the settings then get DELAY.
measure_resting() {
  local delay=$1
  shift
  write_watch_settings 3600
  start_watcher "$@"
  # Its first line comes before it has asked the buses for what it watches
  # (a dozen round trips, slower while a desktop still starts up).
  sleep 1.5
  check_resting "$WATCHER" "${WATCH_REST_SECONDS:-1}"
  stop_watcher "at rest"
  write_watch_settings "$delay"
}

# first_frame IDLE_AT_MS CAPTURE BEFORE WHERE: waits (10 s at most) until the
# command CAPTURE FILE writes a screen that differs from the file BEFORE
# (the desktop before the saver), prints the time from the idle moment
# IDLE_AT_MS to then (within one capture of the truth) and fails beyond 1.5 s.
first_frame() {
  local idle_at=$1 capture=$2 before=$3 where=$4 now=$TEST_DIR/now.${3##*.} shown_at= _
  for _ in $(seq 300); do
    "$capture" "$now" 2>/dev/null &&
      [ "$(compare -metric AE "$now" "$before" null: 2>&1)" != 0 ] &&
      { shown_at=$(( $(date +%s%N) / 1000000 )); break; }
    sleep 0.02
  done
  [ -n "$shown_at" ] || fail "no saver on $where after the delay"
  echo "idle moment to the first frame on $where: $((shown_at - idle_at)) ms"
  [ $((shown_at - idle_at)) -lt 1500 ] || fail "the first frame came $((shown_at - idle_at)) ms after the idle moment"
}
