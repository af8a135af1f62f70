# The Windows saver's window-free rules, tested natively.
glimmerkin_test(win_logic_test
  win_logic_test.cpp
  ${PROJECT_SOURCE_DIR}/host/password_rules.cpp
  ${PROJECT_SOURCE_DIR}/settings/dialog_rules.cpp
  ${PROJECT_SOURCE_DIR}/settings/settings_location.cpp
  ${PROJECT_SOURCE_DIR}/host/win32/command_line.cpp)
target_link_libraries(win_logic_test PRIVATE glimmerkin_host_common)

# How the full-screen window sees the monitors of the virtual screen.
glimmerkin_test(win_monitor_layout_test
  win_monitor_layout_test.cpp
  ${PROJECT_SOURCE_DIR}/host/win32/monitor_layout.cpp)
target_link_libraries(win_monitor_layout_test PRIVATE glimmerkin_host_common)
