# Cross build for 32-bit ARM Linux with hardware floating point (Debian's
# armhf) with crossbuild-essential-armhf.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(GLIMMERKIN_CROSS_TRIPLET arm-linux-gnueabihf)
set(GLIMMERKIN_CROSS_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
