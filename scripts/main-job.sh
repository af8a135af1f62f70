#!/usr/bin/env bash
# The main job: Glimmerkin in a window on the current display, Wayland's
# when the session is Wayland's (as the program itself chooses), else X11's.
# With no display, frames of the real scene are rendered headless instead.
set -euo pipefail
cd "$(dirname "$0")/.."
wayland_session() {
  # A connection handed over, or a compositor's socket that is there.
  [ -n "${WAYLAND_SOCKET:-}" ] && return 0
  local name=${WAYLAND_DISPLAY:-}
  [ -n "$name" ] || return 1
  [ "${name#/}" != "$name" ] || name=${XDG_RUNTIME_DIR:-}/$name
  [ -S "$name" ]
}
if wayland_session; then
  echo "Glimmerkin in a Wayland window (q or Escape closes it)."
  exec build/default/glimmerkin -window
fi
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Glimmerkin in a window (q or Escape closes it)."
  exec build/default/glimmerkin -window
fi
sim=build/default/tools/sim/glimmerkin-sim
echo "No display (neither a Wayland compositor nor an X display reachable): rendering frames instead."
mkdir -p build/frames/animation
"$sim" frames --seed 20261208 --size 720x405 --ticks 1 --count 100 --outdir build/frames/animation
echo "Rendered 100 frames into build/frames/animation/."
# The GIF is a convenience: ImageMagick's resource limits may refuse it.
if command -v convert >/dev/null &&
   convert -delay 9 -loop 0 build/frames/animation/frame-*.png -layers Optimize build/frames/glimmerkin.gif 2>/dev/null; then
  echo "Wrote build/frames/glimmerkin.gif (100 frames at the default 90 ms)."
fi
for tick in 100 400 900; do
  "$sim" render --seed 20261208 --size 1920x1080 --ticks "$tick" --out "build/frames/tick-$tick.png"
done
"$sim" contact-sheet --out build/frames/contact-sheet.png
echo "Rendered build/frames/tick-100.png, tick-400.png, tick-900.png and contact-sheet.png."
