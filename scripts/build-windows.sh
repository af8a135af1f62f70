#!/usr/bin/env bash
# Cross-builds the Windows saver with Debian's mingw-w64: glimmerkin.scr
# (i686) and glimmerkin64.scr (x86_64), copied to <build>/dist.
#   GLIMMERKIN_WINDOWS_BUILD_DIR  where build/win32, build/win64 and dist go
#                                 (default: build/ in the source tree)
#   GLIMMERKIN_WIN32_RESOURCE_DIR the artwork (default: resources/, or drawn
#                                 afresh by tools/artgen when that is empty)
#   GLIMMERKIN_WINDOWS_ARCHS      "i686 x86_64" by default
#   JOBS                          parallel build jobs (default 2)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${GLIMMERKIN_WINDOWS_BUILD_DIR:-$source_dir/build}
jobs=${JOBS:-2}
archs=${GLIMMERKIN_WINDOWS_ARCHS:-i686 x86_64}

art_dir=${GLIMMERKIN_WIN32_RESOURCE_DIR:-}
if [ -z "$art_dir" ]; then
  art_dir=$source_dir/resources
  for f in sheet.bmp sheet-mask.bmp ground.bmp glimmerkin.ico blank.cur; do
    if [ ! -f "$art_dir/$f" ]; then
      # The artwork is drawn by the project's own generator.
      art_dir=$build_dir/artwork
      cmake -S "$source_dir/tools/artgen" -B "$build_dir/artgen" -DCMAKE_BUILD_TYPE=Release >/dev/null
      cmake --build "$build_dir/artgen" -j "$jobs" >/dev/null
      mkdir -p "$art_dir"
      "$build_dir/artgen/glimmerkin-artgen" "$art_dir"
      break
    fi
  done
fi

mkdir -p "$build_dir/dist"
for arch in $archs; do
  case $arch in
    i686) dir=win32 scr=glimmerkin.scr ;;
    x86_64) dir=win64 scr=glimmerkin64.scr ;;
    *) echo "unknown architecture $arch" >&2; exit 2 ;;
  esac
  cmake -S "$source_dir" -B "$build_dir/$dir" \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DGLIMMERKIN_WIN32_RESOURCE_DIR="$art_dir" >/dev/null
  cmake --build "$build_dir/$dir" -j "$jobs"
  cp "$build_dir/$dir/$scr" "$build_dir/dist/"
done
ls -l "$build_dir/dist"
