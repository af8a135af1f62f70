# The settings window's logic without a display, and the window itself on a
# private Xvfb, driven by keys as a user would.
if(NOT TARGET glimmerkin_settings_form)
  return()
endif()
glimmerkin_test(settings_form_test settings_form_test.cpp)
target_link_libraries(settings_form_test PRIVATE glimmerkin_settings_form)

if(TARGET glimmerkin-settings AND TARGET x11_helper)
  add_test(NAME settings_window
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/settings_window.sh $<TARGET_FILE:glimmerkin-settings>
            $<TARGET_FILE:glimmerkin> $<TARGET_FILE:x11_helper> $<TARGET_FILE:glimmerkin-sim>)
  set_tests_properties(settings_window PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180)
  if(GLIMMERKIN_SANITIZE)
    # The toolkit keeps fonts and caches until exit on purpose; the window's
    # own code is still checked for every memory error.
    set_tests_properties(settings_window PROPERTIES ENVIRONMENT ASAN_OPTIONS=detect_leaks=0)
  endif()
endif()

# The same window under headless sway (a slow test: not in the sanitizer build).
if(TARGET glimmerkin-settings AND TARGET wayland_helper AND NOT GLIMMERKIN_SANITIZE)
  add_test(NAME wayland_settings
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wayland_settings.sh $<TARGET_FILE:glimmerkin>
            $<TARGET_FILE:wayland_helper> $<TARGET_FILE:glimmerkin-sim>
            $<TARGET_FILE:glimmerkin-settings>)
  set_tests_properties(wayland_settings PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
endif()
