#include "host/x11/x11_idle.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/extensions/sync.h>

#include <cstring>

namespace glimmerkin {
namespace {

class X11Idle final : public IdleSource {
 public:
  X11Idle(Display* display, XSyncCounter counter, int syncEventBase)
      : display_(display), counter_(counter), syncEventBase_(syncEventBase) {
    int errorBase = 0;
    if (XScreenSaverQueryExtension(display_, &saverEventBase_, &errorBase)) {
      XScreenSaverSelectInput(display_, DefaultRootWindow(display_), ScreenSaverNotifyMask);
      hasSaverEvents_ = true;
    }
  }
  ~X11Idle() override {
    if (idleAlarm_ != None) XSyncDestroyAlarm(display_, idleAlarm_);
    if (activeAlarm_ != None) XSyncDestroyAlarm(display_, activeAlarm_);
    XCloseDisplay(display_);
  }

  std::string Name() const override {
    return "the X server's idle time (SYNC IDLETIME, MIT-SCREEN-SAVER) on " +
           std::string(DisplayString(display_));
  }

  std::optional<int32_t> DesktopDelaySeconds() override {
    int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    XGetScreenSaver(display_, &timeout, &interval, &blanking, &exposures);
    if (timeout <= 0) return std::nullopt;
    return timeout;
  }

  bool Arm(int32_t delaySeconds) override {
    delayMs_ = int64_t{delaySeconds} * 1000;
    idleAlarm_ = SetAlarm(idleAlarm_, XSyncPositiveComparison, delayMs_);
    return idleAlarm_ != None;
  }

  int Fd() const override { return ConnectionNumber(display_); }

  bool Flush() override {
    XFlush(display_);
    return XPending(display_) == 0;
  }

  bool Dispatch(std::vector<WatchEvent>& events) override {
    // A lost connection ends the process through Xlib's handler unless
    // caught; the watcher's owner treats that as the session's end.
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == syncEventBase_ + XSyncAlarmNotify) {
        const auto& alarm = reinterpret_cast<const XSyncAlarmNotifyEvent&>(event);
        if (alarm.alarm == idleAlarm_ && !idle_) {
          idle_ = true;
          events.push_back(WatchEvent::Idle);
          // Any input now brings the counter below the delay again.
          activeAlarm_ = SetAlarm(activeAlarm_, XSyncNegativeComparison, delayMs_ - 1);
        } else if (alarm.alarm == activeAlarm_ && idle_) {
          idle_ = false;
          events.push_back(WatchEvent::Active);
          idleAlarm_ = SetAlarm(idleAlarm_, XSyncPositiveComparison, delayMs_);
        }
      } else if (hasSaverEvents_ && event.type == saverEventBase_ + ScreenSaverNotify) {
        const auto& saver = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
        if (saver.state == ScreenSaverOn) events.push_back(WatchEvent::DesktopSaverOn);
        if (saver.state == ScreenSaverOff) events.push_back(WatchEvent::DesktopSaverOff);
      }
    }
    return true;
  }

 private:
  // One-shot alarms (a comparison with no delta goes inactive once it
  // fires); the same alarm is changed rather than made anew each time.
  XSyncAlarm SetAlarm(XSyncAlarm alarm, XSyncTestType test, int64_t valueMs) {
    XSyncAlarmAttributes attributes{};
    attributes.trigger.counter = counter_;
    attributes.trigger.value_type = XSyncAbsolute;
    attributes.trigger.test_type = test;
    XSyncIntsToValue(&attributes.trigger.wait_value, static_cast<unsigned>(valueMs & 0xffffffff),
                     static_cast<int>(valueMs >> 32));
    XSyncIntToValue(&attributes.delta, 0);
    attributes.events = True;
    const unsigned long mask = XSyncCACounter | XSyncCAValueType | XSyncCATestType | XSyncCAValue |
                               XSyncCADelta | XSyncCAEvents;
    if (alarm == None) return XSyncCreateAlarm(display_, mask, &attributes);
    XSyncChangeAlarm(display_, alarm, mask, &attributes);
    return alarm;
  }

  Display* display_;
  XSyncCounter counter_;
  int syncEventBase_;
  int saverEventBase_ = 0;
  bool hasSaverEvents_ = false;
  int64_t delayMs_ = 0;
  bool idle_ = false;
  XSyncAlarm idleAlarm_ = None;
  XSyncAlarm activeAlarm_ = None;
};

}  // namespace

std::unique_ptr<IdleSource> OpenX11IdleSource() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  XSyncCounter counter = None;
  if (XSyncQueryExtension(display, &eventBase, &errorBase) &&
      XSyncInitialize(display, &major, &minor)) {
    int count = 0;
    XSyncSystemCounter* counters = XSyncListSystemCounters(display, &count);
    for (int i = 0; i < count; ++i)
      if (std::strcmp(counters[i].name, "IDLETIME") == 0) counter = counters[i].counter;
    if (counters != nullptr) XSyncFreeSystemCounterList(counters);
  }
  if (counter == None) {
    XCloseDisplay(display);
    return nullptr;
  }
  return std::make_unique<X11Idle>(display, counter, eventBase);
}

// XScreenSaver's daemon announces itself with a version property on a
// window of its own among the root's children (or on the root).
bool HasProperty(Display* display, Window window, Atom name) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  const bool found = XGetWindowProperty(display, window, name, 0, 16, False, AnyPropertyType, &type,
                                        &format, &items, &after, &data) == Success &&
                     type != None;
  if (data != nullptr) XFree(data);
  return found;
}

OtherSaver X11OtherSaver() {
  OtherSaver other;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return other;
  const Atom version = XInternAtom(display, "_SCREENSAVER_VERSION", True);
  bool found = false;
  if (version != None) {
    const Window root = DefaultRootWindow(display);
    found = HasProperty(display, root, version);
    Window up = None, top = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (!found && XQueryTree(display, root, &top, &up, &children, &count)) {
      for (unsigned i = 0; i < count && !found; ++i)
        found = HasProperty(display, children[i], version);
      if (children != nullptr) XFree(children);
    }
  }
  if (found) {
    other.name = "XScreenSaver";
    other.howToChoose =
        "choose Glimmerkin in xscreensaver-settings (its mode \"Only one screen saver\")";
  }
  XCloseDisplay(display);
  return other;
}

}  // namespace glimmerkin
