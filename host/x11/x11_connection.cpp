// Before the X headers, whose macros would replace its names.
#include "host/linux/run_config.h"
#include "host/x11/x11_connection.h"

#include <X11/extensions/Xrandr.h>

#include <cstdio>
#include <cstdlib>


namespace glimmerkin::x11 {

ErrorLog g_errors;

int OnXError(Display*, XErrorEvent* error) {
  ++g_errors.count;
  if (error->error_code == BadWindow || error->error_code == BadDrawable) {
    for (const XID id : g_errors.watched)
      if (id != 0 && error->resourceid == id) g_errors.watchedGone = true;
  }
  return 0;
}

[[noreturn]] int OnXIOError(Display*) {
  std::fputs("glimmerkin: lost the connection to the X display\n", stderr);
  std::_Exit(kExitNoDisplay);
}

// Where the pointer is, in root-window coordinates.
void PointerPosition(Display* display, Window root, int& x, int& y) {
  Window rootReturn = 0;
  Window child = 0;
  int winX = 0;
  int winY = 0;
  unsigned mask = 0;
  x = y = 0;
  XQueryPointer(display, root, &rootReturn, &child, &x, &y, &winX, &winY, &mask);
}

namespace {

// RandR 1.5 lists the monitors; older servers cannot tell them apart.
bool HasMonitorList(Display* display) {
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  return XRRQueryExtension(display, &eventBase, &errorBase) &&
         XRRQueryVersion(display, &major, &minor) && (major > 1 || (major == 1 && minor >= 5));
}

}  // namespace

std::vector<Monitor> ScreenMonitors(Display* display, int screen) {
  Monitor whole;
  whole.width = DisplayWidth(display, screen);
  whole.height = DisplayHeight(display, screen);
  whole.primary = true;
  whole.automaticPixelSize =
      PixelSizeForPhysical(whole.width, DisplayWidthMM(display, screen));
  if (!HasMonitorList(display))
    return {whole};
  int count = 0;
  XRRMonitorInfo* found = XRRGetMonitors(display, RootWindow(display, screen), True, &count);
  if (found == nullptr) return {whole};
  std::vector<Monitor> monitors;
  for (int i = 0; i < count; ++i) {
    Monitor m;
    m.x = found[i].x;
    m.y = found[i].y;
    m.width = found[i].width;
    m.height = found[i].height;
    m.primary = found[i].primary != 0;
    m.automaticPixelSize = PixelSizeForPhysical(found[i].width, found[i].mwidth);
    monitors.push_back(m);
  }
  XRRFreeMonitors(found);
  if (monitors.empty()) return {whole};
  return monitors;
}

}  // namespace glimmerkin::x11
