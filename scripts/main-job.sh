#!/usr/bin/env bash
# The main job: a trace of the scene from the headless simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
build/default/tools/sim/glimmerkin-sim trace --seed 1 --size 1024x768 --ticks 600 | tail -n 20
