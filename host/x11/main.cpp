// glimmerkin: the Linux saver, standalone with the Windows switches and as an
// XScreenSaver hack.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/saver_main.h"
#include "host/x11/x11_options.h"
#include "host/x11/x11_saver.h"
#include "settings/ini_settings.h"

namespace glimmerkin {
namespace {

class X11Modes final : public SaverModes {
 public:
  X11Modes(const X11RunConfig& config, std::string settingsPath)
      : config_(config), settingsPath_(std::move(settingsPath)) {}

  // There is no dialog to borrow: the settings and the ways to change them
  // are printed instead.
  int RunConfigureDialog(bool) override {
    struct stat info {};
    const bool present = !settingsPath_.empty() && stat(settingsPath_.c_str(), &info) == 0;
    std::printf(
        "Glimmerkin settings\n"
        "  Redraw speed:     %ld  (1 slow .. 10 fast, key \"%s\")\n"
        "  Number of aliens: %ld  (2 .. 25, key \"%s\")\n"
        "Settings file: %s%s\n"
        "To change them:\n"
        "  - edit the file: section [%s], lines \"%s=N\" and \"%s=N\";\n"
        "  - or store new values: glimmerkin -redraw-speed N -num-aliens N -write-settings\n"
        "  - or for one run only: glimmerkin -window -redraw-speed N -num-aliens N\n"
        "  - under XScreenSaver, the two sliders of its settings pass the same options.\n",
        static_cast<long>(config_.settings.redrawSpeed), kRedrawSpeedKey,
        static_cast<long>(config_.settings.alienCount), kAlienCountKey,
        settingsPath_.empty() ? "(unknown: neither $XDG_CONFIG_HOME nor a home directory)"
                              : settingsPath_.c_str(),
        present ? "" : " (not present: the defaults are in use)", kSettingsSection,
        kRedrawSpeedKey, kAlienCountKey);
    std::fflush(stdout);
    return 0;
  }

  int RunFullScreen() override { return RunX11Saver(X11WindowKind::FullScreen, 0, config_); }

  int RunPreview(const char* text) override {
    const uint32_t window = ParseDecimal(text);
    if (window == 0) return kExitBadWindow;
    return RunX11Saver(X11WindowKind::Preview, window, config_);
  }

  // No password-change provider exists here.
  int RunChangePassword(const char*) override { return 0; }

 private:
  X11RunConfig config_;
  std::string settingsPath_;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "glimmerkin: %s\n(glimmerkin -help lists the options)\n", message.c_str());
  return -1;
}

int WriteSettingsFile(const std::string& path, const Settings& settings) {
  if (settings.redrawSpeed < kMinRedrawSpeed || settings.redrawSpeed > kMaxRedrawSpeed)
    return Fail("the redraw speed to store must be 1 to 10");
  if (settings.alienCount < kMinAlienCount || settings.alienCount > kMaxAlienCount)
    return Fail("the number of aliens to store must be 2 to 25");
  if (!WriteIniSettings(path, settings)) {
    std::fprintf(stderr, "glimmerkin: cannot write the settings file '%s'\n", path.c_str());
    return 1;
  }
  std::printf("Stored redraw speed %ld and %ld aliens in %s\n",
              static_cast<long>(settings.redrawSpeed), static_cast<long>(settings.alienCount),
              path.c_str());
  return 0;
}

int Main(int argc, char** argv) {
  const X11Options options = ParseX11Options(argc - 1, argv + 1);
  if (!options.error.empty()) return Fail(options.error);
  if (options.help) {
    std::fputs(X11Usage(), stdout);
    return 0;
  }

  const std::string settingsPath = SettingsFilePath();
  X11RunConfig config;
  config.settings = ReadIniSettings(settingsPath);
  if (options.redrawSpeed) config.settings.redrawSpeed = *options.redrawSpeed;
  if (options.alienCount) config.settings.alienCount = *options.alienCount;
  config.fixedSeed = options.fixedSeed;
  config.frameLimit = options.frameLimit;

  if (options.writeSettings) {
    if (options.target != DrawTarget::None || options.hasOtherWords)
      return Fail("-write-settings goes with -redraw-speed and -num-aliens only");
    return WriteSettingsFile(settingsPath, config.settings);
  }

  // XScreenSaver names the window to draw in; when it runs a hack with -root
  // it names its own window in the environment.
  const char* saverWindow = std::getenv("XSCREENSAVER_WINDOW");
  const bool saverWindowSet = saverWindow != nullptr && saverWindow[0] != '\0';
  auto environmentWindow = [&]() -> int {
    const auto id = ParseWindowId(saverWindow);
    if (!id || *id == 0)
      return Fail(std::string("XSCREENSAVER_WINDOW='") + saverWindow + "' is not a window id");
    return RunX11Saver(X11WindowKind::Hack, *id, config);
  };

  if (options.target != DrawTarget::None) {
    if (options.hasOtherWords)
      return Fail("'" + options.arguments + "' cannot go with -root, -window or -window-id");
    switch (options.target) {
      case DrawTarget::WindowId:
        return RunX11Saver(X11WindowKind::Hack, options.windowId, config);
      case DrawTarget::Root:
        if (saverWindowSet) return environmentWindow();
        return RunX11Saver(X11WindowKind::Hack, 0, config);
      case DrawTarget::NewWindow:
        return RunX11Saver(X11WindowKind::TryOut, 0, config);
      case DrawTarget::None:
        break;
    }
  }
  if (!options.hasOtherWords && saverWindowSet) return environmentWindow();

  X11Modes modes(config, settingsPath);
  return SaverMain(options.arguments.c_str(), modes);
}

}  // namespace
}  // namespace glimmerkin

int main(int argc, char** argv) { return glimmerkin::Main(argc, argv); }
