# The Windows saver: cross-built with mingw-w64 for i686 and x86_64, the
# builds inspected, and the x86_64 build run end to end under Wine on its own
# Xvfb screen. Skipped (not failed) only where the tools are not installed;
# scripts/setup.sh installs them.
# The cross build has nothing to do with the sanitizers: run it once, in the
# plain build.
if(GLIMMERKIN_SANITIZE)
  return()
endif()

find_program(GLIMMERKIN_PYTHON3 python3)
find_program(GLIMMERKIN_MINGW_I686 NAMES i686-w64-mingw32-g++-win32 i686-w64-mingw32-g++)
find_program(GLIMMERKIN_MINGW_X86_64 NAMES x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++)
find_program(GLIMMERKIN_OBJDUMP_I686 i686-w64-mingw32-objdump)
find_program(GLIMMERKIN_OBJDUMP_X86_64 x86_64-w64-mingw32-objdump)
find_program(GLIMMERKIN_WINE wine)

set(windows_build_dir ${CMAKE_BINARY_DIR}/windows)
set(wine_dir ${PROJECT_SOURCE_DIR}/tests/wine)

if(GLIMMERKIN_PYTHON3 AND GLIMMERKIN_MINGW_I686 AND GLIMMERKIN_MINGW_X86_64
   AND GLIMMERKIN_OBJDUMP_I686 AND GLIMMERKIN_OBJDUMP_X86_64)
  add_test(NAME windows_cross_build
           COMMAND ${CMAKE_COMMAND} -E env GLIMMERKIN_WINDOWS_BUILD_DIR=${windows_build_dir}
                   ${PROJECT_SOURCE_DIR}/scripts/build-windows.sh)
  set_tests_properties(windows_cross_build PROPERTIES
    FIXTURES_SETUP glimmerkin_windows_build TIMEOUT 1800 RUN_SERIAL TRUE)

  add_test(NAME windows_i686_inspection
           COMMAND ${GLIMMERKIN_PYTHON3} ${wine_dir}/inspect_pe.py
                   ${windows_build_dir}/win32/glimmerkin.scr pe32 ${GLIMMERKIN_OBJDUMP_I686}
                   ${PROJECT_VERSION})
  add_test(NAME windows_x86_64_inspection
           COMMAND ${GLIMMERKIN_PYTHON3} ${wine_dir}/inspect_pe.py
                   ${windows_build_dir}/win64/glimmerkin64.scr pe32+ ${GLIMMERKIN_OBJDUMP_X86_64}
                   ${PROJECT_VERSION})
  set_tests_properties(windows_i686_inspection windows_x86_64_inspection PROPERTIES
    FIXTURES_REQUIRED glimmerkin_windows_build TIMEOUT 120)

  # Wine, Xvfb, xdotool and imagemagick missing: the script says so and
  # exits 77.
  add_test(NAME wine_end_to_end
           COMMAND ${GLIMMERKIN_PYTHON3} ${wine_dir}/run_wine_tests.py ${windows_build_dir}/win64)
  set_tests_properties(wine_end_to_end PROPERTIES
    FIXTURES_REQUIRED glimmerkin_windows_build TIMEOUT 900 RUN_SERIAL TRUE SKIP_RETURN_CODE 77)

  # The same saver on a screen of two monitors, compared with the simulator.
  add_test(NAME wine_monitors
           COMMAND ${GLIMMERKIN_PYTHON3} ${wine_dir}/run_wine_monitors.py ${windows_build_dir}/win64
                   $<TARGET_FILE:glimmerkin-sim>)
  set_tests_properties(wine_monitors PROPERTIES
    FIXTURES_REQUIRED glimmerkin_windows_build TIMEOUT 900 RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
else()
  add_test(NAME windows_cross_build
           COMMAND ${CMAKE_COMMAND} -E echo "SKIP: mingw-w64 or python3 is not installed")
  set_tests_properties(windows_cross_build PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP:")
endif()
