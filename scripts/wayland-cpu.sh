#!/usr/bin/env bash
# Processor use of the Wayland saver (saver plus compositor) against the X11
# saver (saver plus X server), in the same run: full screen (/s) at the
# default speed on a 1920x1080 headless sway output and on a 1920x1080 Xvfb
# screen, from user + system time in /proc/PID/stat, as percent of one core.
#   scripts/wayland-cpu.sh [path/to/glimmerkin] [seconds]
# Run as root: sway runs as the unprivileged user 65534 (it refuses root).
set -euo pipefail
cd "$(dirname "$0")/.."
GLIMMERKIN=${1:-build/default/glimmerkin}
SECONDS_TO_MEASURE=${2:-10}
[ -x "$GLIMMERKIN" ] || { echo "no saver at $GLIMMERKIN (build first)" >&2; exit 1; }
for tool in Xvfb sway swaymsg setpriv; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done
[ "$(id -u)" -eq 0 ] || { echo "run as root (sway is started as user 65534)" >&2; exit 1; }

work=$(mktemp -d)
pids=()
finish() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap finish EXIT
chown 65534:65534 "$work"
chmod 0700 "$work"
as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
cp "$GLIMMERKIN" "$work/glimmerkin"
chmod 0755 "$work/glimmerkin"
# No settings file: the default speed (90 ms between frames) and 9 aliens.
export XDG_CONFIG_HOME=$work/config HOME=$work

ticks() {  # user + system time of a process, in clock ticks
  local stat
  stat=$(cat "/proc/$1/stat")
  stat=${stat##*) }
  # shellcheck disable=SC2086
  set -- $stat
  echo $(( ${12} + ${13} ))
}
hz=$(getconf CLK_TCK)

# measure SAVER SERVER: "saver% server%" over the measuring time.
measure() {
  sleep 2  # past creation and the first frames
  local s0 x0 s1 x1 t0 t1
  s0=$(ticks "$1"); x0=$(ticks "$2"); t0=$(date +%s%N)
  sleep "$SECONDS_TO_MEASURE"
  s1=$(ticks "$1"); x1=$(ticks "$2"); t1=$(date +%s%N)
  kill -0 "$1" || { echo "the saver ended during the measurement" >&2; exit 1; }
  awk -v s=$((s1 - s0)) -v x=$((x1 - x0)) -v hz="$hz" -v ns=$((t1 - t0)) \
    'BEGIN { secs = ns / 1e9; printf "%.2f %.2f\n", 100 * s / hz / secs, 100 * x / hz / secs }'
}

# X11: the baseline.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/displayfd" >/dev/null 2>&1 &
xvfb=$!
pids+=("$xvfb")
read -r -t 20 number <"$work/displayfd"
DISPLAY=":$number" "$work/glimmerkin" /s -x11 &
x11=$!
pids+=("$x11")
read -r x11_saver x11_server < <(measure "$x11" "$xvfb")
kill "$x11" "$xvfb"

# Wayland.
export XDG_RUNTIME_DIR=$work/run
mkdir -m 0700 "$XDG_RUNTIME_DIR"
chown 65534:65534 "$XDG_RUNTIME_DIR"
printf 'output HEADLESS-1 mode --custom 1920x1080 position 0 0\n' >"$work/sway.conf"
chmod 0644 "$work/sway.conf"
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
  "${as_user[@]}" sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
sway=$!
pids+=("$sway")
ready=
for _ in $(seq 100); do
  sock=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -n 1 || true)
  if [ -n "$sock" ] && SWAYSOCK=$sock "${as_user[@]}" swaymsg -t get_version >/dev/null 2>&1; then
    ready=1
    break
  fi
  sleep 0.1
done
[ -n "$ready" ] || { cat "$work/sway.log" >&2; echo "sway did not start" >&2; exit 1; }
WAYLAND_DISPLAY=wayland-1 "${as_user[@]}" "$work/glimmerkin" /s &
wayland=$!
pids+=("$wayland")
read -r wl_saver wl_server < <(measure "$wayland" "$sway")

awk -v xs="$x11_saver" -v xx="$x11_server" -v ws="$wl_saver" -v wx="$wl_server" \
    -v secs="$SECONDS_TO_MEASURE" 'BEGIN {
  printf "glimmerkin /s, 1920x1080, default speed, %d s each, percent of one core:\n", secs
  printf "  X11:     saver %6.2f%%  Xvfb %6.2f%%  together %6.2f%%\n", xs, xx, xs + xx
  printf "  Wayland: saver %6.2f%%  sway %6.2f%%  together %6.2f%%\n", ws, wx, ws + wx
  if (xs > 0 && xs + xx > 0)
    printf "  Wayland / X11: saver %.2f, together %.2f\n", ws / xs, (ws + wx) / (xs + xx)
}'
