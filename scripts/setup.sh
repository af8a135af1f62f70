#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. As root it runs
# apt-get itself; otherwise it prints the exact line to run and fails.
set -euo pipefail

packages=(
  cmake make g++ pkg-config python3 zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libpng-dev
  clang libclang-rt-14-dev
  libx11-dev libxext-dev libxrandr-dev libxss-dev
  xvfb xdotool x11-apps x11-utils x11-xserver-utils imagemagick
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64
  xscreensaver xsecurelock libpam-wrapper libnss-wrapper
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev sway grim wtype
  emscripten nodejs
  lintian dpkg-dev fakeroot file zip unzip man-db
)
# Big packages whose recommendations the build and tests do not need.
lean_packages=(
  chromium
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
lean_missing=()
for p in "${lean_packages[@]}"; do installed "$p" || lean_missing+=("$p"); done
[ ${#missing[@]} -eq 0 ] && [ ${#lean_missing[@]} -eq 0 ] && exit 0

line="apt-get install -y ${missing[*]}"
[ ${#lean_missing[@]} -gt 0 ] && line="$line && apt-get install -y --no-install-recommends ${lean_missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run as root:" >&2
  echo "  apt-get update && $line" >&2
  exit 1
fi
echo "Installing: ${missing[*]} ${lean_missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync for one architecture fails the update as a
# whole; what the other lists hold is still good to install from.
apt-get update -qq || echo "setup.sh: some package lists could not be updated" >&2
# shellcheck disable=SC2086
[ ${#missing[@]} -eq 0 ] || apt-get install -y -qq ${missing[*]} >/dev/null
# shellcheck disable=SC2086
[ ${#lean_missing[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends ${lean_missing[*]} >/dev/null
