# Shared part of the toolchain files for Debian's cross compilers, which set
# CMAKE_SYSTEM_PROCESSOR, GLIMMERKIN_CROSS_TRIPLET and GLIMMERKIN_CROSS_QEMU
# first. The libraries are the target architecture's multiarch packages
# (libx11-dev:arm64 and so on) in this system's own /usr.
set(CMAKE_SYSTEM_NAME Linux)

find_program(CMAKE_C_COMPILER NAMES ${GLIMMERKIN_CROSS_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${GLIMMERKIN_CROSS_TRIPLET}-g++ REQUIRED)
set(CMAKE_LIBRARY_ARCHITECTURE ${GLIMMERKIN_CROSS_TRIPLET})

# pkg-config must see that architecture's .pc files only (and the
# architecture-independent ones, such as wayland-protocols').
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${GLIMMERKIN_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig)

# Programs of that architecture run under qemu-user, which finds their
# libraries under / through multiarch.
find_program(GLIMMERKIN_CROSS_QEMU_PROGRAM ${GLIMMERKIN_CROSS_QEMU})
if(GLIMMERKIN_CROSS_QEMU_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${GLIMMERKIN_CROSS_QEMU_PROGRAM} -L /)
endif()
