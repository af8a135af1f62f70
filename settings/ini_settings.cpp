#include "settings/ini_settings.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace glimmerkin {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// One line of the text: [begin, end) is its content, next is where the
// following line starts. Lines end at '\n', '\r' or "\r\n".
struct Line {
  size_t begin = 0;
  size_t end = 0;
  size_t next = 0;
};

Line LineAt(std::string_view text, size_t begin) {
  Line line{begin, begin, begin};
  size_t i = begin;
  while (i < text.size() && text[i] != '\n' && text[i] != '\r') ++i;
  line.end = i;
  if (i < text.size()) {
    ++i;
    if (text[i - 1] == '\r' && i < text.size() && text[i] == '\n') ++i;
  }
  line.next = i;
  return line;
}

// A section header's name, or false when the line is not one.
bool SectionName(std::string_view content, std::string_view& name) {
  content = Trim(content);
  if (content.empty() || content.front() != '[') return false;
  content.remove_prefix(1);
  const size_t close = content.find(']');
  name = Trim(close == std::string_view::npos ? content : content.substr(0, close));
  return true;
}

// A key line's name and value (empty value when there is no '=').
void KeyAndValue(std::string_view content, std::string_view& key, std::string_view& value) {
  const size_t equals = content.find('=');
  if (equals == std::string_view::npos) {
    key = Trim(content);
    value = {};
  } else {
    key = Trim(content.substr(0, equals));
    value = Trim(content.substr(equals + 1));
  }
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The profile reader keeps at most this many characters of a value before
// turning it into a number.
constexpr size_t kValueChars = 29;

int32_t ValueToInt(std::string_view value, int32_t defaultValue) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  if (value.size() > kValueChars) value = value.substr(0, kValueChars);
  if (value.empty()) return defaultValue;
  size_t i = 0;
  while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  uint32_t number = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
    number = number * 10u + static_cast<uint32_t>(value[i] - '0');
  if (negative) number = 0u - number;
  return static_cast<int32_t>(number);
}

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
      result != nullptr && result->pw_dir != nullptr && result->pw_dir[0] == '/')
    return result->pw_dir;
  return {};
}

bool MakeDirectories(const std::string& path) {
  if (path.empty()) return false;
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

}  // namespace

std::string SettingsFilePath() {
  std::string base;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  // Relative values are invalid for this variable and are ignored.
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else {
    const std::string home = HomeDirectory();
    if (home.empty()) return {};
    base = home + (home.back() == '/' ? "" : "/") + ".config";
  }
  if (base.back() != '/') base += '/';
  return base + "glimmerkin/" + kSettingsFileName;
}

int32_t ProfileInt(std::string_view text, std::string_view section, std::string_view key,
                   int32_t defaultValue) {
  // A UTF-8 byte order mark written by an editor is not part of the text.
  if (text.substr(0, 3) == kByteOrderMark) text.remove_prefix(3);
  bool inSection = false;
  for (size_t pos = 0; pos < text.size();) {
    const Line line = LineAt(text, pos);
    pos = line.next;
    const std::string_view content = text.substr(line.begin, line.end - line.begin);
    std::string_view name;
    if (SectionName(content, name)) {
      // Only the first section of that name is searched.
      if (inSection) return defaultValue;
      inSection = SameName(name, section);
      continue;
    }
    if (!inSection) continue;
    std::string_view lineKey;
    std::string_view value;
    KeyAndValue(content, lineKey, value);
    if (SameName(lineKey, key)) return ValueToInt(value, defaultValue);
  }
  return defaultValue;
}

std::string ReadSettingsFile(const std::string& path) {
  std::string text;
  if (path.empty()) return text;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return text;
  struct stat info {};
  // Only regular files: a FIFO or device would block or never end.
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return text;
  }
  text.resize(kMaxSettingsFileBytes);
  size_t used = 0;
  while (used < text.size()) {
    const ssize_t n = read(fd, text.data() + used, text.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    used += static_cast<size_t>(n);
  }
  close(fd);
  text.resize(used);
  return text;
}

Settings ReadIniSettings(const std::string& path) {
  const std::string text = ReadSettingsFile(path);
  Settings settings;
  settings.redrawSpeed = ProfileInt(text, kSettingsSection, kRedrawSpeedKey, kDefaultRedrawSpeed);
  settings.alienCount = ProfileInt(text, kSettingsSection, kAlienCountKey, kDefaultAlienCount);
  settings.pixelSize = ProfileInt(text, kSettingsSection, kPixelSizeKey, 0);
  return settings;
}

std::string WithProfileString(std::string_view text, std::string_view section,
                              std::string_view key, std::string_view value) {
  const std::string entry = std::string(key) + "=" + std::string(value);
  bool inSection = false;
  bool found = false;
  size_t insertAt = 0;  // just after the section's last non-blank line
  const size_t start = text.substr(0, 3) == kByteOrderMark ? 3 : 0;
  for (size_t pos = start; pos < text.size();) {
    const Line line = LineAt(text, pos);
    pos = line.next;
    const std::string_view content = text.substr(line.begin, line.end - line.begin);
    std::string_view name;
    if (SectionName(content, name)) {
      if (inSection) break;
      inSection = SameName(name, section);
      if (inSection) {
        found = true;
        insertAt = line.next;
      }
      continue;
    }
    if (!inSection) continue;
    std::string_view lineKey;
    std::string_view lineValue;
    KeyAndValue(content, lineKey, lineValue);
    if (SameName(lineKey, key))
      return std::string(text.substr(0, line.begin)) + entry + std::string(text.substr(line.end));
    if (!Trim(content).empty()) insertAt = line.next;
  }
  std::string result(text);
  if (!found) {
    if (!result.empty() && result.back() != '\n' && result.back() != '\r') result += '\n';
    // Appended piece by piece: GCC 12 warns wrongly about "literal" + string&&.
    result += '[';
    result.append(section);
    result += "]\n";
    result += entry;
    result += '\n';
    return result;
  }
  std::string insertion;
  // The section's last line may end the file without a line break.
  if (insertAt > 0 && text[insertAt - 1] != '\n' && text[insertAt - 1] != '\r') insertion += '\n';
  insertion += entry;
  insertion += '\n';
  result.insert(insertAt, insertion);
  return result;
}

WatchSettings ReadWatchSettings(const std::string& path) {
  const std::string text = ReadSettingsFile(path);
  WatchSettings watch;
  // A value no reader can give tells "not set" from any value set.
  constexpr int32_t kUnset = INT32_MIN;
  const int32_t delay = ProfileInt(text, kSettingsSection, kIdleDelayKey, kUnset);
  watch.delaySet = delay != kUnset;
  if (watch.delaySet) watch.idleDelay = delay;
  watch.lockWhenEnded = ProfileInt(text, kSettingsSection, kLockWhenEndedKey, 0) != 0;
  return watch;
}

bool WriteIniSettings(const std::string& path, const Settings& settings) {
  return WriteProfileValues(path, {{kRedrawSpeedKey, std::to_string(settings.redrawSpeed)},
                                   {kAlienCountKey, std::to_string(settings.alienCount)}});
}

bool WriteProfileValues(const std::string& path,
                        const std::vector<std::pair<std::string, std::string>>& values) {
  if (path.empty()) return false;
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash)))
    return false;
  // Only the first part of a file past the reading limit is ever read, so
  // writing would drop the rest: such a file is left alone.
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<uint64_t>(info.st_size) > kMaxSettingsFileBytes)
    return false;
  std::string text = ReadSettingsFile(path);
  for (const auto& [key, value] : values) text = WithProfileString(text, kSettingsSection, key, value);
  // Written beside the file and renamed over it, so a reader never sees half.
  const std::string temporary = path + ".tmp." + std::to_string(getpid());
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  bool written = done == text.size();
  if (close(fd) != 0) written = false;
  if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace glimmerkin
