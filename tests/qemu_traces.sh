#!/usr/bin/env bash
# The simulator built for another architecture, run under qemu-user, writes
# the same traces and frames as this machine's, byte for byte: the scene is
# integer logic, so any difference is a fault.
#   qemu_traces.sh QEMU CROSS_SIM NATIVE_SIM
source "$(dirname "$0")/x11_lib.sh"
QEMU=$1
CROSS_SIM=$2
SIM=$3
[ -x "$QEMU" ] || { echo "SKIP: $QEMU is not installed"; exit $SKIP; }
[ -x "$CROSS_SIM" ] || fail "no cross-built simulator at $CROSS_SIM"

# Under emulation a run is some ten times slower: each one is bounded.
emulated() { timeout 120 "$QEMU" -L / "$@"; }

emulated "$CROSS_SIM" --help >/dev/null 2>&1 || fail "the cross-built simulator does not run under $QEMU"
babies_missing=()
# Seeds and sizes that reach courtships, babies and new aliens, odd sizes,
# few and many aliens, and a seed near the top of the range.
for run in "1 640x480 5000 9" "1234 1024x768 3000 25" "4294967295 333x211 3000 2" "77 1920x1080 2000 9"; do
  set -- $run
  args=(--seed "$1" --size "$2" --ticks "$3" --aliens "$4")
  "$SIM" trace "${args[@]}" >"$TEST_DIR/native.txt" || fail "trace ${args[*]}: the native simulator failed"
  emulated "$CROSS_SIM" trace "${args[@]}" >"$TEST_DIR/cross.txt" ||
    fail "trace ${args[*]}: the cross-built simulator failed or took over 120 s"
  [ "$(wc -l <"$TEST_DIR/native.txt")" -gt "$3" ] || fail "trace ${args[*]}: too short to mean anything"
  # Babies (type 5) in the scene: courtship and offspring ran too.
  grep -q '^5 ' "$TEST_DIR/native.txt" || babies_missing+=("${args[*]}")
  if ! cmp -s "$TEST_DIR/native.txt" "$TEST_DIR/cross.txt"; then
    diff "$TEST_DIR/native.txt" "$TEST_DIR/cross.txt" | head -n 20 >&2
    fail "trace ${args[*]}: the emulated trace differs from this machine's"
  fi
done
[ ${#babies_missing[@]} -lt 4 ] || fail "no run reached the babies"
# A frame's pixels, through the drawing code and the PNG writer.
"$SIM" render --seed 99 --size 800x600 --ticks 200 --out "$TEST_DIR/native.png" ||
  fail "the native simulator did not render"
emulated "$CROSS_SIM" render --seed 99 --size 800x600 --ticks 200 --out "$TEST_DIR/cross.png" ||
  fail "the cross-built simulator did not render"
cmp "$TEST_DIR/native.png" "$TEST_DIR/cross.png" || fail "the emulated frame differs from this machine's"
echo PASS
