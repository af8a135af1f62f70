#!/usr/bin/env bash
# Installs the Debian packages Glimmerkin needs, then checks that the tools
# it installed run on this machine.
#   scripts/setup.sh run    what building and running the saver needs
#   scripts/setup.sh test   that, and everything the tests use (the default)
# As root it runs apt-get itself; otherwise it prints the exact line to run
# and fails. It fails too when an installed tool does not run here, naming
# the tool and the reason, one line each.
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-test}
case "$what" in run|test) ;; *) echo "usage: $0 [run|test]" >&2; exit 2 ;; esac

# Building and running: the compiler, the libraries the saver links, the test
# framework the default build compiles, xdpyinfo (to tell whether there is a
# display at all).
run_packages=(
  cmake make g++ pkg-config python3 zlib1g-dev libpng-dev libcli11-dev
  libgtest-dev libgmock-dev
  libx11-dev libxext-dev libxrandr-dev libxss-dev
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev plasma-wayland-protocols
  libsystemd-dev
  x11-utils
)
test_packages=(
  libbenchmark-dev clang libclang-rt-14-dev
  xvfb xdotool x11-apps x11-xserver-utils imagemagick
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  xscreensaver xsecurelock libpam-wrapper libnss-wrapper
  sway grim wtype
  emscripten nodejs
  lintian dpkg-dev fakeroot file zip unzip man-db desktop-file-utils
  crossbuild-essential-arm64 crossbuild-essential-armhf
  dbus libglib2.0-bin swayidle
  libgtk-4-dev libadwaita-1-dev appstream
)
# Wine with its recommendations, but only for this machine's architecture:
# once a foreign architecture is known, apt meets wine64's "Recommends:
# wine32" with a foreign wine32 whose loader cannot run here, and Debian's
# wine wrapper prefers that loader.
wine_packages=(wine wine64)
# Big packages whose recommendations the tests do not need.
lean_packages=(chromium kwin-wayland cage qemu-user mate-screensaver gnome-shell)
# The arm64 and armhf packages and their tests: Debian's cross toolchains
# with the libraries of those architectures beside this system's own (the
# C++ runtime too, for running their programs under qemu-user).
foreign_archs=(arm64 armhf)
foreign_dev=(libstdc++6 libx11-dev libxext-dev libxrandr-dev libxss-dev libwayland-dev libxkbcommon-dev
  libpng-dev zlib1g-dev libsystemd-dev)

native=$(dpkg --print-architecture)
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing_of() {  # missing_of NAME...: those not installed
  local p
  for p in "$@"; do installed "$p" || echo "$p"; done
}
# Wine packages of another architecture, left by an older setup: their
# loader is what `wine` runs, and it cannot run here.
foreign_wine() {
  dpkg-query -W -f='${Package}:${Architecture} ${Status}\n' 'wine32:*' 'libwine:*' 'wine64:*' 2>/dev/null |
    awk -v n="$native" '$2 == "install" && $4 == "installed" && $1 !~ ":(" n "|all)$" { print $1 }'
}

mapfile -t missing < <(missing_of "${run_packages[@]}")
lean_missing=() wine_missing=() foreign_missing=()
if [ "$what" = test ]; then
  mapfile -t more < <(missing_of "${test_packages[@]}")
  missing+=("${more[@]}")
  mapfile -t wine_missing < <(missing_of "${wine_packages[@]}")
  mapfile -t lean_missing < <(missing_of "${lean_packages[@]}")
  for a in "${foreign_archs[@]}"; do
    mapfile -t more < <(missing_of "${foreign_dev[@]/%/:$a}")
    foreign_missing+=("${more[@]}")
  done
fi
mapfile -t stray_wine < <(foreign_wine)

# Keeps apt from meeting Wine's recommendations with a foreign wine32 or
# libwine ("NAME-" on apt's line): one word for each that the package lists
# of the architectures known now offer (apt refuses a name it cannot find).
no_foreign_wine() {
  local a p
  for a in $(dpkg --print-foreign-architectures); do
    for p in wine32 libwine; do
      apt-cache show "$p:$a" >/dev/null 2>&1 && echo "$p:$a-"
    done
  done
  return 0
}

steps=()
[ ${#stray_wine[@]} -eq 0 ] || steps+=("dpkg --remove ${stray_wine[*]}")
[ ${#missing[@]} -eq 0 ] || steps+=("apt-get install -y ${missing[*]}")
[ ${#wine_missing[@]} -eq 0 ] || steps+=("apt-get install -y ${wine_missing[*]} $(no_foreign_wine | tr '\n' ' ')")
[ ${#lean_missing[@]} -eq 0 ] || steps+=("apt-get install -y --no-install-recommends ${lean_missing[*]}")
if [ ${#foreign_missing[@]} -gt 0 ]; then
  adds=""
  for a in "${foreign_archs[@]}"; do adds+="dpkg --add-architecture $a && "; done
  steps+=("${adds}apt-get update && apt-get install -y ${foreign_missing[*]}")
fi

if [ ${#steps[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Run as root:" >&2
    printf '  apt-get update' >&2
    printf ' && %s' "${steps[@]}" >&2
    echo >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if [ ${#stray_wine[@]} -gt 0 ]; then
    echo "Removing Wine of another architecture, which cannot run here: ${stray_wine[*]}"
    dpkg --remove "${stray_wine[@]}" >/dev/null
  fi
  all=("${missing[@]}" "${wine_missing[@]}" "${lean_missing[@]}" "${foreign_missing[@]}")
  if [ ${#all[@]} -gt 0 ]; then
    echo "Installing ${#all[@]} packages and what they need: ${all[*]}"
    # A mirror caught mid-sync for one architecture fails the update as a
    # whole; what the other lists hold is still good to install from.
    apt-get update -qq || echo "setup.sh: some package lists could not be updated" >&2
  fi
  # shellcheck disable=SC2086
  [ ${#missing[@]} -eq 0 ] || apt-get install -y -qq ${missing[*]} >/dev/null
  # shellcheck disable=SC2086
  [ ${#wine_missing[@]} -eq 0 ] || apt-get install -y -qq ${wine_missing[*]} $(no_foreign_wine) >/dev/null
  # shellcheck disable=SC2086
  [ ${#lean_missing[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends ${lean_missing[*]} >/dev/null
  if [ ${#foreign_missing[@]} -gt 0 ]; then
    known=" $(dpkg --print-foreign-architectures | tr '\n' ' ') "
    added=0
    for a in "${foreign_archs[@]}"; do
      [[ $known == *" $a "* ]] || { dpkg --add-architecture "$a"; added=1; }
    done
    [ $added -eq 0 ] || apt-get update -qq || echo "setup.sh: some package lists could not be updated" >&2
    # One architecture's packages failing (its lists out of date, say) must
    # not stop the rest: the cross tests skip when their libraries are absent.
    for a in "${foreign_archs[@]}"; do
      want=()
      for p in "${foreign_missing[@]}"; do [[ $p == *":$a" ]] && want+=("$p"); done
      [ ${#want[@]} -eq 0 ] && continue
      # shellcheck disable=SC2086
      apt-get install -y -qq ${want[*]} $(no_foreign_wine) >/dev/null ||
        echo "setup.sh: the $a libraries could not be installed; the $a package and tests will be skipped" >&2
    done
  fi
fi

# What was installed must run here. The checks take half a minute, so they
# run again only when the installed packages changed since they last passed.
[ "$what" = test ] || exit 0
stamp=build/setup-checked
if [ -f "$stamp" ] && [ "$stamp" -nt /var/lib/dpkg/status ]; then
  exit 0
fi
exec scripts/check-tools.sh "$stamp"
