# The Wayland front end: libwayland-client with wl_shm buffers, xkbcommon for
# keys; protocol glue generated at build time.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GLIMMERKIN_WAYLAND_DEPS REQUIRED IMPORTED_TARGET wayland-client xkbcommon)
pkg_get_variable(GLIMMERKIN_WAYLAND_PROTOCOLS wayland-protocols pkgdatadir)
find_program(GLIMMERKIN_WAYLAND_SCANNER wayland-scanner REQUIRED)

set(_wl_gen ${CMAKE_CURRENT_BINARY_DIR}/wayland-protocols)
file(MAKE_DIRECTORY ${_wl_gen})
set(_wl_sources)
function(glimmerkin_wayland_protocol name xml)
  add_custom_command(
    OUTPUT ${_wl_gen}/${name}-client.h ${_wl_gen}/${name}.c
    COMMAND ${GLIMMERKIN_WAYLAND_SCANNER} client-header ${xml} ${_wl_gen}/${name}-client.h
    COMMAND ${GLIMMERKIN_WAYLAND_SCANNER} private-code ${xml} ${_wl_gen}/${name}.c
    DEPENDS ${xml} VERBATIM)
  set(_wl_sources ${_wl_sources} ${_wl_gen}/${name}-client.h ${_wl_gen}/${name}.c PARENT_SCOPE)
endfunction()
glimmerkin_wayland_protocol(xdg-shell ${GLIMMERKIN_WAYLAND_PROTOCOLS}/stable/xdg-shell/xdg-shell.xml)
glimmerkin_wayland_protocol(xdg-output
  ${GLIMMERKIN_WAYLAND_PROTOCOLS}/unstable/xdg-output/xdg-output-unstable-v1.xml)
glimmerkin_wayland_protocol(wlr-layer-shell
  ${CMAKE_CURRENT_SOURCE_DIR}/host/wayland/protocols/wlr-layer-shell-unstable-v1.xml)
glimmerkin_wayland_protocol(ext-idle-notify
  ${GLIMMERKIN_WAYLAND_PROTOCOLS}/staging/ext-idle-notify/ext-idle-notify-v1.xml)
# KDE's older idle protocol (sway 1.7, KWin before ext-idle-notify-v1), from
# plasma-wayland-protocols. Its CMake file lies in this machine's own
# multiarch folder, which a cross build does not search; the XML itself is
# the same for every architecture.
find_package(PlasmaWaylandProtocols QUIET)
find_path(GLIMMERKIN_PLASMA_PROTOCOLS idle.xml
  HINTS ${PLASMA_WAYLAND_PROTOCOLS_DIR} /usr/share/plasma-wayland-protocols NO_CMAKE_FIND_ROOT_PATH)
if(NOT GLIMMERKIN_PLASMA_PROTOCOLS)
  message(FATAL_ERROR "glimmerkin needs plasma-wayland-protocols (KDE's idle protocol)")
endif()
glimmerkin_wayland_protocol(kde-idle ${GLIMMERKIN_PLASMA_PROTOCOLS}/idle.xml)

enable_language(C)
add_library(glimmerkin_wayland_protocols STATIC ${_wl_sources})
target_include_directories(glimmerkin_wayland_protocols PUBLIC ${_wl_gen})
target_link_libraries(glimmerkin_wayland_protocols PUBLIC PkgConfig::GLIMMERKIN_WAYLAND_DEPS)

add_library(glimmerkin_wayland STATIC host/wayland/wayland_saver.cpp host/wayland/wayland_buffers.cpp
            host/wayland/wayland_input.cpp host/wayland/wayland_idle.cpp)
target_include_directories(glimmerkin_wayland PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(glimmerkin_wayland PUBLIC glimmerkin_stage glimmerkin_linux_run glimmerkin_host_common
                      glimmerkin_wayland_protocols PRIVATE glimmerkin_warnings)
target_link_libraries(glimmerkin PRIVATE glimmerkin_wayland)
target_compile_definitions(glimmerkin PRIVATE GLIMMERKIN_WAYLAND)
