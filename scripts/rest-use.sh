#!/usr/bin/env bash
# What the Linux saver costs while nobody can see it, beside the same
# program seen, in one run (default speed, nine aliens, 1920x1080):
#   X11 (a private Xvfb each): /s, then the server's own screen saver
#     active (xset s activate); -window, then wholly covered by a still
#     window (xlogo);
#   Wayland (headless sway as user 65534; root only): -background, then
#     covered by a still fullscreen window. sway 1.7's headless outputs
#     cannot be powered down, and a covered background gets no frame
#     callbacks, exactly as an output powered down does.
#   A mixed run on X11: /s seen for 30 s and blanked for 90 s, processor
#     seconds in all, for this saver and (--before) an older one.
# Each figure is user + system time (from /proc/PID/stat) in percent of one
# core, and wake-ups a second (voluntary and involuntary context switches
# of every thread), for the saver and for its display server.
#   scripts/rest-use.sh [--seconds N] [--before OLD_GLIMMERKIN] [GLIMMERKIN]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=30
before=
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
GLIMMERKIN=${1:-build/default/glimmerkin}
for tool in Xvfb xset xlogo xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done
wayland=1
if [ "$(id -u)" -ne 0 ] || ! command -v sway >/dev/null; then wayland=; fi

source scripts/measure-lib.sh

wakeups() {
  cat /proc/"$1"/task/*/status 2>/dev/null |
    awk '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }'
}

# measure LABEL PROGRAM SERVER: one line of processor use and wake-ups over
# the measuring time.
measure() {
  local p0 s0 pw0 sw0 t0 p1 s1 pw1 sw1 t1
  p0=$(ticks "$2"); s0=$(ticks "$3"); pw0=$(wakeups "$2"); sw0=$(wakeups "$3"); t0=$(date +%s%N)
  sleep "$seconds"
  kill -0 "$2" 2>/dev/null || { echo "the measured program ended early" >&2; exit 1; }
  p1=$(ticks "$2"); s1=$(ticks "$3"); pw1=$(wakeups "$2"); sw1=$(wakeups "$3"); t1=$(date +%s%N)
  awk -v l="$1" -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v pw=$((pw1 - pw0)) -v sw=$((sw1 - sw0)) \
      -v hz="$hz" -v ns=$((t1 - t0)) 'BEGIN {
    secs = ns / 1e9
    printf "%-34s %9.3f %9.3f %9.3f %8.1f %8.1f\n", l, 100 * p / hz / secs, 100 * s / hz / secs,
           100 * (p + s) / hz / secs, pw / secs, sw / secs }'
}

xvfb() {  # a fresh Xvfb at 1920x1080; DISPLAY and XVFB set
  rm -f "$work/displayfd"
  mkfifo "$work/displayfd"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/displayfd" \
    >/dev/null 2>&1 &
  XVFB=$!
  pids+=("$XVFB")
  local number
  read -r -t 20 number <"$work/displayfd"
  export DISPLAY=":$number"
  xset s 600 >/dev/null
}
start() {  # start PROGRAM ARGS...: pid in PROGRAM
  "$@" >/dev/null 2>&1 &
  PROGRAM=$!
  pids+=("$PROGRAM")
  sleep 2
}
stop() { kill "$@" 2>/dev/null || true; wait "$@" 2>/dev/null || true; }

x11_blanked() {
  xvfb
  start "$work/glimmerkin" /s -x11
  measure "X11 /s seen" "$PROGRAM" "$XVFB"
  xset s activate
  sleep 1
  measure "X11 /s, server saver active" "$PROGRAM" "$XVFB"
  stop "$PROGRAM" "$XVFB"
}

x11_covered() {
  xvfb
  start "$work/glimmerkin" -x11 -window -geometry 1920x1080+0+0
  measure "X11 -window seen" "$PROGRAM" "$XVFB"
  xlogo -geometry 1920x1080+0+0 >/dev/null 2>&1 &
  local cover=$!
  pids+=("$cover")
  sleep 1
  measure "X11 -window covered" "$PROGRAM" "$XVFB"
  stop "$PROGRAM" "$cover" "$XVFB"
}

wayland_covered() {
  local run=$work/run-$RANDOM
  mkdir -m 0700 "$run"
  chown 65534:65534 "$run"
  printf 'output HEADLESS-1 mode --custom 1920x1080 position 0 0\n' >"$work/sway.conf"
  chmod 0644 "$work/sway.conf"
  local as_user=(env XDG_RUNTIME_DIR="$run" WAYLAND_DISPLAY=wayland-1 setpriv --reuid=65534
                 --regid=65534 --clear-groups)
  WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    "${as_user[@]}" sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
  local sway=$!
  pids+=("$sway")
  local sock=
  for _ in $(seq 100); do
    sock=$(ls "$run"/sway-ipc.*.sock 2>/dev/null | head -n 1 || true)
    [ -n "$sock" ] && SWAYSOCK=$sock "${as_user[@]}" swaymsg -t get_version >/dev/null 2>&1 && break
    sleep 0.1
  done
  start "${as_user[@]}" "$work/glimmerkin" -background
  measure "Wayland -background seen" "$PROGRAM" "$sway"
  # A still window: the saver stops after its first frame.
  "${as_user[@]}" "$work/glimmerkin" -window -frame-limit 1 >/dev/null 2>&1 &
  local cover=$!
  pids+=("$cover")
  for _ in $(seq 50); do
    SWAYSOCK=$sock "${as_user[@]}" swaymsg "[pid=$cover] fullscreen enable" >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 2
  measure "Wayland -background covered" "$PROGRAM" "$sway"
  # sway's own idle: its headless outputs tick at their refresh rate.
  stop "$PROGRAM"
  measure "Wayland the still cover alone" "$cover" "$sway"
  stop "$cover" "$sway"
}

# mixed LABEL SAVER: /s seen for 30 s, then blanked for 90 s; processor
# seconds of the saver and the server together.
mixed() {
  xvfb
  "$2" /s -x11 >/dev/null 2>&1 &
  local saver=$!
  pids+=("$saver")
  local p0 s0
  p0=$(ticks "$saver"); s0=$(ticks "$XVFB")
  sleep 30
  xset s activate
  sleep 90
  awk -v l="$1" -v t=$(( $(ticks "$saver") - p0 + $(ticks "$XVFB") - s0 )) -v hz="$hz" \
    'BEGIN { printf "%-34s %9.2f s\n", l, t / hz }'
  stop "$saver" "$XVFB"
}

printf "%-34s %9s %9s %9s %8s %8s\n" "" "saver%" "server%" "together%" "saver/s" "server/s"
x11_blanked
x11_covered
[ -z "$wayland" ] || wayland_covered
echo "(each $seconds s; percent of one core; wake-ups a second)"
echo
echo "Seen 30 s, blanked 90 s (X11 /s), processor time of saver and server:"
mixed "glimmerkin" "$work/glimmerkin"
[ -z "$before" ] || mixed "before" "$work/before"
