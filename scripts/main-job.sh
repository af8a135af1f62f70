#!/usr/bin/env bash
# The main job: frames of the real scene, rendered headless.
set -euo pipefail
cd "$(dirname "$0")/.."
sim=build/default/tools/sim/glimmerkin-sim
mkdir -p build/frames
for tick in 100 400 900; do
  "$sim" render --seed 20261208 --size 1920x1080 --ticks "$tick" --out "build/frames/tick-$tick.png"
done
"$sim" contact-sheet --out build/frames/contact-sheet.png
echo "Rendered build/frames/tick-100.png, tick-400.png, tick-900.png and contact-sheet.png"
