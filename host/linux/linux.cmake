# The Linux program: one command line, one settings file, and the front end
# the session calls for (X11, or Wayland where it is built in).
add_library(glimmerkin_ini_settings STATIC settings/ini_settings.cpp)
target_include_directories(glimmerkin_ini_settings PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(glimmerkin_ini_settings PRIVATE glimmerkin_warnings)

add_library(glimmerkin_linux_options STATIC host/linux/linux_options.cpp)
target_include_directories(glimmerkin_linux_options PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(glimmerkin_linux_options PRIVATE glimmerkin_warnings)

# The run shared by the X11 and the Wayland front end: its loop and frame
# clock, the signals it answers, its seed, and the planning of its scenes.
add_library(glimmerkin_linux_run STATIC host/linux/run_loop.cpp host/linux/run_plan.cpp
            host/linux/run_signals.cpp)
target_include_directories(glimmerkin_linux_run PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(glimmerkin_linux_run PUBLIC glimmerkin_stage PRIVATE glimmerkin_warnings)

include(host/x11/x11.cmake)

# The idle watcher's D-Bus side: sd-bus, from libsystemd.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GLIMMERKIN_SYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
# What the watcher reads of the user's desktop: its login entry, the
# desktops' own delays.
add_library(glimmerkin_linux_session STATIC host/linux/autostart.cpp host/linux/desktop_delay.cpp)
target_include_directories(glimmerkin_linux_session PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(glimmerkin_linux_session PUBLIC glimmerkin_ini_settings glimmerkin_linux_options
                      PRIVATE glimmerkin_warnings)
add_executable(glimmerkin host/linux/main.cpp host/linux/watcher.cpp host/linux/dbus_watch.cpp)
target_link_libraries(glimmerkin PRIVATE glimmerkin_linux_session PkgConfig::GLIMMERKIN_SYSTEMD
  glimmerkin_x11 glimmerkin_stage glimmerkin_host_common glimmerkin_ini_settings
  glimmerkin_linux_options glimmerkin_warnings)
# Each further front end brings its own snippet and links itself in.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/host/wayland/wayland.cmake)
  include(host/wayland/wayland.cmake)
endif()

# Where Debian's XScreenSaver looks for hacks and their settings descriptions.
set(GLIMMERKIN_HACK_DIR "libexec/xscreensaver" CACHE STRING "XScreenSaver hack directory, relative to the prefix")
set(GLIMMERKIN_HACK_CONFIG_DIR "share/xscreensaver/config" CACHE STRING "XScreenSaver config directory, relative to the prefix")
install(TARGETS glimmerkin RUNTIME DESTINATION ${GLIMMERKIN_HACK_DIR})
install(FILES resources/glimmerkin.xml DESTINATION ${GLIMMERKIN_HACK_CONFIG_DIR})
install(FILES docs/glimmerkin.6 DESTINATION share/man/man6)
# The idle watcher's login entries, both disabled where they lie: the systemd
# user unit (systemctl --user enable) and the XDG autostart entry that
# glimmerkin -watch-at-login on writes into ~/.config/autostart.
install(FILES packaging/glimmerkin-watch.service DESTINATION lib/systemd/user)
install(FILES packaging/glimmerkin-watch.desktop DESTINATION share/glimmerkin)
# The screensaver theme entry that mate-screensaver and xfce4-screensaver list.
# They run only programs in the hack directory, named by absolute path, so the
# entry is written at install time for the prefix installed to.
install(CODE "set(GLIMMERKIN_HACK \"\${CMAKE_INSTALL_PREFIX}/${GLIMMERKIN_HACK_DIR}/glimmerkin\")
  configure_file(\"${CMAKE_CURRENT_SOURCE_DIR}/resources/glimmerkin.desktop.in\"
                 \"${CMAKE_CURRENT_BINARY_DIR}/glimmerkin.desktop\" @ONLY)")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/glimmerkin.desktop DESTINATION share/applications/screensavers)

# The settings window (where its toolkit is found), its menu entry, icon and
# software-centre listing.
include(settings/linux/settings.cmake)
