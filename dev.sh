#!/usr/bin/env bash
# The two commands of the quick start:
#   ./dev.sh run    install what running needs, build, and run Glimmerkin
#   ./dev.sh test   install what the tests need, build, and run every test
set -uo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)

build() {  # build <preset> [targets...]
  local preset=$1
  shift
  cmake --preset "$preset" >/dev/null || return 1
  if [ $# -gt 0 ]; then
    cmake --build --preset "$preset" -j "$jobs" --target "$@"
  else
    cmake --build --preset "$preset" -j "$jobs"
  fi
}

# Every stage of the test command runs, whatever came before; the summary
# says how each went, and the exit status is non-zero if any failed.
summary=()
failures=0
stage() {  # stage NAME COMMAND...: runs it, notes the result
  local name=$1
  shift
  echo "== $name"
  local start=$SECONDS
  if "$@"; then
    summary+=("$(printf '%-22s passed (%d s)' "$name" $((SECONDS - start)))")
  else
    summary+=("$(printf '%-22s FAILED (%d s)%s' "$name" $((SECONDS - start)) "$(failed_tests "$name")")")
    failures=$((failures + 1))
    return 1
  fi
}
# The tests CTest counted as failed in a suite stage, listed after its line.
failed_tests() {
  local log
  case "$1" in
    tests) log=build/default/Testing/Temporary/LastTestsFailed.log ;;
    "sanitizer tests") log=build/asan/Testing/Temporary/LastTestsFailed.log ;;
    *) return ;;
  esac
  [ -s "$log" ] || return
  printf ': %s' "$(cut -d: -f2- "$log" | tr '\n' ' ' | sed 's/ $//')"
}
ctest_fresh() {  # ctest_fresh PRESET: an old list of failures must not be reported again
  rm -f "build/$1/Testing/Temporary/LastTestsFailed.log"
  ctest --preset "$1"
}

case "${1:-}" in
  run)
    scripts/setup.sh run || exit 1
    build default glimmerkin glimmerkin-sim || exit 1
    exec scripts/main-job.sh
    ;;
  test)
    stage setup scripts/setup.sh test
    if stage build build default; then
      stage tests ctest_fresh default
    else
      summary+=("$(printf '%-22s not run: the build failed' tests)")
    fi
    stage fuzzing scripts/fuzz-briefly.sh
    # The same tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
    if stage "sanitizer build" build asan; then
      stage "sanitizer tests" ctest_fresh asan
    else
      summary+=("$(printf '%-22s not run: the build failed' "sanitizer tests")")
    fi
    echo "== Summary"
    printf '  %s\n' "${summary[@]}"
    if [ $failures -gt 0 ]; then
      echo "$failures stage(s) failed"
      exit 1
    fi
    echo "every stage passed"
    ;;
  bench)
    scripts/setup.sh test || exit 1
    build bench || exit 1
    exec build/bench/bench/glimmerkin_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
    ;;
  *)
    echo "usage: $0 run|test|bench" >&2
    exit 2
    ;;
esac
