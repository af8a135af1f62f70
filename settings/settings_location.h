#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

// Where the Windows saver keeps its settings file, and how the first write
// into the per-user file takes over an older file from the Windows folder.
// Free of Windows calls, so that the choices can be tested anywhere.
namespace glimmerkin {

// The per-user settings live in a folder of this name under the user's
// roaming application-data folder.
inline constexpr wchar_t kPerUserFolderName[] = L"Glimmerkin";
inline constexpr wchar_t kRedrawSpeedKeyW[] = L"Redraw Speed";
inline constexpr wchar_t kAlienCountKeyW[] = L"Num Sprites";

// Longest list of section names or of one section's entries taken from the
// old file; a hand-made giant costs bounded memory and is carried over cut.
inline constexpr size_t kMaxProfileListChars = size_t{1} << 16;

enum class SettingsFile {
  kPerUser,        // glimmerkin.i in the per-user folder
  kWindowsFolder,  // the bare file name: the Windows directory (or its VirtualStore)
};

struct SettingsFilePlan {
  SettingsFile read = SettingsFile::kWindowsFolder;
  SettingsFile write = SettingsFile::kWindowsFolder;
  // The write creates the per-user file from everything the Windows-folder
  // file holds, so that nothing set there by hand is lost.
  bool carryOver = false;
};

// perUserKnown: the system named the roaming application-data folder (it
// cannot before Windows Vista). perUserFileExists: the per-user file is there.
SettingsFilePlan PlanSettingsFiles(bool perUserKnown, bool perUserFileExists);

// appData\Glimmerkin, and the settings file in it; empty when appData is.
std::wstring PerUserSettingsFolder(std::wstring_view appData);
std::wstring PerUserSettingsPath(std::wstring_view appData, std::wstring_view fileName);

// The entries of a list as the private-profile functions fill a buffer: each
// ended by a NUL, the list by an empty entry. An entry the buffer's end cuts
// off is dropped, and so is the last one when `truncated` says the list did
// not fit (the functions then cut it and end it as if it were whole).
std::vector<std::wstring> SplitProfileList(std::wstring_view buffer, bool truncated);
// The reverse: each entry ended by a NUL, then one more NUL.
std::wstring JoinProfileList(const std::vector<std::wstring>& entries);

// Section and key names compared as the private-profile functions compare
// them: blanks around them and the case of ASCII letters do not count.
bool SameProfileName(std::wstring_view a, std::wstring_view b);

// The settings section's entries ("key=value") as the per-user file takes
// them over: every old entry in its order, "Redraw Speed" and "Num Sprites"
// set to the dialog's values where they were (the first of each) and added
// at the end where they were not.
std::vector<std::wstring> CarriedOverSection(const std::vector<std::wstring>& oldEntries,
                                             const Settings& settings);

}  // namespace glimmerkin
