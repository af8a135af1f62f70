#include "host/linux/desktop_delay.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/linux/autostart.h"
#include "host/linux/linux_options.h"
#include "settings/ini_settings.h"

namespace glimmerkin {

std::optional<int32_t> ParseGsettingsUint(std::string_view text) {
  constexpr std::string_view kPrefix = "uint32 ";
  if (text.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  text.remove_prefix(kPrefix.size());
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  const std::optional<uint32_t> value = ParseUnsigned(text);
  if (!value || *value == 0 || *value > 0x7fffffffu) return std::nullopt;
  return static_cast<int32_t>(*value);
}

std::optional<int32_t> GnomeIdleDelaySeconds() {
  FILE* answer = popen("gsettings get org.gnome.desktop.session idle-delay 2>/dev/null", "r");
  if (answer == nullptr) return std::nullopt;
  char line[64] = {};
  const bool read = std::fgets(line, sizeof line, answer) != nullptr;
  pclose(answer);
  return read ? ParseGsettingsUint(line) : std::nullopt;
}

std::optional<int32_t> PlasmaLockDelaySeconds() {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  if (desktop == nullptr || std::string_view(desktop).find("KDE") == std::string_view::npos)
    return std::nullopt;
  const std::string home = UserConfigHome();
  const std::string text =
      home.empty() ? std::string() : ReadSettingsFile(home + "/kscreenlockerrc");
  const int32_t minutes = ProfileInt(text, "Daemon", "Timeout", 5);
  if (minutes <= 0 || minutes > 24 * 60) return std::nullopt;
  return minutes * 60;
}

}  // namespace glimmerkin
