# Shared by the X11 saver tests: a private Xvfb per test, bounded waits, and
# cleanup of everything the test started.
# Usage: source x11_lib.sh; every test script is run as
#   script GLIMMERKIN HELPER [more...]
set -u

SKIP=77
PIDS=()
# Process groups started with setsid (a desktop session and whatever it
# spawns), ended as a whole.
GROUPS_STARTED=()
TEST_DIR=$(mktemp -d /tmp/glimmerkin-test.XXXXXX)

# end_group PGID: ends every process of the group, waiting up to 5 s.
end_group() {
  kill -- "-$1" 2>/dev/null || return 0
  local _
  for _ in $(seq 50); do
    # Zombies count as gone: nothing may be left to reap them.
    ps -o stat= --pgid "$1" 2>/dev/null | grep -qv '^Z' || break
    sleep 0.1
  done
  kill -KILL -- "-$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

cleanup() {
  local pid
  for pid in "${GROUPS_STARTED[@]}"; do
    end_group "$pid"
  done
  for pid in "${PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$TEST_DIR"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit $SKIP; }
  done
}

# start_xvfb WxHxD [extra Xvfb args]: a server on a free display number
# (chosen by the server itself), DISPLAY set to it. The server keeps its
# state when its last client leaves (-noreset), as a desktop's server would.
start_xvfb() {
  local geometry=$1
  shift
  local dir=$TEST_DIR/xvfb.$RANDOM
  mkdir -p "$dir"
  mkfifo "$dir/displayfd"
  Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset "$@" 3>"$dir/displayfd" \
    >"$dir/xvfb.log" 2>&1 &
  PIDS+=($!)
  local number
  # The server writes its display number once it accepts connections.
  if ! read -r -t 20 number <"$dir/displayfd"; then
    cat "$dir/xvfb.log" >&2
    fail "Xvfb did not start"
  fi
  export DISPLAY=":$number"
}

# wait_exit PID SECONDS: the process's exit status, or 124 if it is still
# running after SECONDS.
wait_exit() {
  local pid=$1
  local limit=$(( $2 * 20 ))
  local i=0
  while kill -0 "$pid" 2>/dev/null; do
    if [ $i -ge "$limit" ]; then
      return 124
    fi
    sleep 0.05
    i=$((i + 1))
  done
  local status=0
  wait "$pid" || status=$?
  return $status
}

# still_running PID: fails the test if the process has ended.
still_running() {
  kill -0 "$1" 2>/dev/null || { local s=0; wait "$1" || s=$?; fail "$2 (process ended with $s)"; }
}

# make_parent W H: a window owned by the test helper $HELPER (pid in
# PARENT_PID, id in PARENT).
make_parent() {
  local out=$TEST_DIR/parent.$RANDOM
  "$HELPER" parent "$1" "$2" >"$out" &
  PARENT_PID=$!
  PIDS+=("$PARENT_PID")
  for _ in $(seq 100); do [ -s "$out" ] && break; sleep 0.05; done
  PARENT=$(cat "$out")
  [ -n "$PARENT" ] || fail "no parent window"
}

# add_test_user NAME: a user account for what must not run as root (the
# XScreenSaver daemon launches no hacks for root), home in HOME_DIR
# ($TEST_DIR/home); when the test ends every process of the account (each
# one this test started) is killed and the account removed. Skips unless root.
add_test_user() {
  need runuser useradd userdel
  if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: making the test's user account needs root"
    exit $SKIP
  fi
  USER_NAME=$1
  trap cleanup_user EXIT
  chmod 755 "$TEST_DIR"
  HOME_DIR=$TEST_DIR/home
  useradd --no-create-home --home-dir "$HOME_DIR" --shell /bin/sh "$USER_NAME" \
    || fail "cannot add the user $USER_NAME"
  mkdir -p "$HOME_DIR"
}
cleanup_user() {
  local pid
  for pid in $(pgrep -u "$USER_NAME" 2>/dev/null); do
    kill -KILL "$pid" 2>/dev/null || true
  done
  userdel "$USER_NAME" 2>/dev/null || true
  cleanup
}

# start_xscreensaver [DAEMON ARGS]: XScreenSaver's daemon through the test's
# as_user, waited for (bounded) until xscreensaver-command reaches it.
start_xscreensaver() {
  as_user xscreensaver -no-splash "$@" >"$TEST_DIR/daemon.log" 2>&1 &
  PIDS+=($!)
  local _
  for _ in $(seq 200); do
    as_user xscreensaver-command -version >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  cat "$TEST_DIR/daemon.log" >&2
  fail "the XScreenSaver daemon did not come up"
}
