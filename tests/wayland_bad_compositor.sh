#!/usr/bin/env bash
# Compositors that lack what the saver needs, refuse its surfaces, close
# them or hang up: each time one line of message and exit 1, never a crash
# or a hang.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
FAKE=$2
export XDG_RUNTIME_DIR=$TEST_DIR/run XDG_CONFIG_HOME=$TEST_DIR/config
mkdir -m 0700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_SOCKET

# expect MODE EXPECTED-TEXT SAVER-ARGS...: against a fake compositor in MODE.
expect() {
  local mode=$1 text=$2
  shift 2
  local socket=fake-$mode
  "$FAKE" "$socket" "$mode" 2>"$TEST_DIR/fake.log" &
  local fake=$!
  PIDS+=("$fake")
  for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/$socket" ] && break; sleep 0.05; done
  [ -S "$XDG_RUNTIME_DIR/$socket" ] || fail "the fake compositor did not start ($mode)"
  WAYLAND_DISPLAY=$socket "$GLIMMERKIN" "$@" -fixed-seed 1 2>"$TEST_DIR/saver.log" &
  local saver=$!
  PIDS+=("$saver")
  local status=0
  wait_exit "$saver" 10 || status=$?
  [ "$status" -eq 124 ] && fail "$mode, $*: the saver hangs"
  [ "$status" -eq 1 ] || fail "$mode, $*: exit status $status, expected 1 ($(cat "$TEST_DIR/saver.log"))"
  [ "$(wc -l <"$TEST_DIR/saver.log")" -eq 1 ] || fail "$mode, $*: not one line: $(cat "$TEST_DIR/saver.log")"
  grep -q -- "$text" "$TEST_DIR/saver.log" || fail "$mode, $*: said '$(cat "$TEST_DIR/saver.log")'"
  kill "$fake"
  wait "$fake" 2>/dev/null || true
}

expect empty "no wl_compositor or wl_shm" /s
expect bare "neither the layer shell nor xdg-shell" /s
expect bare "-window needs a compositor with xdg-shell" -window
expect plugin "-window needs a compositor with xdg-shell" -window
expect bare "needs a compositor with the layer shell" -background
expect refuse "refused a request (zwlr_layer_shell_v1 error 0)" /s
expect refuse "refused a request" -background
expect close "closed the saver's surfaces" /s
expect close "closed the saver's surfaces" -background
expect hangup "lost the connection" /s

expect xdg "needs a compositor with the layer shell" -background

# Without the layer shell, /s is a fullscreen toplevel on the output, drawn
# in buffers of the size the compositor configured.
"$FAKE" fake-xdg xdg 2>"$TEST_DIR/fake.log" &
fake=$!
PIDS+=("$fake")
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/fake-xdg" ] && break; sleep 0.05; done
WAYLAND_DISPLAY=fake-xdg WAYLAND_DEBUG=client "$GLIMMERKIN" /s -fixed-seed 1 -frame-limit 2 \
  2>"$TEST_DIR/saver.log" &
saver=$!
PIDS+=("$saver")
drawn=
for _ in $(seq 100); do
  grep -Eq 'wl_surface@[0-9]+\.attach\(wl_buffer@[0-9]+, 0, 0\)' "$TEST_DIR/saver.log" && drawn=1 && break
  sleep 0.05
done
kill "$saver" 2>/dev/null
[ -n "$drawn" ] || fail "no buffer attached to the fullscreen toplevel"
grep -Eq 'xdg_toplevel@[0-9]+\.set_fullscreen\(wl_output@[0-9]+\)' "$TEST_DIR/saver.log" \
  || fail "the toplevel is not made fullscreen on the output"
grep -q 'set_title("Screen Saver")' "$TEST_DIR/saver.log" || fail "the toplevel's title"
grep -Eq 'create_buffer\(new id wl_buffer@[0-9]+, 0, 640, 480, 2560, 1\)' "$TEST_DIR/saver.log" \
  || fail "no 640x480 XRGB buffer for the configured size"
kill "$fake"
wait "$fake" 2>/dev/null || true

# No compositor at all behind WAYLAND_DISPLAY.
status=0
WAYLAND_DISPLAY=nothing-here "$GLIMMERKIN" /s 2>"$TEST_DIR/saver.log" || status=$?
[ "$status" -eq 1 ] || fail "no compositor: exit status $status"
grep -q "cannot connect" "$TEST_DIR/saver.log" || fail "no compositor: said '$(cat "$TEST_DIR/saver.log")'"

# Which front end: Wayland when WAYLAND_SOCKET (a connection handed over) or
# WAYLAND_DISPLAY is set, X11 with -x11 or without them (no X display here,
# so X11 says so). libwayland refuses a WAYLAND_SOCKET that is no descriptor.
for args in /s -background; do
  status=0
  WAYLAND_SOCKET=not-a-descriptor "$GLIMMERKIN" $args 2>"$TEST_DIR/saver.log" || status=$?
  [ "$status" -eq 1 ] || fail "WAYLAND_SOCKET alone, $args: exit status $status"
  grep -q "cannot connect to the Wayland compositor" "$TEST_DIR/saver.log" \
    || fail "WAYLAND_SOCKET alone, $args: not Wayland: '$(cat "$TEST_DIR/saver.log")'"
done
for run in "WAYLAND_DISPLAY=nothing-here /s -x11" "WAYLAND_SOCKET=7 -background -x11" \
           "WAYLAND_DISPLAY= /s" "WAYLAND_DISPLAY= -background"; do
  read -r setting args <<<"$run"
  status=0
  # shellcheck disable=SC2086
  env "$setting" "$GLIMMERKIN" $args 2>"$TEST_DIR/saver.log" || status=$?
  [ "$status" -eq 1 ] || fail "$run: exit status $status"
  grep -q "X display" "$TEST_DIR/saver.log" || fail "$run: not X11: '$(cat "$TEST_DIR/saver.log")'"
done
echo PASS
