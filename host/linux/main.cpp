// glimmerkin: the Linux saver, standalone with the Windows switches and as an
// XScreenSaver hack, on X11 or natively on Wayland.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "host/saver_main.h"
#include "host/watch_rules.h"
#include "host/linux/autostart.h"
#include "host/linux/dbus_watch.h"
#include "host/linux/linux_options.h"
#include "host/linux/run_signals.h"
#include "host/linux/watcher.h"
#include "host/x11/x11_idle.h"
#include "host/x11/x11_saver.h"
#include "settings/ini_settings.h"
#if defined(GLIMMERKIN_WAYLAND)
#include "host/wayland/wayland_idle.h"
#include "host/wayland/wayland_saver.h"
#endif

namespace glimmerkin {
namespace {

bool g_forceX11 = false;

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// A Wayland session: a connection handed over in WAYLAND_SOCKET (by a locker
// such as swaylock-plugin, which unsets the other two) counts first, as it
// does for libwayland.
bool WaylandSession() { return Set("WAYLAND_SOCKET") || Set("WAYLAND_DISPLAY"); }

#if defined(GLIMMERKIN_WAYLAND)
// In a Wayland session the saver speaks Wayland itself, unless -x11 asks for
// X11 (Xwayland). Windows named by id are always X11's.
bool UseWayland() { return !g_forceX11 && WaylandSession(); }
#endif

int RunSaver(WindowKind kind, uint32_t windowId, const RunConfig& config) {
#if defined(GLIMMERKIN_WAYLAND)
  if (UseWayland() && (kind == WindowKind::FullScreen || kind == WindowKind::TryOut ||
                       kind == WindowKind::Background))
    return RunWaylandSaver(kind, config);
#endif
  // On X11 an animated background is the root window drawn into.
  if (kind == WindowKind::Background) return RunX11Saver(WindowKind::Hack, 0, config);
  return RunX11Saver(kind, windowId, config);
}

class X11Modes final : public SaverModes {
 public:
  X11Modes(const RunConfig& config, std::string settingsPath)
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

  int RunFullScreen() override {
    RunConfig config = config_;
    // The idle watcher's saver with "Lock When Ended": the lock is asked for
    // before the saver's windows go, so the desktop is not shown unlocked.
    if (Set(kLockOnCloseVariable)) config.beforeInputClose = [] { LockSessionNow(); };
    return RunSaver(WindowKind::FullScreen, 0, config);
  }

  int RunPreview(const char* text) override {
    const uint32_t window = ParseDecimal(text);
    if (window == 0) return kExitBadWindow;
    return RunSaver(WindowKind::Preview, window, config_);
  }

  // No password-change provider exists here.
  int RunChangePassword(const char*) override { return 0; }

 private:
  RunConfig config_;
  std::string settingsPath_;
};

// Usage errors: one line, and the exit code of a usage error.
constexpr int kExitUsage = 2;
int Fail(const std::string& message) {
  std::fprintf(stderr, "glimmerkin: %s (glimmerkin -help lists the options)\n", message.c_str());
  return kExitUsage;
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

// The saver the watcher starts: this program with /s and this run's options.
std::vector<std::string> SaverCommand(const LinuxOptions& options) {
  std::vector<std::string> command = {"/proc/self/exe", "/s"};
  char path[4096];
  if (const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1); length > 0)
    command[0].assign(path, static_cast<size_t>(length));
  auto add = [&command](const char* word, auto value) {
    if (!value) return;
    command.emplace_back(word);
    command.push_back(std::to_string(*value));
  };
  add("-redraw-speed", options.redrawSpeed);
  add("-num-aliens", options.alienCount);
  add("-pixel-size", options.pixelSize);
  add("-fixed-seed", options.fixedSeed);
  add("-frame-limit", options.frameLimit);
  if (options.forceX11) command.emplace_back("-x11");
  return command;
}

// The idle sources in the order a session offers them; the first there wins.
// In a Wayland session (also with -x11) Xwayland is never asked: it sees only
// the input that goes to X clients, and connecting may start it for nothing.
std::unique_ptr<IdleSource> OpenIdleSource() {
  if (auto mutter = OpenMutterIdleSource()) return mutter;
  if (WaylandSession()) {
#if defined(GLIMMERKIN_WAYLAND)
    return OpenWaylandIdleSource();
#else
    return nullptr;
#endif
  }
  return OpenX11IdleSource();
}

int Watch(const LinuxOptions& options, const std::string& settingsPath) {
  // A SIGTERM while the watcher looks the session over ends it as cleanly
  // as one that comes later.
  CatchRunSignals();
  if (!TakeWatcherLock()) {
    std::printf("glimmerkin: an idle watcher already runs in this session\n");
    return 0;
  }
  OtherSaver other = WaylandSession() ? OtherSaver{} : X11OtherSaver();
  if (other.name.empty()) other = DBusOtherSaver();
  if (!other.name.empty()) {
    std::printf("glimmerkin: this session's screen saver is %s; to use Glimmerkin, %s\n",
                other.name.c_str(), other.howToChoose.c_str());
    return 0;
  }
  std::unique_ptr<IdleSource> idle = OpenIdleSource();
  if (!idle && TakeRunSignals().end) return kExitSignalled;
  if (!idle) {
    std::fprintf(stderr,
                 "glimmerkin: this session tells no idleness (no Mutter idle monitor, "
                 "ext-idle-notify-v1, org_kde_kwin_idle or X server idle time)\n");
    return kExitNoDisplay;
  }
  const WatchSettings stored = ReadWatchSettings(settingsPath);
  const std::optional<int32_t> desktopDelay = idle->DesktopDelaySeconds();
  const FittedDelay delay = FitIdleDelay(stored.idleDelay, stored.delaySet, desktopDelay);
  std::fprintf(stderr, "glimmerkin: watching %s; the saver starts after %ld s idle\n",
               idle->Name().c_str(), static_cast<long>(delay.seconds));
  if (delay.beyondDesktop)
    std::fprintf(stderr,
                 "glimmerkin: warning: the idle delay (%ld s) is not shorter than the desktop's "
                 "own blanking delay (%ld s): the desktop blanks first\n",
                 static_cast<long>(delay.seconds), static_cast<long>(*desktopDelay));
  std::fflush(stderr);
  if (!idle->Arm(delay.seconds)) {
    // A signal that broke the call off is an end asked for, not a failure.
    if (TakeRunSignals().end) return kExitSignalled;
    std::fprintf(stderr, "glimmerkin: %s refused the idle watch\n", idle->Name().c_str());
    return kExitNoDisplay;
  }
  WatchSetup setup;
  setup.saverCommand = SaverCommand(options);
  setup.lockWhenEnded = stored.lockWhenEnded;
  setup.sources.push_back(std::move(idle));
  // Inhibitors, the desktop's own blank, locks and sleep, where offered.
  if (auto inhibitors = OpenSessionInhibitorSource())
    setup.sources.push_back(std::move(inhibitors));
  if (auto logind = OpenLogindSource(setup.lockSession)) setup.sources.push_back(std::move(logind));
  return RunWatcher(std::move(setup));
}

int Main(int argc, char** argv) {
  const LinuxOptions options = ParseLinuxOptions(argc - 1, argv + 1);
  if (!options.error.empty()) return Fail(options.error);
  if (options.help) {
    std::fputs(LinuxUsage(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("glimmerkin %s\n", GLIMMERKIN_VERSION);
    return 0;
  }
  g_forceX11 = options.forceX11;

  const std::string settingsPath = SettingsFilePath();
  RunConfig config;
  config.settings = ReadIniSettings(settingsPath);
  if (options.redrawSpeed) config.settings.redrawSpeed = *options.redrawSpeed;
  if (options.alienCount) config.settings.alienCount = *options.alienCount;
  config.fixedSeed = options.fixedSeed;
  config.frameLimit = options.frameLimit;
  if (options.pixelSize) config.settings.pixelSize = *options.pixelSize;
  config.geometry = options.geometry;

  if (options.watch || options.watchAtLogin) {
    if (options.target != DrawTarget::None || options.hasOtherWords || options.writeSettings)
      return Fail("-watch and -watch-at-login go with the settings options only");
    if (options.watchAtLogin) return SetWatchAtLogin(*options.watchAtLogin);
    return Watch(options, settingsPath);
  }

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
    if (!id || *id == 0) {
      std::fprintf(stderr, "glimmerkin: XSCREENSAVER_WINDOW='%s' is not a window id\n",
                   saverWindow);
      return kExitBadWindow;
    }
    return RunX11Saver(WindowKind::Hack, *id, config);
  };

  if (options.target != DrawTarget::None) {
    if (options.hasOtherWords)
      return Fail("'" + options.arguments +
                  "' cannot go with -root, -window, -window-id or -background");
    switch (options.target) {
      case DrawTarget::WindowId:
        return RunX11Saver(WindowKind::Hack, options.windowId, config);
      case DrawTarget::Root:
        if (saverWindowSet) return environmentWindow();
        return RunX11Saver(WindowKind::Hack, 0, config);
      case DrawTarget::NewWindow:
        return RunSaver(WindowKind::TryOut, 0, config);
      case DrawTarget::Background:
        return RunSaver(WindowKind::Background, 0, config);
      case DrawTarget::None:
        break;
    }
  }
  if (!options.hasOtherWords && saverWindowSet) return environmentWindow();
  if (const std::string unknown = UnknownWord(options.arguments); !unknown.empty())
    return Fail("unknown option '" + unknown + "'");

  X11Modes modes(config, settingsPath);
  return SaverMain(options.arguments.c_str(), modes);
}

}  // namespace
}  // namespace glimmerkin

int main(int argc, char** argv) { return glimmerkin::Main(argc, argv); }
