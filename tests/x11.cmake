# The Linux saver's tests: the settings reader, the option words, and the
# program itself under Xvfb (started and ended by each test).
if(NOT TARGET glimmerkin)
  return()
endif()

glimmerkin_test(ini_settings_test ini_settings_test.cpp)
target_link_libraries(ini_settings_test PRIVATE glimmerkin_ini_settings)

glimmerkin_test(linux_options_test linux_options_test.cpp)
target_link_libraries(linux_options_test PRIVATE glimmerkin_linux_options glimmerkin_host_common
                      glimmerkin_linux_session)

glimmerkin_test(linux_run_test linux_run_test.cpp)
target_link_libraries(linux_run_test PRIVATE glimmerkin_linux_run)

find_package(PNG REQUIRED)
add_executable(x11_helper x11_helper.cpp)
target_link_libraries(x11_helper PRIVATE X11::X11 X11::Xrandr PNG::PNG glimmerkin_warnings)

# Each script gets the saver, the helper and the simulator.
function(glimmerkin_x11_test name)
  add_test(NAME ${name}
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/${name}.sh $<TARGET_FILE:glimmerkin>
            $<TARGET_FILE:x11_helper> $<TARGET_FILE:glimmerkin-sim>)
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180)
endfunction()

glimmerkin_x11_test(x11_modes)
glimmerkin_x11_test(x11_fullscreen)
glimmerkin_x11_test(x11_preview)
glimmerkin_x11_test(x11_hack)
glimmerkin_x11_test(x11_visuals)
glimmerkin_x11_test(x11_frame)
glimmerkin_x11_test(x11_expose)
glimmerkin_x11_test(x11_rest)
glimmerkin_x11_test(x11_monitor_churn)
glimmerkin_x11_test(x11_signals)
glimmerkin_x11_test(x11_xsecurelock)
glimmerkin_x11_test(x11_xscreensaver)
# The daemon test adds a user account and runs as it: never two at once.
set_tests_properties(x11_xscreensaver PROPERTIES RUN_SERIAL TRUE)

# The idle watcher on a bare X server.
glimmerkin_x11_test(watch_x11)
set_tests_properties(watch_x11 PROPERTIES TIMEOUT 120)
if(GLIMMERKIN_SANITIZE)
  set_tests_properties(watch_x11 PROPERTIES ENVIRONMENT GLIMMERKIN_SANITIZED=1)
endif()
glimmerkin_x11_test(watch_x11_xscreensaver)
set_tests_properties(watch_x11_xscreensaver PROPERTIES RUN_SERIAL TRUE TIMEOUT 60)
# Stand-ins for the session services a test lacks (session manager, shield,
# Plasma's power management, logind), on the test's own buses.
add_executable(dbus_standin dbus_standin.cpp)
target_link_libraries(dbus_standin PRIVATE PkgConfig::GLIMMERKIN_SYSTEMD glimmerkin_warnings)
add_test(NAME watch_x11_lock
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/watch_x11_lock.sh $<TARGET_FILE:glimmerkin>
          $<TARGET_FILE:x11_helper> $<TARGET_FILE:dbus_standin>)
set_tests_properties(watch_x11_lock PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60)
add_test(NAME watch_login
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/watch_login.sh $<TARGET_FILE:glimmerkin> ${PROJECT_SOURCE_DIR})
set_tests_properties(watch_login PROPERTIES TIMEOUT 30)
