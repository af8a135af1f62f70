# The Wayland saver against compositors that are wrong on purpose (cheap, so
# the sanitizer build runs them too) and under a headless sway of each
# test's own (slow; the sanitizer build leaves those out).
if(NOT TARGET glimmerkin_wayland)
  return()
endif()

pkg_check_modules(GLIMMERKIN_WAYLAND_SERVER REQUIRED IMPORTED_TARGET wayland-server)
# Interfaces the fake only advertises, as swaylock-plugin does.
set(_wl_fake_gen ${CMAKE_CURRENT_BINARY_DIR}/wayland-fake-protocols)
file(MAKE_DIRECTORY ${_wl_fake_gen})
set(_wl_fake_sources)
foreach(_xml stable/viewporter/viewporter.xml staging/fractional-scale/fractional-scale-v1.xml)
  get_filename_component(_name ${_xml} NAME_WE)
  add_custom_command(
    OUTPUT ${_wl_fake_gen}/${_name}.c
    COMMAND ${GLIMMERKIN_WAYLAND_SCANNER} private-code ${GLIMMERKIN_WAYLAND_PROTOCOLS}/${_xml}
            ${_wl_fake_gen}/${_name}.c
    DEPENDS ${GLIMMERKIN_WAYLAND_PROTOCOLS}/${_xml} VERBATIM)
  list(APPEND _wl_fake_sources ${_wl_fake_gen}/${_name}.c)
endforeach()
set_source_files_properties(${_wl_fake_sources} PROPERTIES COMPILE_OPTIONS "-w")
add_executable(wayland_fake_compositor wayland_fake_compositor.cpp ${_wl_fake_sources})
target_link_libraries(wayland_fake_compositor PRIVATE PkgConfig::GLIMMERKIN_WAYLAND_SERVER
                      glimmerkin_wayland_protocols glimmerkin_warnings)
add_test(NAME wayland_bad_compositor
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wayland_bad_compositor.sh $<TARGET_FILE:glimmerkin>
          $<TARGET_FILE:wayland_fake_compositor>)
set_tests_properties(wayland_bad_compositor PROPERTIES TIMEOUT 60)
add_test(NAME wayland_buffers
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wayland_buffers.sh $<TARGET_FILE:glimmerkin>
          $<TARGET_FILE:wayland_fake_compositor> $<TARGET_FILE:glimmerkin-sim>)
set_tests_properties(wayland_buffers PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 90)
add_test(NAME wayland_output_churn
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wayland_output_churn.sh $<TARGET_FILE:glimmerkin>
          $<TARGET_FILE:wayland_fake_compositor>)
set_tests_properties(wayland_output_churn PROPERTIES TIMEOUT 60)
add_test(NAME wayland_frame_callbacks
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wayland_frame_callbacks.sh $<TARGET_FILE:glimmerkin>
          $<TARGET_FILE:wayland_fake_compositor>)
set_tests_properties(wayland_frame_callbacks PROPERTIES TIMEOUT 60)
add_test(NAME wayland_plugin
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wayland_plugin.sh $<TARGET_FILE:glimmerkin>
          $<TARGET_FILE:wayland_fake_compositor> ${CMAKE_CURRENT_SOURCE_DIR}/wayland_socket.py)
set_tests_properties(wayland_plugin PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60)

if(GLIMMERKIN_SANITIZE)
  return()
endif()

set(_wl_test_gen ${CMAKE_CURRENT_BINARY_DIR}/wayland-protocols)
file(MAKE_DIRECTORY ${_wl_test_gen})
set(_wl_vp ${CMAKE_CURRENT_SOURCE_DIR}/protocols/wlr-virtual-pointer-unstable-v1.xml)
add_custom_command(
  OUTPUT ${_wl_test_gen}/wlr-virtual-pointer-client.h ${_wl_test_gen}/wlr-virtual-pointer.c
  COMMAND ${GLIMMERKIN_WAYLAND_SCANNER} client-header ${_wl_vp} ${_wl_test_gen}/wlr-virtual-pointer-client.h
  COMMAND ${GLIMMERKIN_WAYLAND_SCANNER} private-code ${_wl_vp} ${_wl_test_gen}/wlr-virtual-pointer.c
  DEPENDS ${_wl_vp} VERBATIM)
add_executable(wayland_helper wayland_helper.cpp
  ${_wl_test_gen}/wlr-virtual-pointer-client.h ${_wl_test_gen}/wlr-virtual-pointer.c)
target_include_directories(wayland_helper PRIVATE ${_wl_test_gen})
target_link_libraries(wayland_helper PRIVATE glimmerkin_wayland_protocols glimmerkin_warnings)
# The generated glue is C and not held to the project's warnings.
set_source_files_properties(${_wl_test_gen}/wlr-virtual-pointer.c PROPERTIES COMPILE_OPTIONS "-w")

# A client holding an idle inhibitor, for the watcher's tests.
set(_wl_ii ${GLIMMERKIN_WAYLAND_PROTOCOLS}/unstable/idle-inhibit/idle-inhibit-unstable-v1.xml)
add_custom_command(
  OUTPUT ${_wl_test_gen}/idle-inhibit-client.h ${_wl_test_gen}/idle-inhibit.c
  COMMAND ${GLIMMERKIN_WAYLAND_SCANNER} client-header ${_wl_ii} ${_wl_test_gen}/idle-inhibit-client.h
  COMMAND ${GLIMMERKIN_WAYLAND_SCANNER} private-code ${_wl_ii} ${_wl_test_gen}/idle-inhibit.c
  DEPENDS ${_wl_ii} VERBATIM)
add_executable(wayland_inhibitor wayland_inhibitor.cpp
  ${_wl_test_gen}/idle-inhibit-client.h ${_wl_test_gen}/idle-inhibit.c)
target_include_directories(wayland_inhibitor PRIVATE ${_wl_test_gen})
target_link_libraries(wayland_inhibitor PRIVATE glimmerkin_wayland_protocols glimmerkin_warnings)
set_source_files_properties(${_wl_test_gen}/idle-inhibit.c PROPERTIES COMPILE_OPTIONS "-w")

function(glimmerkin_wayland_test name)
  add_test(NAME ${name}
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/${name}.sh $<TARGET_FILE:glimmerkin>
            $<TARGET_FILE:wayland_helper> $<TARGET_FILE:glimmerkin-sim>)
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
endfunction()

glimmerkin_wayland_test(wayland_fullscreen)
glimmerkin_wayland_test(wayland_outputs)
glimmerkin_wayland_test(wayland_window)
glimmerkin_wayland_test(wayland_lock)
glimmerkin_wayland_test(wayland_rest)
# The idle watcher on sway (org_kde_kwin_idle), with a stand-in for logind.
add_test(NAME watch_sway
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/watch_sway.sh $<TARGET_FILE:glimmerkin>
          $<TARGET_FILE:wayland_helper> $<TARGET_FILE:glimmerkin-sim> $<TARGET_FILE:dbus_standin>)
set_tests_properties(watch_sway PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
