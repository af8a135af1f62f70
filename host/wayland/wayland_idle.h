#pragma once
#include <memory>

#include "host/linux/idle_source.h"

namespace glimmerkin {

// The compositor's own idle notice: ext-idle-notify-v1 where offered (it
// withholds idleness while a client holds an idle inhibitor), else KDE's
// org_kde_kwin_idle (sway 1.7, older KWin). Null without either.
std::unique_ptr<IdleSource> OpenWaylandIdleSource();

}  // namespace glimmerkin
