#include "host/close_rules.h"

#include "host/saver_main.h"

namespace glimmerkin {

bool KeyCloses(CloseRole role, uint32_t keysym) {
  switch (role) {
    case CloseRole::AnyInput:
      return true;
    case CloseRole::QuitKey:
      return keysym == kKeysymLowerQ || keysym == kKeysymUpperQ || keysym == kKeysymEscape;
    case CloseRole::Never:
      return false;
  }
  return false;
}

bool ButtonCloses(CloseRole role, uint32_t button) {
  return role == CloseRole::AnyInput && button >= 1 && button <= 3;
}

bool MotionCloses(CloseRole role, MotionAnchor& anchor, int32_t x, int32_t y) {
  if (!anchor.set) {
    anchor = {true, x, y};
    return false;
  }
  return role == CloseRole::AnyInput && MovedPastThreshold(anchor.x, anchor.y, x, y);
}

bool InputCloses(CloseRole role, MotionAnchor& anchor, const InputEvent& event) {
  switch (event.kind) {
    case InputKind::KeyPress:
      return KeyCloses(role, event.keysym);
    case InputKind::ButtonPress:
      return ButtonCloses(role, event.button);
    case InputKind::Motion:
      return MotionCloses(role, anchor, event.x, event.y);
    case InputKind::KeyRelease:
    case InputKind::ButtonRelease:
    case InputKind::Wheel:
      return false;
  }
  return false;
}

uint32_t ButtonFromEvdev(uint32_t code) {
  // linux/input-event-codes.h: BTN_LEFT, BTN_RIGHT, BTN_MIDDLE.
  switch (code) {
    case 0x110:
      return 1;
    case 0x112:
      return 2;
    case 0x111:
      return 3;
    default:
      return 0;
  }
}

}  // namespace glimmerkin
