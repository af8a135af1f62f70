# Shared by the tests on KDE's compositor (source after x11_lib.sh, with
# XDG_RUNTIME_DIR set): KWin with its X11-windowed backend on an Xvfb of its
# own, each output an X window, under a D-Bus session of its own.
# The installed binary carries a file capability that exec refuses in a
# container; a copy has none. Its name must stay kwin_wayland.
mkdir -p "$TEST_DIR/kwin"
cp "$(command -v kwin_wayland)" "$TEST_DIR/kwin/kwin_wayland" || fail "cannot copy kwin_wayland"
KWIN_SOCKET=wl-kwin

# start_kwin OUTPUTS: KWin on a new Xvfb, one 800x600 window per output,
# under a D-Bus session of its own; the output windows in OUTPUT_WINDOWS.
start_kwin() {
  local count=$1
  start_xvfb "$((800 * count))x600x24"
  rm -f "$XDG_RUNTIME_DIR/$KWIN_SOCKET"
  # A process group of its own: dbus-run-session, when killed, leaves KWin
  # and the bus behind; ending the group ends them all.
  NO_AT_BRIDGE=1 setsid dbus-run-session -- "$TEST_DIR/kwin/kwin_wayland" --x11-display "$DISPLAY" \
    --width 800 --height 600 --output-count "$count" --socket "$KWIN_SOCKET" --no-lockscreen \
    --no-global-shortcuts --no-kactivities >"$TEST_DIR/kwin.log" 2>&1 &
  local session=$!
  GROUPS_STARTED+=("$session")
  local _
  OUTPUT_WINDOWS=()
  for _ in $(seq 300); do
    mapfile -t OUTPUT_WINDOWS < <(xwininfo -root -children 2>/dev/null |
                                  awk '/"KDE Wayland Compositor/ { print $1 }')
    [ -S "$XDG_RUNTIME_DIR/$KWIN_SOCKET" ] && [ "${#OUTPUT_WINDOWS[@]}" -eq "$count" ] && return 0
    kill -0 "$session" 2>/dev/null || break
    sleep 0.1
  done
  cat "$TEST_DIR/kwin.log" >&2
  fail "KWin did not start with $count outputs"
}

# stop_kwin: ends KWin, its D-Bus and its Xvfb before the next start.
stop_kwin() {
  local pid
  for pid in "${GROUPS_STARTED[@]}"; do end_group "$pid"; done
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait_exit "$pid" 10 >/dev/null 2>&1 || true; done
  PIDS=()
  GROUPS_STARTED=()
}

