#!/usr/bin/env bash
# MATE's screen saver (mate-screensaver) on Xvfb finds Glimmerkin's theme
# entry as `cmake --install` puts it under /usr, and, made the only theme,
# runs it on activation: the screen shows Glimmerkin's scene, moving. The
# install happens in a private mount namespace, over the real folders, so the
# system itself is left as it was.
#   desktop_mate.sh BUILD_DIR HELPER SIM
if [ -z "${GLIMMERKIN_MOUNT_NS:-}" ]; then
  command -v unshare >/dev/null && [ "$(id -u)" -eq 0 ] ||
    { echo "SKIP: needs root and unshare for a private mount namespace"; exit 77; }
  GLIMMERKIN_MOUNT_NS=1 exec unshare --mount --propagation private bash "$0" "$@"
fi
source "$(dirname "$0")/x11_lib.sh"
BUILD=$1
HELPER=$2
SIM=$3
need Xvfb mate-screensaver mate-screensaver-command dbus-run-session gsettings compare desktop-file-validate

# `cmake --install` into a staging folder, then its folders mounted where
# they belong; mate-screensaver runs only programs in the hack folder.
STAGE=$TEST_DIR/stage
DESTDIR=$STAGE cmake --install "$BUILD" --prefix /usr >/dev/null || fail "cmake --install failed"
ENTRY=$STAGE/usr/share/applications/screensavers/glimmerkin.desktop
[ -f "$ENTRY" ] || fail "cmake --install put no theme entry in share/applications/screensavers"
desktop-file-validate "$ENTRY" >"$TEST_DIR/validate.txt" || fail "the theme entry is not valid"
grep -E ": (error|warning):" "$TEST_DIR/validate.txt" && fail "desktop-file-validate warns of the theme entry"
for dir in libexec/xscreensaver share/applications/screensavers; do
  mkdir -p "/usr/$dir"
  mount --bind "$STAGE/usr/$dir" "/usr/$dir" || fail "cannot mount the staged /usr/$dir"
done
[ -x /usr/libexec/xscreensaver/glimmerkin ] || fail "the staged program is not in place"

start_xvfb 800x600x24
export HOME=$TEST_DIR/home XDG_CONFIG_HOME=$TEST_DIR/home/.config XDG_CACHE_HOME=$TEST_DIR/home/.cache
export XDG_RUNTIME_DIR=$TEST_DIR/run
mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
# The ground alone (no aliens, the first frame): where nothing walks, the
# scene shows this.
"$SIM" render --seed 1 --size 800x600 --ticks 1 --aliens 0 --out "$TEST_DIR/ground.png" ||
  fail "glimmerkin-sim render failed"

# The session: its own D-Bus (and dconf under the test HOME), the daemon in the
# foreground, all under one dbus-run-session (ended by cleanup).
cat >"$TEST_DIR/session.sh" <<'SESSION'
gsettings set org.mate.screensaver mode 'single'
gsettings set org.mate.screensaver themes "['screensavers-glimmerkin']"
gsettings set org.mate.screensaver lock-enabled false
mate-screensaver --no-daemon >"$1/daemon.log" 2>&1 &
for _ in $(seq 100); do
  mate-screensaver-command --query >/dev/null 2>&1 && break
  sleep 0.1
done
echo ready >"$1/ready"
# Commands arrive through a FIFO, one a line; the answers go to a file.
while read -r command; do
  mate-screensaver-command "--$command" >"$1/answer" 2>&1
  echo "$command done" >>"$1/done"
done <"$1/commands"
SESSION
mkfifo "$TEST_DIR/commands"
# A process group of its own: D-Bus leaves the services it started (dconf,
# the accessibility bus) behind, and ending the group ends them all.
export NO_AT_BRIDGE=1
setsid dbus-run-session -- bash "$TEST_DIR/session.sh" "$TEST_DIR" >"$TEST_DIR/session.log" 2>&1 &
SESSION=$!
GROUPS_STARTED+=("$SESSION")
exec 5>"$TEST_DIR/commands"
for _ in $(seq 200); do [ -f "$TEST_DIR/ready" ] && break; sleep 0.1; done
[ -f "$TEST_DIR/ready" ] || fail "the session did not start"

# ask COMMAND: one mate-screensaver-command, waited for.
ask() {
  echo "$1" >&5
  for _ in $(seq 100); do grep -qx "$1 done" "$TEST_DIR/done" 2>/dev/null && return 0; sleep 0.1; done
  fail "mate-screensaver-command --$1 did not answer"
}

# theme_pid: the Glimmerkin that mate-screensaver started, or nothing.
theme_pid() {
  local pid
  for pid in $(pgrep -x glimmerkin); do
    [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = /usr/libexec/xscreensaver/glimmerkin ] && echo "$pid"
  done
}

ask activate
pid=
for _ in $(seq 100); do pid=$(theme_pid); [ -n "$pid" ] && break; sleep 0.1; done
[ -n "$pid" ] || { cat "$TEST_DIR/daemon.log" >&2; fail "activating ran no Glimmerkin"; }
tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q -- '-root' || fail "the theme ran without -root"
tr '\0' '\n' <"/proc/$pid/environ" | grep -q '^XSCREENSAVER_WINDOW=' ||
  fail "the theme was not given XSCREENSAVER_WINDOW"

# scene_shown FILE: the screen is the ground with sprites on it: most pixels
# are the ground's, and some are not.
scene_shown() {
  "$HELPER" snap 0 "$1" || fail "cannot capture the screen"
  local differ
  differ=$(compare -metric AE "$1" "$TEST_DIR/ground.png" null: 2>&1)
  [[ $differ =~ ^[0-9]+$ ]] && [ "$differ" -gt 200 ] && [ "$differ" -lt 48000 ]
}
shown=
for _ in $(seq 100); do scene_shown "$TEST_DIR/a.png" && { shown=1; break; }; sleep 0.2; done
[ -n "$shown" ] || { cp "$TEST_DIR/a.png" /tmp/glimmerkin-mate-last.png; fail "the screen does not show Glimmerkin's scene"; }
sleep 1
scene_shown "$TEST_DIR/b.png" || fail "the scene went away"
cmp -s "$TEST_DIR/a.png" "$TEST_DIR/b.png" && fail "the scene does not move"

# Deactivated, mate-screensaver takes its window away: Glimmerkin ends.
ask deactivate
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "Glimmerkin still runs after deactivation"
[ -z "$(theme_pid)" ] || fail "a Glimmerkin is left after deactivation"
exec 5>&-

# The entry's own command line, as the preferences dialog runs it for its
# small preview: a stage of the preview's size; the preview closed, it ends
# with 0. Without XSCREENSAVER_WINDOW it draws into the root window.
read -r -a command < <(sed -n 's/^Exec=//p' /usr/share/applications/screensavers/glimmerkin.desktop)
"$SIM" render --seed 3 --size 200x150 --ticks 5 --out "$TEST_DIR/preview.png" || fail "glimmerkin-sim render failed"
make_parent 200 150
XSCREENSAVER_WINDOW=$PARENT "${command[@]}" -fixed-seed 3 -frame-limit 5 &
PREVIEW=$!
PIDS+=("$PREVIEW")
"$HELPER" match "$PARENT" "$TEST_DIR/preview.png" 30 || fail "the small preview does not show its own stage"
"$HELPER" destroy "$PARENT" || fail "cannot destroy the preview window"
status=0
wait_exit "$PREVIEW" 5 || status=$?
[ "$status" -eq 0 ] || fail "the preview window destroyed: exit status $status, expected 0"
"$SIM" render --seed 3 --size 800x600 --ticks 5 --out "$TEST_DIR/root.png" || fail "glimmerkin-sim render failed"
env -u XSCREENSAVER_WINDOW "${command[@]}" -fixed-seed 3 -frame-limit 5 &
ROOT=$!
PIDS+=("$ROOT")
"$HELPER" match 0 "$TEST_DIR/root.png" 30 || fail "without XSCREENSAVER_WINDOW the root window does not show the scene"
kill "$ROOT"
status=0
wait_exit "$ROOT" 5 || status=$?
[ "$status" -eq 0 ] || fail "the root hack: exit status $status after SIGTERM"
echo PASS
