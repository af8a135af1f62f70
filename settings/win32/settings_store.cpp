#include "settings/win32/settings_store.h"

namespace glimmerkin {

namespace {

struct SettingsNames {
  char section[kSettingsSectionRoom] = {};
  char file[kSettingsFileRoom] = {};
};

// Loaded afresh on every read and write, the section first.
SettingsNames LoadNames(HINSTANCE instance) {
  SettingsNames names;
  LoadStringA(instance, kSettingsSectionString, names.section, kSettingsSectionRoom);
  LoadStringA(instance, kSettingsFileString, names.file, kSettingsFileRoom);
  return names;
}

}  // namespace

Settings ReadSettings(HINSTANCE instance) {
  const SettingsNames names = LoadNames(instance);
  Settings settings;
  // The profile functions return the value as an unsigned int; stored
  // negative numbers come back with their sign.
  settings.redrawSpeed = static_cast<int32_t>(
      GetPrivateProfileIntA(names.section, "Redraw Speed", kDefaultRedrawSpeed, names.file));
  settings.alienCount = static_cast<int32_t>(
      GetPrivateProfileIntA(names.section, "Num Sprites", kDefaultAlienCount, names.file));
  settings.pixelSize =
      static_cast<int32_t>(GetPrivateProfileIntA(names.section, "Pixel Size", 0, names.file));
  return settings;
}

void WriteSettings(HINSTANCE instance, const Settings& settings) {
  const SettingsNames names = LoadNames(instance);
  char text[16];
  wsprintfA(text, "%ld", static_cast<long>(settings.redrawSpeed));
  WritePrivateProfileStringA(names.section, "Redraw Speed", text, names.file);
  wsprintfA(text, "%ld", static_cast<long>(settings.alienCount));
  WritePrivateProfileStringA(names.section, "Num Sprites", text, names.file);
}

}  // namespace glimmerkin
