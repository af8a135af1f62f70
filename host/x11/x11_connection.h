#pragma once
// The connection to the X server: its errors, and what it tells of the
// pointer and the monitors.
#include <X11/Xlib.h>

#include <vector>

#include "host/display_rules.h"

namespace glimmerkin::x11 {

// Errors from the server arrive late and are never fatal: they are noted,
// and an error about a window we watch means that window has gone.
struct ErrorLog {
  int count = 0;
  XID watched[2] = {0, 0};
  bool watchedGone = false;
};
extern ErrorLog g_errors;

int OnXError(Display*, XErrorEvent* error);
[[noreturn]] int OnXIOError(Display*);

// Runs a request and reports whether the server refused it.
template <typename F>
bool Refused(Display* display, F&& request) {
  XSync(display, False);
  const int before = g_errors.count;
  request();
  XSync(display, False);
  return g_errors.count != before;
}

// Where the pointer is, in root-window coordinates.
void PointerPosition(Display* display, Window root, int& x, int& y);

// Every monitor of the screen, for a scene each; the whole screen as one
// monitor where the server reports none.
std::vector<Monitor> ScreenMonitors(Display* display, int screen);

}  // namespace glimmerkin::x11
