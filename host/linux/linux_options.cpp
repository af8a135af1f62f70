#include "host/linux/linux_options.h"

#include <limits>

namespace glimmerkin {
namespace {

std::optional<uint64_t> Digits(std::string_view text, unsigned base, uint64_t max) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      return std::nullopt;
    if (digit >= base) return std::nullopt;
    value = value * base + digit;
    if (value > max) return std::nullopt;
  }
  return value;
}

enum class Word { None, Root, Window, WindowId, Background, RedrawSpeed, NumAliens, PixelSize,
                  Geometry, X11, FixedSeed, FrameLimit, WriteSettings, Watch, WatchAtLogin, Help,
                  Version };

struct WordName {
  const char* name;
  Word word;
  bool takesValue;
};

constexpr WordName kWords[] = {
    {"root", Word::Root, false},
    {"window", Word::Window, false},
    {"window-id", Word::WindowId, true},
    {"background", Word::Background, false},
    {"redraw-speed", Word::RedrawSpeed, true},
    {"num-aliens", Word::NumAliens, true},
    {"pixel-size", Word::PixelSize, true},
    {"geometry", Word::Geometry, true},
    {"x11", Word::X11, false},
    {"fixed-seed", Word::FixedSeed, true},
    {"frame-limit", Word::FrameLimit, true},
    {"write-settings", Word::WriteSettings, false},
    {"watch", Word::Watch, false},
    {"watch-at-login", Word::WatchAtLogin, true},
    {"help", Word::Help, false},
    {"h", Word::Help, false},
    {"version", Word::Version, false},
};

}  // namespace

std::optional<uint32_t> ParseWindowId(std::string_view text) {
  std::optional<uint64_t> value;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    value = Digits(text.substr(2), 16, std::numeric_limits<uint32_t>::max());
  else
    value = Digits(text, 10, std::numeric_limits<uint32_t>::max());
  if (!value) return std::nullopt;
  return static_cast<uint32_t>(*value);
}

std::optional<uint32_t> ParseUnsigned(std::string_view text) {
  const auto value = Digits(text, 10, std::numeric_limits<uint32_t>::max());
  if (!value) return std::nullopt;
  return static_cast<uint32_t>(*value);
}

std::optional<int32_t> ParseSigned(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
  const auto value = Digits(text, 10, limit);
  if (!value) return std::nullopt;
  return static_cast<int32_t>(negative ? -static_cast<int64_t>(*value)
                                       : static_cast<int64_t>(*value));
}

LinuxOptions ParseLinuxOptions(int count, const char* const* args) {
  LinuxOptions options;
  auto fail = [&options](std::string message) {
    if (options.error.empty()) options.error = std::move(message);
  };
  for (int i = 0; i < count; ++i) {
    const std::string_view arg = args[i] == nullptr ? std::string_view{} : args[i];
    std::string_view body = arg;
    size_t dashes = 0;
    while (dashes < 2 && dashes < body.size() && body[dashes] == '-') ++dashes;
    body.remove_prefix(dashes);
    std::string_view name = body;
    std::optional<std::string_view> inlineValue;
    if (const size_t equals = body.find('='); equals != std::string_view::npos) {
      name = body.substr(0, equals);
      inlineValue = body.substr(equals + 1);
    }
    const WordName* match = nullptr;
    if (dashes > 0)
      for (const WordName& w : kWords)
        if (name == w.name && (w.takesValue || !inlineValue)) match = &w;
    if (match == nullptr) {
      if (options.hasOtherWords) options.arguments += ' ';
      options.arguments += arg;
      options.hasOtherWords = true;
      continue;
    }
    std::string_view value;
    if (match->takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < count && args[i + 1] != nullptr) {
        value = args[++i];
      } else {
        fail(std::string(arg) + " needs a value");
        continue;
      }
    }
    const std::string word(arg.substr(0, dashes + name.size()));
    switch (match->word) {
      case Word::Root:
        options.target = DrawTarget::Root;
        break;
      case Word::Window:
        options.target = DrawTarget::NewWindow;
        break;
      case Word::WindowId:
        if (const auto id = ParseWindowId(value); id && *id != 0) {
          options.target = DrawTarget::WindowId;
          options.windowId = *id;
        } else {
          fail(word + ": '" + std::string(value) +
               "' is not a window id (nonzero, decimal or 0x hexadecimal)");
        }
        break;
      case Word::RedrawSpeed:
        if (const auto v = ParseSigned(value))
          options.redrawSpeed = *v;
        else
          fail(word + ": '" + std::string(value) + "' is not a 32-bit decimal number");
        break;
      case Word::NumAliens:
        if (const auto v = ParseSigned(value))
          options.alienCount = *v;
        else
          fail(word + ": '" + std::string(value) + "' is not a 32-bit decimal number");
        break;
      case Word::Background:
        options.target = DrawTarget::Background;
        break;
      case Word::PixelSize:
        if (const auto v = ParseSigned(value))
          options.pixelSize = *v;
        else
          fail(word + ": '" + std::string(value) + "' is not a 32-bit decimal number");
        break;
      case Word::Geometry:
        if (const auto g = ParseGeometry(value))
          options.geometry = *g;
        else
          fail(word + ": '" + std::string(value) + "' is not WxH[+X+Y] with sides 1 to 65536");
        break;
      case Word::X11:
        options.forceX11 = true;
        break;
      case Word::Version:
        options.version = true;
        break;
      case Word::FixedSeed:
        if (const auto v = ParseUnsigned(value))
          options.fixedSeed = *v;
        else
          fail(word + ": '" + std::string(value) + "' is not an unsigned 32-bit decimal number");
        break;
      case Word::FrameLimit:
        if (const auto v = ParseUnsigned(value))
          options.frameLimit = *v;
        else
          fail(word + ": '" + std::string(value) + "' is not an unsigned 32-bit decimal number");
        break;
      case Word::WriteSettings:
        options.writeSettings = true;
        break;
      case Word::Watch:
        options.watch = true;
        break;
      case Word::WatchAtLogin:
        if (value == "on")
          options.watchAtLogin = true;
        else if (value == "off")
          options.watchAtLogin = false;
        else
          fail(word + ": '" + std::string(value) + "' is neither on nor off");
        break;
      case Word::Help:
        options.help = true;
        break;
      case Word::None:
        break;
    }
  }
  return options;
}

std::optional<Geometry> ParseGeometry(std::string_view text) {
  const size_t cross = text.find_first_of("xX");
  if (cross == std::string_view::npos) return std::nullopt;
  const size_t sign = text.find_first_of("+-", cross);
  const auto width = Digits(text.substr(0, cross), 10, 65536);
  const auto height =
      Digits(text.substr(cross + 1, sign == std::string_view::npos ? std::string_view::npos
                                                                   : sign - cross - 1),
             10, 65536);
  if (!width || !height || *width == 0 || *height == 0) return std::nullopt;
  Geometry g;
  g.width = static_cast<int32_t>(*width);
  g.height = static_cast<int32_t>(*height);
  if (sign == std::string_view::npos) return g;
  const std::string_view position = text.substr(sign);
  const size_t second = position.find_first_of("+-", 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto x = ParseSigned(position.substr(1, second - 1));
  const auto y = ParseSigned(position.substr(second + 1));
  // The sign belongs to the edge, not to the number: "+-5" is refused.
  if (!x || !y || position[1] == '-' || position[1] == '+' || position[second + 1] == '-' ||
      position[second + 1] == '+')
    return std::nullopt;
  g.hasPosition = true;
  g.x = *x;
  g.y = *y;
  g.xFromRight = position[0] == '-';
  g.yFromBottom = position[second] == '-';
  return g;
}

std::string UnknownWord(std::string_view arguments) {
  size_t i = 0;
  while (i < arguments.size() && (arguments[i] == ' ' || arguments[i] == '-' || arguments[i] == '/'))
    ++i;
  if (i == arguments.size()) return {};
  switch (arguments[i]) {
    case 'c': case 'C': case 's': case 'S': case 'p': case 'P':
    case 'l': case 'L': case 'a': case 'A':
      return {};
    default:
      break;
  }
  const size_t start = arguments.rfind(' ', i);
  const size_t begin = start == std::string_view::npos ? 0 : start + 1;
  const size_t end = arguments.find(' ', i);
  return std::string(arguments.substr(begin, end == std::string_view::npos ? std::string_view::npos
                                                                          : end - begin));
}

std::vector<std::string_view> LinuxOptionWords() {
  std::vector<std::string_view> words;
  for (const WordName& w : kWords) words.emplace_back(w.name);
  return words;
}

const char* LinuxUsage() {
  return "usage: glimmerkin [switch] [options]\n"
         "Switches, as for the Windows saver:\n"
         "  /s            full screen on every monitor; input ends it\n"
         "  /p ID, /l ID  preview inside the X window ID (decimal)\n"
         "  /c, none      show the settings and how to change them\n"
         "  /a            nothing to do here (exit 0)\n"
         "XScreenSaver's conventions (one dash or two):\n"
         "  -root                draw into the root window, or into $XSCREENSAVER_WINDOW\n"
         "  -window-id ID        draw into the X window ID (decimal or 0x hexadecimal)\n"
         "  -window              open an ordinary window to try it out (q or Escape closes)\n"
         "  -geometry WxH[+X+Y]  the size (and place) of that window; default 960x600\n"
         "  $XSCREENSAVER_WINDOW with no arguments: draw into that window\n"
         "Wayland (used when $WAYLAND_SOCKET or $WAYLAND_DISPLAY is set):\n"
         "  -background          an animated background on every output; input never ends it\n"
         "  -x11                 use X11 even in a Wayland session\n"
         "Settings for this run, overriding the settings file:\n"
         "  -redraw-speed N      1 (slow) .. 10 (fast); default 5\n"
         "  -num-aliens N        2 .. 25 aliens at start; default 9\n"
         "  -pixel-size N        1 .. 4 screen pixels a scene pixel; 0: from the monitor\n"
         "  -write-settings      store the redraw speed and alien count in the settings file\n"
         "The idle watcher (Linux desktops: GNOME, Plasma, wlroots compositors, X11):\n"
         "  -watch               run for the session; after the idle delay show /s on every\n"
         "                       output; input ends it. Idleness from Mutter's idle monitor,\n"
         "                       ext-idle-notify-v1, org_kde_kwin_idle or the X server\n"
         "  -watch-at-login on|off  start the watcher at login (an autostart entry in\n"
         "                       ~/.config/autostart), or stop doing so\n"
         "  Settings file keys: \"Idle Delay\" (seconds, 1 .. 7200; default 240, or less\n"
         "                       than the desktop's own blanking delay), \"Lock When Ended\" (0/1)\n"
         "Testing aids:\n"
         "  -fixed-seed S        seed the scene with S instead of the clock\n"
         "  -frame-limit N       stop the animation after frame N (the window stays)\n"
         "Signals (as lockers send them):\n"
         "  SIGTERM, SIGINT, SIGHUP  end it cleanly, with exit status 0\n"
         "  SIGUSR1                  start new scenes, as at the start\n"
         "Other:\n"
         "  -help, -h            this text\n"
         "  -version             the program's version\n";
}

}  // namespace glimmerkin
