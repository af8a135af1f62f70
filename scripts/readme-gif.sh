#!/usr/bin/env bash
# Remakes docs/glimmerkin.gif: 160 frames of a real scene at the default
# frame interval (90 ms), rendered headless by glimmerkin-sim.
set -euo pipefail
cd "$(dirname "$0")/.."
sim=build/default/tools/sim/glimmerkin-sim
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
"$sim" frames --seed 6 --size 720x405 --ticks 1 --count 160 --outdir "$frames"
convert -delay 9 -loop 0 "$frames"/frame-*.png -layers Optimize docs/glimmerkin.gif
echo "wrote docs/glimmerkin.gif"
