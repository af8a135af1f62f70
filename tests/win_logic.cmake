# The Windows saver's window-free rules, tested natively.
glimmerkin_test(win_logic_test
  win_logic_test.cpp
  ${PROJECT_SOURCE_DIR}/host/password_rules.cpp
  ${PROJECT_SOURCE_DIR}/settings/dialog_rules.cpp
  ${PROJECT_SOURCE_DIR}/host/win32/command_line.cpp)
target_link_libraries(win_logic_test PRIVATE glimmerkin_host_common)
