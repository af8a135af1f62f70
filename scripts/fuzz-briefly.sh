#!/usr/bin/env bash
# Runs each fuzz target for a short time (clang and libFuzzer).
set -euo pipefail
cd "$(dirname "$0")/.."
ls fuzz/*.cmake >/dev/null 2>&1 || exit 0
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)"
for target in build/fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=$(mktemp -d)
  seeds="fuzz/corpus/${name%_fuzz}"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  echo "fuzzing $name for ${FUZZ_SECONDS:-20} s"
  "$target" -max_total_time="${FUZZ_SECONDS:-20}" -print_final_stats=0 "$corpus" 2>&1 | tail -n 3
  rm -rf "$corpus"
done
