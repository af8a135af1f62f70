# Where desktops pick their screen saver: MATE's mate-screensaver with the
# theme entry as installed, KDE's compositor KWin, and the kiosk compositor
# cage. Each test starts and ends its own servers; they take a while, so the
# sanitizer build leaves them out.
if(GLIMMERKIN_SANITIZE OR NOT TARGET glimmerkin)
  return()
endif()

add_test(NAME desktop_mate
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/desktop_mate.sh ${CMAKE_BINARY_DIR}
          $<TARGET_FILE:x11_helper> $<TARGET_FILE:glimmerkin-sim>)
add_test(NAME watch_mate
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/watch_mate.sh $<TARGET_FILE:glimmerkin>)
set(desktop_tests desktop_mate watch_mate)
if(TARGET glimmerkin_wayland)  # wayland.cmake then builds wayland_helper
  add_test(NAME desktop_kwin
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/desktop_kwin.sh $<TARGET_FILE:glimmerkin>
            $<TARGET_FILE:x11_helper> $<TARGET_FILE:glimmerkin-sim> ${PROJECT_SOURCE_DIR})
  add_test(NAME desktop_cage
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/desktop_cage.sh $<TARGET_FILE:glimmerkin>
            $<TARGET_FILE:wayland_helper> $<TARGET_FILE:glimmerkin-sim>)
  add_test(NAME watch_kwin
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/watch_kwin.sh $<TARGET_FILE:glimmerkin>
            $<TARGET_FILE:x11_helper> $<TARGET_FILE:glimmerkin-sim> $<TARGET_FILE:wayland_inhibitor>
            $<TARGET_FILE:dbus_standin>)
  list(APPEND desktop_tests desktop_kwin desktop_cage watch_kwin)
endif()
set_tests_properties(${desktop_tests} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180)

# The idle watcher on GNOME Shell 43 (Mutter's idle monitor), with stand-ins
# for the session manager, the shield and logind on the test's own buses.
add_test(NAME watch_gnome
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/watch_gnome.sh $<TARGET_FILE:glimmerkin>
          $<TARGET_FILE:dbus_standin> $<TARGET_FILE:glimmerkin-sim>)
add_test(NAME watch_gnome_x11
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/watch_gnome.sh $<TARGET_FILE:glimmerkin>
          $<TARGET_FILE:dbus_standin> $<TARGET_FILE:glimmerkin-sim> x11)
set_tests_properties(watch_gnome watch_gnome_x11 PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180 RUN_SERIAL TRUE)
