#!/usr/bin/env bash
# The two commands of the quick start:
#   ./dev.sh run    install what is missing, build, and run Glimmerkin
#   ./dev.sh test   install what is missing, build, and run every test
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)

build() {  # build <preset>
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
}

case "${1:-}" in
  run)
    scripts/setup.sh
    build default
    exec scripts/main-job.sh
    ;;
  test)
    scripts/setup.sh
    build default
    ctest --preset default
    scripts/fuzz-briefly.sh
    # The same tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
    build asan
    ctest --preset asan
    ;;
  bench)
    scripts/setup.sh
    build bench
    build/bench/bench/glimmerkin_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
    ;;
  *)
    echo "usage: $0 run|test|bench" >&2
    exit 2
    ;;
esac
