#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/settings.h"

namespace glimmerkin {

// The settings file, its section and keys, as the Windows saver names them.
inline constexpr const char* kSettingsFileName = "glimmerkin.i";
inline constexpr const char* kSettingsSection = "Glimmerkin";
inline constexpr const char* kRedrawSpeedKey = "Redraw Speed";
inline constexpr const char* kAlienCountKey = "Num Sprites";
inline constexpr const char* kPixelSizeKey = "Pixel Size";
// The idle watcher's: seconds of idleness before the saver starts, and
// whether the session is locked when the user ends the saver (0 or 1).
inline constexpr const char* kIdleDelayKey = "Idle Delay";
inline constexpr const char* kLockWhenEndedKey = "Lock When Ended";
inline constexpr int32_t kMinIdleDelay = 1;
inline constexpr int32_t kMaxIdleDelay = 7200;
inline constexpr int32_t kDefaultIdleDelay = 240;

// A settings file longer than this is read only up to here: a huge or endless
// file costs bounded time and memory.
inline constexpr size_t kMaxSettingsFileBytes = size_t{1} << 20;

// $XDG_CONFIG_HOME/glimmerkin/glimmerkin.i, else ~/.config/glimmerkin/glimmerkin.i
// (home from $HOME, else the password database). Empty when neither is known.
std::string SettingsFilePath();

// The integer that the private-profile reader gives for section/key in the
// INI text: section and key found without regard to case (the first matching
// section, the first matching key in it), the default when either is missing
// or the value is empty, otherwise the value's leading decimal number after
// blanks, with an optional sign, wrapping modulo 2^32. Any bytes are safe.
int32_t ProfileInt(std::string_view text, std::string_view section, std::string_view key,
                   int32_t defaultValue);

// The file's first kMaxSettingsFileBytes bytes; empty when it cannot be read.
std::string ReadSettingsFile(const std::string& path);

// The values from the file at path, defaults where missing, no range check.
Settings ReadIniSettings(const std::string& path);

// The INI text with the section's key set to value: replaced in place when
// present, otherwise appended to the section, which is appended when missing.
std::string WithProfileString(std::string_view text, std::string_view section,
                              std::string_view key, std::string_view value);

// The idle watcher's settings as stored; delaySet is false when the file
// names no delay (the watcher may then fit its default to the desktop's).
struct WatchSettings {
  int32_t idleDelay = kDefaultIdleDelay;
  bool delaySet = false;
  bool lockWhenEnded = false;
};
WatchSettings ReadWatchSettings(const std::string& path);

// Writes both values (as signed decimal) into the file, creating it and its
// directory when needed and keeping everything else in it. False on failure.
bool WriteIniSettings(const std::string& path, const Settings& settings);

// Sets each key of the settings section to its value, in order, keeping every
// other line of the file; the file is replaced whole (written beside it and
// renamed over it), so a reader never sees half. False on failure, and the
// file is then as it was.
bool WriteProfileValues(const std::string& path,
                        const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace glimmerkin
