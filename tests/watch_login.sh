#!/usr/bin/env bash
# -watch-at-login on writes the autostart entry the package ships (with this
# program's own path) into $XDG_CONFIG_HOME/autostart; off removes it; a bad
# value is a usage error that leaves it alone.
#   watch_login.sh GLIMMERKIN SOURCE_DIR
set -u
GLIMMERKIN=$1
SOURCE=$2
DIR=$(mktemp -d /tmp/glimmerkin-test.XXXXXX)
trap 'rm -rf "$DIR"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export XDG_CONFIG_HOME=$DIR/config
entry=$XDG_CONFIG_HOME/autostart/glimmerkin-watch.desktop
program=$(readlink -f "$GLIMMERKIN")

"$GLIMMERKIN" -watch-at-login on >"$DIR/out" || fail "-watch-at-login on failed"
[ -f "$entry" ] || fail "no entry at $entry"
sed "s|^Exec=/usr/bin/glimmerkin |Exec=$program |" "$SOURCE/packaging/glimmerkin-watch.desktop" >"$DIR/expected"
cmp -s "$entry" "$DIR/expected" || { diff "$DIR/expected" "$entry" >&2; fail "the entry is not the package's"; }
status=0
"$GLIMMERKIN" -watch-at-login maybe 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "a bad value exited $status, not 2"
[ -f "$entry" ] || fail "a bad value removed the entry"
"$GLIMMERKIN" --watch-at-login=off >"$DIR/out" || fail "-watch-at-login off failed"
[ ! -e "$entry" ] || fail "the entry is still there"
"$GLIMMERKIN" -watch-at-login off >"$DIR/out" || fail "off twice failed"
echo PASS
