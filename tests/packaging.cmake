# The release files: scripts/package.sh makes the Debian package, the Windows
# zip and SHA256SUMS in the build tree, and each is checked on its own. The
# zip takes the .scr files of the Windows cross build (see wine.cmake).
# Packaging has nothing to do with the sanitizers: run it in the plain build.
if(GLIMMERKIN_SANITIZE OR NOT TARGET glimmerkin)
  return()
endif()

find_program(GLIMMERKIN_PYTHON3 python3)
find_program(GLIMMERKIN_MINGW_I686 NAMES i686-w64-mingw32-g++-win32 i686-w64-mingw32-g++)
find_program(GLIMMERKIN_MINGW_X86_64 NAMES x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++)
find_program(GLIMMERKIN_OBJDUMP_I686 i686-w64-mingw32-objdump)
find_program(GLIMMERKIN_OBJDUMP_X86_64 x86_64-w64-mingw32-objdump)
find_program(GLIMMERKIN_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(GLIMMERKIN_LINTIAN lintian)
find_program(GLIMMERKIN_ZIP zip)
find_program(GLIMMERKIN_UNZIP unzip)
find_program(GLIMMERKIN_FILE file)

# The same tools as the Windows cross build needs, so that its fixture exists.
if(NOT (GLIMMERKIN_PYTHON3 AND GLIMMERKIN_MINGW_I686 AND GLIMMERKIN_MINGW_X86_64
        AND GLIMMERKIN_OBJDUMP_I686 AND GLIMMERKIN_OBJDUMP_X86_64 AND GLIMMERKIN_DPKG_SHLIBDEPS
        AND GLIMMERKIN_LINTIAN AND GLIMMERKIN_ZIP AND GLIMMERKIN_UNZIP AND GLIMMERKIN_FILE))
  add_test(NAME package_build
           COMMAND ${CMAKE_COMMAND} -E echo "SKIP: mingw-w64, dpkg-dev, lintian, zip, unzip or file is not installed")
  set_tests_properties(package_build PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP:")
  return()
endif()

# The arm64 and armhf packages are made too where their cross toolchains,
# libraries and qemu-user (to run their programs in the checks) are installed.
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE GLIMMERKIN_NATIVE_ARCH
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(GLIMMERKIN_CROSS_ARCHS)
set(GLIMMERKIN_CROSS_MISSING)
set(cross_archs arm64 armhf)
set(cross_triplets aarch64-linux-gnu arm-linux-gnueabihf)
set(cross_qemus qemu-aarch64 qemu-arm)
foreach(arch triplet qemu IN ZIP_LISTS cross_archs cross_triplets cross_qemus)
  if(arch STREQUAL GLIMMERKIN_NATIVE_ARCH)
    continue()
  endif()
  find_program(GLIMMERKIN_CXX_${arch} ${triplet}-g++)
  find_program(GLIMMERKIN_QEMU_${arch} ${qemu})
  set(ready TRUE)
  foreach(file pkgconfig/x11.pc pkgconfig/wayland-client.pc pkgconfig/xkbcommon.pc
               pkgconfig/libpng.pc pkgconfig/libsystemd.pc libstdc++.so.6)
    if(NOT EXISTS /usr/lib/${triplet}/${file})
      set(ready FALSE)
    endif()
  endforeach()
  if(GLIMMERKIN_CXX_${arch} AND GLIMMERKIN_QEMU_${arch} AND ready)
    list(APPEND GLIMMERKIN_CROSS_ARCHS ${arch})
  else()
    list(APPEND GLIMMERKIN_CROSS_MISSING ${arch})
  endif()
endforeach()
set(package_archs ${GLIMMERKIN_NATIVE_ARCH} ${GLIMMERKIN_CROSS_ARCHS})
list(JOIN package_archs " " package_archs_words)

set(package_dir ${CMAKE_BINARY_DIR}/package)
set(package_dist ${package_dir}/dist)
set(package_windows ${CMAKE_BINARY_DIR}/windows/dist)
set(package_check ${CMAKE_CURRENT_SOURCE_DIR}/packaging/check_package.py)

add_test(NAME package_build
         COMMAND ${CMAKE_COMMAND} -E env GLIMMERKIN_PACKAGE_BUILD_DIR=${package_dir}
                 GLIMMERKIN_DIST_DIR=${package_dist} GLIMMERKIN_WINDOWS_DIST=${package_windows}
                 GLIMMERKIN_LINTIAN=0 "GLIMMERKIN_DEB_ARCHS=${package_archs_words}"
                 bash ${PROJECT_SOURCE_DIR}/scripts/package.sh)
set_tests_properties(package_build PROPERTIES
  FIXTURES_REQUIRED glimmerkin_windows_build FIXTURES_SETUP glimmerkin_package
  TIMEOUT 1200 RUN_SERIAL TRUE)

add_test(NAME package_deb
         COMMAND ${GLIMMERKIN_PYTHON3} ${package_check} deb ${package_dist} ${PROJECT_VERSION}
                 ${PROJECT_SOURCE_DIR})
add_test(NAME package_lintian
         COMMAND ${GLIMMERKIN_PYTHON3} ${package_check} lintian ${package_dist} ${PROJECT_VERSION})
set(package_checks package_deb package_lintian)
foreach(arch ${GLIMMERKIN_CROSS_ARCHS})
  add_test(NAME package_deb_${arch}
           COMMAND ${GLIMMERKIN_PYTHON3} ${package_check} deb ${package_dist} ${PROJECT_VERSION}
                   ${PROJECT_SOURCE_DIR} ${arch})
  add_test(NAME package_lintian_${arch}
           COMMAND ${GLIMMERKIN_PYTHON3} ${package_check} lintian ${package_dist} ${PROJECT_VERSION}
                   ${arch})
  list(APPEND package_checks package_deb_${arch} package_lintian_${arch})
endforeach()
foreach(arch ${GLIMMERKIN_CROSS_MISSING})
  add_test(NAME package_deb_${arch}
           COMMAND ${CMAKE_COMMAND} -E echo "SKIP: the ${arch} cross toolchain, libraries or qemu-user is not installed")
  set_tests_properties(package_deb_${arch} PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP:")
endforeach()
add_test(NAME package_zip
         COMMAND ${GLIMMERKIN_PYTHON3} ${package_check} zip ${package_dist} ${PROJECT_VERSION}
                 ${PROJECT_SOURCE_DIR} ${package_windows})
add_test(NAME package_sums
         COMMAND ${GLIMMERKIN_PYTHON3} ${package_check} sums ${package_dist} ${PROJECT_VERSION}
                 ${package_archs})
set_tests_properties(${package_checks} package_zip package_sums PROPERTIES
  FIXTURES_REQUIRED glimmerkin_package TIMEOUT 300)
