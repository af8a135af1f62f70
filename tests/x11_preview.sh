#!/usr/bin/env bash
# The preview (/p, /l): a child of the given window with its size, never
# closed by input, ending with status 0 when its parent goes away; a missing,
# zero or non-existent window gives -1.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
HELPER=$2
need Xvfb xdotool
start_xvfb 800x600x24
export XDG_CONFIG_HOME=$TEST_DIR/config

for switch in /p /l; do
  make_parent 300 180
  "$GLIMMERKIN" "$switch" "$PARENT" &
  PREVIEW=$!
  PIDS+=("$PREVIEW")
  CHILD=$("$HELPER" wait-child "$PARENT" 20) || fail "$switch: no child window"
  size=$(xwininfo -id "$CHILD" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
  [ "$size" = "300x180" ] || fail "$switch: child is $size, expected 300x180"

  # Input over the preview never closes it.
  xdotool mousemove 50 50
  xdotool mousemove 200 150
  xdotool click 1
  xdotool click 3
  xdotool key x
  xdotool key Escape
  sleep 0.5
  still_running "$PREVIEW" "$switch: input closed the preview"

  # The parent goes away: the preview ends with 0.
  if [ "$switch" = /p ]; then
    kill "$PARENT_PID"  # the server destroys a client's windows when it leaves
  else
    "$HELPER" destroy "$PARENT"
  fi
  status=0
  wait_exit "$PREVIEW" 10 || status=$?
  [ "$status" -eq 0 ] || fail "$switch: exit status $status after the parent went away, expected 0"
done

# A resized parent takes the preview with it.
make_parent 200 100
"$GLIMMERKIN" /p "$PARENT" &
PREVIEW=$!
PIDS+=("$PREVIEW")
CHILD=$("$HELPER" wait-child "$PARENT" 20) || fail "no child window"
xdotool windowsize "$PARENT" 260 140
for _ in $(seq 100); do
  size=$(xwininfo -id "$CHILD" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
  [ "$size" = "260x140" ] && break
  sleep 0.05
done
[ "$size" = "260x140" ] || fail "child is $size after the parent was resized to 260x140"
kill "$PARENT_PID"
status=0
wait_exit "$PREVIEW" 10 || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after the parent went away"

# Bad windows: -1, that is 255.
for args in "/p" "/p 0" "/p 4000000000" "/p 123456" "/p:$PARENT" "/l junk"; do
  status=0
  # shellcheck disable=SC2086
  timeout 10 "$GLIMMERKIN" $args || status=$?
  [ "$status" -eq 255 ] || fail "'$args': exit status $status, expected 255"
done
# The root window's children include the helper's; a window of another
# client that has gone counts as missing too.
make_parent 50 50
GONE=$PARENT
kill "$PARENT_PID"
wait "$PARENT_PID" 2>/dev/null || true
status=0
timeout 10 "$GLIMMERKIN" /p "$GONE" || status=$?
[ "$status" -eq 255 ] || fail "a destroyed window: exit status $status, expected 255"
echo PASS
