#pragma once
#include <string>

namespace glimmerkin {

// $XDG_CONFIG_HOME, else ~/.config (as the settings file's folder is found);
// empty when neither is known.
std::string UserConfigHome();

// The XDG autostart entry that starts the idle watcher at login:
// $XDG_CONFIG_HOME/autostart/glimmerkin-watch.desktop (else ~/.config/...).
// Empty when neither is known.
std::string WatchAutostartPath();

// The entry's text for the program at programPath: the package's
// packaging/glimmerkin-watch.desktop, with this program's own path.
std::string WatchAutostartEntry(const std::string& programPath);

// Writes (on) the entry at path for the program at programPath, replacing
// it whole, or removes it (off; already absent is no failure). False when
// that failed. The settings window's switch and -watch-at-login both use it.
bool WriteWatchAutostart(const std::string& path, const std::string& programPath, bool on);

// -watch-at-login: the entry for this program written or removed; prints one
// line saying what was done. Returns the exit code.
int SetWatchAtLogin(bool on);

}  // namespace glimmerkin
