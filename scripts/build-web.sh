#!/usr/bin/env bash
# Builds the web page with Debian's emscripten, offline:
#   scripts/build-web.sh [OUT_DIR [WORK_DIR]]
# OUT_DIR (default build/web) then holds index.html, glimmerkin.js and
# glimmerkin.wasm, all the page needs; WORK_DIR (default build/web-cmake)
# keeps the CMake build for the next run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/web}
work=${2:-$root/build/web-cmake}

if ! command -v emcmake >/dev/null || ! command -v em++ >/dev/null; then
  echo "build-web: emscripten (emcmake, em++) is not installed; run scripts/setup.sh" >&2
  exit 1
fi
# Debian's emscripten finds its node modules (acorn and the like) here; its
# prebuilt library cache is used as installed, so nothing is downloaded.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

# GLIMMERKIN_HOME_URL, when set, is where the page's small project link leads.
home=()
[ -n "${GLIMMERKIN_HOME_URL:-}" ] && home=("-DGLIMMERKIN_HOME_URL=$GLIMMERKIN_HOME_URL")
emcmake cmake -S "$root" -B "$work" -DCMAKE_BUILD_TYPE=Release -DGLIMMERKIN_TESTS=OFF \
  "${home[@]}" >/dev/null 2>&1 || {
  echo "build-web: configuring failed; run: emcmake cmake -S $root -B $work" >&2
  exit 1
}
cmake --build "$work" --target glimmerkin-web -j 2
mkdir -p "$out"
cp "$work/index.html" "$work/glimmerkin.js" "$work/glimmerkin.wasm" "$out/"
echo "build-web: $out/index.html, glimmerkin.js ($(wc -c <"$out/glimmerkin.js") bytes)," \
     "glimmerkin.wasm ($(wc -c <"$out/glimmerkin.wasm") bytes)"
