# glimmerkin-settings, the settings window: only where GTK 4 and libadwaita
# are found, so the saver builds without them. What the window holds and
# writes is plain code, built always and tested without a display.
add_library(glimmerkin_settings_form STATIC settings/settings_form.cpp)
target_include_directories(glimmerkin_settings_form PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(glimmerkin_settings_form PUBLIC glimmerkin_ini_settings PRIVATE glimmerkin_warnings)

find_package(PkgConfig)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(GLIMMERKIN_ADW IMPORTED_TARGET libadwaita-1>=1.2 gtk4>=4.8)
endif()
if(GLIMMERKIN_ADW_FOUND)
  add_executable(glimmerkin-settings settings/linux/settings_main.cpp settings/linux/preview.cpp)
  target_link_libraries(glimmerkin-settings PRIVATE glimmerkin_settings_form glimmerkin_stage
    glimmerkin_linux_options glimmerkin_host_common PkgConfig::GLIMMERKIN_ADW glimmerkin_warnings)
  # Beside the saver, which its "Try Full Screen" button starts.
  set_target_properties(glimmerkin-settings PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  install(TARGETS glimmerkin-settings RUNTIME DESTINATION bin)
else()
  message(STATUS "GTK 4 or libadwaita 1.2 not found: glimmerkin-settings is not built")
endif()
