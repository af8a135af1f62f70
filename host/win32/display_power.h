#pragma once
#include <windows.h>

#include <optional>

namespace glimmerkin {

// Asks Windows to tell the window when the display powers down or up:
// the console display's state where Windows knows it (8 and later), the
// monitor's power before that. Looked up at run time, never imported, since
// the oldest supported Windows lacks it.
void WatchDisplayPower(HWND window);
void UnwatchDisplayPower();

// What a WM_POWERBROADCAST says of the display: off, or on (dimmed counts
// as on: it can still be seen); nothing when it is about something else or
// malformed.
std::optional<bool> DisplayOffFrom(WPARAM wParam, LPARAM lParam);

}  // namespace glimmerkin
