# Shared by the Wayland saver tests: a private headless sway per test, run
# as an unprivileged user, bounded waits, and cleanup of what was started.
# Usage: source wayland_lib.sh; scripts run as  script GLIMMERKIN HELPER SIM
source "$(dirname "${BASH_SOURCE[0]}")/x11_lib.sh"
need sway swaymsg grim wtype setpriv compare
USER_ID=65534
chown "$USER_ID:$USER_ID" "$TEST_DIR"
chmod 0700 "$TEST_DIR"
export XDG_RUNTIME_DIR=$TEST_DIR/run
mkdir -m 0700 "$XDG_RUNTIME_DIR"
chown "$USER_ID:$USER_ID" "$XDG_RUNTIME_DIR"
export WAYLAND_DISPLAY=wayland-1 XDG_CONFIG_HOME=$TEST_DIR/config HOME=$TEST_DIR
export WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1

# Used as a command, not a function, for background jobs: then $! is the
# program itself (setpriv execs it) and cleanup's kill reaches it.
AS_USER=(setpriv --reuid=$USER_ID --regid=$USER_ID --clear-groups)
as_user() { "${AS_USER[@]}" "$@"; }

# copy_program PATH: a copy the unprivileged user can run; prints its path.
copy_program() {
  local to=$TEST_DIR/$(basename "$1")
  cp "$1" "$to" && chmod 0755 "$to" && chown "$USER_ID:$USER_ID" "$to"
  echo "$to"
}

# start_sway WxH: the compositor with one output of that size.
start_sway() {
  printf 'output HEADLESS-1 mode --custom %s position 0 0\n' "$1" >"$TEST_DIR/sway.conf"
  chown "$USER_ID:$USER_ID" "$TEST_DIR/sway.conf"
  "${AS_USER[@]}" sway -c "$TEST_DIR/sway.conf" >"$TEST_DIR/sway.log" 2>&1 &
  SWAY=$!
  PIDS+=("$SWAY")
  for _ in $(seq 100); do
    SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -n 1)
    export SWAYSOCK
    [ -n "$SWAYSOCK" ] && as_user swaymsg -t get_version >/dev/null 2>&1 && return 0
    kill -0 "$SWAY" 2>/dev/null || break
    sleep 0.1
  done
  cat "$TEST_DIR/sway.log" >&2
  fail "sway did not start"
}

# shot OUTPUT FILE: the output's pixels as PPM.
shot() { as_user grim -o "$1" -t ppm - >"$2"; }

sway_msg() { as_user swaymsg "$@"; }

# The programs, as copies the unprivileged user can run.
GLIMMERKIN=$(copy_program "$1")
HELPER=$(copy_program "$2")
SIM=$3
[ -x "$GLIMMERKIN" ] && [ -x "$HELPER" ] || fail "cannot copy the programs"

# start_saver ARGS...: the saver as the unprivileged user; its pid in SAVER,
# its messages in $TEST_DIR/saver.log.
start_saver() {
  "${AS_USER[@]}" "$GLIMMERKIN" "$@" 2>"$TEST_DIR/saver.log" &
  SAVER=$!
  PIDS+=("$SAVER")
}

# pointer WxH STEP...: a virtual pointer over a layout of that extent.
pointer() { as_user "$HELPER" pointer "$@" || fail "the pointer helper failed"; }

# differing OUTPUT PNG: how many pixels of the output differ from the image.
differing() {
  shot "$1" "$TEST_DIR/shot.ppm" || { echo unknown; return; }
  compare -metric AE "$TEST_DIR/shot.ppm" "$2" null: 2>&1 || true
}

# expect_frame OUTPUT PNG SECONDS WHAT: waits until the output shows exactly
# the image.
expect_frame() {
  local limit=$(( $3 * 10 )) i=0 diff
  while :; do
    diff=$(differing "$1" "$2")
    [ "$diff" = 0 ] && return 0
    [ $i -ge $limit ] && break
    sleep 0.1
    i=$((i + 1))
  done
  cp "$TEST_DIR/shot.ppm" "$TEST_DIR/last.ppm" 2>/dev/null
  fail "$4: $diff pixels differ"
}

# expect_region X,Y WxH EXPECTED.png MESSAGE: waits up to 10 s until that
# part of the screen shows the picture pixel for pixel, else fails.
expect_region() {
  local _
  for _ in $(seq 100); do
    as_user grim -g "$1 $2" -t ppm - >"$TEST_DIR/region.ppm" 2>/dev/null
    [ "$(compare -metric AE "$TEST_DIR/region.ppm" "$3" null: 2>&1)" = 0 ] && return 0
    sleep 0.1
  done
  fail "$4"
}

# render SEED WxH TICKS FILE [more sim options]: the simulator's frame.
render() {
  local seed=$1 size=$2 ticks=$3 out=$4
  shift 4
  "$SIM" render --seed "$seed" --size "$size" --ticks "$ticks" --out "$out" "$@" \
    || fail "glimmerkin-sim render failed"
}

# ends_within PID SECONDS STATUS WHAT: the process ends in time with that status.
ends_within() {
  local status=0
  wait_exit "$1" "$2" || status=$?
  [ "$status" -eq 124 ] && fail "$4: still running after $2 s"
  [ "$status" -eq "$3" ] || fail "$4: exit status $status, expected $3"
}
