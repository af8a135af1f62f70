# The arm64 and armhf programs under qemu-user: the package build's cross
# trees (see packaging.cmake) also build the simulator, and a few tests run
# both programs emulated against this machine's simulator, Xvfb and sway.
# A handful only, and slow: never in the sanitizer build.
if(GLIMMERKIN_SANITIZE OR NOT TEST package_build)
  return()
endif()

foreach(arch ${GLIMMERKIN_CROSS_MISSING})
  add_test(NAME qemu_traces_${arch}
           COMMAND ${CMAKE_COMMAND} -E echo "SKIP: the ${arch} cross toolchain, libraries or qemu-user is not installed")
  set_tests_properties(qemu_traces_${arch} PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP:")
endforeach()

foreach(arch ${GLIMMERKIN_CROSS_ARCHS})
  set(cross_build ${package_dir}/linux-${arch})
  set(qemu ${GLIMMERKIN_QEMU_${arch}})
  add_test(NAME qemu_build_${arch}
           COMMAND ${CMAKE_COMMAND} --build ${cross_build} --target glimmerkin-sim -j 2)
  set_tests_properties(qemu_build_${arch} PROPERTIES
    FIXTURES_REQUIRED glimmerkin_package FIXTURES_SETUP glimmerkin_qemu_${arch}
    TIMEOUT 900 RUN_SERIAL TRUE)

  add_test(NAME qemu_traces_${arch}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/qemu_traces.sh ${qemu}
                   ${cross_build}/tools/sim/glimmerkin-sim $<TARGET_FILE:glimmerkin-sim>)
  add_test(NAME qemu_x11_${arch}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/qemu_x11.sh ${qemu} ${cross_build}/glimmerkin
                   $<TARGET_FILE:x11_helper> $<TARGET_FILE:glimmerkin-sim>)
  set(tests qemu_traces_${arch} qemu_x11_${arch})
  if(TARGET glimmerkin_wayland)  # wayland.cmake then builds wayland_helper
    add_test(NAME qemu_wayland_${arch}
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/qemu_wayland.sh ${qemu} ${cross_build}/glimmerkin
                     $<TARGET_FILE:wayland_helper> $<TARGET_FILE:glimmerkin-sim>)
    list(APPEND tests qemu_wayland_${arch})
  endif()
  set_tests_properties(${tests} PROPERTIES
    FIXTURES_REQUIRED glimmerkin_qemu_${arch} SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()
