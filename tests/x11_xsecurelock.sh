#!/usr/bin/env bash
# Beneath Debian's xsecurelock, on a screen of two monitors: the locker runs
# Glimmerkin as its saver (XSECURELOCK_SAVER) once per monitor, and each
# monitor shows the scene, pixel for pixel the simulator's. A made-up user
# (nss_wrapper) with a made-up password (pam_wrapper and pam_matrix): a
# wrong password keeps the lock, and when its prompt closes xsecurelock
# resets the savers with SIGUSR1, which start their scenes afresh in the
# same processes; the right password unlocks, and no saver is left.
source "$(dirname "$0")/x11_lib.sh"
GLIMMERKIN=$(realpath "$1")
HELPER=$2
SIM=$3
need Xvfb xsecurelock xdotool convert
PAM_MATRIX=$(ls /usr/lib/*/pam_wrapper/pam_matrix.so /usr/lib/pam_wrapper/pam_matrix.so 2>/dev/null | head -n 1)
NSS_WRAPPER=$(ls /usr/lib/*/libnss_wrapper.so /usr/lib/libnss_wrapper.so 2>/dev/null | head -n 1)
[ -n "$PAM_MATRIX" ] || { echo "SKIP: pam_wrapper's pam_matrix is not installed"; exit $SKIP; }
[ -n "$NSS_WRAPPER" ] || { echo "SKIP: nss_wrapper is not installed"; exit $SKIP; }
unset XSCREENSAVER_WINDOW WAYLAND_DISPLAY WAYLAND_SOCKET

# pam_wrapper copies the service folder to /tmp/pam.X (62 names in all) in
# every process it is loaded into, and leaves it there when the process is
# killed: it is loaded into the locker's password module alone, and the
# folders holding this test's service go at the end.
SERVICE=glimmerkin-lock-test-$$
remove_pam_folders() {
  local folder
  for folder in /tmp/pam.?; do
    [ -e "$folder/$SERVICE" ] && rm -rf "$folder"
  done
  return 0
}
trap 'cleanup; remove_pam_folders' EXIT

USER_NAME=glimmertest
PASSWORD=moonbeam42
mkdir -p "$TEST_DIR/pam"
printf '%s:%s:%s\n' "$USER_NAME" "$PASSWORD" "$SERVICE" >"$TEST_DIR/passdb"
printf 'auth required %s passdb=%s\naccount required %s passdb=%s\n' \
  "$PAM_MATRIX" "$TEST_DIR/passdb" "$PAM_MATRIX" "$TEST_DIR/passdb" >"$TEST_DIR/pam/$SERVICE"
# The user the locker runs as is the made-up one.
printf '%s:x:%d:%d:Glimmerkin Test:%s:/bin/sh\n' "$USER_NAME" "$(id -u)" "$(id -g)" "$TEST_DIR" \
  >"$TEST_DIR/passwd"
printf '%s:x:%d:\n' "$USER_NAME" "$(id -g)" >"$TEST_DIR/group"

# The saver as a user would name it, with a fixed seed and a slow redraw
# speed (a frame every 1065 ms, the first within a second) for the test;
# each saver's pid is noted. The wrappers stay with the locker.
cat >"$TEST_DIR/saver" <<EOF
#!/bin/sh
echo \$\$ >>"$TEST_DIR/savers"
unset LD_PRELOAD PAM_WRAPPER PAM_WRAPPER_SERVICE_DIR NSS_WRAPPER_PASSWD NSS_WRAPPER_GROUP
exec "$GLIMMERKIN" -fixed-seed 3 -frame-limit 2 -redraw-speed -60 "\$@"
EOF
chmod +x "$TEST_DIR/saver"
AUTHPROTO=$(ls /usr/libexec/xsecurelock/authproto_pam /usr/lib/xsecurelock/authproto_pam 2>/dev/null | head -n 1)
[ -n "$AUTHPROTO" ] || fail "xsecurelock's authproto_pam is not where Debian puts it"
cat >"$TEST_DIR/authproto" <<EOF
#!/bin/sh
LD_PRELOAD="libpam_wrapper.so \$LD_PRELOAD" exec "$AUTHPROTO" "\$@"
EOF
chmod +x "$TEST_DIR/authproto"

start_xvfb 1600x600x24
"$HELPER" split-monitors >/dev/null || fail "cannot split the screen into two monitors"
for tick in 1 2; do
  "$SIM" render --seed 3 --size 800x600 --ticks $tick --out "$TEST_DIR/one$tick.png" \
    || fail "glimmerkin-sim render failed"
  convert "$TEST_DIR/one$tick.png" "$TEST_DIR/one$tick.png" +append "PNG24:$TEST_DIR/both$tick.png"
done

env LD_PRELOAD="$NSS_WRAPPER" PAM_WRAPPER=1 PAM_WRAPPER_SERVICE_DIR="$TEST_DIR/pam" \
  NSS_WRAPPER_PASSWD="$TEST_DIR/passwd" NSS_WRAPPER_GROUP="$TEST_DIR/group" \
  XSECURELOCK_PAM_SERVICE="$SERVICE" XSECURELOCK_AUTHPROTO="$TEST_DIR/authproto" \
  XSECURELOCK_SAVER="$TEST_DIR/saver" \
  XSECURELOCK_SAVER_RESET_ON_AUTH_CLOSE=1 XSECURELOCK_AUTH_TIMEOUT=3 XSECURELOCK_BLANK_TIMEOUT=-1 \
  xsecurelock -- touch "$TEST_DIR/locked" >"$TEST_DIR/xsecurelock.log" 2>&1 &
LOCK=$!
PIDS+=("$LOCK")
for _ in $(seq 200); do [ -e "$TEST_DIR/locked" ] && break; sleep 0.05; done
[ -e "$TEST_DIR/locked" ] || fail "xsecurelock did not lock: $(grep -v PWRAP "$TEST_DIR/xsecurelock.log")"
for _ in $(seq 200); do [ "$(wc -l <"$TEST_DIR/savers" 2>/dev/null)" = 2 ] && break; sleep 0.05; done
[ "$(wc -l <"$TEST_DIR/savers" 2>/dev/null)" = 2 ] ||
  fail "not one saver per monitor: $(wc -l <"$TEST_DIR/savers" 2>/dev/null) started"
read -r -d '' -a SAVERS <"$TEST_DIR/savers" || true
PIDS+=("${SAVERS[@]}")
"$HELPER" match 0 "$TEST_DIR/both2.png" 20 >/dev/null || fail "the monitors do not show the scene"

# type TEXT: the prompt wants a key and a moment before it takes text.
type_password() {
  xdotool key space
  sleep 1.5
  xdotool type --delay 80 "$1"
  xdotool key Return
}

type_password wrong-password
sleep 2
still_running "$LOCK" "a wrong password unlocked"
# Its prompt gives up after 3 s and the savers are reset: each shows its
# new scene's first frame, then its second.
"$HELPER" match 0 "$TEST_DIR/both1.png" 10 >/dev/null || fail "no new scenes after the reset"
"$HELPER" match 0 "$TEST_DIR/both2.png" 5 >/dev/null || fail "the new scenes did not go on"
for pid in "${SAVERS[@]}"; do
  still_running "$pid" "a saver did not outlive the reset"
done
[ "$(wc -l <"$TEST_DIR/savers")" = 2 ] || fail "savers were started again instead of reset"
still_running "$LOCK" "the lock ended with the prompt"

# Typed again should a busy machine have opened the prompt late.
for _ in 1 2 3; do
  type_password "$PASSWORD"
  status=0
  wait_exit "$LOCK" 6 || status=$?
  [ "$status" -eq 124 ] || break
done
[ "$status" -eq 0 ] || fail "the right password: xsecurelock exit status $status, expected 0"
while read -r pid; do
  for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  kill -0 "$pid" 2>/dev/null && fail "a saver is left after the unlock"
done <"$TEST_DIR/savers"
echo PASS
