#pragma once
#include <cstdint>
#include <optional>

#include "settings/settings.h"

namespace glimmerkin {

struct X11RunConfig {
  Settings settings;
  std::optional<uint32_t> fixedSeed;
  std::optional<uint32_t> frameLimit;
};

enum class X11WindowKind {
  FullScreen,  // /s: our own window over the pointer's monitor; input closes it
  Preview,     // /p, /l: our child of the given window; ends with that window
  Hack,        // XScreenSaver: draw into the given window (0: the root window)
  TryOut,      // -window: an ordinary top-level window
};

// Exit codes of the X11 saver's runs, beside 0 for a normal end.
inline constexpr int kExitBadWindow = -1;   // preview or hack window missing
inline constexpr int kExitNoDisplay = 1;    // no X display or unusable visual

// Opens the display named by $DISPLAY and runs the saver in the given kind of
// window until it ends; returns the exit code.
int RunX11Saver(X11WindowKind kind, uint32_t windowId, const X11RunConfig& config);

}  // namespace glimmerkin
