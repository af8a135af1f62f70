# The Linux saver: Xlib with MIT-SHM and XRandR, standalone and as an
# XScreenSaver hack.
find_package(X11 REQUIRED)
if(NOT X11_Xext_FOUND OR NOT X11_Xrandr_FOUND)
  message(FATAL_ERROR "glimmerkin needs libxext-dev and libxrandr-dev")
endif()

add_library(glimmerkin_ini_settings STATIC settings/ini_settings.cpp)
target_include_directories(glimmerkin_ini_settings PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(glimmerkin_ini_settings PRIVATE glimmerkin_warnings)

add_library(glimmerkin_x11_options STATIC host/x11/x11_options.cpp)
target_include_directories(glimmerkin_x11_options PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(glimmerkin_x11_options PRIVATE glimmerkin_warnings)

add_executable(glimmerkin host/x11/main.cpp host/x11/x11_saver.cpp)
target_link_libraries(glimmerkin PRIVATE
  glimmerkin_stage glimmerkin_host_common glimmerkin_ini_settings glimmerkin_x11_options
  X11::X11 X11::Xext X11::Xrandr glimmerkin_warnings)

# Where Debian's XScreenSaver looks for hacks and their settings descriptions.
set(GLIMMERKIN_HACK_DIR "libexec/xscreensaver" CACHE STRING "XScreenSaver hack directory, relative to the prefix")
set(GLIMMERKIN_HACK_CONFIG_DIR "share/xscreensaver/config" CACHE STRING "XScreenSaver config directory, relative to the prefix")
install(TARGETS glimmerkin RUNTIME DESTINATION ${GLIMMERKIN_HACK_DIR})
install(FILES resources/glimmerkin.xml DESTINATION ${GLIMMERKIN_HACK_CONFIG_DIR})
