#pragma once
#include <cstdint>

namespace glimmerkin {

// Which input ends the saver, for every front end that receives raw input
// (X11, Wayland). Values only: keys as X keysyms (the numbering X11 and
// xkbcommon share), buttons numbered as X numbers them, positions in one
// coordinate space across all monitors.

// How input treats a mode.
enum class CloseRole : uint8_t {
  AnyInput,  // full screen: any key, buttons 1-3, movement past the threshold
  QuitKey,   // the try-out window: q, Q or Escape
  Never,     // background, preview, hack: input never ends it
};

enum class InputKind : uint8_t { KeyPress, KeyRelease, ButtonPress, ButtonRelease, Wheel, Motion };

struct InputEvent {
  InputKind kind = InputKind::Motion;
  uint32_t keysym = 0;  // KeyPress, KeyRelease; 0 when the key has no symbol
  uint32_t button = 0;  // ButtonPress, ButtonRelease: 1 left, 2 middle, 3 right, 4-7 wheel
  int32_t x = 0;        // Motion
  int32_t y = 0;
};

// The exit code of a run ended by input.
inline constexpr int kInputCloseExitCode = 0;

inline constexpr uint32_t kKeysymEscape = 0xff1b;
inline constexpr uint32_t kKeysymUpperQ = 0x51;
inline constexpr uint32_t kKeysymLowerQ = 0x71;

// Where movement is measured from: the first position seen, unless set.
struct MotionAnchor {
  bool set = false;
  int32_t x = 0;
  int32_t y = 0;
};

// A pressed key.
bool KeyCloses(CloseRole role, uint32_t keysym);
// A pressed button (X numbering); releases never close.
bool ButtonCloses(CloseRole role, uint32_t button);
// The pointer at (x, y): the first position seen becomes the anchor and does
// not close; later ones close (AnyInput only) beyond kMoveThreshold, Manhattan.
bool MotionCloses(CloseRole role, MotionAnchor& anchor, int32_t x, int32_t y);
// Any one event; releases and the wheel never close.
bool InputCloses(CloseRole role, MotionAnchor& anchor, const InputEvent& event);

// A Linux input button code (BTN_LEFT 0x110 and on, as Wayland and evdev
// send them) in X numbering; 0 for codes with no X number below 4.
uint32_t ButtonFromEvdev(uint32_t code);

}  // namespace glimmerkin
