# The manual page: every option the program lists is documented, nothing
# documented is unknown to it, and groff renders it without a warning.
# Nothing here depends on the sanitizers: run it in the plain build only.
if(GLIMMERKIN_SANITIZE OR NOT TARGET glimmerkin)
  return()
endif()
find_program(GLIMMERKIN_PYTHON3 python3)
find_program(GLIMMERKIN_MAN man)
if(GLIMMERKIN_PYTHON3 AND GLIMMERKIN_MAN)
  add_test(NAME manpage_options
           COMMAND ${GLIMMERKIN_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/packaging/check_manpage.py
                   $<TARGET_FILE:glimmerkin> ${PROJECT_SOURCE_DIR}/docs/glimmerkin.6
                   ${PROJECT_VERSION})
  set_tests_properties(manpage_options PROPERTIES TIMEOUT 120)
else()
  add_test(NAME manpage_options COMMAND ${CMAKE_COMMAND} -E echo "SKIP: python3 or man is not installed")
  set_tests_properties(manpage_options PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP:")
endif()
