# libFuzzer target for the settings reader (clang only).
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND NOT WIN32)
  add_executable(ini_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/ini_fuzz.cpp
                          ${CMAKE_CURRENT_SOURCE_DIR}/settings/ini_settings.cpp)
  target_include_directories(ini_fuzz PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_options(ini_fuzz PRIVATE -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
  target_link_options(ini_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(ini_fuzz PRIVATE glimmerkin_warnings)
  set_target_properties(ini_fuzz PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endif()
