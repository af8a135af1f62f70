# Cross build for 64-bit ARM Linux (Debian's arm64) with crossbuild-essential-arm64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(GLIMMERKIN_CROSS_TRIPLET aarch64-linux-gnu)
set(GLIMMERKIN_CROSS_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
