// Events: input that closes the saver, the grabs it needs, and what the
// server tells of the window.
// Before the X headers, whose macros (KeyPress, ButtonPress...) would
// replace the names of its input kinds.
#include "host/close_rules.h"
#include "host/linux/run_plan.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/scrnsaver.h>

#include <algorithm>

#include "host/x11/x11_saver_class.h"

namespace glimmerkin::x11 {

void X11Saver::TryGrab() {
  if (!keyboardGrabbed_)
    keyboardGrabbed_ = XGrabKeyboard(display_, window_, False, GrabModeAsync, GrabModeAsync,
                                     CurrentTime) == GrabSuccess;
  if (!pointerGrabbed_)
    pointerGrabbed_ = XGrabPointer(display_, window_, False, ButtonPressMask | PointerMotionMask,
                                   GrabModeAsync, GrabModeAsync, None, blankCursor_,
                                   CurrentTime) == GrabSuccess;
  ++grabAttempts_;
  nextGrabNs_ = MonotonicNowNs() + kGrabRetryNs;
  if ((keyboardGrabbed_ && pointerGrabbed_) || grabAttempts_ >= kGrabAttempts) {
    // Tells whoever waits for it (the tests) that input is now ours.
    const Atom ready = XInternAtom(display_, "GLIMMERKIN_READY", False);
    const long grabbed = keyboardGrabbed_ && pointerGrabbed_ ? 1 : 0;
    XChangeProperty(display_, window_, ready, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&grabbed), 1);
  }
}

bool X11Saver::WantsGrab() const {
  return closeRole_ == CloseRole::AnyInput && mapped_ && (!keyboardGrabbed_ || !pointerGrabbed_) &&
         grabAttempts_ < kGrabAttempts;
}

// A request about each watched window; the error handler marks one that
// has gone, which the loop then treats as the end.
void X11Saver::WatchedStillThere() {
  for (const XID id : g_errors.watched) {
    if (id == 0) continue;
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, id, &attributes);
  }
}

void X11Saver::HandleEvent(XEvent& event) {
  switch (event.type) {
    case KeyPress:
      if (KeyCloses(closeRole_, static_cast<uint32_t>(XLookupKeysym(&event.xkey, 0))))
        CloseByInput();
      break;
    case ButtonPress:
      if (ButtonCloses(closeRole_, event.xbutton.button)) CloseByInput();
      break;
    case MotionNotify:
      if (MotionCloses(closeRole_, anchor_, event.xmotion.x_root, event.xmotion.y_root))
        CloseByInput();
      break;
    case MapNotify:
      if (event.xmap.window == window_ || (parent_ != 0 && event.xmap.window == parent_))
        FollowMapState();
      if (event.xmap.window == window_ && closeRole_ == CloseRole::AnyInput) {
        mapped_ = true;
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        TryGrab();
      }
      break;
    case UnmapNotify:
      if (event.xunmap.window == window_ || (parent_ != 0 && event.xunmap.window == parent_)) {
        unmapped_ = true;
        ReportSight();
      }
      break;
    case VisibilityNotify:
      // Only a viewable window is told of its visibility.
      if (event.xvisibility.window == window_) {
        unmapped_ = false;
        obscured_ = event.xvisibility.state == VisibilityFullyObscured;
        ReportSight();
      }
      break;
    case ConfigureNotify:
      if (event.xconfigure.window == parent_ && parent_ != 0) {
        XResizeWindow(display_, window_, static_cast<unsigned>(std::max(event.xconfigure.width, 1)),
                      static_cast<unsigned>(std::max(event.xconfigure.height, 1)));
      } else if (event.xconfigure.window == window_ &&
                 (event.xconfigure.width != windowWidth_ ||
                  event.xconfigure.height != windowHeight_)) {
        windowWidth_ = event.xconfigure.width;
        windowHeight_ = event.xconfigure.height;
        if (ownSizeStage_) ReshapeStage();
        ResizeImage();
        ShowStagesWhole();
      }
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == window_ ||
          (parent_ != 0 && event.xdestroywindow.window == parent_)) {
        if (event.xdestroywindow.window == window_) window_ = 0;
        Close();
      }
      break;
    case Expose:
      // The server keeps no copy of an uncovered part: it is composed afresh
      // from the scenes as they stand, also once frames have stopped.
      if (event.xexpose.window == window_) {
        ShowExposed(Rect{event.xexpose.x, event.xexpose.y, event.xexpose.width,
                         event.xexpose.height});
        XFlush(display_);
      }
      break;
    case ClientMessage:
      if (deleteAtom_ != 0 && static_cast<Atom>(event.xclient.data.l[0]) == deleteAtom_) Close();
      break;
    default:
      if (saverEventBase_ >= 0 && event.type == saverEventBase_ + ScreenSaverNotify) {
        const auto& notify = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
        screenBlanked_ = Blanks(notify.state, notify.kind);
        ReportSight();
      } else if (randrEventBase_ >= 0 && event.type == randrEventBase_ + RRScreenChangeNotify) {
        XRRUpdateConfiguration(&event);
        layoutChanged_ = true;
      }
      break;
  }
}

}  // namespace glimmerkin::x11
