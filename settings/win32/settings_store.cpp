#include "settings/win32/settings_store.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "host/win32/host_state.h"
#include "host/win32/system_module.h"
#include "settings/settings_location.h"

namespace glimmerkin {

namespace {

struct SettingsNames {
  wchar_t section[kSettingsSectionRoom] = {};
  wchar_t file[kSettingsFileRoom] = {};
};

// Loaded afresh on every read and write, the section first.
SettingsNames LoadNames(HINSTANCE instance) {
  SettingsNames names;
  LoadStringW(instance, kSettingsSectionString, names.section, kSettingsSectionRoom);
  LoadStringW(instance, kSettingsFileString, names.file, kSettingsFileRoom);
  return names;
}

// The shell's known-folder call is missing before Vista and CoTaskMemFree
// comes with it: both are looked up at run time from the system directory,
// so that the saver still starts there and imports no more DLLs.
using GetKnownFolderPathProc = HRESULT(WINAPI*)(REFKNOWNFOLDERID folder, DWORD flags,
                                                HANDLE token, PWSTR* path);
using TaskMemFreeProc = void(WINAPI*)(void* memory);

// The user's roaming application-data folder; empty when the system cannot
// name it.
std::wstring RoamingAppData(DWORD flags) {
  std::wstring folder;
  const HMODULE shell = LoadSystemModule("shell32.dll");
  if (shell == nullptr) return folder;
  const auto getPath = FindProc<GetKnownFolderPathProc>(shell, "SHGetKnownFolderPath");
  const HMODULE ole = getPath != nullptr ? LoadSystemModule("ole32.dll") : nullptr;
  const auto taskMemFree =
      ole != nullptr ? FindProc<TaskMemFreeProc>(ole, "CoTaskMemFree") : nullptr;
  if (getPath != nullptr) {
    PWSTR path = nullptr;
    if (SUCCEEDED(getPath(FOLDERID_RoamingAppData, flags, nullptr, &path)) && path != nullptr)
      folder = path;
    // Owed whether the call succeeded or not.
    if (path != nullptr && taskMemFree != nullptr) taskMemFree(path);
  }
  if (ole != nullptr) FreeLibrary(ole);
  FreeLibrary(shell);
  return folder;
}

bool IsFile(const std::wstring& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

struct Location {
  std::wstring appData;
  std::wstring perUser;
  SettingsFilePlan plan;
};

Location Locate(const SettingsNames& names, DWORD knownFolderFlags) {
  Location location;
  location.appData = RoamingAppData(knownFolderFlags);
  location.perUser = PerUserSettingsPath(location.appData, names.file);
  location.plan = PlanSettingsFiles(!location.perUser.empty(), IsFile(location.perUser));
  return location;
}

// The Windows-folder file as the user knows it, for the message.
std::wstring WindowsFolderPath(const wchar_t* fileName) {
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return fileName;
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  return path + fileName;
}

// One list from the profile functions, grown until it fits or reaches the
// limit. fill(buffer, size) returns what they return: size - 2 when cut.
template <typename Fill>
std::vector<std::wstring> ReadProfileList(Fill fill) {
  for (DWORD size = 1024;; size *= 2) {
    std::vector<wchar_t> buffer(size, L'\0');
    const DWORD length = std::min<DWORD>(fill(buffer.data(), size), size);
    const bool truncated = length + 2 >= size;
    if (!truncated || size >= kMaxProfileListChars)
      return SplitProfileList(std::wstring_view(buffer.data(), length), truncated);
  }
}

bool WriteBothKeys(const SettingsNames& names, const Settings& settings, const wchar_t* file) {
  wchar_t text[16];
  wsprintfW(text, L"%ld", static_cast<long>(settings.redrawSpeed));
  const bool speedWritten =
      WritePrivateProfileStringW(names.section, kRedrawSpeedKeyW, text, file) != FALSE;
  wsprintfW(text, L"%ld", static_cast<long>(settings.alienCount));
  const bool countWritten =
      WritePrivateProfileStringW(names.section, kAlienCountKeyW, text, file) != FALSE;
  return speedWritten && countWritten;
}

// Creates the per-user file from every section of the Windows-folder file,
// the settings section first and with the dialog's two values in it.
bool CarryOver(const SettingsNames& names, const Settings& settings, const std::wstring& perUser) {
  const wchar_t* oldFile = names.file;
  const auto readSection = [&](const wchar_t* section) {
    return ReadProfileList([&](wchar_t* buffer, DWORD size) {
      return GetPrivateProfileSectionW(section, buffer, size, oldFile);
    });
  };
  const std::wstring settingsSection =
      JoinProfileList(CarriedOverSection(readSection(names.section), settings));
  if (!WritePrivateProfileSectionW(names.section, settingsSection.c_str(), perUser.c_str()))
    return false;
  const std::vector<std::wstring> sections = ReadProfileList([&](wchar_t* buffer, DWORD size) {
    return GetPrivateProfileSectionNamesW(buffer, size, oldFile);
  });
  for (const std::wstring& section : sections) {
    if (SameProfileName(section, names.section)) continue;
    const std::vector<std::wstring> entries = readSection(section.c_str());
    if (entries.empty()) continue;
    if (!WritePrivateProfileSectionW(section.c_str(), JoinProfileList(entries).c_str(),
                                     perUser.c_str()))
      return false;
  }
  return true;
}

}  // namespace

Settings ReadSettings(HINSTANCE instance) {
  const SettingsNames names = LoadNames(instance);
  const Location location = Locate(names, 0);
  const wchar_t* file =
      location.plan.read == SettingsFile::kPerUser ? location.perUser.c_str() : names.file;
  Settings settings;
  // The profile functions return the value as an unsigned int; stored
  // negative numbers come back with their sign.
  settings.redrawSpeed = static_cast<int32_t>(
      GetPrivateProfileIntW(names.section, kRedrawSpeedKeyW, kDefaultRedrawSpeed, file));
  settings.alienCount = static_cast<int32_t>(
      GetPrivateProfileIntW(names.section, kAlienCountKeyW, kDefaultAlienCount, file));
  settings.pixelSize =
      static_cast<int32_t>(GetPrivateProfileIntW(names.section, L"Pixel Size", 0, file));
  return settings;
}

bool WriteSettings(HINSTANCE instance, const Settings& settings, std::wstring& file) {
  const SettingsNames names = LoadNames(instance);
  // A roaming profile folder not made yet is made now.
  const Location location = Locate(names, KF_FLAG_CREATE);
  if (location.plan.write == SettingsFile::kWindowsFolder) {
    file = WindowsFolderPath(names.file);
    return WriteBothKeys(names, settings, names.file);
  }
  file = location.perUser;
  // Fails when the folder is there already, or cannot be made: the write
  // below tells which matters.
  CreateDirectoryW(PerUserSettingsFolder(location.appData).c_str(), nullptr);
  if (!location.plan.carryOver) return WriteBothKeys(names, settings, file.c_str());
  if (CarryOver(names, settings, file)) return true;
  // A file cut short would win over the whole old one from now on.
  DeleteFileW(file.c_str());
  return false;
}

}  // namespace glimmerkin
