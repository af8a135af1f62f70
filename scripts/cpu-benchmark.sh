#!/usr/bin/env bash
# Processor use of the Linux saver at the default speed, full screen (/s), as
# a percentage of one core (user + system time of the saver's process from
# /proc/<pid>/stat), in one run on three private Xvfb screens:
#   1920x1080, one monitor (the baseline);
#   3840x1080 split into two 1920x1080 monitors (a scene each);
#   3840x2160, one monitor, at pixel size 2 (a 1920x1080 stage, enlarged).
# The ratios against the baseline are what to compare across machines.
#   scripts/cpu-benchmark.sh [path/to/glimmerkin] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
GLIMMERKIN=${1:-build/default/glimmerkin}
SECONDS_TO_MEASURE=${2:-20}
[ -x "$GLIMMERKIN" ] || { echo "no saver at $GLIMMERKIN (build first)" >&2; exit 1; }
command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2; exit 1; }
command -v xrandr >/dev/null || { echo "xrandr is not installed" >&2; exit 1; }

work=$(mktemp -d)
pids=()
finish() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap finish EXIT
# No settings file: the default speed (90 ms between frames) and 9 aliens.
export XDG_CONFIG_HOME=$work/config

ticks() {  # user + system time of a process, in clock ticks
  local stat
  stat=$(cat "/proc/$1/stat")
  stat=${stat##*) }  # fields after the command name
  # shellcheck disable=SC2086
  set -- $stat
  echo $(( ${12} + ${13} ))
}
hz=$(getconf CLK_TCK)

# measure NAME WxH SPLIT SAVER-ARGS...: prints "NAME percent-of-a-core"
measure() {
  local name=$1 size=$2 split=$3
  shift 3
  rm -f "$work/displayfd"
  mkfifo "$work/displayfd"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/displayfd" >/dev/null 2>&1 &
  local xvfb=$!
  pids+=("$xvfb")
  local number
  read -r -t 20 number <"$work/displayfd"
  export DISPLAY=":$number"
  if [ "$split" = split ]; then
    xrandr --setmonitor LEFT 1920/508x1080/286+0+0 screen >/dev/null
    xrandr --setmonitor RIGHT 1920/508x1080/286+1920+0 none >/dev/null
  fi
  "$GLIMMERKIN" /s "$@" &
  local saver=$!
  pids+=("$saver")
  sleep 2  # past creation and the first frames
  local saver0 server0 start saver1 server1 end
  saver0=$(ticks "$saver")
  server0=$(ticks "$xvfb")
  start=$(date +%s%N)
  sleep "$SECONDS_TO_MEASURE"
  saver1=$(ticks "$saver")
  server1=$(ticks "$xvfb")
  end=$(date +%s%N)
  kill -0 "$saver" || { echo "the saver ended during the measurement" >&2; exit 1; }
  kill "$saver" "$xvfb"
  wait "$saver" "$xvfb" 2>/dev/null || true
  awk -v n="$name" -v s=$((saver1 - saver0)) -v x=$((server1 - server0)) -v hz="$hz" \
      -v ns=$((end - start)) 'BEGIN {
    secs = ns / 1e9
    printf "%s %.3f %.3f\n", n, 100 * s / hz / secs, 100 * x / hz / secs
  }'
}

{
  measure one-1920x1080 1920x1080 whole
  measure two-1920x1080 3840x1080 split
  measure one-3840x2160-p2 3840x2160 whole -pixel-size 2
} >"$work/results"

awk -v secs="$SECONDS_TO_MEASURE" '
  NR == 1 { base = $2 }
  { printf "glimmerkin /s %-18s %5.2f%% of one core (X server %5.2f%%), %.2f x the one-monitor figure, %s s\n", $1, $2, $3, (base > 0 ? $2 / base : 0), secs }
' "$work/results"
