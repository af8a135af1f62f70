#!/usr/bin/env bash
# What the settings window costs, on a private Xvfb: its start-up time (from
# start to its window shown, several runs), its memory once shown, and its
# processor time while shown and while hidden, beside the saver's own
# try-out window (-window) measured in the same run as the baseline.
#   scripts/settings-use.sh [BUILD_DIR]   (default build/default)
set -euo pipefail
build=${1:-$(dirname "$0")/../build/default}
GLIMMERKIN=$build/glimmerkin
SETTINGS=$build/glimmerkin-settings
before=
[ -x "$SETTINGS" ] || { echo "no settings window at $SETTINGS (build it first)" >&2; exit 1; }
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
source "$(dirname "$0")/measure-lib.sh"
export GDK_BACKEND=x11 GTK_A11Y=none NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus
Xvfb -displayfd 3 -screen 0 1280x1000x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$work/display")

# shown NAME: waits (10 s at most) until a window of that name is shown.
shown() {
  local _
  for _ in $(seq 1000); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
    sleep 0.01
  done
  return 1
}
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

echo "start-up, from start to the window shown (5 runs):"
for run in 1 2 3 4 5; do
  start=$(now_ms)
  "$SETTINGS" >"$work/run$run.log" 2>&1 &
  pid=$!
  pids+=("$pid")
  shown '^Glimmerkin$' || { echo "the window was not shown" >&2; cat "$work/run$run.log" >&2; exit 1; }
  echo "  run $run: $(( $(now_ms) - start )) ms"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
done

# use PID NAME: memory after 3 s, processor time over 10 s shown.
"$SETTINGS" >/dev/null 2>&1 &
window=$!
pids+=("$window")
"$GLIMMERKIN" -window -geometry 640x400+640+0 >/dev/null 2>&1 &
saver=$!
pids+=("$saver")
shown '^Glimmerkin$'
sleep 3
for pid in "$window" "$saver"; do
  name=$([ "$pid" = "$window" ] && echo "settings window" || echo "saver -window (baseline)")
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
  pss=$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup")
  echo "$name: resident ${rss} KiB, proportional ${pss} KiB"
done
w0=$(ticks "$window")
s0=$(ticks "$saver")
sleep 10
w1=$(ticks "$window")
s1=$(ticks "$saver")
id=$(xdotool search --onlyvisible --name '^Glimmerkin$' | while read -r w; do
  [ "$(xdotool getwindowpid "$w" 2>/dev/null)" = "$window" ] && echo "$w"; done | head -1)
xdotool windowunmap --sync "$id"
sleep 1
h0=$(ticks "$window")
sleep 10
h1=$(ticks "$window")
echo "processor time over 10 s (clock ticks of 1/$hz s):"
echo "  saver -window (baseline): $(( s1 - s0 ))"
echo "  settings window, shown:   $(( w1 - w0 ))"
echo "  settings window, hidden:  $(( h1 - h0 ))"
