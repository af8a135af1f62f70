#include "host/linux/autostart.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "settings/ini_settings.h"

namespace glimmerkin {
namespace {

std::string ProgramPath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "glimmerkin";
  return std::string(path, static_cast<size_t>(length));
}

}  // namespace

// The settings file lives in $XDG_CONFIG_HOME/glimmerkin/: the folder above
// it is the configuration home.
std::string UserConfigHome() {
  const std::string settings = SettingsFilePath();
  const size_t folder = settings.rfind("/glimmerkin/");
  return folder == std::string::npos ? std::string() : settings.substr(0, folder);
}

std::string WatchAutostartPath() {
  const std::string home = UserConfigHome();
  return home.empty() ? std::string() : home + "/autostart/glimmerkin-watch.desktop";
}

std::string WatchAutostartEntry(const std::string& programPath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Glimmerkin idle watcher\n"
         "Comment=Shows the Glimmerkin screen saver when the session is idle\n"
         "Exec=" +
         programPath +
         " -watch\n"
         "NoDisplay=true\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool WriteWatchAutostart(const std::string& path, const std::string& programPath, bool on) {
  if (path.empty()) return false;
  if (!on) return unlink(path.c_str()) == 0 || errno == ENOENT;
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    const std::string folder = path.substr(0, slash);
    const size_t above = folder.rfind('/');
    if (above != std::string::npos && above > 0) mkdir(folder.substr(0, above).c_str(), 0755);
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  const std::string temporary = path + ".tmp." + std::to_string(getpid());
  {
    std::ofstream out(temporary, std::ios::trunc | std::ios::binary);
    out << WatchAutostartEntry(programPath);
    if (!out.flush()) {
      unlink(temporary.c_str());
      return false;
    }
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

int SetWatchAtLogin(bool on) {
  const std::string path = WatchAutostartPath();
  if (path.empty()) {
    std::fprintf(stderr, "glimmerkin: no configuration folder ($XDG_CONFIG_HOME or a home)\n");
    return 1;
  }
  if (!WriteWatchAutostart(path, ProgramPath(), on)) {
    std::fprintf(stderr, "glimmerkin: cannot %s %s\n", on ? "write" : "remove", path.c_str());
    return 1;
  }
  if (on)
    std::printf("The idle watcher starts at your next login (%s)\n", path.c_str());
  else
    std::printf("The idle watcher no longer starts at login (%s removed)\n", path.c_str());
  return 0;
}

}  // namespace glimmerkin
