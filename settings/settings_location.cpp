#include "settings/settings_location.h"

namespace glimmerkin {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view Trimmed(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; }

// The key of a "key=value" entry; the whole entry when it has no '='.
std::wstring_view EntryKey(std::wstring_view entry) {
  return entry.substr(0, entry.find(L'='));
}

std::wstring Entry(const wchar_t* key, int32_t value) {
  // What "%ld" gives for a 32-bit value.
  return std::wstring(key) + L"=" + std::to_wstring(static_cast<long long>(value));
}

}  // namespace

SettingsFilePlan PlanSettingsFiles(bool perUserKnown, bool perUserFileExists) {
  if (!perUserKnown) return {SettingsFile::kWindowsFolder, SettingsFile::kWindowsFolder, false};
  if (perUserFileExists) return {SettingsFile::kPerUser, SettingsFile::kPerUser, false};
  return {SettingsFile::kWindowsFolder, SettingsFile::kPerUser, true};
}

std::wstring PerUserSettingsFolder(std::wstring_view appData) {
  if (appData.empty()) return {};
  std::wstring folder(appData);
  if (folder.back() != L'\\') folder += L'\\';
  return folder + kPerUserFolderName;
}

std::wstring PerUserSettingsPath(std::wstring_view appData, std::wstring_view fileName) {
  if (appData.empty() || fileName.empty()) return {};
  return PerUserSettingsFolder(appData) + L"\\" + std::wstring(fileName);
}

std::vector<std::wstring> SplitProfileList(std::wstring_view buffer, bool truncated) {
  std::vector<std::wstring> entries;
  size_t start = 0;
  while (start < buffer.size()) {
    const size_t end = buffer.find(L'\0', start);
    if (end == std::wstring_view::npos || end == start) break;
    entries.emplace_back(buffer.substr(start, end - start));
    start = end + 1;
  }
  if (truncated && !entries.empty()) entries.pop_back();
  return entries;
}

std::wstring JoinProfileList(const std::vector<std::wstring>& entries) {
  std::wstring list;
  for (const std::wstring& entry : entries) {
    list += entry;
    list += L'\0';
  }
  list += L'\0';
  return list;
}

bool SameProfileName(std::wstring_view a, std::wstring_view b) {
  a = Trimmed(a);
  b = Trimmed(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

std::vector<std::wstring> CarriedOverSection(const std::vector<std::wstring>& oldEntries,
                                             const Settings& settings) {
  std::vector<std::wstring> entries;
  entries.reserve(oldEntries.size() + 2);
  bool speedSet = false;
  bool countSet = false;
  for (const std::wstring& entry : oldEntries) {
    const std::wstring_view key = EntryKey(entry);
    if (!speedSet && SameProfileName(key, kRedrawSpeedKeyW)) {
      entries.push_back(Entry(kRedrawSpeedKeyW, settings.redrawSpeed));
      speedSet = true;
    } else if (!countSet && SameProfileName(key, kAlienCountKeyW)) {
      entries.push_back(Entry(kAlienCountKeyW, settings.alienCount));
      countSet = true;
    } else {
      entries.push_back(entry);
    }
  }
  if (!speedSet) entries.push_back(Entry(kRedrawSpeedKeyW, settings.redrawSpeed));
  if (!countSet) entries.push_back(Entry(kAlienCountKeyW, settings.alienCount));
  return entries;
}

}  // namespace glimmerkin
