#pragma once
#include <windows.h>

#include <string>

#include "settings/settings.h"

namespace glimmerkin {

inline constexpr UINT kSettingsSectionString = 1007;
inline constexpr UINT kSettingsFileString = 1001;
// Room for the file name including its terminator: "glimmerkin.ini" is cut
// to "glimmerkin.i", the name every stored settings file carries.
inline constexpr int kSettingsFileRoom = 13;
inline constexpr int kSettingsSectionRoom = 40;

// Reads "Redraw Speed" (default 5), "Num Sprites" (default 9) and "Pixel
// Size" (default 0), unvalidated, from the user's own settings file in
// %APPDATA%\Glimmerkin, or from the one in the Windows folder while the user
// has none. Whatever cannot be read gives its default.
Settings ReadSettings(HINSTANCE instance);

// Writes both values as decimal text into the user's own settings file,
// creating its folder, and on the first write everything the Windows-folder
// file held. False when they could not be written; `file` then names the
// file for the user.
bool WriteSettings(HINSTANCE instance, const Settings& settings, std::wstring& file);

}  // namespace glimmerkin
