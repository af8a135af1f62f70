#include "host/x11/x11_options.h"

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

enum class Word { None, Root, Window, WindowId, RedrawSpeed, NumAliens, FixedSeed, FrameLimit,
                  WriteSettings, Help };

struct WordName {
  const char* name;
  Word word;
  bool takesValue;
};

constexpr WordName kWords[] = {
    {"root", Word::Root, false},
    {"window", Word::Window, false},
    {"window-id", Word::WindowId, true},
    {"redraw-speed", Word::RedrawSpeed, true},
    {"num-aliens", Word::NumAliens, true},
    {"fixed-seed", Word::FixedSeed, true},
    {"frame-limit", Word::FrameLimit, true},
    {"write-settings", Word::WriteSettings, false},
    {"help", Word::Help, false},
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

X11Options ParseX11Options(int count, const char* const* args) {
  X11Options options;
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
      case Word::Help:
        options.help = true;
        break;
      case Word::None:
        break;
    }
  }
  return options;
}

std::vector<std::string_view> X11OptionWords() {
  std::vector<std::string_view> words;
  for (const WordName& w : kWords) words.emplace_back(w.name);
  return words;
}

const char* X11Usage() {
  return "usage: glimmerkin [switch] [options]\n"
         "Switches, as for the Windows saver:\n"
         "  /s            full screen on the monitor holding the pointer; input ends it\n"
         "  /p ID, /l ID  preview inside the X window ID (decimal)\n"
         "  /c, none      show the settings and how to change them\n"
         "  /a            nothing to do here (exit 0)\n"
         "XScreenSaver's conventions (one dash or two):\n"
         "  -root                draw into the root window, or into $XSCREENSAVER_WINDOW\n"
         "  -window-id ID        draw into the X window ID (decimal or 0x hexadecimal)\n"
         "  -window              open an ordinary window to try it out (q or Escape closes)\n"
         "  $XSCREENSAVER_WINDOW with no arguments: draw into that window\n"
         "Settings for this run, overriding the settings file:\n"
         "  -redraw-speed N      1 (slow) .. 10 (fast); default 5\n"
         "  -num-aliens N        2 .. 25 aliens at start; default 9\n"
         "  -write-settings      store the two values above in the settings file\n"
         "Testing aids:\n"
         "  -fixed-seed S        seed the scene with S instead of the clock\n"
         "  -frame-limit N       stop the animation after frame N (the window stays)\n";
}

}  // namespace glimmerkin
