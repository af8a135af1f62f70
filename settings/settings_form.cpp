#include "settings/settings_form.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace glimmerkin {
namespace {

// A key's value, and whether the text holds one at all: asked with two
// different defaults, a missing key gives back each of them.
struct Stored {
  int32_t value = 0;
  bool present = false;
};

Stored StoredInt(std::string_view text, const char* key) {
  const int32_t a = ProfileInt(text, kSettingsSection, key, INT32_MIN);
  const int32_t b = ProfileInt(text, kSettingsSection, key, INT32_MAX);
  if (a == INT32_MIN && b == INT32_MAX) return {};
  return {a, true};
}

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

}  // namespace

LoadedForm FormFromText(std::string_view text) {
  LoadedForm loaded;
  SettingsForm& form = loaded.form;
  bool damaged = text.find('\0') != std::string_view::npos;
  const Stored speed = StoredInt(text, kRedrawSpeedKey);
  const Stored count = StoredInt(text, kAlienCountKey);
  const Stored delay = StoredInt(text, kIdleDelayKey);
  const Stored lock = StoredInt(text, kLockWhenEndedKey);
  if (speed.present) form.scene.redrawSpeed = speed.value;
  if (count.present) form.scene.alienCount = count.value;
  // The pixel size is no choice of the window's: kept as stored.
  form.scene.pixelSize = ProfileInt(text, kSettingsSection, kPixelSizeKey, 0);
  const Settings shown = ValidatedForDialog(form.scene);
  damaged = damaged || shown.redrawSpeed != form.scene.redrawSpeed ||
            shown.alienCount != form.scene.alienCount;
  form.scene = shown;
  if (delay.present) {
    if (InRange(delay.value, kMinIdleDelay, kMaxIdleDelay)) {
      form.idleDelay = delay.value;
      form.delaySet = true;
    } else {
      damaged = true;
    }
  }
  if (lock.present) {
    if (lock.value == 0 || lock.value == 1)
      form.lockWhenEnded = lock.value == 1;
    else
      damaged = true;
  }
  loaded.state = damaged ? FileState::kDamaged : FileState::kFine;
  return loaded;
}

LoadedForm LoadForm(const std::string& settingsPath, const std::string& autostartPath) {
  LoadedForm loaded;
  struct stat info {};
  if (!settingsPath.empty() && stat(settingsPath.c_str(), &info) == 0) {
    bool readable = S_ISREG(info.st_mode);
    if (readable) {
      const int fd = open(settingsPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
      readable = fd >= 0;
      if (fd >= 0) close(fd);
    }
    if (readable)
      loaded = FormFromText(ReadSettingsFile(settingsPath));
    else
      loaded.state = FileState::kUnreadable;
  } else if (!settingsPath.empty() && errno != ENOENT) {
    // A folder on the way that cannot be searched, and the like.
    loaded.state = FileState::kUnreadable;
  }
  loaded.form.startWhenIdle =
      !autostartPath.empty() && access(autostartPath.c_str(), F_OK) == 0;
  return loaded;
}

std::vector<std::pair<std::string, std::string>> FormValues(const SettingsForm& form) {
  const Settings scene = ValidatedForDialog(form.scene);
  std::vector<std::pair<std::string, std::string>> values{
      {kRedrawSpeedKey, std::to_string(scene.redrawSpeed)},
      {kAlienCountKey, std::to_string(scene.alienCount)},
      {kLockWhenEndedKey, form.lockWhenEnded ? "1" : "0"},
  };
  if (form.delaySet) {
    const int32_t delay = InRange(form.idleDelay, kMinIdleDelay, kMaxIdleDelay)
                              ? form.idleDelay
                              : kDefaultIdleDelay;
    values.emplace_back(kIdleDelayKey, std::to_string(delay));
  }
  return values;
}

std::string LoadMessage(FileState state, const std::string& path) {
  switch (state) {
    case FileState::kFine:
      return {};
    case FileState::kUnreadable:
      return "The settings file " + path +
             " cannot be read. The defaults are shown; the file stays as it is until you save.";
    case FileState::kDamaged:
      return "The settings file " + path +
             " holds values Glimmerkin cannot use. The defaults are shown for them; the file "
             "stays as it is until you save.";
  }
  return {};
}

std::string SaveFailedMessage(const std::string& path) {
  return "The settings could not be saved in " + path +
         ". Its folder could not be created, or it is read-only, or the disk is full. Mend "
         "that and save again; nothing was changed.";
}

std::string AutostartFailedMessage(const std::string& path, bool on) {
  return std::string("The settings were saved, but starting when idle could not be turned ") +
         (on ? "on: " : "off: ") + path + (on ? " could not be written." : " could not be removed.") +
         " Mend that and save again.";
}

std::vector<std::string> TryOutArguments(const SettingsForm& form, bool fullScreen) {
  const Settings scene = ValidatedForDialog(form.scene);
  return {fullScreen ? "/s" : "-window", "-redraw-speed", std::to_string(scene.redrawSpeed),
          "-num-aliens", std::to_string(scene.alienCount)};
}

}  // namespace glimmerkin
