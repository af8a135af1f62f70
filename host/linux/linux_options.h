#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace glimmerkin {

// Where the saver draws when XScreenSaver's words (or -background) name it;
// None leaves the choice to the Windows-style switch.
enum class DrawTarget { None, Root, NewWindow, WindowId, Background };

// -geometry WxH[+X+Y] (or -X-Y, counted from the right and bottom edges), as
// X programs take it.
struct Geometry {
  int32_t width = 0;
  int32_t height = 0;
  bool hasPosition = false;
  int32_t x = 0;
  int32_t y = 0;
  bool xFromRight = false;
  bool yFromBottom = false;
};

// The words the Linux program understands beside the Windows switches, each
// with one dash or two, optionally as --word=value. Words are matched whole,
// so the switch scanner still sees every other word (-s, /p ID, /sx).
struct LinuxOptions {
  DrawTarget target = DrawTarget::None;
  uint32_t windowId = 0;
  std::optional<int32_t> redrawSpeed;
  std::optional<int32_t> alienCount;
  // Testing aids: the generator's seed in place of the clock, and the number
  // of frames after which the animation stands still.
  std::optional<uint32_t> fixedSeed;
  std::optional<uint32_t> frameLimit;
  // -pixel-size N: any 32-bit number; the pixel-size rule takes 1..4 as given
  // and leaves the rest to the monitor.
  std::optional<int32_t> pixelSize;
  std::optional<Geometry> geometry;
  // -x11: the X11 front end even where a Wayland session is running.
  bool forceX11 = false;
  bool writeSettings = false;
  // -watch: the idle watcher; -watch-at-login on|off: its autostart entry.
  bool watch = false;
  std::optional<bool> watchAtLogin;
  bool help = false;
  bool version = false;
  // Every other word, joined by single blanks: the switch scanner's input.
  std::string arguments;
  bool hasOtherWords = false;
  // Set when a word is malformed or misses its value.
  std::string error;
};

// args: the program's arguments without its own name.
LinuxOptions ParseLinuxOptions(int count, const char* const* args);

// An X window id: decimal, or hexadecimal after 0x or 0X; at most 32 bits,
// nothing else in the text. Empty on anything else.
std::optional<uint32_t> ParseWindowId(std::string_view text);
// WxH with both sides 1..65536, then optionally +X+Y / -X-Y (32-bit).
std::optional<Geometry> ParseGeometry(std::string_view text);
// Decimal with an optional sign, 32-bit, nothing else in the text.
std::optional<int32_t> ParseSigned(std::string_view text);
std::optional<uint32_t> ParseUnsigned(std::string_view text);

// The option words, without their dashes.
std::vector<std::string_view> LinuxOptionWords();

// The usage text for -help.
const char* LinuxUsage();

// A word the switch scanner would refuse (nothing it knows begins it, such as
// -h or --frobnicate): the program answers it with a one-line error instead
// of failing silently. Empty when the arguments are fine.
std::string UnknownWord(std::string_view arguments);

}  // namespace glimmerkin
