#!/usr/bin/env bash
# cage, the kiosk compositor, headless and as an unprivileged user (it
# refuses root). It has no layer shell, so /s is a fullscreen toplevel: cage
# configures it to the whole output and the saver fills it with buffers of
# that size; the saver ended, cage ends with it. -window, the ambient-display
# choice, fills the output too. (cage 0.1.4 offers no virtual keyboard or
# pointer, so input cannot be tried here.)
# cage's headless output never renders here (each of its output commits
# fails wlroots' test, and grim captures black), so the witness is the
# saver's own request log (WAYLAND_DEBUG), as for weston.
#   desktop_cage.sh GLIMMERKIN WAYLAND_HELPER SIM
source "$(dirname "$0")/wayland_lib.sh"
need cage identify

# start_cage ARGS...: cage running the saver with ARGS, the saver logging
# its requests; cage's pid in CAGE, the log in cage.log.
start_cage() {
  rm -f "$XDG_RUNTIME_DIR"/wayland-*
  "${AS_USER[@]}" cage -- env WAYLAND_DEBUG=client "$GLIMMERKIN" "$@" >"$TEST_DIR/cage.log" 2>&1 &
  CAGE=$!
  PIDS+=("$CAGE")
  local _
  for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/wayland-0" ] && { export WAYLAND_DISPLAY=wayland-0; return 0; }
    kill -0 "$CAGE" 2>/dev/null || break
    sleep 0.1
  done
  cat "$TEST_DIR/cage.log" >&2
  fail "cage did not start"
}

# fills WHAT: within 20 s the saver has been configured to the whole output
# and has shown at least 10 frames from buffers of that size.
fills() {
  local _ log=$TEST_DIR/cage.log attached other
  for _ in $(seq 200); do
    attached=$(awk -v size="$SIZE" '
      /-> wl_shm_pool@[0-9]+\.create_buffer\(/ {
        match($0, /wl_buffer@[0-9]+/); b = substr($0, RSTART, RLENGTH)
        split($0, f, ", "); full[b] = (f[3] "x" f[4] == size) }
      /-> wl_surface@[0-9]+\.attach\(wl_buffer@/ {
        match($0, /wl_buffer@[0-9]+/); if (full[substr($0, RSTART, RLENGTH)]) n++; else other++ }
      END { print n + 0, other + 0 }' "$log")
    other=${attached#* }
    attached=${attached% *}
    [ "$attached" -ge 10 ] && break
    sleep 0.1
  done
  [ "${attached:-0}" -ge 10 ] || fail "$1: $attached frames of $SIZE, the output's size"
  # Full screen never shows a frame of another size, not even the first.
  [ "$1" != /s ] || [ "${other:-0}" -eq 0 ] || fail "$1: $other frames not of the output's size"
  grep -Eq "xdg_toplevel@[0-9]+\.configure\(${SIZE%x*}, ${SIZE#*x}," "$log" ||
    fail "$1: cage never configured it to $SIZE"
}

start_cage /s -fixed-seed 1234
# The output's size, from a capture.
for _ in $(seq 50); do shot HEADLESS-1 "$TEST_DIR/first.ppm" 2>/dev/null && break; sleep 0.1; done
SIZE=$(identify -format '%wx%h' "$TEST_DIR/first.ppm" 2>/dev/null) || fail "cannot capture cage's output"
[[ $SIZE =~ ^[0-9]+x[0-9]+$ ]] || fail "cage's output: no size ($SIZE)"
fills "/s"
grep -Eq 'xdg_toplevel@[0-9]+\.set_fullscreen\(' "$TEST_DIR/cage.log" || fail "/s asked for no full screen"
grep -q 'zwlr_layer_shell' "$TEST_DIR/cage.log" && fail "cage offered a layer shell after all"
# end_saver: SIGTERM to the saver; it ends, and cage with it.
end_saver() {
  local saver
  saver=$(pgrep -P "$CAGE" | head -n 1)
  [ -n "$saver" ] || fail "$1: the saver is gone"
  kill "$saver"
  ends_within "$CAGE" 10 0 "$1: cage after the saver ended"
}
end_saver "/s"

start_cage -window -fixed-seed 7
fills "-window"
end_saver "-window"
echo PASS
