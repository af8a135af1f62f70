#pragma once
#include <cstdint>

#include "host/linux/run_config.h"

namespace glimmerkin {

// Opens the display named by $DISPLAY and runs the saver in the given kind of
// window until it ends; returns the exit code.
int RunX11Saver(WindowKind kind, uint32_t windowId, const RunConfig& config);

}  // namespace glimmerkin
