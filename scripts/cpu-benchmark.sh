#!/usr/bin/env bash
# Processor use of the Linux saver at the default speed, full screen (/s) on
# a 1920x1080 Xvfb screen, over 20 seconds, as a percentage of one core
# (user + system time of the saver's process from /proc/<pid>/stat).
#   scripts/cpu-benchmark.sh [path/to/glimmerkin] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
GLIMMERKIN=${1:-build/default/glimmerkin}
SECONDS_TO_MEASURE=${2:-20}
[ -x "$GLIMMERKIN" ] || { echo "no saver at $GLIMMERKIN (build first)" >&2; exit 1; }
command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2; exit 1; }

work=$(mktemp -d)
pids=()
finish() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap finish EXIT

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/displayfd" >/dev/null 2>&1 &
xvfb=$!
pids+=("$xvfb")
read -r -t 20 number <"$work/displayfd"
export DISPLAY=":$number"
# No settings file: the default speed (90 ms between frames) and 9 aliens.
export XDG_CONFIG_HOME=$work/config

"$GLIMMERKIN" /s &
saver=$!
pids+=("$saver")
sleep 2  # past creation and the first frames

ticks() {  # user + system time of a process, in clock ticks
  local stat
  stat=$(cat "/proc/$1/stat")
  stat=${stat##*) }  # fields after the command name
  # shellcheck disable=SC2086
  set -- $stat
  echo $(( ${12} + ${13} ))
}
hz=$(getconf CLK_TCK)
saver0=$(ticks "$saver")
server0=$(ticks "$xvfb")
start=$(date +%s%N)
sleep "$SECONDS_TO_MEASURE"
saver1=$(ticks "$saver")
server1=$(ticks "$xvfb")
end=$(date +%s%N)
kill -0 "$saver" || { echo "the saver ended during the measurement" >&2; exit 1; }

awk -v s=$((saver1 - saver0)) -v x=$((server1 - server0)) -v hz="$hz" \
    -v ns=$((end - start)) 'BEGIN {
  secs = ns / 1e9
  printf "glimmerkin /s, 1920x1080, default speed, %.1f s: %.2f%% of one core", secs, 100 * s / hz / secs
  printf " (X server: %.2f%%)\n", 100 * x / hz / secs
}'
