#!/usr/bin/env bash
# The modes that need no window: /c and no switch print the settings, /a does
# nothing, unknown switches and bad words are usage errors (2, one line); the
# settings file and the command-line values; no display.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$1
export XDG_CONFIG_HOME=$TEST_DIR/config
unset XSCREENSAVER_WINDOW
FILE=$XDG_CONFIG_HOME/glimmerkin/glimmerkin.i

# expect CODE ARGS...: runs with no display and checks the exit status; the
# output is left in $OUT.
expect() {
  local code=$1
  shift
  local status=0
  OUT=$(env -u DISPLAY timeout 10 "$GLIMMERKIN" "$@" 2>&1) || status=$?
  [ "$status" -eq "$code" ] || fail "'$*': exit status $status, expected $code; output: $OUT"
}

expect_output() {
  printf '%s\n' "$OUT" | grep -qF -- "$1" || fail "output lacks '$1': $OUT"
}

# No switch and /c: the two values, the file and how to change them.
for args in "" "/c" "-C" "/c:1234" "- / -" "--"; do
  # shellcheck disable=SC2086
  expect 0 $args
  expect_output "Redraw speed:     5"
  expect_output "Number of aliens: 9"
  expect_output "Settings file: $FILE (not present"
  expect_output "-write-settings"
done

# Values used as read from a hand-edited file, case-insensitively.
mkdir -p "$(dirname "$FILE")"
printf '[GLIMMERKIN]\nRedraw speed = 12\nNUM SPRITES=1junk\n' >"$FILE"
expect 0 /c
expect_output "Redraw speed:     12"
expect_output "Number of aliens: 1"
# A file named glimmerkin.ini has no effect.
rm "$FILE"
printf '[Glimmerkin]\nRedraw Speed=2\n' >"$XDG_CONFIG_HOME/glimmerkin/glimmerkin.ini"
expect 0
expect_output "Redraw speed:     5"

# Command-line values override the file for that run.
expect 0 /c -redraw-speed 3 --num-aliens=20
expect_output "Redraw speed:     3"
expect_output "Number of aliens: 20"

# -write-settings stores in-range values; the next run reads them.
expect 0 -redraw-speed 7 -num-aliens 12 -write-settings
[ -f "$FILE" ] || fail "-write-settings wrote no file"
expect 0
expect_output "Redraw speed:     7"
expect_output "Number of aliens: 12"
expect 2 -redraw-speed 11 -write-settings
expect 2 -num-aliens 1 -write-settings
expect 2 -write-settings /s

# /a: nothing to change here.
expect 0 /a
expect 0 /a 1234

# Unknown switches and malformed words: one line on standard error, exit 2.
for args in "/x" "5" "root" "---root" "--root=1" "-window-id" "-redraw-speed x" "-num-aliens" \
            "-fixed-seed -1" "-root /s" "-window /c" "--frobnicate" "-pixel-size two" \
            "-geometry 0x0"; do
  # shellcheck disable=SC2086
  expect 2 $args
  [ "$(printf '%s\n' "$OUT" | wc -l)" -eq 1 ] || fail "'$args': more than one line: $OUT"
done
expect 2 "$(printf '/\ts')"

# No display: full screen and windows fail with 1, previews and named windows
# with -1.
expect 1 /s
expect 1 -root
expect 1 -window
expect 255 /p 1234
expect 255 -window-id 1234

# A settings file that is a directory or huge binary noise is harmless.
rm -rf "$XDG_CONFIG_HOME/glimmerkin"
mkdir -p "$FILE"
expect 0 /c
expect_output "Redraw speed:     5"
rm -rf "$FILE"
head -c 3000000 /dev/urandom >"$FILE"
expect 0 /c
expect_output "Number of aliens: 9"

expect 0 -help
expect_output "-window-id"
expect 0 -h
expect_output "-pixel-size"
for word in -version --version; do
  expect 0 $word
  [ "$OUT" = "glimmerkin 1.0.0" ] || fail "$word printed '$OUT'"
done
echo PASS
