#!/usr/bin/env bash
# Checks that the tools the tests rely on run on this machine: a tool that is
# installed but cannot run (a loader of another architecture, a missing
# library, a refused capability) is named in one line with the reason, and
# the script fails. With an argument, it writes that file when all passed.
set -uo pipefail
cd "$(dirname "$0")/.."
dir=$(mktemp -d /tmp/glimmerkin-check.XXXXXX)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  [ -n "${WINEPREFIX:-}" ] && timeout 10 wineserver -k >/dev/null 2>&1
  rm -rf "$dir"
}
trap cleanup EXIT
failed=0
bad() { echo "setup: $1 does not run here: $2" >&2; failed=1; }
# last LOG: the last non-empty line of a log, as a reason.
last() { grep -v '^\s*$' "$1" 2>/dev/null | tail -n 1 | cut -c1-160; }

# Xvfb, on a display number it picks itself; the rest of the checks use it.
check_xvfb() {
  exec 5>"$dir/displayfd"
  Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  pids+=($!)
  local i
  for i in $(seq 100); do
    [ -s "$dir/displayfd" ] && break
    kill -0 "${pids[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  exec 5>&-
  if [ ! -s "$dir/displayfd" ]; then
    bad Xvfb "$(last "$dir/xvfb.log")"
    return
  fi
  export DISPLAY=":$(head -n 1 "$dir/displayfd")"
  timeout 10 xdpyinfo >/dev/null 2>&1 || bad Xvfb "xdpyinfo cannot reach its display"
}

# Wine: a fresh 64-bit prefix made and a program run in it.
check_wine() {
  export WINEPREFIX=$dir/wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset WINESERVER
  local status
  timeout 240 wine wineboot --init </dev/null >"$dir/wine.log" 2>&1
  status=$?
  if [ $status -ne 0 ]; then
    local why
    why=$(last "$dir/wine.log")
    [ $status -eq 126 ] && why="exit 126, ${why:-the loader cannot be executed} ($(file -b "$(wine_loader)" | cut -d, -f1-2))"
    [ $status -eq 124 ] && why="wineboot did not finish in 240 s"
    bad Wine "${why:-wineboot exited $status}"
    return
  fi
  timeout 60 wine cmd /c echo ok </dev/null 2>/dev/null | tr -d '\r' | grep -qx ok ||
    bad Wine "a program in a fresh prefix printed nothing"
}
wine_loader() {
  local p
  for p in /usr/lib/wine/wine /usr/lib/wine/wine64; do [ -e "$p" ] && { echo "$p"; return; }; done
  command -v wine
}

# sway, headless, as an unprivileged user (it refuses root).
check_sway() {
  local run=$dir/sway-run
  mkdir -m 0700 "$run" && chown 65534:65534 "$run"
  : >"$dir/sway.conf" && chmod 0644 "$dir/sway.conf"
  chmod 0755 "$dir"
  local as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  env XDG_RUNTIME_DIR="$run" HOME="$run" WLR_BACKENDS=headless WLR_RENDERER=pixman \
    WLR_LIBINPUT_NO_DEVICES=1 "${as[@]}" sway -c "$dir/sway.conf" >"$dir/sway.log" 2>&1 &
  pids+=($!)
  local i sock
  for i in $(seq 100); do
    sock=$(ls "$run"/sway-ipc.*.sock 2>/dev/null | head -n 1)
    if [ -n "$sock" ] && env SWAYSOCK="$sock" "${as[@]}" swaymsg -t get_version >/dev/null 2>&1; then
      return
    fi
    kill -0 "${pids[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  bad sway "$(last "$dir/sway.log")"
}

# Chromium, headless, with its own profile, showing a page.
check_chromium() {
  local home=$dir/chromium
  mkdir -p "$home"
  HOME=$home XDG_CONFIG_HOME=$home XDG_CACHE_HOME=$home timeout 60 chromium --headless=new \
    --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$home/profile" \
    --dump-dom 'data:text/html,<p>glimmerkin-ok</p>' >"$dir/chromium.out" 2>"$dir/chromium.log"
  grep -q glimmerkin-ok "$dir/chromium.out" || bad Chromium "$(last "$dir/chromium.log")"
}

# qemu-user: a C++ program built by each cross toolchain, run emulated.
check_qemu() {  # check_qemu TRIPLET QEMU
  local exe=$dir/hello-$1
  printf '#include <iostream>\nint main() { std::cout << "hello" << std::endl; }\n' >"$dir/hello.cpp"
  if ! "$1-g++" -O1 -o "$exe" "$dir/hello.cpp" 2>"$dir/cc-$1.log"; then
    bad "$1-g++" "$(last "$dir/cc-$1.log")"
    return
  fi
  local out
  out=$(timeout 60 "$2" -L / "$exe" 2>&1)
  [ "$out" = hello ] || bad "$2" "${out:-no output} (a $1 program)"
}

check_xvfb
check_wine
check_sway
check_chromium
check_qemu aarch64-linux-gnu qemu-aarch64
check_qemu arm-linux-gnueabihf qemu-arm

if [ $failed -ne 0 ]; then
  echo "setup: some tools do not run here; the tests that need them would fail" >&2
  exit 1
fi
echo "setup: Xvfb, Wine, sway, Chromium, qemu-aarch64 and qemu-arm run here"
if [ $# -gt 0 ]; then mkdir -p "$(dirname "$1")" && : >"$1"; fi
exit 0
