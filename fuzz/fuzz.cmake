# libFuzzer target for the BMP reader; clang only. Configure with
# -DGLIMMERKIN_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ and run e.g.
#   ./bmp_reader_fuzz -max_total_time=30 <corpus dir> resources/
option(GLIMMERKIN_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
if(GLIMMERKIN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "GLIMMERKIN_FUZZ needs clang (libFuzzer)")
  endif()
  # The reader is compiled in again so that it carries the fuzzer's coverage
  # instrumentation and the sanitizers.
  add_executable(bmp_reader_fuzz
    ${CMAKE_CURRENT_LIST_DIR}/bmp_reader_fuzz.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../draw/bmp_reader.cpp)
  target_include_directories(bmp_reader_fuzz PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
  target_compile_features(bmp_reader_fuzz PRIVATE cxx_std_20)
  target_compile_options(bmp_reader_fuzz PRIVATE
    -Wall -Wextra -Wpedantic -Werror -g -O1 -fsanitize=fuzzer,address,undefined
    -fno-sanitize-recover=undefined)
  target_link_options(bmp_reader_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()
