#pragma once
#include <memory>

#include "host/linux/idle_source.h"

namespace glimmerkin {

// The X server's own idle time: the SYNC extension's IDLETIME counter with
// two alarms (idle for the delay; input after that), so the watcher sleeps
// until the server itself says something changed. MIT-SCREEN-SAVER tells
// when the server blanks on its own. Null without a display or SYNC.
std::unique_ptr<IdleSource> OpenX11IdleSource();

}  // namespace glimmerkin

namespace glimmerkin {
// XScreenSaver's daemon, where it runs on this display.
OtherSaver X11OtherSaver();
}  // namespace glimmerkin
