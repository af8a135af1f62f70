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
  lintian dpkg-dev fakeroot file zip unzip man-db desktop-file-utils
  crossbuild-essential-arm64 crossbuild-essential-armhf
  dbus libglib2.0-bin swayidle
)
# The arm64 and armhf packages and their tests: Debian's cross toolchains
# with the libraries of those architectures beside this system's own (the
# C++ runtime too, for running their programs under qemu-user).
foreign_archs=(arm64 armhf)
foreign_dev=(libstdc++6 libx11-dev libxext-dev libxrandr-dev libxss-dev libwayland-dev libxkbcommon-dev
  libpng-dev zlib1g-dev)

# Big packages whose recommendations the build and tests do not need.
lean_packages=(
  chromium kwin-wayland cage qemu-user mate-screensaver
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
lean_missing=()
for p in "${lean_packages[@]}"; do installed "$p" || lean_missing+=("$p"); done
foreign_missing=()
for a in "${foreign_archs[@]}"; do
  for p in "${foreign_dev[@]}"; do installed "$p:$a" || foreign_missing+=("$p:$a"); done
done
[ ${#missing[@]} -eq 0 ] && [ ${#lean_missing[@]} -eq 0 ] && [ ${#foreign_missing[@]} -eq 0 ] && exit 0

line="apt-get install -y ${missing[*]}"
[ ${#lean_missing[@]} -gt 0 ] && line="$line && apt-get install -y --no-install-recommends ${lean_missing[*]}"
[ ${#foreign_missing[@]} -gt 0 ] &&
  line="dpkg --add-architecture arm64 && dpkg --add-architecture armhf && $line && apt-get install -y ${foreign_missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run as root:" >&2
  echo "  apt-get update && $line" >&2
  exit 1
fi
echo "Installing: ${missing[*]} ${lean_missing[*]} ${foreign_missing[*]}"
export DEBIAN_FRONTEND=noninteractive
known_archs=" $(dpkg --print-foreign-architectures | tr '\n' ' ') "
for a in "${foreign_archs[@]}"; do
  [[ $known_archs == *" $a "* ]] || dpkg --add-architecture "$a"
done
# A mirror caught mid-sync for one architecture fails the update as a
# whole; what the other lists hold is still good to install from.
apt-get update -qq || echo "setup.sh: some package lists could not be updated" >&2
# shellcheck disable=SC2086
[ ${#missing[@]} -eq 0 ] || apt-get install -y -qq ${missing[*]} >/dev/null
# shellcheck disable=SC2086
[ ${#lean_missing[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends ${lean_missing[*]} >/dev/null
# One architecture's packages failing (its lists out of date, say) must not
# stop the rest: the cross tests skip when their libraries are absent.
for a in "${foreign_archs[@]}"; do
  want=()
  for p in "${foreign_missing[@]}"; do [[ $p == *":$a" ]] && want+=("$p"); done
  [ ${#want[@]} -eq 0 ] && continue
  # shellcheck disable=SC2086
  apt-get install -y -qq ${want[*]} >/dev/null ||
    echo "setup.sh: the $a libraries could not be installed; the $a package and tests will be skipped" >&2
done
