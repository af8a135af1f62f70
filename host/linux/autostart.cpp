#include "host/linux/autostart.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>

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

int SetWatchAtLogin(bool on) {
  const std::string path = WatchAutostartPath();
  if (path.empty()) {
    std::fprintf(stderr, "glimmerkin: no configuration folder ($XDG_CONFIG_HOME or a home)\n");
    return 1;
  }
  if (!on) {
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
      std::fprintf(stderr, "glimmerkin: cannot remove %s\n", path.c_str());
      return 1;
    }
    std::printf("The idle watcher no longer starts at login (%s removed)\n", path.c_str());
    return 0;
  }
  const std::string folder = path.substr(0, path.rfind('/'));
  mkdir(folder.substr(0, folder.rfind('/')).c_str(), 0755);
  mkdir(folder.c_str(), 0755);
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << WatchAutostartEntry(ProgramPath());
    if (!out.flush()) {
      std::fprintf(stderr, "glimmerkin: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    std::fprintf(stderr, "glimmerkin: cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("The idle watcher starts at your next login (%s)\n", path.c_str());
  return 0;
}

}  // namespace glimmerkin
