# The X11 front end: Xlib with MIT-SHM and XRandR, standalone and as an
# XScreenSaver hack.
find_package(X11 REQUIRED)
if(NOT X11_Xext_FOUND OR NOT X11_Xrandr_FOUND OR NOT X11_Xss_FOUND)
  message(FATAL_ERROR "glimmerkin needs libxext-dev, libxrandr-dev and libxss-dev")
endif()

add_library(glimmerkin_x11 STATIC host/x11/x11_saver.cpp host/x11/x11_connection.cpp host/x11/x11_image.cpp
            host/x11/x11_modes.cpp host/x11/x11_pixels.cpp host/x11/x11_input.cpp host/x11/x11_idle.cpp)
target_include_directories(glimmerkin_x11 PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(glimmerkin_x11 PUBLIC glimmerkin_stage glimmerkin_linux_run glimmerkin_host_common
                      X11::X11 X11::Xext X11::Xrandr X11::Xss PRIVATE glimmerkin_warnings)
