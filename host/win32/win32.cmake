# glimmerkin.scr (i686) or glimmerkin64.scr (x86_64), cross-built with
# mingw-w64: the Stage on GDI, the host, the settings and the resources in one
# file whose only imports are system DLLs.
enable_language(RC)

set(GLIMMERKIN_WIN32_RESOURCE_DIR ${PROJECT_SOURCE_DIR}/resources CACHE PATH
    "Directory holding sheet.bmp, sheet-mask.bmp, ground.bmp, glimmerkin.ico and blank.cur")
set(glimmerkin_art_files)
foreach(art sheet.bmp sheet-mask.bmp ground.bmp glimmerkin.ico blank.cur)
  if(NOT EXISTS ${GLIMMERKIN_WIN32_RESOURCE_DIR}/${art})
    message(FATAL_ERROR "${GLIMMERKIN_WIN32_RESOURCE_DIR}/${art} is missing; set "
                        "GLIMMERKIN_WIN32_RESOURCE_DIR to the artwork (tools/artgen writes it)")
  endif()
  list(APPEND glimmerkin_art_files ${GLIMMERKIN_WIN32_RESOURCE_DIR}/${art})
endforeach()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(glimmerkin_scr_name glimmerkin64)
  set(glimmerkin_exports ${CMAKE_CURRENT_LIST_DIR}/exports-x86_64.def)
else()
  set(glimmerkin_scr_name glimmerkin)
  set(glimmerkin_exports ${CMAKE_CURRENT_LIST_DIR}/exports-i686.def)
endif()

# One self-contained file: the C and C++ runtimes are linked in.
set(glimmerkin_static_link -static -static-libgcc -static-libstdc++)

add_library(glimmerkin_gdi_stage STATIC
  animation/stage.cpp
  animation/scene_set.cpp
  animation/scene_pace.cpp
  animation/scene_plan.cpp
  animation/present.cpp
  draw/damage.cpp
  draw/pixels.cpp
  draw/win32/gdi.cpp)
target_include_directories(glimmerkin_gdi_stage PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(glimmerkin_gdi_stage PUBLIC GLIMMERKIN_GDI WIN32_LEAN_AND_MEAN
                                                       NOMINMAX)
target_link_libraries(glimmerkin_gdi_stage PUBLIC glimmerkin_scene glimmerkin_host_common PRIVATE glimmerkin_warnings)

add_executable(glimmerkin_scr WIN32
  host/win32/winmain.cpp
  host/win32/command_line.cpp
  host/win32/saver_window.cpp
  host/win32/display_power.cpp
  host/win32/password.cpp
  host/win32/system_module.cpp
  host/password_rules.cpp
  animation/win32/saver_proc.cpp
  host/win32/monitor_layout.cpp
  settings/win32/settings_store.cpp
  settings/win32/configure_dialog.cpp
  settings/dialog_rules.cpp
  settings/settings_location.cpp
  resources/glimmerkin.rc)
set_target_properties(glimmerkin_scr PROPERTIES OUTPUT_NAME ${glimmerkin_scr_name} SUFFIX .scr)
target_include_directories(glimmerkin_scr PRIVATE
  $<$<COMPILE_LANGUAGE:RC>:${GLIMMERKIN_WIN32_RESOURCE_DIR}>
  $<$<COMPILE_LANGUAGE:RC>:${PROJECT_SOURCE_DIR}/resources>)
# The version resource takes the project's one version number; the quoting
# into strings happens in the resource script.
target_compile_definitions(glimmerkin_scr PRIVATE
  $<$<COMPILE_LANGUAGE:RC>:GLIMMERKIN_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}>
  $<$<COMPILE_LANGUAGE:RC>:GLIMMERKIN_VERSION_MINOR=${PROJECT_VERSION_MINOR}>
  $<$<COMPILE_LANGUAGE:RC>:GLIMMERKIN_VERSION_PATCH=${PROJECT_VERSION_PATCH}>
  $<$<COMPILE_LANGUAGE:RC>:GLIMMERKIN_VERSION_TEXT=${PROJECT_VERSION}>
  $<$<COMPILE_LANGUAGE:RC>:GLIMMERKIN_FILE_NAME=${glimmerkin_scr_name}.scr>)
set_source_files_properties(resources/glimmerkin.rc PROPERTIES
  OBJECT_DEPENDS "${glimmerkin_art_files};${PROJECT_SOURCE_DIR}/resources/glimmerkin.manifest")
# uuid is a static library of GUIDs (the known folder's id), not a DLL.
target_link_libraries(glimmerkin_scr PRIVATE glimmerkin_gdi_stage glimmerkin_host_common
                                             glimmerkin_warnings uuid)
# The .def file names the exports; an executable's sources do not pass it on.
target_link_options(glimmerkin_scr PRIVATE ${glimmerkin_static_link} ${glimmerkin_exports})
set_target_properties(glimmerkin_scr PROPERTIES LINK_DEPENDS ${glimmerkin_exports})

option(GLIMMERKIN_WINE_TEST_PROGRAMS "Build the programs the Wine tests drive the saver with" ON)
if(GLIMMERKIN_WINE_TEST_PROGRAMS AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  include(${PROJECT_SOURCE_DIR}/tests/wine/programs.cmake)
endif()
