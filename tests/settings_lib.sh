# Shared by the settings window's tests (Xvfb and headless sway), sourced
# after x11_lib.sh or wayland_lib.sh. Each script defines grab_screen FILE
# (the screen as 8-bit PPM) and sets WINDOW_PID.
need python3 convert
# No accessibility bus, no session bus to wait for or start.
export GTK_A11Y=none NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS=unix:path=$TEST_DIR/no-bus
WITHIN="python3 $(dirname "${BASH_SOURCE[0]}")/picture_within.py"

# cpu_ticks PID: user and system time so far, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# expect_preview SEED TICKS SCALE: within 10 s the screen shows the
# simulator's frame for that seed and tick, a 512 x 288 stage at pixel size
# SCALE, less the preview's rounded corners.
expect_preview() {
  local seed=$1 ticks=$2 scale=$3 _
  "$SIM" render --seed "$seed" --size "$((512 * scale))x$((288 * scale))" --ticks "$ticks" \
    --pixel-size "$scale" --out "$TEST_DIR/sim.png" || fail "glimmerkin-sim render failed"
  convert "$TEST_DIR/sim.png" -depth 8 "$TEST_DIR/sim.ppm"
  for _ in $(seq 40); do
    grab_screen "$TEST_DIR/screen.ppm"
    $WITHIN "$TEST_DIR/screen.ppm" "$TEST_DIR/sim.ppm" $((12 * scale)) >/dev/null && return 0
    sleep 0.25
  done
  fail "the preview never showed the simulator's frame for seed $seed, tick $ticks at scale $scale"
}

# window_ended: the window's program ends within 5 s with 0, leaving no
# process it started.
window_ended() {
  local status=0
  wait_exit "$WINDOW_PID" 5 || status=$?
  [ "$status" = 0 ] || fail "closing the window did not end the program (status $status)"
  ! pgrep -P "$WINDOW_PID" >/dev/null || fail "the window left a process behind"
}

# expect_rest HIDE...: the preview uses processor time while shown (3 s) and
# at most one tick in 3 s once the command HIDE... has hidden the window.
expect_rest() {
  local before shown hidden
  before=$(cpu_ticks "$WINDOW_PID")
  sleep 3
  shown=$(( $(cpu_ticks "$WINDOW_PID") - before ))
  "$@" >/dev/null || fail "cannot hide the window: $*"
  sleep 1
  before=$(cpu_ticks "$WINDOW_PID")
  sleep 3
  hidden=$(( $(cpu_ticks "$WINDOW_PID") - before ))
  echo "processor time in 3 s: shown $shown ticks, hidden $hidden ticks"
  [ "$hidden" -le 1 ] || fail "the hidden window used $hidden ticks of processor time in 3 s"
  [ "$shown" -gt "$hidden" ] || fail "the shown preview used no processor time: is it running?"
}
