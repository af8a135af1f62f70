#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace glimmerkin {

// The desktops' own blanking or locking delays, read once at the start so
// that the watcher's default delay comes before them.

// GNOME's org.gnome.desktop.session idle-delay (seconds; 0 means never),
// through gsettings. Empty when it cannot be read or is 0.
std::optional<int32_t> GnomeIdleDelaySeconds();

// gsettings' answer for an unsigned key ("uint32 300"); empty on anything
// else.
std::optional<int32_t> ParseGsettingsUint(std::string_view text);

// Plasma's screen locker: kscreenlockerrc [Daemon] Timeout, in minutes
// (5 when the file or key is missing). Empty outside a Plasma session.
std::optional<int32_t> PlasmaLockDelaySeconds();

}  // namespace glimmerkin
