#!/usr/bin/env bash
# Makes the release files in build/dist/:
#   glimmerkin_<version>_<arch>.deb      the Linux program for Debian and Ubuntu, one
#                                        per architecture (amd64, arm64, armhf)
#   glimmerkin-<version>-windows.zip     glimmerkin.scr, glimmerkin64.scr, INSTALL.txt, LICENSE.txt
#   SHA256SUMS                           sha256sum lines for them all
# The version is CMake's project() version; packaging/changelog must have an
# entry for it.
#   GLIMMERKIN_PACKAGE_BUILD_DIR  scratch builds and staging (default build/package)
#   GLIMMERKIN_DIST_DIR           where the release files go (default build/dist)
#   GLIMMERKIN_WINDOWS_DIST       a folder that already holds both .scr files
#                                 (default: scripts/build-windows.sh builds them)
#   GLIMMERKIN_DEB_ARCHS          the Debian architectures to package (default:
#                                 this machine's, arm64 and armhf); other ones
#                                 are cross-built with crossbuild-essential-ARCH
#                                 and the ARCH -dev packages (scripts/setup.sh)
#   GLIMMERKIN_LINTIAN            0 skips the lintian run at the end
#   JOBS                          parallel build jobs (default 2)
set -euo pipefail
umask 022
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=${GLIMMERKIN_PACKAGE_BUILD_DIR:-$source_dir/build/package}
dist=${GLIMMERKIN_DIST_DIR:-$source_dir/build/dist}
jobs=${JOBS:-2}
export LC_ALL=C TZ=UTC

die() { echo "package.sh: $*" >&2; exit 1; }
for tool in cmake dpkg-deb dpkg-shlibdeps dpkg-buildflags dpkg-parsechangelog gzip zip sha256sum strip; do
  command -v "$tool" >/dev/null || die "$tool is missing (scripts/setup.sh installs it)"
done

native_arch=$(dpkg --print-architecture)
archs=${GLIMMERKIN_DEB_ARCHS:-$native_arch arm64 armhf}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
changelog=$source_dir/packaging/changelog
maintainer=$(dpkg-parsechangelog -l "$changelog" -SMaintainer)
# Every date inside the files is the changelog entry's, so a release can be
# rebuilt byte for byte.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$changelog" -STimestamp)
export SOURCE_DATE_EPOCH

# The Linux program for one architecture, built afresh with Debian's hardening
# flags for it, in $work/linux (this machine's) or $work/linux-ARCH.
build_linux() {
  local arch=$1 build toolchain=()
  if [ "$arch" = "$native_arch" ]; then
    build=$work/linux
  else
    build=$work/linux-$arch
    [ -f "$source_dir/cmake/toolchain-linux-$arch.cmake" ] || die "no toolchain file for $arch"
    toolchain=(-DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-linux-$arch.cmake")
  fi
  local flags=(dpkg-architecture -a "$arch" -c dpkg-buildflags --get)
  local cflags cppflags ldflags
  cflags=$(cd "$source_dir" && "${flags[@]}" CXXFLAGS 2>/dev/null)
  cppflags=$(cd "$source_dir" && "${flags[@]}" CPPFLAGS 2>/dev/null)
  ldflags=$(cd "$source_dir" && "${flags[@]}" LDFLAGS 2>/dev/null)
  cmake -S "$source_dir" -B "$build" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGLIMMERKIN_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$cppflags $cflags" -DCMAKE_C_FLAGS="$cppflags $cflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null ||
    die "cannot configure the $arch build (for another architecture: crossbuild-essential-$arch and the $arch -dev packages, as scripts/setup.sh installs them)"
  # glimmerkin_desktop: the settings window and its listing, where GTK 4 and
  # libadwaita exist for that architecture (nothing otherwise).
  cmake --build "$build" --target glimmerkin glimmerkin_desktop -j "$jobs" >/dev/null ||
    die "the $arch build failed"
  echo "$build"
}

# make_deb ARCH BUILD: the Debian package of that build, into $dist.
make_deb() {
  local arch=$1 linux_build=$2
  local gnu_type
  gnu_type=$(dpkg-architecture -a "$arch" -qDEB_HOST_GNU_TYPE 2>/dev/null)
  local strip_tool=strip
  [ "$arch" = "$native_arch" ] || strip_tool=$gnu_type-strip
  local deb=glimmerkin_${version}_${arch}.deb
  local root=$work/deb-root-$arch
  rm -rf "$root"
  DESTDIR=$root cmake --install "$linux_build" --prefix /usr >/dev/null
  local hack=$root/usr/libexec/xscreensaver/glimmerkin
  [ -x "$hack" ] || die "cmake --install put no program at /usr/libexec/xscreensaver/glimmerkin"
  [ -f "$root/usr/share/xscreensaver/config/glimmerkin.xml" ] || die "the XScreenSaver XML is not installed"
  [ -f "$root/usr/share/applications/screensavers/glimmerkin.desktop" ] || die "the screensaver theme entry is not installed"
  # The settings window, where it was built; its menu entry and listing come
  # with it or not at all.
  local settings=$root/usr/bin/glimmerkin-settings programs=("$hack")
  if [ -e "$settings" ]; then
    programs+=("$settings")
    [ -f "$root/usr/share/applications/org.glimmerkin.Glimmerkin.desktop" ] || die "the menu entry is not installed"
    [ -f "$root/usr/share/metainfo/org.glimmerkin.Glimmerkin.metainfo.xml" ] || die "the metainfo is not installed"
    gzip -9n "$root/usr/share/man/man1/glimmerkin-settings.1"
  fi
  # As dh_strip does; the debugging symbols stay in the build tree.
  "$strip_tool" --strip-unneeded --remove-section=.comment --remove-section=.note "${programs[@]}"
  # Section 6 matches a program in PATH: glimmerkin /s, swayidle lines and the like.
  mkdir -p "$root/usr/bin"
  ln -s ../libexec/xscreensaver/glimmerkin "$root/usr/bin/glimmerkin"
  gzip -9n "$root/usr/share/man/man6/glimmerkin.6"
  local doc=$root/usr/share/doc/glimmerkin
  mkdir -p "$doc"
  cp "$source_dir/packaging/copyright" "$doc/copyright"
  # Starting it with swayidle at login, for Plasma on Wayland and the like.
  mkdir -p "$doc/examples"
  cp "$source_dir/packaging/examples/glimmerkin-swayidle.service" "$doc/examples/"
  # Version without a Debian revision: a native package, whose changelog is changelog.gz.
  gzip -9n <"$changelog" >"$doc/changelog.gz"

  find "$root" -type d -exec chmod 0755 {} +
  find "$root" -type f -exec chmod 0644 {} +
  chmod 0755 "${programs[@]}"

  # Depends from the libraries the program links, as dpkg-shlibdeps finds them
  # for that architecture (it wants a debian/control beside it).
  local shlib=$work/shlibdeps-$arch depends
  rm -rf "$shlib"
  mkdir -p "$shlib/debian"
  printf 'Source: glimmerkin\n\nPackage: glimmerkin\nArchitecture: any\n' >"$shlib/debian/control"
  depends=$(cd "$shlib" && dpkg-architecture -a "$arch" -c dpkg-shlibdeps -O "${programs[@]}" 2>"$shlib/warnings" |
            sed -n 's/^shlibs:Depends=//p')
  [ -n "$depends" ] || { cat "$shlib/warnings" >&2; die "dpkg-shlibdeps found no dependencies for $arch"; }

  mkdir -p "$root/DEBIAN"
  (cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
  # As dpkg-gencontrol counts it: each file's size in KiB, rounded up, and
  # one for every directory and link; the same on every file system.
  local installed_size
  installed_size=$(cd "$root" && find usr \( -type f -printf '%s\n' \) -o -printf '1024\n' |
                   awk '{ k += int(($1 + 1023) / 1024) } END { print k }')
  sed -e "s|@VERSION@|$version|" -e "s|@ARCH@|$arch|" -e "s|@MAINTAINER@|$maintainer|" \
      -e "s|@INSTALLED_SIZE@|$installed_size|" -e "s|@DEPENDS@|$depends|" \
      "$source_dir/packaging/control.in" >"$root/DEBIAN/control"
  chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
  find "$root" -newermt "@$SOURCE_DATE_EPOCH" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  dpkg-deb --root-owner-group -Zxz --build "$root" "$dist/$deb" >/dev/null
  debs+=("$deb")
}

builds=()
for arch in $archs; do builds+=("$(build_linux "$arch")") || exit 1; done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "${builds[0]}/CMakeCache.txt")
[ -n "$version" ] || die "no project version in ${builds[0]}/CMakeCache.txt"
logged=$(dpkg-parsechangelog -l "$changelog" -SVersion)
[ "$logged" = "$version" ] ||
  die "packaging/changelog's newest entry is $logged, CMake's version is $version: add an entry"

mkdir -p "$dist"
zipname=glimmerkin-${version}-windows.zip
rm -f "$dist"/glimmerkin_*.deb "$dist"/glimmerkin-*-windows.zip "$dist/SHA256SUMS"

# ---- The Debian packages ----
debs=()
i=0
for arch in $archs; do
  make_deb "$arch" "${builds[$i]}"
  i=$((i + 1))
done

# ---- The Windows zip ----
windows=${GLIMMERKIN_WINDOWS_DIST:-}
if [ -z "$windows" ]; then
  GLIMMERKIN_WINDOWS_BUILD_DIR=$work/windows JOBS=$jobs "$source_dir/scripts/build-windows.sh" >/dev/null
  windows=$work/windows/dist
fi
for scr in glimmerkin.scr glimmerkin64.scr; do
  [ -f "$windows/$scr" ] || die "$windows/$scr is missing"
done
zip_root=$work/zip
rm -rf "$zip_root"
mkdir -p "$zip_root"
cp "$windows/glimmerkin.scr" "$windows/glimmerkin64.scr" "$zip_root/"
# Windows text: CRLF line ends.
sed -e "s|@VERSION@|$version|" -e 's/$/\r/' "$source_dir/packaging/windows-install.txt" >"$zip_root/INSTALL.txt"
sed -e 's/$/\r/' "$source_dir/LICENSE" >"$zip_root/LICENSE.txt"
chmod 0644 "$zip_root"/*
touch -d "@$SOURCE_DATE_EPOCH" "$zip_root"/*
(cd "$zip_root" && zip -q -X -9 "$dist/$zipname" glimmerkin.scr glimmerkin64.scr INSTALL.txt LICENSE.txt)

(cd "$dist" && sha256sum "${debs[@]}" "$zipname" >SHA256SUMS)

if [ "${GLIMMERKIN_LINTIAN:-1}" != 0 ]; then
  command -v lintian >/dev/null || die "lintian is missing (scripts/setup.sh installs it)"
  for deb in "${debs[@]}"; do
    echo "lintian $deb:"
    lintian --fail-on error "$dist/$deb" || die "lintian found errors"
  done
fi
(cd "$dist" && ls -l "${debs[@]}" "$zipname" SHA256SUMS)
