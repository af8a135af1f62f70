#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a short time,
# seeded from fuzz/corpus/<name>/ where that exists.
set -euo pipefail
cd "$(dirname "$0")/.."
ls fuzz/*.cmake >/dev/null 2>&1 || exit 0
cmake --preset fuzz >/dev/null
targets=$(cmake --build build/fuzz --target help | grep -o '[A-Za-z0-9_]*_fuzz' | sort -u)
[ -n "$targets" ] || exit 0
# shellcheck disable=SC2086
cmake --build build/fuzz -j "$(nproc 2>/dev/null || echo 2)" --target $targets
for name in $targets; do
  target=$(find build/fuzz -maxdepth 3 -type f -name "$name" -perm -u+x | head -n 1)
  [ -n "$target" ] || { echo "fuzz target $name was not built" >&2; exit 1; }
  corpus=$(mktemp -d)
  seeds="fuzz/corpus/${name%_fuzz}"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  # The real bitmaps are the best seeds for the image reader.
  [ "$name" = bmp_reader_fuzz ] && cp resources/*.bmp "$corpus"/
  echo "fuzzing $name for ${FUZZ_SECONDS:-20} s"
  "$target" -max_total_time="${FUZZ_SECONDS:-20}" -print_final_stats=1 "$corpus" 2>&1 | tail -n 4
  rm -rf "$corpus"
done
