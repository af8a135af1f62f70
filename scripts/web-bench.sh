#!/usr/bin/env bash
# One RunFrame at 1920x1080 in headless Chromium against the native build's,
# both measured in this one run (the native figures before and after the
# browser's, the better of the two kept):
#   scripts/web-bench.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/build-web.sh >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench -j 2 >/dev/null
echo "glimmerkin.wasm $(wc -c <build/web/glimmerkin.wasm) bytes, glimmerkin.js $(wc -c <build/web/glimmerkin.js) bytes"
exec python3 tests/web/web_bench.py build/web build/bench/bench/glimmerkin_bench
