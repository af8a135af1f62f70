// The window each mode draws in: its own full-screen or try-out window, a
// preview inside another program's window, or a window XScreenSaver gives.
// Before the X headers, whose macros (KeyPress, ButtonPress...) would
// replace the names of its input kinds.
#include "host/application_id.h"
#include "host/close_rules.h"
#include "host/linux/run_plan.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "host/saver_main.h"
#include "host/x11/x11_saver_class.h"

namespace glimmerkin::x11 {

bool X11Saver::OpenFullScreen(int& result) {
  const Window root = RootWindow(display_, screen_);
  runningAtom_ = XInternAtom(display_, "GLIMMERKIN_SCREEN_SAVER", False);
  const Window other = XGetSelectionOwner(display_, runningAtom_);
  if (other != None) {
    // One saver at a time: the running one is brought to the front.
    Refused(display_, [&] { XRaiseWindow(display_, other); });
    result = 0;
    return false;
  }

  int rootX = 0;
  int rootY = 0;
  PointerPosition(display_, root, rootX, rootY);
  // The window covers the whole screen: every monitor shows a scene and
  // what no monitor shows stays black.
  stageRect_ = Rect{0, 0, DisplayWidth(display_, screen_), DisplayHeight(display_, screen_)};

  static const char kNoBits[1] = {0};
  const Pixmap empty = XCreateBitmapFromData(display_, root, kNoBits, 1, 1);
  XColor black{};
  blankCursor_ = XCreatePixmapCursor(display_, empty, empty, &black, &black, 0, 0);
  XFreePixmap(display_, empty);

  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(display_, screen_);
  attributes.cursor = blankCursor_;
  attributes.event_mask =
      KeyPressMask | ButtonPressMask | PointerMotionMask | StructureNotifyMask | ExposureMask |
      VisibilityChangeMask;
  window_ = XCreateWindow(display_, root, stageRect_.x, stageRect_.y,
                          static_cast<unsigned>(stageRect_.width),
                          static_cast<unsigned>(stageRect_.height), 0, CopyFromParent,
                          InputOutput, CopyFromParent,
                          CWOverrideRedirect | CWBackPixel | CWCursor | CWEventMask, &attributes);
  ownWindow_ = true;
  NameWindow("Screen Saver");
  XSetSelectionOwner(display_, runningAtom_, window_, CurrentTime);
  if (XGetSelectionOwner(display_, runningAtom_) != window_) {
    result = 0;  // another one started at the same moment
    return false;
  }
  XMapRaised(display_, window_);
  g_errors.watched[0] = window_;
  // Monitors plugged, unplugged or rearranged while it runs are followed.
  int errorBase = 0;
  if (XRRQueryExtension(display_, &randrEventBase_, &errorBase))
    XRRSelectInput(display_, root, RRScreenChangeNotifyMask);
  else
    randrEventBase_ = -1;

  // Movement is measured from where the pointer was when the window opened.
  PointerPosition(display_, root, anchor_.x, anchor_.y);
  anchor_.set = true;
  closeRole_ = CloseRole::AnyInput;
  return true;
}

bool X11Saver::OpenPreview(int& result) {
  result = kExitBadWindow;
  const Window parent = windowId_;
  XWindowAttributes parentAttributes{};
  Status status = 0;
  if (parent == 0 ||
      Refused(display_, [&] { status = XGetWindowAttributes(display_, parent, &parentAttributes); }) ||
      status == 0 || parentAttributes.c_class != InputOutput)
    return false;
  screen_ = XScreenNumberOfScreen(parentAttributes.screen);
  XSetWindowAttributes attributes{};
  attributes.background_pixel = 0;
  attributes.event_mask = StructureNotifyMask | ExposureMask | VisibilityChangeMask;
  Window child = 0;
  if (Refused(display_, [&] {
        child = XCreateWindow(display_, parent, 0, 0,
                              static_cast<unsigned>(std::max(parentAttributes.width, 1)),
                              static_cast<unsigned>(std::max(parentAttributes.height, 1)), 0,
                              CopyFromParent, InputOutput, CopyFromParent,
                              CWBackPixel | CWEventMask, &attributes);
      }) ||
      child == 0)
    return false;
  window_ = child;
  ownWindow_ = true;
  parent_ = parent;
  g_errors.watched[0] = window_;
  g_errors.watched[1] = parent_;
  XSelectInput(display_, parent_, StructureNotifyMask);
  NameWindow("Preview");
  XMapWindow(display_, window_);
  XSync(display_, False);
  if (g_errors.watchedGone) {
    result = 0;  // the parent went away while we were opening
    return false;
  }
  return true;
}

bool X11Saver::OpenHack(int& result) {
  result = kExitBadWindow;
  Window target = windowId_;
  if (target == 0) target = RootWindow(display_, screen_);
  XWindowAttributes attributes{};
  Status status = 0;
  if (Refused(display_, [&] { status = XGetWindowAttributes(display_, target, &attributes); }) ||
      status == 0 || attributes.c_class != InputOutput)
    return false;
  screen_ = XScreenNumberOfScreen(attributes.screen);
  window_ = target;
  ownWindow_ = false;
  g_errors.watched[0] = window_;
  // Only our own interest in the window: its size, its end, and what of
  // it needs drawing again.
  XSelectInput(display_, window_, StructureNotifyMask | ExposureMask | VisibilityChangeMask);
  return true;
}

bool X11Saver::OpenTryOut(int& result) {
  const Window root = RootWindow(display_, screen_);
  int rootX = 0;
  int rootY = 0;
  PointerPosition(display_, root, rootX, rootY);
  const std::vector<Monitor> monitors = ScreenMonitors(display_, screen_);
  const Monitor& monitor = *MonitorHolding(monitors, rootX, rootY);
  // A window of its own size, never larger than the screen (nor, unless
  // asked, than the pointer's monitor): the frame image and the stage are
  // as large as the window.
  const int screenWidth = DisplayWidth(display_, screen_);
  const int screenHeight = DisplayHeight(display_, screen_);
  const auto& geometry = config_.geometry;
  const WindowSize size = TryOutSize(config_);
  int width = std::min(size.width, geometry ? screenWidth : monitor.width);
  int height = std::min(size.height, geometry ? screenHeight : monitor.height);
  int x = monitor.x;
  int y = monitor.y;
  if (geometry) {
    if (geometry->hasPosition) {
      x = geometry->xFromRight ? screenWidth - width - geometry->x : geometry->x;
      y = geometry->yFromBottom ? screenHeight - height - geometry->y : geometry->y;
    }
  }
  width = std::max(width, 1);
  height = std::max(height, 1);
  XSetWindowAttributes attributes{};
  attributes.background_pixel = BlackPixel(display_, screen_);
  attributes.event_mask = KeyPressMask | StructureNotifyMask | ExposureMask | VisibilityChangeMask;
  window_ = XCreateWindow(display_, root, x, y, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWBackPixel | CWEventMask, &attributes);
  if (window_ == 0) {
    result = kExitNoDisplay;
    return false;
  }
  ownWindow_ = true;
  g_errors.watched[0] = window_;
  NameWindow("Glimmerkin");
  if (geometry) {
    // Asked-for place and size: window managers keep them.
    XSizeHints hints{};
    hints.flags = USSize | (geometry->hasPosition ? USPosition : 0);
    hints.x = x;
    hints.y = y;
    hints.width = width;
    hints.height = height;
    XSetWMNormalHints(display_, window_, &hints);
  }
  deleteAtom_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display_, window_, &deleteAtom_, 1);
  XMapWindow(display_, window_);
  stageRect_ = Rect{0, 0, width, height};
  ownSizeStage_ = true;
  automaticPixelSize_ = monitor.automaticPixelSize;
  closeRole_ = CloseRole::QuitKey;
  return true;
}

void X11Saver::NameWindow(const char* title) {
  XStoreName(display_, window_, title);
  XClassHint hint{};
  char name[] = "glimmerkin";
  char className[] = "org.glimmerkin.Glimmerkin";
  static_assert(sizeof className == std::char_traits<char>::length(kApplicationId) + 1);
  hint.res_name = name;
  hint.res_class = className;
  XSetClassHint(display_, window_, &hint);
}

bool X11Saver::PrepareDrawing(int& result) {
  XWindowAttributes attributes{};
  Status status = 0;
  if (Refused(display_, [&] { status = XGetWindowAttributes(display_, window_, &attributes); }) ||
      status == 0) {
    result = g_errors.watchedGone ? 0 : kExitBadWindow;
    return false;
  }
  if (!FrameImage::Supported(attributes.visual)) {
    std::fprintf(stderr,
                 "glimmerkin: the window's visual (class %d, depth %d) is not supported; "
                 "a TrueColor visual is needed\n",
                 attributes.visual != nullptr ? attributes.visual->c_class : -1,
                 attributes.depth);
    result = kExitNoDisplay;
    return false;
  }
  visual_ = attributes.visual;
  depth_ = attributes.depth;
  windowWidth_ = attributes.width;
  windowHeight_ = attributes.height;
  if (kind_ != WindowKind::FullScreen && kind_ != WindowKind::TryOut) {
    // The monitor that holds the window's centre gives the stage and the
    // pixel size; a hack window smaller than it (XScreenSaver's settings
    // preview) gets a stage of its own size.
    int centreX = 0;
    int centreY = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window_, RootWindow(display_, screen_),
                          attributes.width / 2, attributes.height / 2, &centreX, &centreY,
                          &child);
    const std::vector<Monitor> monitors = ScreenMonitors(display_, screen_);
    const Monitor& monitor = *MonitorHolding(monitors, centreX, centreY);
    automaticPixelSize_ = monitor.automaticPixelSize;
    const AreaSize area = WindowStageArea(attributes.width, attributes.height, monitor);
    ownSizeStage_ = kind_ == WindowKind::Hack && area.width == attributes.width &&
                    area.height == attributes.height &&
                    (area.width < monitor.width || area.height < monitor.height);
    stageRect_ = ownSizeStage_ ? Rect{0, 0, area.width, area.height}
                               : Rect{monitor.x, monitor.y, monitor.width, monitor.height};
  }
  gc_ = XCreateGC(display_, window_, 0, nullptr);
  if (!image_.Create(display_, visual_, depth_)) {
    std::fputs("glimmerkin: out of memory for the frame image\n", stderr);
    result = kExitNoDisplay;
    return false;
  }
  ResizeImage();
  return true;
}

}  // namespace glimmerkin::x11
