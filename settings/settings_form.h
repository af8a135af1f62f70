#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/ini_settings.h"
#include "settings/settings.h"

// What the Linux settings window holds and writes, free of any toolkit, so
// that every choice it makes can be tested without a display.
namespace glimmerkin {

// The window's wording, the Windows dialog's where it applies (a row title
// takes no colon).
inline constexpr const char* kSpeedLabel = "Speed";
inline constexpr const char* kCountLabel = "Number of aliens";

struct SettingsForm {
  Settings scene;
  int32_t idleDelay = kDefaultIdleDelay;
  // The file named a delay, or the user changed it: only then is it written,
  // so that an untouched delay stays the watcher's to fit to the desktop.
  bool delaySet = false;
  bool lockWhenEnded = false;
  bool startWhenIdle = false;
};

enum class FileState {
  kFine,        // read, every value in range (or the file is not there yet)
  kUnreadable,  // there, but it cannot be read (permissions, not a file)
  kDamaged,     // read, but a value is out of range or not a number
};

struct LoadedForm {
  SettingsForm form;
  FileState state = FileState::kFine;
};

// The form for a settings text: each value the window can show taken as it
// is, each other one its default (and the text then counts as damaged).
// Text with NUL bytes counts as damaged too: it is no settings file.
LoadedForm FormFromText(std::string_view text);

// The form for the file at path (missing: the defaults, fine), and whether
// the watcher's autostart entry is there.
LoadedForm LoadForm(const std::string& settingsPath, const std::string& autostartPath);

// The keys a save sets, in the file's order: both scene values, the lock
// flag, and the delay when it is the user's.
std::vector<std::pair<std::string, std::string>> FormValues(const SettingsForm& form);

// The sentence the window shows for a file it could not take as it is.
std::string LoadMessage(FileState state, const std::string& path);
// The sentence for a save that failed.
std::string SaveFailedMessage(const std::string& path);
// The sentence for a save whose settings were kept but whose autostart
// entry could not be written (on) or removed (off).
std::string AutostartFailedMessage(const std::string& path, bool on);

// The saver's arguments for trying the form's settings without saving
// them: full screen, or in a window.
std::vector<std::string> TryOutArguments(const SettingsForm& form, bool fullScreen);

}  // namespace glimmerkin
