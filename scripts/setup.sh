#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. As root it runs
# apt-get itself; otherwise it prints the exact line to run and fails.
set -euo pipefail

packages=(
  cmake make g++ pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libpng-dev
  clang libclang-rt-14-dev
  libx11-dev libxext-dev libxrandr-dev
  xvfb xdotool x11-apps x11-utils imagemagick
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64
  xscreensaver
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

line="apt-get install -y ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run as root:" >&2
  echo "  apt-get update && $line" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq ${missing[*]} >/dev/null
