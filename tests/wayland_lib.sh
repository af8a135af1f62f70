# Shared by the Wayland saver tests: a private headless sway per test, run
# as an unprivileged user, bounded waits, and cleanup of what was started.
# Usage: source wayland_lib.sh; scripts run as  script GLIMMERKIN SIM
source "$(dirname "${BASH_SOURCE[0]}")/x11_lib.sh"
need sway swaymsg grim wtype setpriv
USER_ID=65534
chown "$USER_ID:$USER_ID" "$TEST_DIR"
chmod 0700 "$TEST_DIR"
export XDG_RUNTIME_DIR=$TEST_DIR/run
mkdir -m 0700 "$XDG_RUNTIME_DIR"
chown "$USER_ID:$USER_ID" "$XDG_RUNTIME_DIR"
export WAYLAND_DISPLAY=wayland-1 XDG_CONFIG_HOME=$TEST_DIR/config HOME=$TEST_DIR
export WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1

as_user() { setpriv --reuid=$USER_ID --regid=$USER_ID --clear-groups "$@"; }

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
  as_user sway -c "$TEST_DIR/sway.conf" >"$TEST_DIR/sway.log" 2>&1 &
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
