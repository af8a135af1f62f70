# The web page: its portable parts as unit tests, and the page itself,
# built with emscripten and run in headless Chromium against the simulator.
find_package(ZLIB REQUIRED)
glimmerkin_test(web_logic_test web_logic_test.cpp
  ${PROJECT_SOURCE_DIR}/host/web/inflate.cpp
  ${PROJECT_SOURCE_DIR}/host/web/web_resources.cpp
  ${PROJECT_SOURCE_DIR}/host/web/page_options.cpp)
target_link_libraries(web_logic_test PRIVATE ZLIB::ZLIB)
target_compile_definitions(web_logic_test PRIVATE
  GLIMMERKIN_RESOURCE_DIR="${PROJECT_SOURCE_DIR}/resources")

# The browser tests are slow and learn nothing more under the sanitizers.
if(NOT GLIMMERKIN_SANITIZE)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(web_page_dir ${CMAKE_BINARY_DIR}/web-page)
  add_test(NAME web_page_build
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-web.sh ${web_page_dir} ${CMAKE_BINARY_DIR}/web-page-cmake)
  set_tests_properties(web_page_build PROPERTIES FIXTURES_SETUP web_page TIMEOUT 600)
  foreach(part frames params live hidden)
    add_test(NAME web_page_${part}
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/web/web_page_test.py ${part}
              ${web_page_dir} $<TARGET_FILE:glimmerkin-sim>)
    set_tests_properties(web_page_${part} PROPERTIES FIXTURES_REQUIRED web_page TIMEOUT 240)
  endforeach()
endif()
