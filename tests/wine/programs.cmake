# Programs the Wine tests drive the saver with: a host that launches it and
# looks at its windows, and doubles of the two optional system components.
# Included by the x86_64 cross build.
set(glimmerkin_wine_dir ${PROJECT_SOURCE_DIR}/tests/wine)

add_executable(glimmerkin_test_host ${glimmerkin_wine_dir}/test_host.cpp)
set_target_properties(glimmerkin_test_host PROPERTIES OUTPUT_NAME glimmerkin-test-host)
target_compile_definitions(glimmerkin_test_host PRIVATE WIN32_LEAN_AND_MEAN)
target_link_libraries(glimmerkin_test_host PRIVATE glimmerkin_warnings)
target_link_options(glimmerkin_test_host PRIVATE ${glimmerkin_static_link})

add_library(glimmerkin_password_double SHARED ${glimmerkin_wine_dir}/password_double.cpp
                                              ${glimmerkin_wine_dir}/double_log.cpp)
set_target_properties(glimmerkin_password_double PROPERTIES
  PREFIX "" OUTPUT_NAME PASSWORD SUFFIX .CPL)
target_link_options(glimmerkin_password_double PRIVATE ${glimmerkin_static_link}
                    ${glimmerkin_wine_dir}/password_double.def)
target_link_libraries(glimmerkin_password_double PRIVATE glimmerkin_warnings)

add_library(glimmerkin_mpr_double SHARED ${glimmerkin_wine_dir}/mpr_double.cpp
                                         ${glimmerkin_wine_dir}/double_log.cpp)
set_target_properties(glimmerkin_mpr_double PROPERTIES PREFIX "" OUTPUT_NAME mpr SUFFIX .dll)
target_link_options(glimmerkin_mpr_double PRIVATE ${glimmerkin_static_link}
                    ${glimmerkin_wine_dir}/mpr_double.def)
target_link_libraries(glimmerkin_mpr_double PRIVATE glimmerkin_warnings)
