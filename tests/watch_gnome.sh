#!/usr/bin/env bash
# The idle watcher on GNOME Shell 43, headless on Wayland, with buses of the
# test's own: Mutter's idle monitor starts the saver after the delay (its
# fullscreen window in the shell's own screenshot, the simulator's frame);
# ResetIdletime (user activity) ends it. Stand-ins on the test's buses for
# what a shell without GDM lacks: the session manager's idle inhibitor keeps
# the saver away; the shield's ActiveChanged, logind's Lock and
# PrepareForSleep end it, and after them only activity and a whole delay
# bring it back; "Lock When Ended" asks logind's Lock as the user ends it.
# With MODE x11 the shell is an X11 window manager and compositor on Xvfb.
#   watch_gnome.sh GLIMMERKIN STANDIN SIM [wayland|x11]
source "$(dirname "$0")/x11_lib.sh"
source "$(dirname "$0")/watch_lib.sh"
SIM=$3
MODE=${4:-wayland}
need gnome-shell dbus-daemon gdbus gsettings unshare setpriv compare
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: hiding /run/systemd in a mount namespace needs root"
  exit $SKIP
fi
USER_ID=65534
AS_USER=(setpriv --reuid=$USER_ID --regid=$USER_ID --clear-groups)
as_user() { "${AS_USER[@]}" "$@"; }
chown "$USER_ID:$USER_ID" "$TEST_DIR"
chmod 0755 "$TEST_DIR"
install -o $USER_ID -m 0755 "$1" "$TEST_DIR/glimmerkin"
install -o $USER_ID -m 0755 "$2" "$TEST_DIR/dbus_standin"
GLIMMERKIN=$TEST_DIR/glimmerkin
STANDIN=$TEST_DIR/dbus_standin
export HOME=$TEST_DIR/home XDG_CONFIG_HOME=$TEST_DIR/home/.config XDG_RUNTIME_DIR=$TEST_DIR/run
export DBUS_SESSION_BUS_ADDRESS=unix:path=$TEST_DIR/session_bus
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$TEST_DIR/system_bus
unset DISPLAY WAYLAND_DISPLAY WAYLAND_SOCKET XDG_SESSION_ID
if [ "$MODE" = x11 ]; then
  start_xvfb 640x480x24 -ac
  export SHELL_ARGS="--x11 --replace"
else
  export WAYLAND_DISPLAY=wayland-0
  export SHELL_ARGS="--headless --wayland --no-x11 --virtual-monitor 640x480"
fi
mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
write_watch_settings 2
chown -R "$USER_ID:$USER_ID" "$HOME" "$XDG_RUNTIME_DIR"

# The session: both buses and the shell, as the user, in a mount namespace
# where /run/systemd is hidden (else the shell expects logind); one process
# group, ended as a whole.
cat >"$TEST_DIR/session.sh" <<'SESSION'
dbus-daemon --session --address="$DBUS_SYSTEM_BUS_ADDRESS" --nofork --nopidfile &
dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile &
for _ in $(seq 50); do
  [ -S "${DBUS_SESSION_BUS_ADDRESS#unix:path=}" ] && [ -S "${DBUS_SYSTEM_BUS_ADDRESS#unix:path=}" ] && break
  sleep 0.1
done
MUTTER_DEBUG_RESET_IDLETIME=1 NO_AT_BRIDGE=1 gnome-shell $SHELL_ARGS --unsafe-mode &
wait
SESSION
setsid unshare -m bash -c 'mount -t tmpfs tmpfs /run/systemd 2>/dev/null || true
  exec setpriv --reuid='$USER_ID' --regid='$USER_ID' --clear-groups bash "$0"' \
  "$TEST_DIR/session.sh" >"$TEST_DIR/session.log" 2>&1 &
GROUPS_STARTED+=($!)

shell() { as_user gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m org.gnome.Shell.Eval "$1"; }
idle_monitor() {
  as_user gdbus call --session -d org.gnome.Mutter.IdleMonitor -o /org/gnome/Mutter/IdleMonitor/Core \
    -m "org.gnome.Mutter.IdleMonitor.$1"
}
ready=no
for _ in $(seq 300); do
  idle_monitor GetIdletime >/dev/null 2>&1 && shell 'true' 2>/dev/null | grep -q true && { ready=yes; break; }
  sleep 0.1
done
[ $ready = yes ] || { tail -n 30 "$TEST_DIR/session.log" >&2; fail "GNOME Shell did not come up"; }
# Out of the overview (where a fullscreen window is a thumbnail).
shell 'Main.overview.hide()' >/dev/null || fail "cannot leave the overview"

# shot_matches PNG SECONDS: the shell's own screenshot equals the picture
# (the shell's banners, such as "Screen Lock disabled", cleared first).
# capture FILE: the shell's own screenshot (the overview left and the
# shell's banners, such as "Screen Lock disabled", cleared first).
capture() {
  shell 'Main.overview.hide()' >/dev/null 2>&1
  shell 'Main.messageTray.getSources().forEach(s => s.destroy())' >/dev/null 2>&1
  rm -f "$1"
  as_user gdbus call --session -d org.gnome.Shell.Screenshot -o /org/gnome/Shell/Screenshot \
    -m org.gnome.Shell.Screenshot.Screenshot false false "$1" >/dev/null 2>&1 && [ -s "$1" ]
}
# shot_matches PNG SECONDS: the screenshot equals the picture.
shot_matches() {
  local _ diff=unknown
  for _ in $(seq $(( $2 * 4 ))); do
    capture "$TEST_DIR/shot.png"
    diff=$(compare -metric AE "$TEST_DIR/shot.png" "$1" null: 2>&1) && [ "$diff" = 0 ] && return 0
    sleep 0.25
  done
  echo "screenshot: $diff pixels differ" >&2
  return 1
}

# Stand-ins, commanded through FIFOs held open here.
mkfifo "$TEST_DIR/session.cmd" "$TEST_DIR/system.cmd"
chown $USER_ID "$TEST_DIR/session.cmd" "$TEST_DIR/system.cmd"
as_user "$STANDIN" session <"$TEST_DIR/session.cmd" >"$TEST_DIR/standin-session.out" 2>&1 &
PIDS+=($!)
exec 7>"$TEST_DIR/session.cmd"
as_user "$STANDIN" system <"$TEST_DIR/system.cmd" >"$TEST_DIR/standin-system.out" 2>&1 &
PIDS+=($!)
exec 8>"$TEST_DIR/system.cmd"
for _ in $(seq 100); do
  grep -q ready "$TEST_DIR/standin-session.out" && grep -q ready "$TEST_DIR/standin-system.out" && break
  sleep 0.05
done
grep -q ready "$TEST_DIR/standin-system.out" && grep -q ready "$TEST_DIR/standin-session.out" ||
  fail "the stand-ins did not come up"

"$SIM" render --seed 5 --size 640x480 --ticks 10 --out "$TEST_DIR/expected.png" || fail "glimmerkin-sim render failed"
WATCH_AS=("${AS_USER[@]}")
# GNOME's own idle-delay: with no delay stored the watcher's comes before it
# (three quarters); a stored one that is not shorter gets a warning line.
as_user gsettings set org.gnome.desktop.session idle-delay 8 || fail "gsettings set failed"
rm -f "$XDG_CONFIG_HOME/glimmerkin/glimmerkin.i"
start_watcher
head -n 1 "$TEST_DIR/watch.log" | grep -q "the saver starts after 6 s idle" ||
  fail "with GNOME's 8 s delay the watcher said: $(head -n 1 "$TEST_DIR/watch.log")"
stop_watcher "before GNOME's delay"
write_watch_settings 20
start_watcher
for _ in $(seq 40); do [ "$(wc -l <"$TEST_DIR/watch.log")" -ge 2 ] && break; sleep 0.05; done
sed -n 2p "$TEST_DIR/watch.log" | grep -q "warning: the idle delay (20 s) is not shorter than the desktop's own blanking delay (8 s)" ||
  fail "no warning for a delay beyond GNOME's: $(cat "$TEST_DIR/watch.log")"
stop_watcher "beyond GNOME's delay"
as_user gsettings reset org.gnome.desktop.session idle-delay
measure_resting 2
idle_monitor ResetIdletime >/dev/null || fail "ResetIdletime failed"
start_watcher -fixed-seed 5 -frame-limit 10
head -n 1 "$TEST_DIR/watch.log" | grep -q "watching Mutter's idle monitor" ||
  fail "the first line does not name the idle source: $(head -n 1 "$TEST_DIR/watch.log")"
capture "$TEST_DIR/desktop.png" || fail "no screenshot of the desktop"
idle_monitor ResetIdletime >/dev/null
idle_at=$(( $(date +%s%N) / 1000000 + 2000 ))
first_frame "$idle_at" capture "$TEST_DIR/desktop.png" "GNOME ($MODE)"
shot_matches "$TEST_DIR/expected.png" 15 ||
  { cp "$TEST_DIR/shot.png" ./watch_gnome_shot.png; fail "the shell's screenshot is not the simulator's frame"; }

# Activity ends it.
idle_monitor ResetIdletime >/dev/null
wait_saver_count 0 5 || fail "ResetIdletime did not end the saver"
still_running "$WATCHER" "the watcher ended with the saver"

# An idle inhibitor keeps it away for two delays; released, the saver comes.
echo inhibit >&7
sleep 4.5
[ -z "$(saver_pids)" ] || fail "a saver started while the session manager was inhibited"
echo uninhibit >&7
wait_saver_count 1 5 || fail "no saver once the inhibitor went"

# The shield and logind's Lock each end it; after them the old idleness
# counts for nothing, only activity and a new delay do.
for pair in "7 shield 1|shield 0" "8 lock|unlock"; do
  fd=${pair%% *} rest=${pair#* }
  on=${rest%|*} off=${rest#*|}
  wait_saver_count 1 8 || fail "no saver before '$on'"
  echo "$on" >&"$fd"
  wait_saver_count 0 5 || fail "'$on' did not end the saver"
  echo "$off" >&"$fd"
  sleep 2.5
  [ -z "$(saver_pids)" ] || { cat "$TEST_DIR/watch.log" >&2; fail "a saver came back after '$off' without the user"; }
  idle_monitor ResetIdletime >/dev/null
done
# PrepareForSleep ends it too; after the resume (which the shell itself
# counts as activity) the saver waits a whole delay.
wait_saver_count 1 8 || fail "no saver before the sleep"
echo sleep >&8
wait_saver_count 0 5 || fail "PrepareForSleep did not end the saver"
sleep 1
echo wake >&8
woke=$(date +%s%N)
wait_saver_count 1 8 || fail "no saver after the resume and a new delay"
after=$(( ($(date +%s%N) - woke) / 1000000 ))
[ "$after" -ge 1900 ] || fail "a saver came $after ms after the resume, before a whole delay"
grep -q lock-asked "$TEST_DIR/standin-system.out" && fail "the session was locked with Lock When Ended off"

# On X11 the shell restarts in place (a new owner of the idle monitor's
# name, the old watches gone): the watcher arms itself again.
if [ "$MODE" = x11 ]; then
  idle_monitor ResetIdletime >/dev/null
  wait_saver_count 0 5 || fail "ResetIdletime did not end the saver before the restart"
  owner() {
    as_user gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
      -m org.freedesktop.DBus.GetNameOwner org.gnome.Mutter.IdleMonitor 2>/dev/null
  }
  before=$(owner)
  shell 'global.reexec_self()' >/dev/null 2>&1 || true
  now=$before
  for _ in $(seq 200); do
    now=$(owner)
    [ -n "$now" ] && [ "$now" != "$before" ] && break
    sleep 0.1
  done
  [ -n "$now" ] && [ "$now" != "$before" ] || fail "the shell did not restart"
  wait_saver_count 1 15 || fail "no saver after the shell restarted"
fi

# Lock When Ended: the user's activity asks logind's Lock, then the saver goes.
stop_watcher "with the saver showing"
write_watch_settings 2 1
chown -R "$USER_ID:$USER_ID" "$HOME"
start_watcher
wait_saver_count 1 10 || fail "no saver with Lock When Ended"
idle_monitor ResetIdletime >/dev/null
wait_saver_count 0 5 || fail "activity did not end the saver with Lock When Ended"
for _ in $(seq 40); do grep -q lock-asked "$TEST_DIR/standin-system.out" && break; sleep 0.05; done
grep -q lock-asked "$TEST_DIR/standin-system.out" || fail "the session's Lock was not asked for"
stop_watcher "after the lock"
exec 7>&- 8>&-
echo PASS
