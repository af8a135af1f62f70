# The defensive BMP reader. include() this from the top-level CMakeLists.txt;
# including it twice is harmless.
if(NOT TARGET glimmerkin_bmp)
  add_library(glimmerkin_bmp STATIC ${CMAKE_CURRENT_LIST_DIR}/bmp_reader.cpp)
  target_include_directories(glimmerkin_bmp PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
  target_compile_features(glimmerkin_bmp PUBLIC cxx_std_20)
  if(MSVC)
    target_compile_options(glimmerkin_bmp PRIVATE /W4 /WX)
  else()
    target_compile_options(glimmerkin_bmp PRIVATE -Wall -Wextra -Wpedantic -Werror)
  endif()
endif()
