#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace glimmerkin {

// Where the X11 saver draws when XScreenSaver's words name it; None leaves
// the choice to the Windows-style switch.
enum class DrawTarget { None, Root, NewWindow, WindowId };

// The words the Linux program understands beside the Windows switches, each
// with one dash or two, optionally as --word=value. None of them starts with
// a switch letter (c, s, p, l, a), so the switch scanner's cases are intact.
struct X11Options {
  DrawTarget target = DrawTarget::None;
  uint32_t windowId = 0;
  std::optional<int32_t> redrawSpeed;
  std::optional<int32_t> alienCount;
  // Testing aids: the generator's seed in place of the clock, and the number
  // of frames after which the animation stands still.
  std::optional<uint32_t> fixedSeed;
  std::optional<uint32_t> frameLimit;
  bool writeSettings = false;
  bool help = false;
  // Every other word, joined by single blanks: the switch scanner's input.
  std::string arguments;
  bool hasOtherWords = false;
  // Set when a word is malformed or misses its value.
  std::string error;
};

// args: the program's arguments without its own name.
X11Options ParseX11Options(int count, const char* const* args);

// An X window id: decimal, or hexadecimal after 0x or 0X; at most 32 bits,
// nothing else in the text. Empty on anything else.
std::optional<uint32_t> ParseWindowId(std::string_view text);
// Decimal with an optional sign, 32-bit, nothing else in the text.
std::optional<int32_t> ParseSigned(std::string_view text);
std::optional<uint32_t> ParseUnsigned(std::string_view text);

// The option words, without their dashes.
std::vector<std::string_view> X11OptionWords();

// The usage text for -help.
const char* X11Usage();

}  // namespace glimmerkin
