#!/usr/bin/env bash
# KDE's compositor: Debian's kwin_wayland with its X11-windowed backend on
# Xvfb (each output an X window, captured pixel for pixel). /s on one output
# is the simulator's frame, on two outputs each shows a scene of its own;
# -background and -window draw; swayidle, as the shipped example unit runs
# it, starts /s once KWin reports the session idle.
#   desktop_kwin.sh GLIMMERKIN HELPER SIM SOURCE_DIR
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
HELPER=$2
SIM=$3
SOURCE=$4
need Xvfb kwin_wayland dbus-run-session swayidle xdotool xwininfo compare
export HOME=$TEST_DIR/home XDG_CONFIG_HOME=$TEST_DIR/home/.config XDG_RUNTIME_DIR=$TEST_DIR/run
mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
source "$(dirname "$0")/kwin_lib.sh"

# run_saver ARGS...: the saver on KWin; pid in SAVER, messages in saver.log.
run_saver() {
  WAYLAND_DISPLAY=$KWIN_SOCKET "$GLIMMERKIN" "$@" 2>"$TEST_DIR/saver.log" &
  SAVER=$!
  PIDS+=("$SAVER")
}

ends_within() {
  local status=0
  wait_exit "$1" "$2" || status=$?
  [ "$status" -eq "$3" ] || fail "$4: exit status $status, expected $3"
}

# ---- one output ----
start_kwin 1
"$SIM" render --seed 1234 --size 800x600 --ticks 30 --out "$TEST_DIR/s.png" || fail "glimmerkin-sim render failed"
run_saver /s -fixed-seed 1234 -frame-limit 30
"$HELPER" match "${OUTPUT_WINDOWS[0]}" "$TEST_DIR/s.png" 30 ||
  { cat "$TEST_DIR/saver.log" >&2; fail "/s on KWin differs from the simulator's frame"; }
# A key typed into the output window reaches the saver through KWin.
xdotool key --window "${OUTPUT_WINDOWS[0]}" x
ends_within "$SAVER" 10 0 "a key through KWin"

"$SIM" render --seed 5 --size 800x600 --ticks 12 --out "$TEST_DIR/background.png" ||
  fail "glimmerkin-sim render failed"
run_saver -background -fixed-seed 5 -frame-limit 12
"$HELPER" match "${OUTPUT_WINDOWS[0]}" "$TEST_DIR/background.png" 30 ||
  { cat "$TEST_DIR/saver.log" >&2; fail "-background on KWin differs from the simulator's frame"; }
kill "$SAVER"
ends_within "$SAVER" 10 0 "SIGTERM to -background"

# -window: a toplevel of the size asked for, somewhere on the output.
"$SIM" render --seed 6 --size 400x300 --ticks 8 --out "$TEST_DIR/window.png" || fail "glimmerkin-sim render failed"
WAYLAND_DEBUG=client run_saver -window -geometry 400x300 -fixed-seed 6 -frame-limit 8
convert "$TEST_DIR/window.png" "$TEST_DIR/window.ppm" || fail "convert failed"
# contains SCREEN.ppm PART.ppm: the part appears whole, pixel for pixel,
# somewhere on the screen; prints where.
contains() {
  python3 - "$1" "$2" <<'PY'
import sys
def ppm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace(): pos += 1
        end = pos
        while not data[end:end + 1].isspace(): end += 1
        fields.append(data[pos:end]); pos = end
    w, h = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:]
    return w, h, [pixels[y * w * 3:(y + 1) * w * 3] for y in range(h)]
sw, sh, screen = ppm(sys.argv[1])
pw, ph, part = ppm(sys.argv[2])
for y in range(sh - ph + 1):
    x = screen[y].find(part[0])
    while x >= 0:
        if x % 3 == 0 and all(screen[y + i][x:x + pw * 3] == part[i] for i in range(ph)):
            print(f"+{x // 3}+{y}"); sys.exit(0)
        x = screen[y].find(part[0], x + 1)
sys.exit(1)
PY
}
found=
for _ in $(seq 60); do
  "$HELPER" snap "${OUTPUT_WINDOWS[0]}" "$TEST_DIR/screen.png" 2>/dev/null &&
    convert "$TEST_DIR/screen.png" "$TEST_DIR/screen.ppm" &&
    found=$(contains "$TEST_DIR/screen.ppm" "$TEST_DIR/window.ppm") && break
  sleep 0.3
done
[ -n "$found" ] || fail "-window on KWin does not show the simulator's 400x300 frame"
echo "-window: the frame at $found"
kill "$SAVER"
ends_within "$SAVER" 10 0 "SIGTERM to -window"

# ---- swayidle, as the example unit runs it ----
# Its command line with a 3 s timeout and this saver in a fixed scene.
line=$(sed -n 's/^ExecStart=//p' "$SOURCE/packaging/examples/glimmerkin-swayidle.service")
[[ $line == *"timeout 300 '/usr/bin/glimmerkin /s'"* ]] || fail "unexpected example line: $line"
line=${line/timeout 300/timeout 3}
line=${line/\/usr\/bin\/glimmerkin \/s/$GLIMMERKIN /s -fixed-seed 9 -frame-limit 10}
eval "idle=($line)"
"$SIM" render --seed 9 --size 800x600 --ticks 10 --out "$TEST_DIR/idle.png" || fail "glimmerkin-sim render failed"
"$HELPER" snap "${OUTPUT_WINDOWS[0]}" "$TEST_DIR/before.png" || fail "cannot capture the output"
started=$(date +%s%N)
WAYLAND_DISPLAY=$KWIN_SOCKET "${idle[@]}" >"$TEST_DIR/swayidle.log" 2>&1 &
IDLE=$!
PIDS+=("$IDLE")
sleep 1.5
"$HELPER" match "${OUTPUT_WINDOWS[0]}" "$TEST_DIR/idle.png" 0 >/dev/null 2>&1 &&
  fail "the saver ran before the idle timeout"
"$HELPER" match "${OUTPUT_WINDOWS[0]}" "$TEST_DIR/idle.png" 30 ||
  { cat "$TEST_DIR/swayidle.log" >&2; fail "swayidle on KWin did not start /s"; }
elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
[ "$elapsed" -ge 3000 ] || fail "/s came after $elapsed ms, before the 3 s timeout"
stop_kwin

# ---- two outputs ----
start_kwin 2
# The output windows open on top of each other: side by side before
# anything is drawn (KWin repaints a moved window only on new damage).
xdotool windowmove "${OUTPUT_WINDOWS[1]}" 800 0 || fail "cannot move the second output window"
"$SIM" render --seed 4 --size 800x600 --ticks 10 --out "$TEST_DIR/first.png" || fail "glimmerkin-sim render failed"
"$SIM" render --seed $(( (4 + 0x9E3779B9) % 4294967296 )) --size 800x600 --ticks 10 \
  --out "$TEST_DIR/second.png" || fail "glimmerkin-sim render failed"
run_saver /s -fixed-seed 4 -frame-limit 10
# Which window is the first output is KWin's business: either way round.
a=${OUTPUT_WINDOWS[0]} b=${OUTPUT_WINDOWS[1]}
first=
for _ in $(seq 100); do
  "$HELPER" match "$a" "$TEST_DIR/first.png" 0 >/dev/null 2>&1 && { first=$a second=$b; break; }
  "$HELPER" match "$b" "$TEST_DIR/first.png" 0 >/dev/null 2>&1 && { first=$b second=$a; break; }
  sleep 0.2
done
[ -n "$first" ] || fail "no output shows the seed's scene"
"$HELPER" match "$second" "$TEST_DIR/second.png" 10 || fail "the second output does not show its own scene"
kill "$SAVER"
ends_within "$SAVER" 10 0 "SIGTERM to /s on two outputs"
grep -v '^\[' "$TEST_DIR/saver.log" && fail "the saver wrote messages"
echo PASS
