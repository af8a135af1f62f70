#pragma once
#include "host/linux/run_config.h"

namespace glimmerkin {

// Connects to the compositor named by $WAYLAND_DISPLAY and runs the saver
// full screen, in a window or as the desktop background until it ends;
// returns the exit code.
int RunWaylandSaver(WindowKind kind, const RunConfig& config);

}  // namespace glimmerkin
