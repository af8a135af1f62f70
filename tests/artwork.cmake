# Artwork layout tests. include() after add_subdirectory(tools/artgen); needs GTest.
add_executable(artwork_test ${CMAKE_CURRENT_LIST_DIR}/artwork_test.cpp)
target_link_libraries(artwork_test PRIVATE glimmerkin_artgen_lib GTest::gtest_main)
target_compile_definitions(artwork_test PRIVATE
  GLIMMERKIN_RESOURCE_DIR="${CMAKE_CURRENT_LIST_DIR}/../resources")
if(MSVC)
  target_compile_options(artwork_test PRIVATE /W4 /WX)
else()
  target_compile_options(artwork_test PRIVATE -Wall -Wextra -Wpedantic -Werror)
endif()
add_test(NAME artwork_test COMMAND artwork_test)
