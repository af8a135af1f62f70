#!/bin/sh
# Compares glimmerkin-sim's trace with the independent Python model's, one
# configuration per argument, each "SEED WxH TICKS ALIENS". Exits non-zero and
# prints the first differing line on any difference.
# usage: compare.sh SIM PYTHON MODEL CONFIG...
set -u
set -f
if [ $# -lt 4 ]; then
  echo "usage: compare.sh SIM PYTHON MODEL 'SEED WxH TICKS ALIENS'..." >&2
  exit 2
fi
sim=$1 py=$2 model=$3
shift 3
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
status=0
for config in "$@"; do
  # shellcheck disable=SC2086 # a configuration is four words by design
  set -- $config
  if [ $# -ne 4 ]; then
    echo "FAIL [$config]: expected SEED WxH TICKS ALIENS"; status=1; continue
  fi
  set -- --seed "$1" --size "$2" --ticks "$3" --aliens "$4"
  "$sim" trace "$@" >"$tmp/sim.txt" || { echo "FAIL [$config]: simulator exit $?"; status=1; continue; }
  "$py" "$model" trace "$@" >"$tmp/model.txt" || { echo "FAIL [$config]: model exit $?"; status=1; continue; }
  if cmp -s "$tmp/sim.txt" "$tmp/model.txt"; then
    echo "ok   [$config] $(wc -l <"$tmp/sim.txt") lines"
    continue
  fi
  status=1
  # The first differing line and the tick block it falls in.
  awk -v cfg="$config" '
    FILENAME == ARGV[1] { a[FNR] = $0; na = FNR; next }
    { b[FNR] = $0; nb = FNR }
    END {
      n = na > nb ? na : nb
      for (i = 1; i <= n; i++) {
        if (a[i] ~ /^tick /) t = a[i]
        if (a[i] != b[i]) {
          printf "FAIL [%s]: first difference at line %d (in block \"%s\")\n", cfg, i, t
          printf "  sim:   %s\n  model: %s\n", (i <= na ? a[i] : "<end>"), (i <= nb ? b[i] : "<end>")
          exit
        }
      }
    }' "$tmp/sim.txt" "$tmp/model.txt"
done
exit $status
