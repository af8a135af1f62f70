#!/usr/bin/env bash
# Processor use and resident memory of the Linux saver, full screen (/s) at
# the default speed and nine aliens, beside three XScreenSaver hacks at
# their default settings on the same screens, all in one run:
#   X11 (a private Xvfb per measurement) at 1920x1080 and 3840x2160:
#     glimmerkin /s, an older glimmerkin (--before), deco, popsquares,
#     abstractile (each hack with -root);
#   X11 layouts: two 1920x1080 monitors, one 3840x2160 at pixel size 2;
#   X11 at 1920x1080: a minimal client that fills one small rectangle of
#     the root window and waits for the server eleven times a second (the
#     saver's default pace), the floor of any animation (needs cc and
#     libx11-dev; left out without them);
#   Wayland (headless sway, pixman renderer, as user 65534; root only) at
#     1920x1080 and 3840x2160: glimmerkin /s and the older one.
# Each figure is user + system time from /proc/PID/stat, in percent of one
# core, for the program and for its display server, over the measuring time
# after two seconds of start-up; the saver's resident memory is read at the
# end. Machines differ: compare the ratios within one run.
#   scripts/cpu-use.sh [--seconds N] [--before OLD_GLIMMERKIN] [--x11-only] [GLIMMERKIN]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
before=
x11_only=
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    --x11-only) x11_only=1; shift ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
GLIMMERKIN=${1:-build/default/glimmerkin}
for tool in Xvfb xrandr; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done
hacks=(deco popsquares abstractile)
hack_dir=/usr/libexec/xscreensaver
wayland=1
if [ -n "$x11_only" ] || [ "$(id -u)" -ne 0 ] || ! command -v sway >/dev/null; then wayland=; fi

source scripts/measure-lib.sh
# The floor: one 64x64 rectangle filled and synced 11 times a second.
fill_client=
if command -v cc >/dev/null; then
  cat >"$work/fill.c" <<'C'
#include <X11/Xlib.h>
#include <time.h>
int main(void) {
  Display* d = XOpenDisplay(0);
  if (!d) return 1;
  Window root = DefaultRootWindow(d);
  GC gc = XCreateGC(d, root, 0, 0);
  struct timespec pause = {0, 1000000000L / 11};
  for (unsigned long n = 0;; ++n) {
    XSetForeground(d, gc, n * 0x10101UL);
    XFillRectangle(d, root, gc, 100, 100, 64, 64);
    XSync(d, False);
    nanosleep(&pause, 0);
  }
}
C
  cc -O2 -o "$work/fill" "$work/fill.c" -lX11 2>/dev/null && fill_client=$work/fill
fi
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }

# sample PROGRAM SERVER: "program% server% rss-kB" over the measuring time.
sample() {
  sleep 2
  local p0 s0 p1 s1 t0 t1 rss
  p0=$(ticks "$1"); s0=$(ticks "$2"); t0=$(date +%s%N)
  sleep "$seconds"
  kill -0 "$1" 2>/dev/null || { echo "a measured program ended early" >&2; exit 1; }
  p1=$(ticks "$1"); s1=$(ticks "$2"); t1=$(date +%s%N)
  rss=$(rss_kb "$1")
  awk -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v hz="$hz" -v ns=$((t1 - t0)) -v rss="$rss" \
    'BEGIN { secs = ns / 1e9; printf "%.3f %.3f %d\n", 100 * p / hz / secs, 100 * s / hz / secs, rss }'
}

# x11 NAME WxH LAYOUT COMMAND...: one measurement on a fresh Xvfb.
x11() {
  local name=$1 size=$2 layout=$3
  shift 3
  rm -f "$work/displayfd"
  mkfifo "$work/displayfd"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/displayfd" >/dev/null 2>&1 &
  local xvfb=$!
  pids+=("$xvfb")
  local number
  read -r -t 20 number <"$work/displayfd"
  if [ "$layout" = split ]; then
    DISPLAY=":$number" xrandr --setmonitor LEFT 1920/508x1080/286+0+0 screen >/dev/null
    DISPLAY=":$number" xrandr --setmonitor RIGHT 1920/508x1080/286+1920+0 none >/dev/null
  fi
  DISPLAY=":$number" "$@" >/dev/null 2>&1 &
  local program=$!
  pids+=("$program")
  local result
  result=$(sample "$program" "$xvfb")
  kill "$program" "$xvfb" 2>/dev/null || true
  wait "$program" "$xvfb" 2>/dev/null || true
  echo "X11 $size $name $result"
}

# wl NAME WxH COMMAND...: one measurement on a fresh headless sway.
wl() {
  local name=$1 size=$2
  shift 2
  local run=$work/run-$RANDOM
  mkdir -m 0700 "$run"
  chown 65534:65534 "$run"
  printf 'output HEADLESS-1 mode --custom %s position 0 0\n' "$size" >"$work/sway.conf"
  chmod 0644 "$work/sway.conf"
  local as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  XDG_RUNTIME_DIR=$run WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    "${as_user[@]}" sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
  local sway=$!
  pids+=("$sway")
  local ready= sock
  for _ in $(seq 100); do
    sock=$(ls "$run"/sway-ipc.*.sock 2>/dev/null | head -n 1 || true)
    if [ -n "$sock" ] && XDG_RUNTIME_DIR=$run SWAYSOCK=$sock "${as_user[@]}" swaymsg -t get_version \
        >/dev/null 2>&1; then
      ready=1
      break
    fi
    sleep 0.1
  done
  [ -n "$ready" ] || { cat "$work/sway.log" >&2; echo "sway did not start" >&2; exit 1; }
  XDG_RUNTIME_DIR=$run WAYLAND_DISPLAY=wayland-1 "${as_user[@]}" "$@" >/dev/null 2>&1 &
  local program=$!
  pids+=("$program")
  local result
  result=$(sample "$program" "$sway")
  kill "$program" "$sway" 2>/dev/null || true
  wait "$program" "$sway" 2>/dev/null || true
  echo "Wayland $size $name $result"
}

{
  for size in 1920x1080 3840x2160; do
    x11 glimmerkin "$size" whole "$work/glimmerkin" /s -x11
    [ -z "$before" ] || x11 before "$size" whole "$work/before" /s -x11
    for hack in "${hacks[@]}"; do
      [ -x "$hack_dir/$hack" ] && x11 "$hack" "$size" whole "$hack_dir/$hack" -root
    done
  done
  [ -z "$fill_client" ] || x11 fill-11-per-s 1920x1080 whole "$fill_client"
  x11 "glimmerkin-2-monitors" 3840x1080 split "$work/glimmerkin" /s -x11
  [ -z "$before" ] || x11 before 3840x1080 split "$work/before" /s -x11
  x11 "glimmerkin-pixel-size-2" 3840x2160 whole "$work/glimmerkin" /s -x11 -pixel-size 2
  if [ -n "$wayland" ]; then
    for size in 1920x1080 3840x2160; do
      wl glimmerkin "$size" "$work/glimmerkin" /s
      [ -z "$before" ] || wl before "$size" "$work/before" /s
    done
  fi
} >"$work/results"

# Ratios against deco (the lightest hack) on the same system and size.
awk -v secs="$seconds" '
  { key = $1 " " $2; total[NR] = $4 + $5; line[NR] = $0; n = NR
    if ($3 == "deco") deco[key] = $4 + $5
    if ($3 == "before") old[key] = $4 + $5
    if ($3 == "fill-11-per-s") fill[key] = $4 + $5 }
  END {
    printf "%-8s %-10s %-24s %9s %9s %9s %8s %8s %8s %9s\n", "system", "screen", "program", "program%", "server%", "together%", "x deco", "x before", "x fill", "RSS MB"
    for (i = 1; i <= n; ++i) {
      split(line[i], f, " ")
      key = f[1] " " f[2]
      d = (key in deco && deco[key] > 0) ? sprintf("%.2f", total[i] / deco[key]) : "-"
      b = (key in old && old[key] > 0 && f[3] != "before") ? sprintf("%.2f", total[i] / old[key]) : "-"
      c = (key in fill && fill[key] > 0) ? sprintf("%.2f", total[i] / fill[key]) : "-"
      printf "%-8s %-10s %-24s %9.3f %9.3f %9.3f %8s %8s %8s %9.1f\n", f[1], f[2], f[3], f[4], f[5], total[i], d, b, c, f[6] / 1024
    }
    printf "(%d s each; percent of one core; resident memory of the program at the end)\n", secs
  }' "$work/results"
