#pragma once
#include <windows.h>

#include "settings/settings.h"

namespace glimmerkin {

inline constexpr UINT kSettingsSectionString = 1007;
inline constexpr UINT kSettingsFileString = 1001;
// Room for the file name including its terminator: "glimmerkin.ini" is cut
// to "glimmerkin.i", the name every stored settings file carries.
inline constexpr int kSettingsFileRoom = 13;
inline constexpr int kSettingsSectionRoom = 40;

// Reads "Redraw Speed" (default 5) and "Num Sprites" (default 9) from the
// private settings file in the Windows directory, unvalidated.
Settings ReadSettings(HINSTANCE instance);
// Writes both values as decimal text; failures are not reported.
void WriteSettings(HINSTANCE instance, const Settings& settings);

}  // namespace glimmerkin
