#pragma once
#include <cstdint>
#include <functional>
#include <optional>

#include "host/linux/linux_options.h"
#include "settings/settings.h"

namespace glimmerkin {

// What one run of a Linux front end (X11 or Wayland) is told.
struct RunConfig {
  // From the settings file, with this run's options applied; pixelSize holds
  // -pixel-size when given, else the file's "Pixel Size".
  Settings settings;
  std::optional<uint32_t> fixedSeed;
  std::optional<uint32_t> frameLimit;
  // -geometry for the try-out window.
  std::optional<Geometry> geometry;
  // Called when input ends the run, while its windows still cover the
  // screen (the idle watcher's saver asks for the session's lock there).
  std::function<void()> beforeInputClose;
};

enum class WindowKind {
  FullScreen,  // /s: every monitor covered; input closes it
  Preview,     // /p, /l: our child of the given window; ends with that window
  Hack,        // XScreenSaver: draw into the given window (0: the root window)
  TryOut,      // -window: an ordinary top-level window
  Background,  // -background: an animated desktop background; input never ends it
};

// Exit codes of the front ends' runs, beside 0 for a normal end.
inline constexpr int kExitBadWindow = -1;   // preview or hack window missing
inline constexpr int kExitNoDisplay = 1;    // no display, or it lacks what is needed
// Ended by SIGTERM, SIGINT or SIGHUP: the normal end of a saver a locker runs.
inline constexpr int kExitSignalled = 0;

}  // namespace glimmerkin
