# glimmerkin-settings, the settings window: only where GTK 4 and libadwaita
# are found, so the saver builds without them. What the window holds and
# writes is plain code, built always and tested without a display.
add_library(glimmerkin_settings_form STATIC settings/settings_form.cpp)
target_include_directories(glimmerkin_settings_form PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(glimmerkin_settings_form PUBLIC glimmerkin_ini_settings glimmerkin_linux_session
                      PRIVATE glimmerkin_warnings)

# What the packages build beside the saver: the window and its listing where
# they exist, nothing otherwise.
add_custom_target(glimmerkin_desktop)

# The app icon, drawn by tools/artgen, for the hicolor theme.
foreach(size 16 24 32 48 64 128 256)
  install(FILES resources/app-icon-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
          RENAME org.glimmerkin.Glimmerkin.png)
endforeach()
install(FILES resources/app-icon.svg DESTINATION share/icons/hicolor/scalable/apps
        RENAME org.glimmerkin.Glimmerkin.svg)

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
  install(FILES docs/glimmerkin-settings.1 DESTINATION share/man/man1)

  # The menu entry and the AppStream listing name the settings window: they
  # are installed only with it. The entry's "Try it" runs the saver by its
  # absolute path, known at install time.
  set(GLIMMERKIN_METAINFO ${CMAKE_CURRENT_BINARY_DIR}/org.glimmerkin.Glimmerkin.metainfo.xml)
  add_custom_command(OUTPUT ${GLIMMERKIN_METAINFO}
    COMMAND ${CMAKE_COMMAND} -DCHANGELOG=${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog
            -DTEMPLATE=${CMAKE_CURRENT_SOURCE_DIR}/resources/org.glimmerkin.Glimmerkin.metainfo.xml.in
            -DOUTPUT=${GLIMMERKIN_METAINFO} -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/metainfo.cmake
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog
            ${CMAKE_CURRENT_SOURCE_DIR}/resources/org.glimmerkin.Glimmerkin.metainfo.xml.in
            ${CMAKE_CURRENT_SOURCE_DIR}/cmake/metainfo.cmake
    VERBATIM)
  add_custom_target(glimmerkin_metainfo ALL DEPENDS ${GLIMMERKIN_METAINFO})
  add_dependencies(glimmerkin_desktop glimmerkin-settings glimmerkin_metainfo)
  install(FILES ${GLIMMERKIN_METAINFO} DESTINATION share/metainfo)
  install(CODE "set(GLIMMERKIN_HACK \"\${CMAKE_INSTALL_PREFIX}/${GLIMMERKIN_HACK_DIR}/glimmerkin\")
    configure_file(\"${CMAKE_CURRENT_SOURCE_DIR}/resources/org.glimmerkin.Glimmerkin.desktop.in\"
                   \"${CMAKE_CURRENT_BINARY_DIR}/org.glimmerkin.Glimmerkin.desktop\" @ONLY)")
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/org.glimmerkin.Glimmerkin.desktop DESTINATION share/applications)
else()
  message(STATUS "GTK 4 or libadwaita 1.2 not found: glimmerkin-settings is not built")
endif()
