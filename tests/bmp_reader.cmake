# BMP reader tests. include() after draw/bmp.cmake; needs GTest (find_package(GTest)).
include(${CMAKE_CURRENT_LIST_DIR}/../draw/bmp.cmake)
add_executable(bmp_reader_test ${CMAKE_CURRENT_LIST_DIR}/bmp_reader_test.cpp)
target_link_libraries(bmp_reader_test PRIVATE glimmerkin_bmp GTest::gtest_main)
target_compile_definitions(bmp_reader_test PRIVATE
  GLIMMERKIN_RESOURCE_DIR="${CMAKE_CURRENT_LIST_DIR}/../resources")
if(MSVC)
  target_compile_options(bmp_reader_test PRIVATE /W4 /WX)
else()
  target_compile_options(bmp_reader_test PRIVATE -Wall -Wextra -Wpedantic -Werror)
endif()
add_test(NAME bmp_reader_test COMMAND bmp_reader_test)
