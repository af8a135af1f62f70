#pragma once
#include <functional>
#include <memory>

#include "host/linux/idle_source.h"

namespace glimmerkin {

// What the D-Bus side of a Linux session tells the idle watcher (sd-bus):

// Mutter's idle monitor on the session bus (GNOME, on Wayland and on X11):
// an idle watch for the delay and a user-active watch after it. Null where
// no Mutter answers.
std::unique_ptr<IdleSource> OpenMutterIdleSource();

// The session's idle inhibitors: GNOME's session manager (IsInhibited with
// the idle flag, re-asked on each InhibitorAdded / InhibitorRemoved) and
// Plasma's power management (PolicyAgent HasInhibition for the screen, on
// InhibitionsChanged); and GNOME's shield (org.gnome.ScreenSaver
// ActiveChanged). Null without a session bus.
std::unique_ptr<IdleSource> OpenSessionInhibitorSource();

// logind on the system bus: this session's Lock / Unlock and the machine's
// PrepareForSleep. lock is set to ask for this session's lock. Null without
// a system bus or a session.
std::unique_ptr<IdleSource> OpenLogindSource(std::function<bool()>& lock);

// Asks logind to lock this session and waits for the answer; false when no
// logind or no session answers. For a saver ended by input: the lock is
// asked for while the saver still covers the screen.
bool LockSessionNow();

// A screen saver of the desktop's own that owns its name on the session bus
// (mate-screensaver, xfce4-screensaver, cinnamon-screensaver).
OtherSaver DBusOtherSaver();

}  // namespace glimmerkin
