#include "host/x11/x11_saver.h"

// Before the X headers, whose macros (KeyPress, ButtonPress...) would
// replace the names of its input kinds.
#include "host/close_rules.h"
#include "host/linux/run_plan.h"

#include <X11/extensions/Xrandr.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>
#include <poll.h>

#include <cstdio>
#include <cstdlib>

#include "host/saver_main.h"
#include "host/x11/x11_saver_class.h"

namespace glimmerkin {
namespace x11 {

int X11Saver::Run() {
  const bool namedWindow = kind_ == WindowKind::Preview ||
                           (kind_ == WindowKind::Hack && windowId_ != 0);
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr, "glimmerkin: cannot open the X display '%s'\n",
                 name != nullptr ? name : "");
    return namedWindow ? kExitBadWindow : kExitNoDisplay;
  }
  XSetErrorHandler(OnXError);
  XSetIOErrorHandler(OnXIOError);
  screen_ = DefaultScreen(display_);

  int result = 0;
  switch (kind_) {
    case WindowKind::FullScreen:
      if (!OpenFullScreen(result)) return result;
      break;
    case WindowKind::Preview:
      if (!OpenPreview(result)) return result;
      break;
    case WindowKind::Hack:
    case WindowKind::Background:  // the root window, drawn into
      if (!OpenHack(result)) return result;
      break;
    case WindowKind::TryOut:
      if (!OpenTryOut(result)) return result;
      break;
  }
  if (!PrepareDrawing(result)) return result;
  WatchSight();

  seed_ = RunSeed(config_);
  StartScenes();
  loop_.Run(ConnectionNumber(display_), *this);
  scenes_.Destroy(nullptr);
  return loop_.ExitCode();
}

// LoopClient
void X11Saver::Dispatch() {
  while (!loop_.Ended() && XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    HandleEvent(event);
  }
  if (g_errors.watchedGone) Close();
  if (!loop_.Ended() && layoutChanged_) FollowLayout();
}

int64_t X11Saver::RunTimers(int64_t nowNs) {
  int64_t wake = kNoWake;
  if (WantsGrab()) {
    if (nowNs >= nextGrabNs_) TryGrab();
    if (WantsGrab()) wake = nextGrabNs_;
  }
  // A window another program owns is also looked at now and then: should
  // its end go unnoticed, the hack must not idle on forever without it.
  if (!ownWindow_ || parent_ != 0) {
    if (nowNs - lastWatchNs_ >= kWatchNs) {
      lastWatchNs_ = nowNs;
      WatchedStillThere();
      if (g_errors.watchedGone) Close();
    }
    const int64_t next = lastWatchNs_ + kWatchNs;
    if (wake == kNoWake || next < wake) wake = next;
  }
  if (dpms_) {
    if (nowNs - lastPowerAskNs_ >= kPowerAskNs) {
      lastPowerAskNs_ = nowNs;
      AskPower();
    }
    wake = EarlierWake(wake, lastPowerAskNs_ + kPowerAskNs);
  }
  return wake;
}

bool X11Saver::Frame(int64_t nowNs) {
  return scenes_.RunDueFrames(nowNs, [&](size_t i) -> PresentTarget& { return targets_[i]; });
}

// Events that a round trip (a grab, the watch) read in are handled
// before any wait: the descriptor would not tell of them.
bool X11Saver::PrepareWait(short& events) {
  XFlush(display_);
  if (XEventsQueued(display_, QueuedAlready) > 0) return false;
  events = POLLIN;
  return true;
}

// New scenes in the same window, their clock started anew: the window
// keeps the last frame until their first, which is drawn whole.
void X11Saver::Restart() {
  scenes_.Destroy(nullptr);
  seed_ = RestartSeed(config_, seed_);
  StartScenes();
}

// One scene per monitor for the full screen, the primary's being the scene
// a lone monitor of its size shows for the seed; one for any other window.
void X11Saver::StartScenes() {
  std::vector<SceneArea> areas;
  if (kind_ == WindowKind::FullScreen) {
    areas = MonitorScenes(ScreenMonitors(display_, screen_), config_, seed_);
  } else if (const auto area = WindowScene(stageRect_.width, stageRect_.height,
                                           automaticPixelSize_, config_, seed_)) {
    areas.push_back(*area);
  }
  scenes_.Create(areas, config_.settings, nullptr, nullptr);
  scenes_.StartPacing(MonotonicNowNs(), config_.frameLimit);
  ReportSight();
  MakeTargets();
}

// What tells whether the window can be seen: the server's own screen
// saver (an event), the monitor's power (asked now and then, where the
// server has DPMS), and the window's state (map and visibility events;
// under a compositing manager it always reads visible, and frames go on).
void X11Saver::WatchSight() {
  const Window root = RootWindow(display_, screen_);
  int errorBase = 0;
  if (XScreenSaverQueryExtension(display_, &saverEventBase_, &errorBase)) {
    XScreenSaverSelectInput(display_, root, ScreenSaverNotifyMask);
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (info != nullptr) {
      if (XScreenSaverQueryInfo(display_, root, info))
        screenBlanked_ = Blanks(info->state, info->kind);
      XFree(info);
    }
  } else {
    saverEventBase_ = -1;
  }
  int dpmsEvent = 0;
  int dpmsError = 0;
  dpms_ = DPMSQueryExtension(display_, &dpmsEvent, &dpmsError) && DPMSCapable(display_);
  if (dpms_) {
    lastPowerAskNs_ = MonotonicNowNs();
    AskPower();
  }
  FollowMapState();
}

// Only a saver that is on blanks: a disabled one (`xset s off`, and every
// XScreenSaver session) never does. An external saver is a window of its
// own, over ours: the visibility events tell of that.
bool X11Saver::Blanks(int state, int kind) {
  return (state == ScreenSaverOn || state == ScreenSaverCycle) && kind != ScreenSaverExternal;
}

void X11Saver::AskPower() {
  CARD16 level = DPMSModeOn;
  BOOL enabled = False;
  // A query that fails says nothing: the monitor is taken to be on.
  const bool off = DPMSInfo(display_, &level, &enabled) && enabled && level != DPMSModeOn;
  if (off != displayOff_) {
    displayOff_ = off;
    ReportSight();
  }
}

// Whether the window (and every window above it) is mapped; a window of
// another program that has gone reads as unmapped until the watch ends
// the run.
void X11Saver::FollowMapState() {
  XWindowAttributes attributes{};
  Status status = 0;
  if (window_ == 0 ||
      Refused(display_, [&] { status = XGetWindowAttributes(display_, window_, &attributes); }) ||
      status == 0)
    return;
  unmapped_ = attributes.map_state != IsViewable;
  ReportSight();
}

void X11Saver::ReportSight() {
  scenes_.Report(Unseen::ScreenBlanked, screenBlanked_);
  scenes_.Report(Unseen::DisplayOff, displayOff_);
  scenes_.Report(Unseen::WindowUnmapped, unmapped_);
  scenes_.Report(Unseen::WindowObscured, obscured_);
}

// The window covers the new screen and every monitor gets a new scene;
// a burst of changes costs one rebuild.
void X11Saver::FollowLayout() {
  layoutChanged_ = false;
  const int width = std::max(DisplayWidth(display_, screen_), 1);
  const int height = std::max(DisplayHeight(display_, screen_), 1);
  XMoveResizeWindow(display_, window_, 0, 0, static_cast<unsigned>(width),
                    static_cast<unsigned>(height));
  XRaiseWindow(display_, window_);
  scenes_.Destroy(nullptr);
  stageRect_ = Rect{0, 0, width, height};
  windowWidth_ = width;
  windowHeight_ = height;
  seed_ = RunSeed(config_);
  StartScenes();
  ResizeImage();
  ShowStagesWhole();
}

}  // namespace x11

int RunX11Saver(WindowKind kind, uint32_t windowId, const RunConfig& config) {
  x11::X11Saver saver(kind, windowId, config);
  return saver.Run();
}

}  // namespace glimmerkin
